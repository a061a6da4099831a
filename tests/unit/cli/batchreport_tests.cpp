// SPDX-License-Identifier: MIT
#include "cli/batchreport.h"

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
    cut.skippedOverCapacity = 2;
    EXPECT_EQ(FormatSummary(cut),
              "interrupted after 8 of 20 rows in 2.0 s, resumed at row 3: 2 found, 1 not "
              "registered, 1 error, 1 no server (5 queried); 3 names skipped (1 longer than 40 "
              "bytes, 2 past row 20000)");
}

} // namespace
