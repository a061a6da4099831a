// SPDX-License-Identifier: MIT
#pragma once

// The one rule for the spelling of a host name: dot-separated labels of
// ASCII letters, digits and hyphens, no label empty, longer than 63 bytes or
// beginning or ending with a hyphen, at most 253 bytes in all, no trailing
// dot. A domain of a list, a referral, a connect-to entry and an IANA
// directory entry are all read by it; what differs is stated as options.

#include <string_view>

struct HostNameRule {
    bool underscore = false;  // "_" may stand in a label (test and lab hosts)
    bool singleLabel = false; // one label is a name ("localhost", a TLD)
};

// One label: 1 to 63 letters, digits and hyphens (and "_" if allowed), not
// beginning or ending with a hyphen.
[[nodiscard]] bool IsHostLabel(std::string_view label, bool underscore = false);
[[nodiscard]] bool IsHostName(std::string_view name, HostNameRule rule = {});
