// SPDX-License-Identifier: MIT
#include "cli/resumeplan.h"

#include <gtest/gtest.h>

namespace {

StoredCheck CheckAt(const std::string& name, std::int64_t askedAt) {
    StoredCheck check;
    check.domainAscii = name;
    check.askedAt = askedAt;
    return check;
}

TEST(ResumePlanTest, FreshBatchStartsNowAtTheFirstRow) {
    const std::vector<std::string> names = {"a.com", "b.com"};
    const ResumePlan plan =
        PlanResume(names, std::nullopt, {{"a.com", CheckAt("a.com", 900)}}, 1000);
    EXPECT_FALSE(plan.resumed);
    EXPECT_EQ(plan.startedAt, 1000);
    EXPECT_EQ(plan.startIndex, 0);
    EXPECT_EQ(plan.done, std::vector<char>({0, 0}));
    EXPECT_EQ(plan.doneCount, 0);
}

// The interrupted batch began at 500: a check from then on is its own, an
// older one is not (even before the saved row index, whose check may have
// been lost with a kill before the store's commit).
TEST(ResumePlanTest, RowsCheckedSinceTheInterruptedStartAreDone) {
    const std::vector<std::string> names = {"a.com", "b.com", "c.com", "d.com", "e.com"};
    const std::unordered_map<std::string, StoredCheck> latest = {
        {"a.com", CheckAt("a.com", 500)}, // finished first
        {"b.com", CheckAt("b.com", 499)}, // an earlier batch's: asked again
        {"d.com", CheckAt("d.com", 620)}, // finished out of order
    };
    const ResumePlan plan = PlanResume(names, ListPosition{500, 2}, latest, 1000);
    EXPECT_TRUE(plan.resumed);
    EXPECT_EQ(plan.startedAt, 500) << "the interrupted batch's start is kept";
    EXPECT_EQ(plan.startIndex, 1);
    EXPECT_EQ(plan.done, std::vector<char>({1, 0, 0, 1, 0}));
    EXPECT_EQ(plan.doneCount, 2);

    const ResumePlan all = PlanResume({"a.com", "d.com"}, ListPosition{500, 0}, latest, 1000);
    EXPECT_EQ(all.startIndex, 2) << "every row done: nothing left to ask";
}

} // namespace
