// SPDX-License-Identifier: MIT
#include "cli/batchreport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

TEST(BatchReportTest, ProgressLine) {
    EXPECT_EQ(FormatProgress(0, 10, 0, 0), "0 / 10 rows");
    EXPECT_EQ(FormatProgress(120, 1000, 100, 4), "120 / 1000 rows  25.0 rows/s  35.2 s left");
    EXPECT_EQ(FormatProgress(1, 10001, 1, 1), "1 / 10001 rows  1.0 rows/s  2:46:40 left");
}

TEST(BatchReportTest, Summaries) {
    BatchSummary full;
    full.total = 5;
    full.done = 5;
    full.byStatus = {1, 2, 1, 1};
    full.elapsedSeconds = 2;
    EXPECT_EQ(FormatSummary(full),
              "5 rows in 2.0 s: 2 found, 1 not registered, 1 error, 1 no server; 0 names skipped");

    BatchSummary cut = full;
    cut.total = 20;
    cut.startIndex = 3;
    cut.done = 8;
    cut.interrupted = true;
    cut.skippedLong = 1;
    cut.skippedInvalid = 2;
    EXPECT_EQ(FormatSummary(cut),
              "interrupted after 8 of 20 rows in 2.0 s, resumed at row 3: 2 found, 1 not "
              "registered, 1 error, 1 no server (5 queried); 3 names skipped (1 longer than 40 "
              "bytes, 2 invalid)");

    BatchSummary changes = full;
    changes.compared = true;
    EXPECT_THAT(FormatSummary(changes), testing::HasSubstr("1 no server; 0 changed; 0 names"));
    changes.changedRows = 2;
    changes.changesByKind[static_cast<std::size_t>(ChangeKind::Renewed)] = 2;
    changes.changesByKind[static_cast<std::size_t>(ChangeKind::OwnerChanged)] = 1;
    changes.storeNotSaved = true;
    EXPECT_EQ(FormatSummary(changes),
              "5 rows in 2.0 s: 2 found, 1 not registered, 1 error, 1 no server; 2 changed (2 "
              "renewed, 1 owner); 0 names skipped; NOT SAVED: the results store could not be "
              "written, --resume cannot go on from here");

    BatchSummary resumed = full;
    resumed.total = 10;
    resumed.done = 10;
    resumed.startIndex = 2;
    resumed.doneBefore = 3;
    EXPECT_THAT(FormatSummary(resumed),
                testing::HasSubstr("resumed at row 2 (3 later rows finished before): 2 found"));
    EXPECT_THAT(FormatSummary(resumed), testing::HasSubstr("(5 queried)"));
}

} // namespace
