// SPDX-License-Identifier: MIT
#include "core/ccore.h"

#include "core/text.h"

std::string CCore::getStrInt(int value) {
    return std::to_string(value);
}

std::string CCore::getStrPart(std::string_view text, std::string_view begin, std::string_view end) {
    // An empty begin marker matches at the start (find of "" gives 0).
    const size_t at = text.find(begin);
    if (at == std::string_view::npos)
        return {};
    const std::string_view rest = text.substr(at + begin.size());
    if (end.empty())
        return std::string(rest);
    // An end marker that never follows leaves the rest of the text: the
    // parser's recipes cut the last value of an answer this way.
    return std::string(rest.substr(0, rest.find(end)));
}

void CCore::trimStr(std::string& text) {
    text = std::string(TrimBlanks(text));
}
