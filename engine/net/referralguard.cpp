// SPDX-License-Identifier: MIT
#include "engine/net/referralguard.h"

#include <algorithm>

#include "core/hostname.h"
#include "core/asciicase.h"
#include "core/text.h"

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// "1", "0177", "0x7f", "0X": what inet_aton reads as one part of an address.
bool IsNumber(std::string_view label) {
    if (label.size() >= 2 && label[0] == '0' && (label[1] == 'x' || label[1] == 'X')) {
        for (const char c : label.substr(2)) {
            if (!IsHexDigit(c)) {
                return false;
            }
        }
        return true;
    }
    for (const char c : label) {
        if (!IsDigit(c)) {
            return false;
        }
    }
    return !label.empty();
}

} // namespace

std::string ReferralHost(std::string_view value) {
    value = TrimBlanks(value);
    if (const std::size_t scheme = value.find("://"); scheme != std::string_view::npos) {
        value.remove_prefix(scheme + 3);
    }
    value = value.substr(0, value.find_first_of("/?#"));
    // "whois.example.com:43" names the port we ask anyway; a second colon
    // is an IPv6 spelling, left for the name rule to refuse.
    if (const std::size_t colon = value.find(':');
        colon != std::string_view::npos && value.find(':', colon + 1) == std::string_view::npos) {
        bool port = colon + 1 < value.size();
        for (const char c : value.substr(colon + 1)) {
            port = port && IsDigit(c);
        }
        if (port) {
            value = value.substr(0, colon);
        }
    }
    if (!value.empty() && value.back() == '.') {
        value.remove_suffix(1);
    }
    return AsciiLower(value);
}

bool IsReferralHostName(std::string_view host) {
    if (!IsHostName(host)) {
        return false;
    }
    if (IsNumber(host.substr(host.rfind('.') + 1))) {
        return false;
    }
    return !EqualsNoCase(host, "localhost") && !EndsWithNoCase(host, ".localhost");
}
