// SPDX-License-Identifier: MIT
#include "formats/listencoding.h"

#include <gtest/gtest.h>
#include <string>

namespace {

struct FormatCase {
    const char* name;
    std::string bytes;
    ListFormat expected;
};

const FormatCase kFormatCases[] = {
    {"empty", "", {ListEncoding::Ascii, false}},
    {"ascii", "a.com\r\nb.cn\r\n", {ListEncoding::Ascii, false}},
    {"utf8", "\xE4\xBE\x8B\xE5\xAD\x90.cn\n", {ListEncoding::Utf8, false}},
    {"utf8_four_bytes", "\xF0\x9F\x98\x80.example\n", {ListEncoding::Utf8, false}},
    {"utf8_with_mark",
     "\xEF\xBB\xBF"
     "a.com\n",
     {ListEncoding::Utf8, true}},
    {"mark_later_is_no_mark", "a\xEF\xBB\xBF.com\n", {ListEncoding::Utf8, false}},
    {"gbk", "\xC0\xFD\xD7\xD3.cn\n", {ListEncoding::Gbk, false}},
    {"utf8_then_bad_byte", "\xE4\xBE\x8B.cn\n\xFF\n", {ListEncoding::Gbk, false}},
    {"cut_off_at_the_end", "a.com\n\xE4\xBE", {ListEncoding::Gbk, false}},
    {"overlong_slash", "\xC0\xAF\n", {ListEncoding::Gbk, false}},
    {"surrogate", "\xED\xA0\x80\n", {ListEncoding::Gbk, false}},
    {"above_u10ffff", "\xF4\x90\x80\x80\n", {ListEncoding::Gbk, false}},
    {"gbk_with_mark_bytes", "\xEF\xBB\xBF\xC0\xFD\n", {ListEncoding::Gbk, false}},
};

// Every way of cutting the bytes into two or three pieces gives the format
// of the whole: a reader sees a file in chunks of whatever size.
TEST(ListFormatScanTest, AnyCutIntoPiecesGivesTheFormatOfTheWhole) {
    for (const FormatCase& c : kFormatCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ListFormatOf(c.bytes), c.expected);
        const std::size_t n = c.bytes.size();
        for (std::size_t i = 0; i <= n; ++i) {
            for (std::size_t j = i; j <= n; ++j) {
                ListFormatScan scan;
                scan.Feed(std::string_view(c.bytes).substr(0, i));
                scan.Feed(std::string_view(c.bytes).substr(i, j - i));
                scan.Feed(std::string_view(c.bytes).substr(j));
                ASSERT_EQ(scan.Finish(), c.expected) << "cut at " << i << " and " << j;
            }
        }
    }
}

TEST(ListFormatScanTest, ByteByByte) {
    for (const FormatCase& c : kFormatCases) {
        SCOPED_TRACE(c.name);
        ListFormatScan scan;
        for (const char byte : c.bytes) {
            scan.Feed(std::string_view(&byte, 1));
        }
        EXPECT_EQ(scan.Finish(), c.expected);
    }
}

} // namespace
