// SPDX-License-Identifier: MIT
// When a watch check is due: the clock is the test's.

#include "watch/watchschedule.h"

#include <gtest/gtest.h>

namespace {

using Decision = WatchSchedule::Decision;
constexpr std::int64_t kDay = WatchSchedule::kDaySeconds;
constexpr std::int64_t kMonday = 20794LL * kDay; // 2026-12-07 00:00 UTC

struct ScheduleTest : ::testing::Test {
    std::int64_t now = kMonday;
    WatchSchedule schedule{[this] { return now; }};
};

TEST_F(ScheduleTest, OffNeverStarts) {
    schedule.Configure(false, 7, 0);
    EXPECT_EQ(schedule.Poll(false, true), Decision::Off);
}

TEST_F(ScheduleTest, NeverCheckedStartsOnceTheListIsReady) {
    schedule.Configure(true, 7, 0);
    EXPECT_EQ(schedule.Poll(false, false), Decision::Waiting);
    EXPECT_EQ(schedule.Poll(false, true), Decision::Start);
}

TEST_F(ScheduleTest, DueAfterTheWholePeriodAndNotASecondBefore) {
    schedule.Configure(true, 7, kMonday);
    now = kMonday + 7 * kDay - 1;
    EXPECT_EQ(schedule.Poll(false, true), Decision::NotDue);
    EXPECT_EQ(schedule.NextCheckAt(), kMonday + 7 * kDay);
    now += 1;
    EXPECT_EQ(schedule.Poll(false, true), Decision::Start);
}

TEST_F(ScheduleTest, ADueCheckWaitsForARunningBatchThenStarts) {
    schedule.Configure(true, 1, kMonday);
    now = kMonday + 2 * kDay;
    EXPECT_EQ(schedule.Poll(true, true), Decision::Waiting);
    now += kDay; // however long the user's batch takes
    EXPECT_EQ(schedule.Poll(true, true), Decision::Waiting);
    EXPECT_EQ(schedule.Poll(false, true), Decision::Start);
}

TEST_F(ScheduleTest, OverdueAtStartStartsAtOnce) {
    // The program was not running for a month.
    schedule.Configure(true, 7, kMonday - 30 * kDay);
    EXPECT_EQ(schedule.Poll(false, true), Decision::Start);
}

TEST_F(ScheduleTest, AnEndedCheckPlansTheNextAWholePeriodOn) {
    schedule.Configure(true, 3, kMonday - 10 * kDay);
    now = kMonday + 3600;
    schedule.CheckEnded();
    EXPECT_EQ(schedule.lastCheck(), kMonday + 3600);
    EXPECT_EQ(schedule.NextCheckAt(), kMonday + 3600 + 3 * kDay);
    EXPECT_EQ(schedule.Poll(false, true), Decision::NotDue);
}

TEST_F(ScheduleTest, ALastCheckInTheFutureDoesNotPostponeForYears) {
    // Recorded while the clock was years ahead, then set right.
    schedule.Configure(true, 7, kMonday + 400 * kDay);
    EXPECT_EQ(schedule.Poll(false, true), Decision::Start);
}

} // namespace
