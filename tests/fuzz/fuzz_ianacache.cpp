// SPDX-License-Identifier: MIT
// The IANA servers' cache reader: a file edited by hand or by an attacker
// yields only TLD labels with plain public host names (or none) and a time.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/net/referralguard.h"
#include "engine/whois/ianawhois.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const auto& [tld, entry] : ReadIanaWhoisCache(text)) {
        if (tld.empty() || tld.size() > 63 || tld.front() == '-' || entry.checked <= 0 ||
            entry.refused) {
            __builtin_trap();
        }
        for (const char c : tld) {
            if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-')) {
                __builtin_trap();
            }
        }
        if (!entry.server.empty() && !IsReferralHostName(entry.server)) {
            __builtin_trap();
        }
    }
    return 0;
}
