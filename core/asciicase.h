// SPDX-License-Identifier: MIT
#pragma once

// ASCII case rules for protocol texts (RDAP roles, event actions, link
// relations, media types, WHOIS labels, host names), which compare without
// regard to case. Bytes outside ASCII are left as they are.

#include <string>
#include <string_view>

[[nodiscard]] std::string AsciiLower(std::string_view text);
[[nodiscard]] bool EqualsNoCase(std::string_view a, std::string_view b);
[[nodiscard]] bool StartsWithNoCase(std::string_view text, std::string_view prefix);
[[nodiscard]] bool EndsWithNoCase(std::string_view text, std::string_view suffix);
[[nodiscard]] bool ContainsNoCase(std::string_view text, std::string_view part);
