// SPDX-License-Identifier: MIT
#pragma once

// Domain names in any script. A name with non-ASCII letters is asked, stored
// and matched in its ASCII form, the A-label ("例子.cn" is "xn--fsqu00a.cn");
// people read the Unicode form.

#include <string>
#include <string_view>

// The A-label of the UTF-8 name `utf8`: UTS #46 processing, non-transitional
// ("faß.de" keeps its ß), without the STD3 rules, and then a check of our own
// that the result holds only letters, digits, hyphens and dots. A name that
// is pure ASCII is returned as it is (names in ASCII are not judged here).
// False, and `ascii` untouched, when the name cannot be converted.
[[nodiscard]] bool ToALabel(std::string_view utf8, std::string& ascii);

// True when `name` is a domain name as the DNS spells it for a host: the
// core's host-name rule (IsHostName) with two labels or more. Anything else
// must never be sent to a server.
[[nodiscard]] bool IsHostNameSyntax(std::string_view name);

// The Unicode form of a stored name for display, in UTF-8: its "xn--" labels
// decoded. The name itself when it has no such label, is not ASCII, or does
// not convert back to exactly itself (a label that only pretends to be one).
[[nodiscard]] std::string ToUnicodeName(std::string_view ascii);
