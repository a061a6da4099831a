// SPDX-License-Identifier: MIT
#include "core/ccore.h"
#include "core/text.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

struct PartCase {
    const char* name;
    std::string_view text;
    std::string_view begin;
    std::string_view end;
    std::string_view expected;
};

TEST(GetStrPart, CutsBetweenMarkers) {
    const PartCase cases[] = {
        {"both markers", "Registrar: ACME^Phone: 1", "Registrar:", "^", " ACME"},
        {"begin absent", "Registrar: ACME^", "Owner:", "^", ""},
        {"begin absent, empty end", "Registrar: ACME", "Owner:", "", ""},
        {"empty end takes the rest", "[Domain Name] X.JP^a^b", "[Domain Name]", "", " X.JP^a^b"},
        {"end absent takes the rest", "Whois Server: w.example^", "Whois Server: ", "Referral",
         "w.example^"},
        {"end only before begin", "^x^Name: A", "Name: ", "^", "A"},
        {"first begin, first end after it", "k=1;k=2;", "k=", ";", "1"},
        {"end right after begin", "Date:^^x", "Date:", "^", ""},
        {"begin at the very end", "text Date:", "Date:", "^", ""},
        {"empty begin starts at 0", "abc^def", "", "^", "abc"},
        {"empty begin and end", "abc^def", "", "", "abc^def"},
        {"empty text", "", "a", "b", ""},
        {"marker overlapping itself", "aaab", "aa", "b", "a"},
        {"no trimming", "Name:  A B \r\n^End", "Name:", "^", "  A B \r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CCore::getStrPart(c.text, c.begin, c.end), c.expected) << c.name;
}

TEST(TrimStr, RemovesOuterWhiteSpaceOnly) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"   ", ""},
        {" \t\r\n\v\fx\f\v\n\r\t ", "x"},
        {"a b", "a b"},
        {"  a  b  ", "a  b"},
        {"^a^", "^a^"},
        {std::string("\xD6\xD0 ", 3), "\xD6\xD0"}, // GBK bytes are never blanks
    };
    for (auto [text, expected] : cases) {
        const std::string original = text;
        CCore::trimStr(text);
        EXPECT_EQ(text, expected) << '"' << original << '"';
    }
}

// The one trim under every reader: the chosen bytes at both ends, none inside.
TEST(TrimBytes, CutsTheChosenBytesAtBothEnds) {
    EXPECT_EQ(TrimBytes(" \t a\t b \t", " \t"), "a\t b");
    EXPECT_EQ(TrimBytes("\r a \r", " \t"), "\r a \r");
    EXPECT_EQ(TrimBytes(" \t ", " \t"), "");
    EXPECT_EQ(TrimBytes("", " "), "");
    EXPECT_EQ(TrimBytes("x", ""), "x");
    EXPECT_EQ(TrimBlanks("\v\f\r\n\t x \t\n\r\f\v"), "x");
}

TEST(GetStrInt, DecimalText) {
    EXPECT_EQ(CCore::getStrInt(-42), "-42");
    EXPECT_EQ(CCore::getStrInt(INT_MIN), "-2147483648");
    EXPECT_EQ(CCore::getStrInt(INT_MAX), "2147483647");
}

} // namespace
