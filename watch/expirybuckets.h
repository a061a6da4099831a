// SPDX-License-Identifier: MIT
#pragma once

// The expiry chart's bars: the registered names of the list by the month
// their registration ends, from this month to `monthsAhead` months ahead,
// and one bar before them for the names already expired. A month is red
// when any of its days lies within the alert days from today (this month
// always is). Names expiring later than the last month, and rows without a
// readable expiry, have no bar.

#include "core/ccore.h"
#include "watch/watchedrow.h"

#include <string>
#include <vector>

struct ExpiryBar {
    std::string label; // "2027-03", or "已过期"
    CivilDate month{}; // the month's first day; {} for the expired bar
    bool expired = false;
    bool red = false;
    std::vector<std::string> domains; // in the list's order

    [[nodiscard]] int count() const { return static_cast<int>(domains.size()); }
};

struct ExpiryBuckets {
    ExpiryBar expired;
    std::vector<ExpiryBar> months; // monthsAhead + 1 bars, this month first
    int later = 0;                 // registered names expiring after the last month
    int undated = 0;               // registered names without a readable expiry

    // The expired bar first, then the months: the chart's order.
    [[nodiscard]] std::vector<const ExpiryBar*> Bars() const;
};

inline constexpr int kExpiryChartMonths = 24;

[[nodiscard]] ExpiryBuckets BucketByExpiryMonth(const std::vector<WatchedRow>& rows,
                                                CivilDate today, int alertDays,
                                                int monthsAhead = kExpiryChartMonths);
