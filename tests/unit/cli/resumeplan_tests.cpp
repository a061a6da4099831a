// SPDX-License-Identifier: MIT
#include "cli/resumeplan.h"

#include <gtest/gtest.h>

namespace {

StoredCheck CheckAt(std::int64_t askedAt) {
    StoredCheck check;
    check.domainAscii = "a.com";
    check.askedAt = askedAt;
    return check;
}

TEST(ResumePlanTest, FreshBatchStartsNowWithNothingDone) {
    const ResumeStart start = StartOf(std::nullopt, 1000);
    EXPECT_FALSE(start.resumed);
    EXPECT_EQ(start.startedAt, 1000);
    const StoredCheck recent = CheckAt(1500);
    EXPECT_FALSE(FinishedBefore(&recent, start)) << "only a resumed batch skips rows";
}

// The interrupted batch began at 500: a check from then on is its own, an
// older one is not (even before the saved row index, whose check may have
// been lost with a kill before the store's commit).
TEST(ResumePlanTest, RowsCheckedSinceTheInterruptedStartAreDone) {
    const ResumeStart start = StartOf(ListPosition{500, 2}, 1000);
    EXPECT_TRUE(start.resumed);
    EXPECT_EQ(start.startedAt, 500) << "the interrupted batch's start is kept";
    const StoredCheck first = CheckAt(500);
    const StoredCheck earlier = CheckAt(499);
    const StoredCheck outOfOrder = CheckAt(620);
    EXPECT_TRUE(FinishedBefore(&first, start));
    EXPECT_FALSE(FinishedBefore(&earlier, start)) << "an earlier batch's: asked again";
    EXPECT_TRUE(FinishedBefore(&outOfOrder, start));
    EXPECT_FALSE(FinishedBefore(nullptr, start)) << "never checked";
}

} // namespace
