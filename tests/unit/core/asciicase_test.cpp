// SPDX-License-Identifier: MIT
// The one ASCII case fold and the comparisons built on it.

#include "core/asciicase.h"

#include <gtest/gtest.h>
#include <string>

namespace {

TEST(AsciiCase, FoldsOnlyCapitalAsciiLetters) {
    EXPECT_EQ(AsciiLower("WHOIS.Example-1.COM"), "whois.example-1.com");
    EXPECT_EQ(AsciiLower("@[`{"), "@[`{"); // the neighbours of A-Z and a-z
    // UTF-8 passes unchanged: "É" is C3 89, never a letter here.
    EXPECT_EQ(AsciiLower("\xC3\x89T\xC3\x89"), "\xC3\x89t\xC3\x89");
    EXPECT_EQ(AsciiLower(std::string("A\0B", 3)), std::string("a\0b", 3));
}

TEST(AsciiCase, GbkFoldStepsOverDoubleByteCharacters) {
    // 0x81 0x41 is one GBK character whose trail byte is an "A".
    EXPECT_EQ(GbkAsciiLower("\x81\x41X"), "\x81\x41x");
    EXPECT_EQ(AsciiLower("\x81\x41X"), "\x81\x61x");
    // A lead byte with a bad trail byte stands alone; the next byte folds.
    EXPECT_EQ(GbkAsciiLower("\x81\x0A"
                            "B"),
              "\x81\x0A"
              "b");
}

TEST(AsciiCase, ComparesWithoutRegardToCase) {
    EXPECT_TRUE(EqualsNoCase("Retry-After", "retry-after"));
    EXPECT_FALSE(EqualsNoCase("Retry-After", "Retry-After "));
    EXPECT_FALSE(EqualsNoCase("\xC3\x89", "\xC3\xA9")); // no Unicode folding
    EXPECT_TRUE(StartsWithNoCase("HTTPS://a.example", "https://"));
    EXPECT_FALSE(StartsWithNoCase("http", "https"));
    EXPECT_TRUE(EndsWithNoCase("whois.LOCALHOST", ".localhost"));
    EXPECT_FALSE(EndsWithNoCase("st", "host"));
    EXPECT_TRUE(ContainsNoCase("% This query RETURNED 0 objects.", "returned 0 objects"));
    EXPECT_TRUE(ContainsNoCase("anything", ""));
    EXPECT_FALSE(ContainsNoCase("", "a"));
    EXPECT_FALSE(ContainsNoCase("returned", "returned 0"));
}

} // namespace
