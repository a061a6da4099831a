// SPDX-License-Identifier: MIT
#include "core/text.h"

#include <charconv>
#include <climits>
#include <cstring>

std::size_t GbkCharLength(std::string_view text, std::size_t pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x81 || lead > 0xFE || pos + 1 >= text.size()) {
        return 1;
    }
    const auto trail = static_cast<unsigned char>(text[pos + 1]);
    const bool validTrail = trail >= 0x40 && trail <= 0xFE && trail != 0x7F;
    return validTrail ? 2 : 1;
}

namespace {

bool InRange(unsigned char c, unsigned char lo, unsigned char hi) {
    return c >= lo && c <= hi;
}

} // namespace

Utf8Char Utf8CharAt(std::string_view s, std::size_t i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        return {1, true};
    }
    std::size_t need = 0;
    unsigned char lo = 0x80;
    unsigned char hi = 0xBF;
    if (InRange(b0, 0xC2, 0xDF)) {
        need = 1;
    } else if (b0 == 0xE0) {
        need = 2;
        lo = 0xA0;
    } else if (InRange(b0, 0xE1, 0xEC) || InRange(b0, 0xEE, 0xEF)) {
        need = 2;
    } else if (b0 == 0xED) {
        need = 2;
        hi = 0x9F;
    } else if (b0 == 0xF0) {
        need = 3;
        lo = 0x90;
    } else if (InRange(b0, 0xF1, 0xF3)) {
        need = 3;
    } else if (b0 == 0xF4) {
        need = 3;
        hi = 0x8F;
    } else {
        return {1, false};
    }
    for (std::size_t k = 1; k <= need; ++k) {
        if (i + k >= s.size()) {
            return {k, false};
        }
        const auto b = static_cast<unsigned char>(s[i + k]);
        if (!InRange(b, lo, hi)) {
            return {k, false};
        }
        lo = 0x80;
        hi = 0xBF;
    }
    return {need + 1, true};
}

bool IsAsciiText(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

bool HasControlByte(std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            return true;
        }
    }
    return false;
}

std::size_t GbkCutLength(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) {
        return text.size();
    }
    // Walk character by character so a trail byte is never taken for a lead.
    std::size_t pos = 0;
    while (pos < maxBytes) {
        const std::size_t width = GbkCharLength(text, pos);
        if (pos + width > maxBytes) {
            break;
        }
        pos += width;
    }
    return pos;
}

void SetField(char* field, std::size_t width, std::string_view value) {
    if (width == 0) {
        return;
    }
    const std::size_t n = GbkCutLength(value, width - 1);
    if (n > 0) { // an empty view may have no data pointer at all
        std::memcpy(field, value.data(), n);
    }
    std::memset(field + n, 0, width - n);
}

bool IsBlankByte(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view TrimBlanks(std::string_view text) {
    return TrimBytes(text, " \t\r\n\v\f");
}

std::string_view TrimBytes(std::string_view text, std::string_view set) {
    const std::size_t first = text.find_first_not_of(set);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(set) - first + 1);
}

bool ParseInt(std::string_view text, int& value) {
    text = TrimBlanks(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    int parsed = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) {
        return false;
    }
    value = parsed;
    return true;
}

int ParseLeadingInt(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && IsBlankByte(text[pos])) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    long long value = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        value = value * 10 + (text[pos] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) {
            value = static_cast<long long>(INT_MAX) + 1;
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > INT_MAX) {
        return INT_MAX;
    }
    return static_cast<int>(value);
}

void ReadKeyValueLines(
    std::string_view text,
    const std::function<void(std::string_view, std::string_view, std::string_view)>& onValue) {
    std::string_view section;
    while (!text.empty()) {
        const std::size_t lf = text.find('\n');
        std::string_view line = text.substr(0, lf);
        text = lf == std::string_view::npos ? std::string_view() : text.substr(lf + 1);
        line = TrimBlanks(line);
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) {
            continue;
        }
        const std::string_view key = TrimBlanks(line.substr(0, eq));
        if (!key.empty()) {
            onValue(section, key, TrimBlanks(line.substr(eq + 1)));
        }
    }
}
