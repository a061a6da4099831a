// SPDX-License-Identifier: MIT
// Rows taken out of the table in place: the others keep their fields, their
// details and their order.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/domaintable.h"

namespace {

class RemoveRowsTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(table.Allocate());
        for (int i = 0; i < 6; ++i) {
            DomainRecord& row = table.Row(table.count++);
            SetField(row.domain, "name" + std::to_string(i) + ".com");
            row.status = Found;
            row.answered = 1;
            SetField(row.owner, "Owner " + std::to_string(i));
            table.details.Set(
                i, {FailReason::None, QueryProtocol::Whois, "answer " + std::to_string(i)});
        }
    }

    [[nodiscard]] std::vector<std::string> Domains() const {
        std::vector<std::string> names;
        for (int i = 0; i < table.count; ++i) {
            names.emplace_back(FieldText(table.Row(i).domain));
        }
        return names;
    }

    DomainTable table;
};

TEST_F(RemoveRowsTest, MarkedRowsGoAndTheRestKeepResultsAndOrder) {
    const struct {
        const char* name;
        std::vector<int> marked;
        std::vector<std::string> left;
    } cases[] = {
        {"none",
         {},
         {"name0.com", "name1.com", "name2.com", "name3.com", "name4.com", "name5.com"}},
        {"first and last", {0, 5}, {"name1.com", "name2.com", "name3.com", "name4.com"}},
        {"a run in the middle", {2, 3}, {"name0.com", "name1.com", "name4.com", "name5.com"}},
        {"all", {0, 1, 2, 3, 4, 5}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        for (int i : c.marked) {
            table.Row(i).removed = 1;
        }
        EXPECT_EQ(table.RemoveMarkedRows(), static_cast<int32_t>(c.marked.size()));
        EXPECT_EQ(Domains(), c.left);
        for (int i = 0; i < table.count; ++i) {
            const std::string number(1, FieldText(table.Row(i).domain)[4]);
            EXPECT_EQ(FieldText(table.Row(i).owner), "Owner " + number);
            EXPECT_EQ(table.Row(i).removed, 0);
            EXPECT_TRUE(table.IsFinished(i));
            EXPECT_EQ(table.details.Answer(i), "answer " + number);
        }
        // What moved up leaves zeroed rows and empty details behind.
        for (int i = table.count; i < 6; ++i) {
            EXPECT_EQ(table.Row(i).domain[0], '\0');
            EXPECT_EQ(table.Row(i).answered, 0);
            EXPECT_FALSE(table.details.Finished(i));
            EXPECT_TRUE(table.details.Answer(i).empty());
        }
    }
}

// Rows taken out and put back stand where they stood, with their records
// and outcomes; rows that would not fit, or places out of order, change
// nothing.
TEST_F(RemoveRowsTest, TakenRowsComeBackInTheirPlaces) {
    const std::vector<std::string> all = {"name0.com", "name1.com", "name2.com",
                                          "name3.com", "name4.com", "name5.com"};
    for (const std::vector<int>& marked :
         std::vector<std::vector<int>>{{0}, {2, 3}, {1, 5}, {0, 1, 2, 3, 4, 5}}) {
        SetUp();
        for (int i : marked) {
            table.Row(i).removed = 1;
        }
        const std::vector<TakenRow> taken = table.CopyMarkedRows();
        ASSERT_EQ(taken.size(), marked.size());
        table.RemoveMarkedRows();
        ASSERT_TRUE(table.PutBackRows(taken));
        EXPECT_EQ(Domains(), all);
        for (int i = 0; i < table.count; ++i) {
            EXPECT_EQ(FieldText(table.Row(i).owner), "Owner " + std::to_string(i));
            EXPECT_EQ(table.Row(i).removed, 0);
            EXPECT_EQ(table.details.Answer(i), "answer " + std::to_string(i));
        }
    }
    std::vector<TakenRow> outOfOrder(2);
    outOfOrder[0].index = 3;
    outOfOrder[1].index = 1;
    EXPECT_FALSE(table.PutBackRows(outOfOrder));
    table.count = DomainTable::kMaxRows;
    EXPECT_FALSE(table.PutBackRows(std::vector<TakenRow>(1)));
    table.count = 6;
    EXPECT_EQ(Domains(), all);
}

TEST_F(RemoveRowsTest, FinishedMeansAnsweredOrAnOutcomeStored) {
    table.Clear();
    table.count = 3;
    table.Row(0).answered = 1;
    table.details.Set(1, {FailReason::TimedOut, QueryProtocol::Whois, ""});
    EXPECT_TRUE(table.IsFinished(0));
    EXPECT_TRUE(table.IsFinished(1)); // failed at once: not answered, yet finished
    EXPECT_FALSE(table.IsFinished(2));
    EXPECT_FALSE(table.IsFinished(3)); // beyond the rows in use
    EXPECT_FALSE(table.IsFinished(-1));
}

} // namespace
