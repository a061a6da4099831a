// SPDX-License-Identifier: MIT
#pragma once

// A domain as the list shows it. The table keeps a name in any script as its
// A-label ("xn--fiqs8s"); the list shows the Unicode form with the A-label
// beside it, so both can be read, sorted and found.

#include <QString>
#include <string_view>

// "中国 (xn--fiqs8s)" for an A-label the IDN rules turn back into Unicode,
// the name itself otherwise (and wherever those rules are not built in).
[[nodiscard]] QString DisplayDomain(std::string_view gbkDomain);
