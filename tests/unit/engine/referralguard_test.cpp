// SPDX-License-Identifier: MIT
// The name rule for referral targets: an answer from the network never
// makes the program ask an address, or a name meaning this machine.

#include "engine/net/referralguard.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ReferralHost, CutsAValueToItsHost) {
    const std::pair<const char*, const char*> cases[] = {
        {"whois.registrar.example", "whois.registrar.example"},
        {"  whois.registrar.example \t", "whois.registrar.example"},
        {"http://whois.registrar.example/", "whois.registrar.example"},
        {"https://whois.registrar.example/lookup?d=a.com", "whois.registrar.example"},
        {"whois://whois.registrar.example", "whois.registrar.example"},
        {"whois.registrar.example:43", "whois.registrar.example"},
        {"WHOIS.Registrar.EXAMPLE.", "whois.registrar.example"},
        {"[::1]:43", "[::1]:43"},
        {"", ""},
    };
    for (const auto& [value, host] : cases) {
        EXPECT_EQ(ReferralHost(value), host) << value;
    }
}

TEST(IsReferralHostName, TakesPlainHostNamesOnly) {
    const std::pair<std::string, bool> cases[] = {
        {"whois.registrar.example", true},
        {"whois.registrar-1.example", true},
        {"WHOIS.REGISTRAR.EXAMPLE", true},
        {"whois.nic.xn--fiqs8s", true},
        {"123.example", true}, // a numeric label is fine where the last one is not
        // Addresses in every spelling inet_aton reads.
        {"127.0.0.1", false},
        {"127.1", false},
        {"2130706433", false},
        {"0x7f000001", false},
        {"0X7F.1", false},
        {"0177.0.0.1", false},
        {"0.0.0.0", false},
        {"10.0.0.1", false},
        {"192.168.1.1", false},
        {"::1", false},
        {"[::1]", false},
        {"fe80::1%eth0", false},
        // This machine by name.
        {"localhost", false},
        {"LOCALHOST", false},
        {"whois.localhost", false},
        // Not a host name at all.
        {"intranet", false},
        {"not defined", false},
        {"whois.registrar.example/", false},
        {"user@whois.registrar.example", false},
        {"whois..example", false},
        {".whois.example", false},
        {"whois_server.example", false},
        {"", false},
        // At most 253 bytes, in labels of at most 63.
        {std::string(63, 'a') + "." + std::string(63, 'b') + "." + std::string(63, 'c') + "." +
             std::string(61, 'd'),
         true},
        {std::string(63, 'a') + "." + std::string(63, 'b') + "." + std::string(63, 'c') + "." +
             std::string(62, 'd'),
         false},
        {std::string(64, 'a') + ".com", false},
        {"whois.-registrar.example", false},
    };
    for (const auto& [host, ok] : cases) {
        EXPECT_EQ(IsReferralHostName(host), ok) << host;
    }
}

} // namespace
