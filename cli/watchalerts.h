// SPDX-License-Identifier: MIT
#pragma once

// --alert-within: the names a cron job or a timer should hear about, those
// registered names that expire within the given days (or have expired) and
// those that changed since their previous check.

#include <optional>
#include <string>
#include <vector>

#include "cli/watchrow.h"

// Days from `today` (days since 1970-01-01) to the row's expiry date;
// nullopt when the row states no readable date.
[[nodiscard]] std::optional<long> DaysToExpiry(const WatchRow& row, long today);

// One line per name to alert on, without its line end, in the rows' order:
//   "example.com: expires 2027-01-05 (in 29 days)"
//   "example.org: expired 2026-12-01 (6 days ago); changed: renewed, owner"
//   "example.net: changed: released"
[[nodiscard]] std::vector<std::string> AlertLines(const std::vector<WatchRow>& rows, int withinDays,
                                                  long today);
