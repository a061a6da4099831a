// SPDX-License-Identifier: MIT
#include "watch/expirybuckets.h"

#include "engine/domaintable.h"
#include "listwin/expiryrule.h"

#include <algorithm>
#include <cstdio>

namespace {

CivilDate AddMonths(CivilDate first, int months) {
    const int index = first.year * 12 + (first.month - 1) + months;
    return CivilDate{index / 12, index % 12 + 1, 1};
}

std::string MonthLabel(const CivilDate& month) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d", month.year, month.month);
    return text;
}

} // namespace

std::vector<const ExpiryBar*> ExpiryBuckets::Bars() const {
    std::vector<const ExpiryBar*> bars{&expired};
    for (const ExpiryBar& month : months) {
        bars.push_back(&month);
    }
    return bars;
}

ExpiryBuckets BucketByExpiryMonth(const std::vector<WatchedRow>& rows, CivilDate today,
                                  int alertDays, int monthsAhead) {
    ExpiryBuckets buckets;
    buckets.expired.label = "已过期";
    buckets.expired.expired = true;
    buckets.expired.red = true;

    const long todayDay = DaysFromCivil(today);
    const long alertEnd = todayDay + std::max(alertDays, 0);
    const CivilDate thisMonth{today.year, today.month, 1};
    // starts[i] is the first day of month i; starts[monthsAhead + 1] ends the last.
    std::vector<long> starts;
    for (int i = 0; i <= monthsAhead + 1; ++i) {
        const CivilDate first = AddMonths(thisMonth, i);
        starts.push_back(DaysFromCivil(first));
        if (i <= monthsAhead) {
            ExpiryBar bar;
            bar.month = first;
            bar.label = MonthLabel(first);
            bar.red = starts.back() <= alertEnd;
            buckets.months.push_back(std::move(bar));
        }
    }

    for (const WatchedRow& row : rows) {
        if (row.status != Found) {
            continue;
        }
        if (row.expiryDay == WatchedRow::kNoDay) {
            ++buckets.undated;
        } else if (row.expiryDay < todayDay) {
            buckets.expired.domains.push_back(row.domain);
        } else if (row.expiryDay >= starts.back()) {
            ++buckets.later;
        } else {
            // The last start not after the day: its month.
            const auto next = std::upper_bound(starts.begin(), starts.end(), row.expiryDay);
            const auto month = static_cast<std::size_t>(next - starts.begin() - 1);
            buckets.months[month].domains.push_back(row.domain);
        }
    }
    return buckets;
}
