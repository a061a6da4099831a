// SPDX-License-Identifier: MIT
#include "core/asciicase.h"

#include "core/text.h"

std::string AsciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = AsciiLowerByte(c);
    }
    return out;
}

std::string GbkAsciiLower(std::string_view gbk) {
    std::string out(gbk);
    for (std::size_t pos = 0; pos < out.size();) {
        const std::size_t width = GbkCharLength(out, pos);
        if (width == 1) {
            out[pos] = AsciiLowerByte(out[pos]);
        }
        pos += width;
    }
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLowerByte(a[i]) != AsciiLowerByte(b[i])) {
            return false;
        }
    }
    return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           EqualsNoCase(text.substr(text.size() - suffix.size()), suffix);
}

bool ContainsNoCase(std::string_view text, std::string_view part) {
    if (part.empty()) {
        return true;
    }
    for (std::size_t i = 0; i + part.size() <= text.size(); ++i) {
        if (EqualsNoCase(text.substr(i, part.size()), part)) {
            return true;
        }
    }
    return false;
}
