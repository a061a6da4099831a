// SPDX-License-Identifier: MIT
// Names in any script, hostile lines and what a load may leave out.

#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

#include "engine/domaintable.h"
#include "engine/net/idn.h"
#include "engine/whois/whoisservers.h"
#include "formats/listfile.h"
#include "formats/listname.h"
#include "listtablefixture.h"
#include "tests/support/scratchdir.h"

namespace {

const std::string kExampleUtf8 = "\xE4\xBE\x8B\xE5\xAD\x90"; // 例子
const std::string kExampleGbk = "\xC0\xFD\xD7\xD3";          // 例子
const std::string kExampleALabel = "xn--fsqu00a";
const std::string kBuecherUtf8 = "b\xC3\xBC"
                                 "cher"; // bücher
const std::string kBuecherALabel = "xn--bcher-kva";

using ListNamesTest = ListTableTest;

TEST_F(ListNamesTest, NamesInAnyScriptAreStoredAsTheirALabel) {
    struct Case {
        const char* name;
        std::string bytes;
        ListFormat format;
        Names stored;
        int32_t invalid;
    };
    const std::string fortyOne = std::string(37, 'x') + ".com";
    const Case cases[] = {
        {"utf8",
         kExampleUtf8 + ".cn\n" + kBuecherUtf8 + ".de\n",
         {ListEncoding::Utf8, false},
         {kExampleALabel + ".cn", kBuecherALabel + ".de"},
         0},
        {"utf8_with_mark",
         "\xEF\xBB\xBF" + kExampleUtf8 + ".cn\r\na.com\r\n",
         {ListEncoding::Utf8, true},
         {kExampleALabel + ".cn", "a.com"},
         0},
        {"mark_before_ascii",
         "\xEF\xBB\xBF"
         "a.com\n",
         {ListEncoding::Utf8, true},
         {"a.com"},
         0},
        {"gbk",
         kExampleGbk + ".cn\r\nb.com\r\n",
         {ListEncoding::Gbk, false},
         {kExampleALabel + ".cn", "b.com"},
         0},
        {"ascii_alabel_kept_underscore_refused",
         "a_b.com\nxn--fsqu00a.cn\n",
         {ListEncoding::Ascii, false},
         {"xn--fsqu00a.cn"},
         1},
        {"upper_case_and_decoration",
         "  HTTP://WWW.B\xC3\x9C"
         "CHER.DE/ \n",
         {ListEncoding::Utf8, false},
         {kBuecherALabel + ".de"},
         0},
        {"underscore_beside_other_script",
         "b\xC3\xBC_cher.de\nok.com\n",
         {ListEncoding::Utf8, false},
         {"ok.com"},
         1},
        {"mixed_script_is_converted",
         "p\xD0\xB0ypal.com\n",
         {ListEncoding::Utf8, false},
         {"xn--pypal-4ve.com"},
         0},
        {"ideographic_full_stop",
         kExampleUtf8 + "\xE3\x80\x82"
                        "cn\n",
         {ListEncoding::Utf8, false},
         {kExampleALabel + ".cn"},
         0},
        {"full_width_decoration",
         "\xEF\xBD\x97\xEF\xBD\x97\xEF\xBD\x97\xEF\xBC\x8E" + kExampleUtf8 +
             "\xE3\x80\x82"
             "cn\xE3\x80\x82\n", // ｗｗｗ．例子。cn。
         {ListEncoding::Utf8, false},
         {kExampleALabel + ".cn"},
         0},
        {"leading_hyphen_has_no_alabel", "-\xC3\xA9.com\n", {ListEncoding::Utf8, false}, {}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LoadResult result = Load(c.bytes);
        EXPECT_TRUE(result.opened);
        EXPECT_EQ(result.format, c.format);
        EXPECT_EQ(Domains(), c.stored);
        EXPECT_EQ(result.skippedInvalid, c.invalid);
    }
}

TEST_F(ListNamesTest, OneBadByteMakesTheWholeFileGbk) {
    // "é" in UTF-8 is the GBK character C3A9: read as GBK it is another name.
    const LoadResult result = Load("\xC3\xA9.com\n\xFF\n");
    EXPECT_EQ(result.format.encoding, ListEncoding::Gbk);
    ASSERT_EQ(table.count, 1);
    const std::string stored(FieldText(table.Row(0).domain));
    EXPECT_TRUE(stored.starts_with("xn--")) << stored;
    EXPECT_NE(stored, "xn--9ca.com");
    EXPECT_EQ(result.skippedInvalid, 1);
}

TEST_F(ListNamesTest, StoredALabelPicksTheServerAndLongALabelsAreSkipped) {
    // 20 CJK characters make an A-label far over 40 bytes.
    std::string longName;
    for (int i = 0; i < 20; ++i) {
        longName += kExampleUtf8;
    }
    const LoadResult result = Load(kExampleUtf8 + ".cn\n" + longName + ".cn\n");
    EXPECT_EQ(result.skippedLong, 1);
    EXPECT_EQ(result.linesTooLong, 0);
    ASSERT_EQ(table.count, 1);
    EXPECT_STREQ(table.Row(0).whoisServer, ServerCn);
    EXPECT_TRUE(result.complete());
}

TEST_F(ListNamesTest, ControlBytesMakeANameInvalid) {
    struct Case {
        const char* name;
        std::string line;
    };
    const Case cases[] = {
        {"escape_sequence", "a.com\x1B[31m"},
        {"bell", "a\x07.com"},
        {"delete", "a\x7F.com"},
        {"tab_inside", "a\tb.com"},
        {"nul", std::string("a\0b.com", 7)},
        {"cr_inside", "a\rb.com"},
        {"vertical_tab_inside", "a\vb.com"},
        {"unit_separator", "a\x1F.com"},
        {"with_other_script", "\xC3\xA9\x01.com"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string name = "unchanged";
        EXPECT_EQ(ListNameFromLine(c.line, ListEncoding::Utf8, name), ListLineVerdict::Invalid);
        EXPECT_EQ(ListNameFromLine(c.line, ListEncoding::Gbk, name), ListLineVerdict::Invalid);
        EXPECT_EQ(name, "unchanged");
        const LoadResult result = Load("ok.com\n" + c.line + "\nok2.com\n");
        EXPECT_EQ(Domains(), (Names{"ok.com", "ok2.com"}));
        EXPECT_EQ(result.skippedInvalid, 1);
        EXPECT_TRUE(result.complete());
    }
    // Blanks around a name are trimmed, not judged.
    std::string name;
    EXPECT_EQ(ListNameFromLine("\t a.com \v\f\r", ListEncoding::Gbk, name), ListLineVerdict::Name);
    EXPECT_EQ(name, "a.com");
}

// A name that is not a host name's syntax takes no row and is counted, in
// every encoding a list is read in.
TEST_F(ListNamesTest, NamesThatAreNoHostNameAreSkippedAndCounted) {
    const std::string lines[] = {"a b.com",   "=1+1.com", "x?y.com", "under_score.com",
                                 "localhost", "-a.com",   "a..com",  "b\xC3\xBC_cher.de",
                                 "a.com:x",   "@sum.com", "+86.com", "https:example.com"};
    for (const std::string& line : lines) {
        SCOPED_TRACE(line);
        std::string name = "unchanged";
        for (const ListEncoding encoding :
             {ListEncoding::Ascii, ListEncoding::Gbk, ListEncoding::Utf8}) {
            EXPECT_EQ(ListNameFromLine(line, encoding, name), ListLineVerdict::Invalid);
        }
        EXPECT_EQ(name, "unchanged");
        const LoadResult result = Load("ok.com\n" + line + "\nok2.com\n");
        EXPECT_EQ(Domains(), (Names{"ok.com", "ok2.com"}));
        EXPECT_EQ(result.skippedInvalid, 1);
        EXPECT_EQ(result.skippedLong, 0);
        EXPECT_TRUE(result.complete()) << "judged, not lost";
    }
    // The decoration of a web address is not the name: these are asked.
    std::string name;
    EXPECT_EQ(ListNameFromLine("https://www.glowww.com:443/x?y#z", ListEncoding::Gbk, name),
              ListLineVerdict::Name);
    EXPECT_EQ(name, "glowww.com");
}

// The domain field holds 40 bytes: a longer name is never stored cut (a cut
// name is another domain), whatever else is wrong with it.
TEST_F(ListNamesTest, NamesLongerThanTheDomainFieldAreSkippedNotCut) {
    const std::string forty = std::string(36, 'a') + ".com";
    const std::string fortyOne = "b" + forty;
    const LoadResult result = Load(forty + "\n" + fortyOne + "\nhttp://www." + fortyOne + "/\n" +
                                   std::string(60, 'c') + " d.com\n");
    EXPECT_EQ(Domains(), Names{forty});
    EXPECT_EQ(result.skippedLong, 3);
    EXPECT_EQ(result.skippedInvalid, 0);
}

TEST_F(ListNamesTest, GbkBytesWithoutACharacterAreInvalidAndTheLoadIncomplete) {
    const LoadResult result = Load("a.com\n\xFF"
                                   "b.com\n" +
                                   kExampleGbk + "\x81\n");
    EXPECT_EQ(result.format.encoding, ListEncoding::Gbk);
    EXPECT_EQ(Domains(), Names{"a.com"});
    EXPECT_EQ(result.skippedInvalid, 2);
    EXPECT_EQ(result.linesWithBadBytes, 2);
    EXPECT_FALSE(result.complete());
}

TEST_F(ListNamesTest, LinesOverFourKilobytesAreSkippedAsTheyAreRead) {
    struct Case {
        const char* name;
        std::string bytes;
        Names stored;
        int32_t longNames;
        int32_t tooLongLines;
    };
    const std::string atLimit(kMaxListLineBytes, 'a'); // read whole: only a long name
    const std::string overLimit(kMaxListLineBytes + 1, 'a');
    const std::string huge(3 * 64 * 1024 + 17, 'b'); // spans several reads
    const Case cases[] = {
        {"at_the_limit", atLimit + "\nok.com\n", {"ok.com"}, 1, 0},
        {"one_over", overLimit + "\nok.com\n", {"ok.com"}, 1, 1},
        {"huge_between_names", "a.com\n" + huge + "\nb.com\n", {"a.com", "b.com"}, 1, 1},
        {"huge_last_line_without_end", "a.com\n" + huge, {"a.com"}, 1, 1},
        {"huge_line_with_crlf", huge + "\r\nb.com\r\n", {"b.com"}, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LoadResult result = Load(c.bytes);
        EXPECT_TRUE(result.opened);
        EXPECT_EQ(Domains(), c.stored);
        EXPECT_EQ(result.skippedLong, c.longNames);
        EXPECT_EQ(result.linesTooLong, c.tooLongLines);
        EXPECT_EQ(result.complete(), c.tooLongLines == 0);
    }
}

TEST_F(ListNamesTest, CompleteOnlyWhenNoLineOfTheFileIsLeftOut) {
    EXPECT_TRUE(Load("a.com\n").complete());
    EXPECT_TRUE(Load(std::string(41, 'x') + "\n\x01\n").complete()) << "names judged, not lost";
    EXPECT_TRUE(LoadListFile(table, dir.File("missing.txt")).complete()) << "nothing to lose";
    const LoadResult folder = LoadListFile(table, dir.path().string());
    EXPECT_FALSE(folder.complete());
    EXPECT_EQ(folder.error, EISDIR);

    std::string overCapacity;
    for (int i = 0; i <= DomainTable::kMaxRows; ++i) {
        overCapacity += "n" + std::to_string(i) + ".com\n";
    }
    EXPECT_FALSE(Load(overCapacity).complete());
}

TEST_F(ListNamesTest, SaveKeepsTheFormatTheFileWasReadIn) {
    struct Case {
        const char* name;
        std::string bytes; // saved back as it was
    };
    const Case cases[] = {
        {"utf8", kExampleUtf8 + ".cn\r\n" + kBuecherUtf8 + ".de\r\na.com\r\n"},
        {"utf8_with_mark", "\xEF\xBB\xBF" + kExampleUtf8 + ".cn\r\nb.com\r\n"},
        {"gbk", kExampleGbk + ".cn\r\nb\xA8\xB9"
                              "cher.de\r\n"},
        {"ascii_keeps_alabels", "xn--fsqu00a.cn\r\nb.com\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LoadResult loaded = Load(c.bytes);
        ASSERT_EQ(loaded.skippedInvalid, 0);
        const Names stored = Domains();
        ASSERT_TRUE(SaveListFile(table, ListPath(), loaded.format));
        EXPECT_EQ(ReadBytes(ListPath()), c.bytes);
        EXPECT_EQ(Load(ReadBytes(ListPath())).format, loaded.format);
        EXPECT_EQ(Domains(), stored);
    }
}

TEST(ListFileSpellingTest, GbkFileFallsBackToTheALabelForWhatGbkLacks) {
    const ListFormat gbk{ListEncoding::Gbk, false};
    EXPECT_EQ(ListFileSpelling("xn--4ca.de", gbk), "xn--4ca.de"); // "ä" is not in GBK
    EXPECT_EQ(ListFileSpelling("xn--fsqu00a.cn", gbk), kExampleGbk + ".cn");
    EXPECT_EQ(ListFileSpelling("xn--zz.com", {ListEncoding::Utf8, false}), "xn--zz.com");
}

// The reader's memory stays flat however long a line is: a child process
// reads a file of one 256 MiB line (sparse, so it costs no disk) and reports
// how far its peak resident size rose.
TEST_F(ListNamesTest, AHugeSingleLineIsNeverHeldInMemory) {
    const std::string path = dir.File("huge.txt");
    {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, off_t{256} << 20), 0);
        ::close(fd);
    }
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            DomainTable own;
            if (!own.Allocate()) {
                std::_Exit(2);
            }
            own.Clear(); // the load zero-fills the rows: count their pages (and a
                         // sanitizer's shadow of them) before, not as the line's
            rusage before{};
            ::getrusage(RUSAGE_SELF, &before);
            const LoadResult result = LoadListFile(own, path);
            rusage after{};
            ::getrusage(RUSAGE_SELF, &after);
            const long grownKb = after.ru_maxrss - before.ru_maxrss;
            std::fprintf(stderr, "grew %ld KiB\n", grownKb);
            const bool ok = result.opened && result.linesTooLong == 1 && own.count == 0;
            std::_Exit(ok && grownKb < 32 * 1024 ? 0 : 1);
        },
        testing::ExitedWithCode(0), "grew");
}

} // namespace

namespace {

// A name with "www." inside a label keeps it, so its Unicode form is what
// the file gets; a row holding a name whose Unicode form the line rules
// would change (a leading "www." before a dotted name) keeps its A-label in
// the file, so it reads back as itself.
TEST(ListFileSpellingTest, AUnicodeFormTheLineRulesWouldChangeStaysAnALabel) {
    std::string stored;
    ASSERT_TRUE(ToALabel("\xC3\xA9www.com", stored)); // éwww.com: "www." inside
    ASSERT_TRUE(stored.starts_with("xn--")) << stored;
    EXPECT_EQ(ListFileSpelling(stored, {ListEncoding::Utf8, false}), "\xC3\xA9www.com");
    for (const ListEncoding encoding : {ListEncoding::Utf8, ListEncoding::Gbk}) {
        EXPECT_EQ(ListFileSpelling("www.xn--9ca.com", {encoding, false}), "www.xn--9ca.com");
    }
    EXPECT_EQ(ListFileSpelling("xn--bcher-kva.de", {ListEncoding::Utf8, false}), "b\xC3\xBC"
                                                                                 "cher.de");
}

} // namespace
