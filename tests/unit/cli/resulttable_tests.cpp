// SPDX-License-Identifier: MIT
// The table zentrix-batch shows on a terminal: widths, cutting, CJK columns,
// and when it is chosen over the CSV.

#include <chrono>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

#include "childprocess.h"
#include "cli/batchoptions.h"
#include "cli/resulttable.h"
#include "engine/domaintable.h"
#include "engine/store/checkvalues.h"
#include "engine/whois/whoisservers.h"
#include "tests/support/fakewhoisserver.h"
#include "tests/support/scratchdir.h"

namespace {

using namespace std::chrono_literals;
using testing::HasSubstr;

const std::string kChinese = "\xE4\xB8\xAD\xE6\x96\x87"; // 中文: 2 columns each

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back(); // a terminal's line end
        }
        lines.push_back(line);
    }
    return lines;
}

TEST(ResultTableTest, DisplayWidthCountsWideCharactersTwice) {
    struct Case {
        const char* name;
        std::string text;
        int columns;
    };
    const Case cases[] = {
        {"ascii", "example.com", 11},
        {"empty", "", 0},
        {"cjk", kChinese + ".cn", 7},
        {"full_width_letter", "\xEF\xBD\x97", 2},     // ｗ
        {"ideographic_full_stop", "\xE3\x80\x82", 2}, // 。
        {"hangul", "\xED\x95\x9C", 2},                // 한
        {"emoji", "\xF0\x9F\x98\x80", 2},             // 😀
        {"combining_accent", "e\xCC\x81", 1},         // e + U+0301
        {"latin_with_accent",
         "b\xC3\xBC"
         "cher",
         6}, // bücher
        {"control_shown_as_one",
         "a\x1B"
         "b",
         3}, // a?b
        {"bad_byte_shown_as_one", "a\xFF", 2},
        {"cjk_extension_b", "\xF0\xA0\x80\x80", 2}, // U+20000
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DisplayWidth(c.text), c.columns);
    }
}

TEST(ResultTableTest, CutsOnCharacterBoundariesAndMarksTheCut) {
    struct Case {
        const char* name;
        std::string text;
        int columns;
        std::string cut;
    };
    const Case cases[] = {
        {"fits", "example.com", 11, "example.com"},
        {"one_short", "example.com", 10, "example.c~"},
        {"cjk_fits", kChinese, 4, kChinese},
        {"cjk_cut", kChinese + kChinese, 5, kChinese + "~"},
        {"cjk_never_halved", kChinese + kChinese, 4, "\xE4\xB8\xAD~"}, // 中~ is 3 columns
        {"room_for_the_mark_only", "abc", 1, "~"},
        {"no_room", "abc", 0, ""},
        {"empty", "", 3, ""},
        {"combining_mark_stays_with_its_letter",
         "e\xCC\x81"
         "e\xCC\x81"
         "e",
         2, "e\xCC\x81~"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CutToColumns(c.text, c.columns), c.cut);
        EXPECT_LE(DisplayWidth(CutToColumns(c.text, c.columns)), c.columns);
    }
}

TEST(ResultTableTest, WhatATerminalWouldActOnIsShownAsQuestionMarks) {
    EXPECT_EQ(SafeTerminalText("\x1B[2J\x1B]0;title\x07"), "?[2J?]0;title?");
    EXPECT_EQ(SafeTerminalText("a\rb\nc\td"), "a?b?c?d");
    EXPECT_EQ(SafeTerminalText("\xC2\x9B"
                               "31m"),
              "?31m"); // C1 CSI
    EXPECT_EQ(SafeTerminalText("abc\xE2\x80\xAE"
                               "def"),
              "abc?def"); // right-to-left override
    EXPECT_EQ(SafeTerminalText("\xFF\xC3"
                               "x"
                               "\x7F"),
              "??x?");
    EXPECT_EQ(SafeTerminalText(kChinese + " Ltd."), kChinese + " Ltd."); // text stays text
}

TEST(ResultTableTest, ColumnsFitEveryTerminalWidth) {
    ResultTableRow row{"a-rather-long-domain-name-for-a-table.com",
                       "not registered",
                       "2031-02-03",
                       "Example Registrar of Many Names, Inc.",
                       kChinese + kChinese + kChinese + " Trading Company Limited",
                       "rate limited"};
    for (const int width : {1, 10, 40, 60, 72, 80, 100, 127, 128, 200}) {
        SCOPED_TRACE(width);
        const ResultTableLayout layout = ResultTableLayoutFor(width);
        for (const std::string& line :
             {FormatResultTableHeader(layout), FormatResultTableLine(row, layout)}) {
            ASSERT_EQ(line.back(), '\n');
            EXPECT_LE(DisplayWidth(line.substr(0, line.size() - 1)), width) << line;
            EXPECT_NE(line[line.size() - 2], ' ') << "no trailing blanks";
        }
    }
    // At 80 columns the status and the date keep their whole width; the
    // free texts give way, the domain least.
    const ResultTableLayout narrow = ResultTableLayoutFor(80);
    EXPECT_EQ(narrow.widths[1], 14);
    EXPECT_EQ(narrow.widths[2], 10);
    EXPECT_GE(narrow.widths[0], 22);
    EXPECT_GT(narrow.widths[0], narrow.widths[3]);
    int total = 2 * 5;
    for (const int w : narrow.widths) {
        total += w;
    }
    EXPECT_EQ(total, 80) << "the whole width is used";
    const std::string line = FormatResultTableLine(row, narrow);
    EXPECT_THAT(line, HasSubstr("  not registered  2031-02-03  "));
    // The domain column fits the list's longest name, within bounds.
    EXPECT_EQ(ResultTableLayoutFor(80, 17).widths[0], 17);
    EXPECT_GT(ResultTableLayoutFor(80, 17).widths[3], narrow.widths[3]) << "room for the rest";
    EXPECT_EQ(ResultTableLayoutFor(200, 3).widths[0], 6) << "the title's width";
    EXPECT_EQ(ResultTableLayoutFor(200, 60).widths[0], 40);
    EXPECT_EQ(ResultTableLayoutFor(80, 60).widths[0], 24) << "long names keep the most";
    // A wide terminal shows the usual widths and no more.
    EXPECT_EQ(ResultTableLayoutFor(200).widths, ResultTableLayoutFor(128).widths);
}

TEST(ResultTableTest, ColumnsLineUpWhateverTheScript) {
    const ResultTableLayout layout = ResultTableLayoutFor(100);
    const std::string ascii =
        FormatResultTableLine({"example.cn", "found", "2030-01-01", "ACME", "", ""}, layout);
    const std::string cjk = FormatResultTableLine(
        {kChinese + ".cn", "found", "2030-01-01", kChinese, kChinese + " Ltd", ""}, layout);
    const std::string header = FormatResultTableHeader(layout);
    const auto columnOf = [](const std::string& line, const std::string& text) {
        return DisplayWidth(line.substr(0, line.find(text)));
    };
    EXPECT_EQ(columnOf(ascii, "found"), columnOf(cjk, "found"));
    EXPECT_EQ(columnOf(ascii, "found"), columnOf(header, "STATUS"));
    EXPECT_EQ(columnOf(ascii, "ACME"), columnOf(cjk, kChinese + "  "));
}

TEST(ResultTableTest, EmptyFieldsLeaveBlankColumnsAndNoTrailingBlanks) {
    const ResultTableLayout layout = ResultTableLayoutFor(80);
    EXPECT_EQ(FormatResultTableLine({}, layout), "\n");
    EXPECT_EQ(FormatResultTableLine({"waiting.com", "", "", "", "", ""}, layout), "waiting.com\n");
    const std::string failed =
        FormatResultTableLine({"down.com", "error", "", "", "", "timed out"}, layout);
    EXPECT_EQ(DisplayWidth(failed.substr(0, failed.find("timed out"))),
              layout.widths[0] + layout.widths[1] + layout.widths[2] + layout.widths[3] +
                  layout.widths[4] + 5 * kResultTableGap);
}

TEST(ResultTableTest, TerminalWidthFromTheTerminalElseColumnsElse80) {
    EXPECT_EQ(TerminalColumns(132, "50"), 132);
    EXPECT_EQ(TerminalColumns(0, "50"), 50);
    EXPECT_EQ(TerminalColumns(0, " 64 "), 64);
    EXPECT_EQ(TerminalColumns(0, nullptr), 80);
    EXPECT_EQ(TerminalColumns(0, ""), 80);
    EXPECT_EQ(TerminalColumns(0, "wide"), 80);
    EXPECT_EQ(TerminalColumns(0, "0"), 80);
    EXPECT_EQ(TerminalColumns(0, "-5"), 80);
}

TEST(ResultTableTest, RowTextsPreferTheWholeValuesAndSpeakEnglish) {
    DomainRecord row{};
    SetField(row.domain, "xn--fiq228c.cn");
    SetField(row.expiryDate, "2031-02-03"); // dates are read when stored
    SetField(row.registrar, "\xD6\xD0\xCE\xC4 Names"); // GBK 中文
    SetField(row.owner, "cut ow");
    row.status = Found;
    CheckValues values;
    values.owner = "whole owner " + kChinese;

    const ResultTableRow found = ResultTableRowFor(row, true, FailReason::None, values);
    EXPECT_EQ(found.domain, kChinese + ".cn");
    EXPECT_EQ(found.status, "found");
    EXPECT_EQ(found.expiry, "2031-02-03");
    EXPECT_EQ(found.registrar, kChinese + " Names");
    EXPECT_EQ(found.owner, values.owner);
    EXPECT_EQ(found.reason, "");

    const ResultTableRow unasked = ResultTableRowFor(row, false, FailReason::None, values);
    EXPECT_EQ(unasked.domain, kChinese + ".cn");
    EXPECT_EQ(unasked.status, "") << "status 0 would read 'no server'";
    EXPECT_EQ(unasked.owner, "");

    row.status = Error;
    EXPECT_EQ(ResultTableRowFor(row, true, FailReason::TimedOut, {}).reason, "timed out");
    row.status = NotRegistered;
    EXPECT_EQ(ResultTableRowFor(row, true, FailReason::None, {}).status, "not registered");
    row.status = NoServer;
    const ResultTableRow noServer = ResultTableRowFor(row, true, FailReason::NoServer, {});
    EXPECT_EQ(noServer.status, "no server");
    EXPECT_EQ(noServer.reason, "") << "said once";
    row.status = 7;
    EXPECT_EQ(ResultTableRowFor(row, true, FailReason::None, {}).status, "");
}

TEST(ResultTableTest, TableOnlyForATerminalWithoutAChosenFormatOrFile) {
    const auto options = [](std::vector<std::string> args) {
        args.push_back("list.txt");
        const ParsedCommandLine parsed = ParseCommandLine(args);
        EXPECT_EQ(parsed.action, ParsedCommandLine::Action::Run) << parsed.error;
        return parsed.options;
    };
    EXPECT_EQ(OutputFormatFor(options({}), true), OutputFormat::Table);
    EXPECT_EQ(OutputFormatFor(options({}), false), OutputFormat::Csv);
    EXPECT_EQ(OutputFormatFor(options({"-o", "out.csv"}), true), OutputFormat::Csv);
    EXPECT_EQ(OutputFormatFor(options({"--format", "csv"}), true), OutputFormat::Csv);
    EXPECT_EQ(OutputFormatFor(options({"--format=jsonl"}), true), OutputFormat::Jsonl);
    EXPECT_EQ(OutputFormatFor(options({"--format", "table"}), false), OutputFormat::Table);
    EXPECT_EQ(ParseCommandLine({"--format", "tsv", "x"}).error,
              "unknown format \"tsv\" (expected csv, jsonl, table or prometheus)");
}

// The real program, its standard output on a terminal or a pipe.
class TerminalTableTest : public testing::Test {
protected:
    void SetUp() override {
        server.SetScript(
            "alpha-example.com",
            FakeWhoisScript::Answer("   Domain Name: ALPHA-EXAMPLE.COM\r\n"
                                    "   Registrar: \xD6\xD0\xCE\xC4 Names, Inc.\r\n"
                                    "   Registry Expiry Date: 2031-02-03T04:05:06Z\r\n"));
        server.SetScript("free-example.com",
                         FakeWhoisScript::Answer("No match for \"FREE-EXAMPLE.COM\".\r\n"));
        WriteBytes(dir.File("names.txt"), "alpha-example.com\nfree-example.com\nnowhere.com.sg\n");
    }

    std::unique_ptr<ChildProcess> Run(std::vector<std::string> args, bool terminal,
                                      std::map<std::string, std::string> env = {}) {
        ChildProcess::Setup setup;
        setup.args = {ZENTRIX_BATCH_PATH, "--protocol=whois", "--quiet",
                      "--connect-to=" + server.ConnectToFor(FakeWhoisServer::AllEndpoints())};
        setup.args.insert(setup.args.end(), args.begin(), args.end());
        setup.args.push_back(dir.File("names.txt"));
        setup.env = std::move(env);
        setup.env["ZENTRIX_HOME"] = dir.path().string();
        setup.stdoutOnTerminal = terminal;
        setup.terminalColumns = 80;
        auto child = std::make_unique<ChildProcess>(setup);
        EXPECT_TRUE(child->WaitForExit(30s)) << "zentrix-batch did not end";
        return child;
    }

    ScratchDir dir;
    FakeWhoisServer server;
};

TEST_F(TerminalTableTest, ATerminalGetsATableInUtf8CutToItsWidth) {
    const auto child = Run({}, true, {{"COLUMNS", "200"}}); // the terminal's own width wins
    EXPECT_EQ(child->exitCode(), 0) << child->err();
    const std::vector<std::string> lines = Lines(child->out());
    ASSERT_EQ(lines.size(), 4U) << child->out();
    EXPECT_THAT(lines[0], testing::StartsWith("DOMAIN"));
    EXPECT_THAT(lines[1], testing::MatchesRegex("alpha-example\\.com +found +2031-02-03 +" +
                                                kChinese + " Nam.*~"));
    EXPECT_THAT(lines[2], testing::MatchesRegex("free-example\\.com +not registered"));
    EXPECT_THAT(lines[3], testing::MatchesRegex("nowhere\\.com\\.sg +no server"));
    for (const std::string& line : lines) {
        EXPECT_LE(DisplayWidth(line), 80) << line;
    }
}

TEST_F(TerminalTableTest, APipeStillGetsTheCsvAndATableCanBeAskedFor) {
    const auto csv = Run({}, false);
    EXPECT_EQ(csv->exitCode(), 0) << csv->err();
    EXPECT_THAT(csv->out(),
                testing::StartsWith("\"" + std::string(ServerComNet) + "\",\"alpha-example.com\""));
    const auto file = Run({"-o", dir.File("out.csv")}, true);
    EXPECT_EQ(file->out(), "");
    EXPECT_THAT(ReadBytes(dir.File("out.csv")), testing::StartsWith("\""));

    const auto table = Run({"--format", "table"}, false, {{"COLUMNS", "50"}});
    const std::vector<std::string> lines = Lines(table->out());
    ASSERT_EQ(lines.size(), 4U) << table->out();
    for (const std::string& line : lines) {
        EXPECT_LE(DisplayWidth(line), 50) << line;
    }
}

} // namespace
