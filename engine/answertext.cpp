// SPDX-License-Identifier: MIT
#include "engine/answertext.h"

#include "core/ccore.h"

bool HasIso2022JpEscapes(std::string_view text) {
    for (std::size_t at = text.find('\x1b'); at != std::string_view::npos;
         at = text.find('\x1b', at + 1)) {
        const std::string_view rest = text.substr(at + 1, 2);
        if (rest == "$B" || rest == "$@" || rest == "(J") {
            return true;
        }
    }
    return false;
}

DecodedAnswer DecodeAnswer(std::string answer) {
    if (HasIso2022JpEscapes(answer)) {
        return {CCore::ISO2022JP_UTF8(answer), false};
    }
    const bool utf8 = CCore::isUtf8(answer);
    return {std::move(answer), !utf8};
}

std::string AnswerForDisplay(std::string_view answer) {
    if (HasIso2022JpEscapes(answer)) {
        return CCore::ISO2022JP_UTF8(answer);
    }
    if (CCore::isUtf8(answer)) {
        return std::string(answer);
    }
    return CCore::ANSI_UTF8(answer);
}
