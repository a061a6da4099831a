// SPDX-License-Identifier: MIT
// What outputs show of a row: its outcome's whole values over the record's
// cut copies, the record alone where there is no outcome.

#include "engine/rowvalues.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/domaintable.h"

namespace {

class ShownValuesTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(table.Allocate());
        table.count = 2;
    }
    void TearDown() override { table.Release(); }

    DomainTable table;
};

TEST_F(ShownValuesTest, WholeValuesOverTheRecordsCutCopies) {
    CheckValues whole;
    whole.owner = "ห้างหุ้นส่วน 中文"; // Thai GBK lacks, Chinese it has
    whole.email = std::string(150, 'e') + "@example.test";
    whole.expiry = "2030-01-02";
    StoreRowValues(table.Row(0), whole);
    SetField(table.Row(0).phone, "+86.10000"); // written without an outcome value
    RowOutcome outcome;
    outcome.values = whole;
    table.details.Set(0, outcome);

    EXPECT_EQ(std::string(table.Row(0).owner), "???????????? \xD6\xD0\xCE\xC4");
    EXPECT_EQ(std::string(table.Row(0).email), whole.email.substr(0, 50));
    const CheckValues shown = ShownValues(table, 0);
    EXPECT_EQ(shown.owner, whole.owner);
    EXPECT_EQ(shown.email, whole.email);
    EXPECT_EQ(shown.expiry, "2030-01-02");
    EXPECT_EQ(shown.phone, "+86.10000") << "a field the outcome leaves empty: the record's";
}

TEST_F(ShownValuesTest, RowWithoutOutcomeShowsItsRecord) {
    SetField(table.Row(1).registrar, "\xD6\xD0\xCE\xC4 Names"); // GBK
    EXPECT_EQ(ShownValues(table, 1).registrar, "中文 Names");
    EXPECT_EQ(ShownValues(table, 2), CheckValues{}) << "past the last row";
    EXPECT_EQ(ShownValues(table, -1), CheckValues{});
}

} // namespace
