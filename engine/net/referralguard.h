// SPDX-License-Identifier: MIT
#pragma once

// The host a registry's answer refers a query to ("Registrar WHOIS Server:
// whois.registrar.example"). The answer is data from the network: what it
// names is asked only when it is a plain public host name, never an address
// or a name that means this machine.

#include <string>
#include <string_view>

// The host of a referral value: blanks trimmed, a scheme and a path cut
// off ("http://whois.example.com/" -> "whois.example.com"), a ":port" cut
// off, a trailing dot dropped, lower case.
[[nodiscard]] std::string ReferralHost(std::string_view value);

// A host name by the core's rule (IsHostName, two labels or more); not an
// IPv4 address in any spelling ("127.0.0.1", "127.1", "2130706433",
// "0x7f000001": a name whose last label is a number is one), and not
// "localhost" or a name under it. IPv6 spellings ("::1") fail the first rule.
[[nodiscard]] bool IsReferralHostName(std::string_view host);
