// SPDX-License-Identifier: MIT
#include "core/ccore.h"
#include "core/gbktext.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "tests/support/textcases.h"

namespace {

// "中文" in both code pages.
constexpr std::string_view kChineseUtf8 = "\xE4\xB8\xAD\xE6\x96\x87";
constexpr std::string_view kChineseGbk = "\xD6\xD0\xCE\xC4";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

std::string cat(std::initializer_list<std::string_view> parts) {
    std::string out;
    for (const auto part : parts)
        out += part;
    return out;
}

TEST(Utf8ToGbk, ConvertsAndReplacesWhatItCannotHold) {
    const TextCase cases[] = {
        {"empty", "", ""},
        {"ascii unchanged", "Registrant: ACME Ltd.^^", "Registrant: ACME Ltd.^^"},
        {"control bytes unchanged", std::string("a\0b\x7F", 4), std::string("a\0b\x7F", 4)},
        {"iso-2022-jp stays 7-bit", "\x1B$BEPO?G/7nF\x1B(B", "\x1B$BEPO?G/7nF\x1B(B"},
        {"chinese", std::string(kChineseUtf8), std::string(kChineseGbk)},
        {"chinese among ascii", cat({"Name: ", kChineseUtf8, "^"}),
         cat({"Name: ", kChineseGbk, "^"})},
        {"kanji held by gbk", "\xE9\x8C\xB2", "\xE5\x68"},
        {"emoji", "a\xF0\x9F\x98\x80z", "a?z"},
        {"hangul", "\xED\x95\x9C", "?"},
        {"two unmappable in a row", "\xF0\x9F\x98\x80\xF0\x9F\x98\x80", "??"},
        {"lone continuation byte", "a\x80z", "a?z"},
        {"truncated sequence keeps next char", "a\xE4\xB8z", "a?z"},
        {"truncated at the end", cat({kChineseUtf8, "\xE4\xB8"}), cat({kChineseGbk, "?"})},
        {"lead byte at the end", "x\xC3", "x?"},
        {"overlong slash", "\xC0\xAF", "??"},
        {"surrogate half", "\xED\xA0\x80", "???"},
        {"above U+10FFFF", "\xF4\x90\x80\x80", "????"},
        {"0xFF", "\xFF", "?"},
        {"latin-1 bytes in utf-8 text", "caf\xE9 ok", "caf? ok"},
    };
    for (const auto& c : cases) {
        std::string text = c.given;
        CCore::UTF8_ANSI(text);
        EXPECT_EQ(text, c.expected) << c.name;
        // The counting form: the same text, and one count per "?" it wrote.
        std::string counted = c.given;
        std::size_t replaced = 1; // added to, never reset
        Utf8ToGbk(counted, replaced);
        EXPECT_EQ(counted, c.expected) << c.name;
        const auto marks = [](const std::string& t) {
            return static_cast<std::size_t>(std::count(t.begin(), t.end(), '?'));
        };
        EXPECT_EQ(replaced, 1 + marks(c.expected) - marks(c.given)) << c.name;
    }
}

TEST(GbkToUtf8, ConvertsAndMarksBadBytes) {
    const TextCase cases[] = {
        {"empty", "", ""},
        {"ascii unchanged", "example.com", "example.com"},
        {"chinese", std::string(kChineseGbk), std::string(kChineseUtf8)},
        {"ideographic space", "\xA1\xA1", "\xE3\x80\x80"},
        {"0xFF",
         "a\xFF"
         "b",
         cat({"a", kReplacement, "b"})},
        {"lead byte at the end", cat({kChineseGbk, "\xD6"}), cat({kChineseUtf8, kReplacement})},
        {"lead byte before ascii keeps the ascii",
         "\xD6"
         "0",
         cat({kReplacement, "0"})},
        {"lead byte before a bad trail", "\x81\x7F", cat({kReplacement, "\x7F"})},
    };
    ExpectEachGives(cases, [](const std::string& gbk) { return CCore::ANSI_UTF8(gbk); });
}

TEST(CodePages, RoundTripOfTextGbkHolds) {
    const std::string original = cat({"[", kChineseUtf8, "] \xE5\x9F\x9F\xE5\x90\x8D example.cn"});
    std::string gbk = original;
    CCore::UTF8_ANSI(gbk);
    EXPECT_NE(gbk, original);
    EXPECT_EQ(CCore::ANSI_UTF8(gbk), original);
}

} // namespace
