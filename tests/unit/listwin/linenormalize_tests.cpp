// SPDX-License-Identifier: MIT
#include "listwin/formats/linenormalize.h"

#include <gtest/gtest.h>

namespace {

struct NormalizeCase {
    const char* name;
    std::string line;
    std::string expected;
};
// Names the row in test listings instead of dumping its bytes.
void PrintTo(const NormalizeCase& c, std::ostream* os) {
    *os << c.name;
}

// GBK bytes: 0x81 0x41 is a double-byte character whose trail byte is 'A';
// 0x81 0x77 one whose trail byte is 'w'; 0x81 0x68 one whose trail is 'h'.
const NormalizeCase kCases[] = {
    {"full_decoration", "  HTTP://WWW.Example.COM/  \t", "example.com"},
    {"secure_scheme_keeps_its_name", "https://www.example.com/", "https:example.com"},
    {"www_in_the_middle", "shopwww.example.com", "shopexample.com"},
    {"every_www_removed", "www.a.www.b.com", "a.b.com"},
    {"path_joined_to_name", "example.com/shop/index", "example.comshopindex"},
    {"only_scheme", "http://", ""},
    {"only_www", "www.", ""},
    {"only_slashes", "///", ""},
    {"only_space", " \t\v\f\r", ""},
    {"one_pass_replace", "wwwww..com", "ww.com"},
    {"inner_space_kept", "a b.com", "a b.com"},
    {"bom_kept",
     "\xEF\xBB\xBF"
     "example.com",
     "\xEF\xBB\xBF"
     "example.com"},
    // In GBK the mark's last byte 0xBF is a lead byte: it takes the first
    // letter as its trail, which then stays as it is.
    {"bom_pairs_with_first_letter",
     "\xEF\xBB\xBF"
     "Example.COM",
     "\xEF\xBB\xBF"
     "Example.com"},
    {"trail_byte_not_lowered", "\x81\x41\x81\x5A.CN", "\x81\x41\x81\x5A.cn"},
    {"trail_byte_not_start_of_www", "\x81www.x.cn", "\x81www.x.cn"},
    {"trail_byte_not_start_of_http", "\x81http://x.cn", "\x81http:x.cn"},
    {"lead_without_valid_trail_is_single", "\x81/A",
     "\x81"
     "a"},
    {"lead_at_end_is_single", "X\x81", "x\x81"},
    {"chinese_name", "\xD6\xD0\xCE\xC4.COM", "\xD6\xD0\xCE\xC4.com"},
};

class NormalizeListLineTest : public testing::TestWithParam<NormalizeCase> {};

TEST_P(NormalizeListLineTest, GivesTheStoredName) {
    EXPECT_EQ(NormalizeListLine(GetParam().line), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Lines, NormalizeListLineTest, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace

namespace {

// In UTF-8 every byte below 0x80 is a character of its own: an ASCII letter
// after a three-byte character is lowered and decoration after it removed,
// where the GBK byte-pair rule would have swallowed it.
TEST(NormalizeUtf8LineTest, AsciiAfterAnOddLengthCharacterIsItsOwnCharacter) {
    const std::string example = "\xE4\xBE\x8B"; // 例: E4 BE | 8B, then the next byte
    EXPECT_EQ(NormalizeListLine(example + "W.CN", ListEncoding::Utf8), example + "w.cn");
    EXPECT_EQ(NormalizeListLine(example + "/www.x.cn", ListEncoding::Utf8), example + "x.cn");
    EXPECT_EQ(NormalizeListLine(example + "W.CN", ListEncoding::Gbk), example + "W.cn");
}

} // namespace
