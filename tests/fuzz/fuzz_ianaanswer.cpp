// SPDX-License-Identifier: MIT
// IANA's WHOIS answer reader: whatever the answer, the server it names is
// a plain public host name in lower case, or none.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/net/referralguard.h"
#include "engine/whois/ianawhois.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const IanaWhoisAnswer read = ReadIanaWhoisAnswer(text);
    if (!read.server.empty() &&
        (!IsReferralHostName(read.server) || ReferralHost(read.server) != read.server)) {
        __builtin_trap();
    }
    if (read.unknownTld && read.isTld) {
        __builtin_trap(); // a record is never also "no such TLD"
    }
    return 0;
}
