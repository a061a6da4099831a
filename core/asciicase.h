// SPDX-License-Identifier: MIT
#pragma once

// The one ASCII case rule: A-Z fold to a-z, every other byte stays as it is.
// Protocol texts (host names, labels, HTTP header names, RDAP roles) compare
// this way; bytes outside ASCII are never folded, so UTF-8 passes unchanged.

#include <string>
#include <string_view>

[[nodiscard]] constexpr char AsciiLowerByte(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
[[nodiscard]] std::string AsciiLower(std::string_view text);
// The same for GBK text: a double-byte character is copied untouched, so a
// trail byte in 0x41-0x5A is never taken for a capital letter.
[[nodiscard]] std::string GbkAsciiLower(std::string_view gbk);

[[nodiscard]] bool EqualsNoCase(std::string_view a, std::string_view b);
[[nodiscard]] bool StartsWithNoCase(std::string_view text, std::string_view prefix);
[[nodiscard]] bool EndsWithNoCase(std::string_view text, std::string_view suffix);
[[nodiscard]] bool ContainsNoCase(std::string_view text, std::string_view part);
