// SPDX-License-Identifier: MIT
#pragma once

// What a watch check found worth telling: registered names that expire
// within the alert days (or have expired), and names that changed since
// their previous check, by kind. Pure functions over the list's rows.

#include "engine/store/storedcheck.h"
#include "watch/watchedrow.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct WatchAlert {
    int alertDays = 0;
    std::vector<std::string> expiring; // registered, expiry today .. today + alertDays
    std::vector<std::string> expired;  // registered, expiry before today
    std::array<std::vector<std::string>, kChangeKindCount> changed; // by ChangeKind
    // Every name above once, in the list's order: the rows the alert shows.
    std::vector<std::string> domains;

    [[nodiscard]] bool empty() const { return domains.empty(); }
};

// The alert of `rows` on day `today` (days since 1970-01-01).
[[nodiscard]] WatchAlert CollectWatchAlert(const std::vector<WatchedRow>& rows, std::int32_t today,
                                           int alertDays);

// One line of Chinese, the counts joined by "，" in a fixed order:
// "3 个域名将在 30 天内到期，1 个域名已过期，1 个域名已释放"; "" when empty.
[[nodiscard]] std::string WatchAlertSummary(const WatchAlert& alert);
// A few of the names behind the summary, one line each, for a notification's
// body: "example.com：将在 30 天内到期" ...; at most `limit` lines and a last
// line "还有 N 项" when there are more.
[[nodiscard]] std::string WatchAlertDetails(const WatchAlert& alert, int limit = 5);
