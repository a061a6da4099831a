// SPDX-License-Identifier: MIT
#pragma once

// The character set of a WHOIS answer. Registries answer in ASCII or UTF-8
// today; .jp answers in ISO-2022-JP unless asked otherwise; a few servers
// still send GBK. The parser reads UTF-8 or GBK text, the table stores GBK,
// and a details view shows UTF-8.

#include <string>
#include <string_view>

struct DecodedAnswer {
    std::string text; // UTF-8 (ASCII included), or GBK when `gbk`
    bool gbk = false;
};

// True when the text switches to JIS X 0208 (ESC $ B, ESC $ @) or to JIS
// X 0201 Roman (ESC ( J): an ISO-2022-JP answer.
[[nodiscard]] bool HasIso2022JpEscapes(std::string_view text);

// ISO-2022-JP is converted to UTF-8; UTF-8 stays; anything else is taken
// for GBK and kept as it is.
[[nodiscard]] DecodedAnswer DecodeAnswer(std::string answer);

// The answer as valid UTF-8 for display: UTF-8 as it is, ISO-2022-JP and
// GBK converted, any byte that fits neither replaced by U+FFFD.
[[nodiscard]] std::string AnswerForDisplay(std::string_view answer);
