// SPDX-License-Identifier: MIT
#include "formats/listfile.h"

#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "engine/domaintable.h"
#include "engine/whois/whoisservers.h"
#include "formats/csvexport.h"
#include "listtablefixture.h"
#include "tests/support/scratchdir.h"

namespace {

class ListFileTest : public ListTableTest {
protected:
    bool RowIsZero(int32_t index) const {
        const auto* bytes = reinterpret_cast<const unsigned char*>(&table.Row(index));
        for (std::size_t i = 0; i < sizeof(DomainRecord); ++i) {
            if (bytes[i] != 0) {
                return false;
            }
        }
        return true;
    }
};

TEST_F(ListFileTest, LineEndsAndEmptyLines) {
    struct Case {
        const char* name;
        std::string bytes;
        Names expected;
    };
    const Case cases[] = {
        {"crlf", "a.com\r\nb.com\r\n", {"a.com", "b.com"}},
        {"lf", "a.com\nb.com\n", {"a.com", "b.com"}},
        {"last_line_without_end", "a.com\nb.com", {"a.com", "b.com"}},
        {"blank_and_decoration_lines", "\n  \r\nhttp://\r\nwww.\r\n//\r\na.com\r\n\r\n", {"a.com"}},
        {"duplicates_kept", "a.com\na.com\n", {"a.com", "a.com"}},
        {"nul_inside_is_invalid", std::string("a.com\0junk\nb.com\n", 17), {"b.com"}},
        {"empty_file", "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LoadResult result = Load(c.bytes);
        EXPECT_TRUE(result.opened);
        EXPECT_EQ(result.stored, static_cast<int32_t>(c.expected.size()));
        EXPECT_EQ(Domains(), c.expected);
    }
}

TEST_F(ListFileTest, AssignsServersAndLeavesResultsZero) {
    Load("Example.COM\r\nexample.cn\r\nexample.de\r\n");
    ASSERT_EQ(table.count, 3);
    EXPECT_STREQ(table.Row(0).whoisServer, ServerComNet);
    EXPECT_STREQ(table.Row(1).whoisServer, ServerCn);
    EXPECT_STREQ(table.Row(2).whoisServer, "");
    for (int32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(table.Row(i).status, NoServer);
        EXPECT_EQ(table.Row(i).answered, 0);
        EXPECT_EQ(table.Row(i).removed, 0);
    }
}

TEST_F(ListFileTest, ShorterListAfterLongerLeavesNoStaleRows) {
    std::string ten;
    for (int i = 0; i < 10; ++i) {
        ten += "name" + std::to_string(i) + ".com\r\n";
    }
    Load(ten);
    SetField(table.Row(7).owner, "left over");
    table.Row(7).status = Found;
    const LoadResult result = Load("a.com\nb.com\nc.com\nd.com\ne.com\n");
    EXPECT_EQ(result.stored, 5);
    EXPECT_EQ(table.count, 5);
    for (int32_t i = 5; i < 10; ++i) {
        EXPECT_TRUE(RowIsZero(i)) << "row " << i;
    }
}

TEST_F(ListFileTest, LongNamesAreSkippedAndCounted) {
    const std::string forty(36, 'x');                                   // + ".com" = 40 bytes: fits
    const std::string fortyOne(37, 'x');                                // 41 bytes: skipped
    const std::string decoratedForty = "http://www." + forty + ".com/"; // normalises to 40
    const LoadResult result =
        Load(forty + ".com\n" + fortyOne + ".com\n" + decoratedForty + "\nshort.com\n");
    EXPECT_EQ(result.stored, 3);
    EXPECT_EQ(result.skippedLong, 1);
    EXPECT_EQ(Domains(), (Names{forty + ".com", forty + ".com", "short.com"}));
}

TEST_F(ListFileTest, StopsStoringAtCapacityAndCountsTheRest) {
    std::string bytes;
    for (int i = 0; i < DomainTable::kMaxRows + 3; ++i) {
        bytes += "n" + std::to_string(i) + ".com\n";
    }
    bytes += "\n" + std::string(50, 'y') + "\n"; // a blank line and a long name past the end
    const LoadResult result = Load(bytes);
    EXPECT_TRUE(result.opened);
    EXPECT_EQ(result.stored, DomainTable::kMaxRows);
    EXPECT_EQ(result.skippedOverCapacity, 3);
    EXPECT_EQ(result.skippedLong, 1);
    EXPECT_EQ(table.count, DomainTable::kMaxRows);
    EXPECT_STREQ(table.Row(DomainTable::kMaxRows - 1).domain, "n19999.com");
}

TEST_F(ListFileTest, MissingOrUnreadableFileLoadsAnEmptyTable) {
    Load("a.com\nb.com\n");
    for (const std::string& path : {dir.File("missing.txt"), dir.path().string()}) {
        SCOPED_TRACE(path);
        const LoadResult result = LoadListFile(table, path);
        EXPECT_FALSE(result.opened);
        EXPECT_NE(result.error, 0);
        EXPECT_EQ(table.count, 0);
        EXPECT_TRUE(RowIsZero(0));
    }
}

TEST_F(ListFileTest, SaveWritesKeptRowsWithCrLfAndRoundTrips) {
    const std::string gbkName = "\xD6\xD0\xCE\xC4\x81\x41.cn"; // a trail byte that is 'A'
    const LoadResult loaded = Load("a.com\r\n" + gbkName + "\r\nb.com\nc.com\n");
    EXPECT_EQ(loaded.format.encoding, ListEncoding::Gbk);
    const std::string aLabel(FieldText(table.Row(1).domain));
    EXPECT_TRUE(aLabel.starts_with("xn--")) << aLabel;
    table.Row(2).removed = 1;
    ASSERT_TRUE(SaveListFile(table, ListPath(), loaded.format));
    EXPECT_EQ(ReadBytes(ListPath()), "a.com\r\n" + gbkName + "\r\nc.com\r\n");

    Load(ReadBytes(ListPath()));
    EXPECT_EQ(Domains(), (Names{"a.com", aLabel, "c.com"}));
}

TEST_F(ListFileTest, FailedSaveKeepsTheOldFileAndSaysWhy) {
    Load("a.com\n");
    int error = 0;
    EXPECT_FALSE(SaveListFile(table, dir.File("no-such-folder/_items.txt"), {}, &error));
    EXPECT_EQ(error, ENOENT);
    EXPECT_FALSE(SaveListFile(table, dir.path().string(), {}, &error)); // a folder, not a file
    EXPECT_EQ(error, EISDIR);
    EXPECT_EQ(ReadBytes(ListPath()), "a.com\n");
}

} // namespace
