// SPDX-License-Identifier: MIT
#include "formats/linenormalize.h"

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
    {"secure_scheme", "https://www.example.com/", "example.com"},
    {"secure_scheme_in_capitals", "HTTPS://Example.com", "example.com"},
    {"path_query_fragment_and_port", "https://www.example.com:8443/a/b?q=1#top", "example.com"},
    {"query_without_path", "example.com?x=1", "example.com"},
    {"fragment_without_path", "example.com#x", "example.com"},
    {"empty_port", "example.com:/", "example.com"},
    {"trailing_root_dot", "example.com.", "example.com"},
    {"blank_before_path", "example.com /shop", "example.com"},
    {"path_not_joined_to_name", "example.com/shop/index", "example.com"},
    // What surrounds a name goes; nothing inside it does.
    {"www_inside_a_label", "glowww.com", "glowww.com"},
    {"www_in_the_middle", "shopwww.example.com", "shopwww.example.com"},
    {"only_the_leading_www", "www.a.www.b.com", "a.www.b.com"},
    {"every_leading_www", "WWW.www.www.com", "www.com"},
    {"http_inside_a_name", "myhttp.com", "myhttp.com"},
    {"www_that_is_the_name", "www.com", "www.com"},
    {"www_that_is_the_name_in_a_link", "http://www.com/", "www.com"},
    {"scheme_only_in_front", "example.com/http://x", "example.com"},
    {"other_scheme_left_for_the_check", "ftp://example.com", "ftp"},
    {"colon_without_port_left", "example.com:ab", "example.com:ab"},
    {"only_scheme", "http://", ""},
    {"only_slashes", "///", ""},
    {"only_space", " \t\v\f\r", ""},
    {"inner_dots_kept", "wwwww..com", "wwwww..com"},
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
    {"trail_byte_not_start_of_scheme", "\x81http://x.cn", "\x81http"},
    {"trail_byte_w_after_scheme", "HTTP://\x81WWW.X.CN/", "\x81Www.x.cn"},
    {"lead_without_valid_trail_is_single", "\x81/A", "\x81"},
    {"lead_at_end_is_single", "X\x81", "x\x81"},
    {"chinese_name", "\xD6\xD0\xCE\xC4.COM", "\xD6\xD0\xCE\xC4.com"},
    {"chinese_name_in_a_link", "http://www.\xD6\xD0\xCE\xC4.COM/\xD6\xD0", "\xD6\xD0\xCE\xC4.com"},
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
// after a three-byte character is lowered, where the GBK byte-pair rule
// would have swallowed it.
TEST(NormalizeUtf8LineTest, AsciiAfterAnOddLengthCharacterIsItsOwnCharacter) {
    const std::string example = "\xE4\xBE\x8B"; // 例: E4 BE | 8B, then the next byte
    EXPECT_EQ(NormalizeListLine(example + "W.CN", ListEncoding::Utf8), example + "w.cn");
    EXPECT_EQ(NormalizeListLine("WWW." + example + "W.CN/X", ListEncoding::Utf8), example + "w.cn");
    EXPECT_EQ(NormalizeListLine(example + "W.CN", ListEncoding::Gbk), example + "W.cn");
}

} // namespace
