// SPDX-License-Identifier: MIT
// The expiry chart's bars: months, the expired bar, the red months.

#include "engine/domaintable.h"
#include "listwin/expiryrule.h"
#include "watch/expirybuckets.h"

#include <gtest/gtest.h>

namespace {

constexpr CivilDate kToday{2026, 12, 7};

WatchedRow Expiring(std::string domain, CivilDate date, std::int32_t status = Found) {
    return WatchedRow{std::move(domain), status, static_cast<std::int32_t>(DaysFromCivil(date)), 0};
}

std::vector<std::string> RedLabels(const ExpiryBuckets& buckets) {
    std::vector<std::string> labels;
    for (const ExpiryBar& bar : buckets.months) {
        if (bar.red) {
            labels.push_back(bar.label);
        }
    }
    return labels;
}

TEST(ExpiryBuckets, ThisMonthToTwoYearsAheadAcrossTheYears) {
    const ExpiryBuckets buckets = BucketByExpiryMonth({}, kToday, 30);
    ASSERT_EQ(buckets.months.size(), 25u);
    EXPECT_EQ(buckets.months.front().label, "2026-12");
    EXPECT_EQ(buckets.months[1].label, "2027-01");
    EXPECT_EQ(buckets.months.back().label, "2028-12");
    EXPECT_EQ(buckets.expired.label, "已过期");
    const std::vector<const ExpiryBar*> bars = buckets.Bars();
    ASSERT_EQ(bars.size(), 26u);
    EXPECT_TRUE(bars.front()->expired);
}

TEST(ExpiryBuckets, EachNameFallsInItsMonthTheEdgesIncluded) {
    const ExpiryBuckets buckets = BucketByExpiryMonth(
        {
            Expiring("yesterday.com", {2026, 12, 6}),
            Expiring("today.com", {2026, 12, 7}),
            Expiring("newyearseve.com", {2026, 12, 31}),
            Expiring("newyear.com", {2027, 1, 1}),
            Expiring("leap.com", {2028, 2, 29}),
            Expiring("lastday.com", {2028, 12, 31}),
            Expiring("toolate.com", {2029, 1, 1}),
            Expiring("ancient.com", {1999, 5, 5}),
            Expiring("free.com", {2027, 1, 5}, NotRegistered),
            Expiring("failed.com", {2027, 1, 5}, Error),
            WatchedRow{"nodate.com", Found, WatchedRow::kNoDay, 0},
        },
        kToday, 30);
    EXPECT_EQ(buckets.expired.domains, (std::vector<std::string>{"yesterday.com", "ancient.com"}));
    EXPECT_EQ(buckets.months[0].domains,
              (std::vector<std::string>{"today.com", "newyearseve.com"}));
    EXPECT_EQ(buckets.months[1].domains, std::vector<std::string>{"newyear.com"});
    EXPECT_EQ(buckets.months[14].label, "2028-02");
    EXPECT_EQ(buckets.months[14].domains, std::vector<std::string>{"leap.com"});
    EXPECT_EQ(buckets.months[24].domains, std::vector<std::string>{"lastday.com"});
    EXPECT_EQ(buckets.later, 1);
    EXPECT_EQ(buckets.undated, 1);
    int shown = buckets.expired.count();
    for (const ExpiryBar& bar : buckets.months) {
        shown += bar.count();
    }
    EXPECT_EQ(shown, 7); // every registered, dated name up to the last month, once
}

TEST(ExpiryBuckets, RedMonthsAreThoseWithADayInsideTheAlertDays) {
    // Today + 30 = 2027-01-06: January has days inside, February none.
    EXPECT_EQ(RedLabels(BucketByExpiryMonth({}, kToday, 30)),
              (std::vector<std::string>{"2026-12", "2027-01"}));
    // Today + 60 = 2027-02-05.
    EXPECT_EQ(RedLabels(BucketByExpiryMonth({}, kToday, 60)),
              (std::vector<std::string>{"2026-12", "2027-01", "2027-02"}));
    // Today + 24 = 2026-12-31: the month's last day keeps January out.
    EXPECT_EQ(RedLabels(BucketByExpiryMonth({}, kToday, 24)), std::vector<std::string>{"2026-12"});
    EXPECT_EQ(RedLabels(BucketByExpiryMonth({}, kToday, 25)),
              (std::vector<std::string>{"2026-12", "2027-01"}));
    EXPECT_EQ(RedLabels(BucketByExpiryMonth({}, kToday, 3650)).size(), 25u);
    EXPECT_TRUE(BucketByExpiryMonth({}, kToday, 30).expired.red);
}

} // namespace
