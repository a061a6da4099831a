// SPDX-License-Identifier: MIT
// Why rows failed, as zentrix-batch tells it: the "error" key of each jsonl
// line, the answer under --raw, and the summary's count of errors by reason.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>

#include "childprocess.h"
#include "cli/batchoptions.h"
#include "cli/batchreport.h"
#include "cli/jsonlines.h"
#include "engine/domaintable.h"
#include "engine/whois/whoisservers.h"
#include "tests/support/fakewhoisserver.h"
#include "tests/support/scratchdir.h"

namespace {

using namespace std::chrono_literals;
using testing::HasSubstr;

DomainRecord RowWithStatus(int32_t status) {
    DomainRecord row;
    std::memset(&row, 0, sizeof row);
    SetField(row.domain, "a.example");
    row.status = status;
    return row;
}

TEST(JsonLineError, NamesTheReasonOfUnansweredRowsOnly) {
    struct Case {
        const char* name;
        int32_t status;
        FailReason reason;
        const char* error;
    };
    const Case cases[] = {
        {"timed out", Error, FailReason::TimedOut, "timed out"},
        {"rate limited", Error, FailReason::RateLimited, "rate limited"},
        {"not served", Error, FailReason::NotServed, "not served here"},
        {"no server", NoServer, FailReason::NoServer, "no server"},
        {"found", Found, FailReason::None, ""},
        {"found after a refused referral", Found, FailReason::ReferralRefused, ""},
        {"not registered", NotRegistered, FailReason::None, ""},
    };
    for (const Case& c : cases) {
        const std::string line = FormatJsonLine(RowWithStatus(c.status), 0, {c.reason, nullptr});
        EXPECT_THAT(line, testing::EndsWith(",\"error\":\"" + std::string(c.error) + "\"}\n"))
            << c.name;
    }
}

TEST(JsonLineRaw, IsAnEscapedStringAfterTheError) {
    const std::string raw = "Domain Name: A\r\n\"quoted\" \\ \xe8\x93\x9d";
    const std::string line = FormatJsonLine(RowWithStatus(Found), 3, {FailReason::None, &raw});
    EXPECT_THAT(line, testing::EndsWith(",\"error\":\"\",\"raw\":\"Domain Name: A\\u000d\\u000a"
                                        "\\\"quoted\\\" \\\\ \xe8\x93\x9d\"}\n"));
}

TEST(BatchSummaryReasons, CountsErrorsByReasonInTheirOrder) {
    BatchSummary summary;
    summary.total = 6;
    summary.done = 6;
    summary.byStatus = {1, 1, 0, 4}; // no server, found, not registered, error
    summary.errorsByReason[static_cast<std::size_t>(FailReason::RateLimited)] = 1;
    summary.errorsByReason[static_cast<std::size_t>(FailReason::TimedOut)] = 2;
    summary.errorsByReason[static_cast<std::size_t>(FailReason::EmptyAnswer)] = 1;
    summary.elapsedSeconds = 1;
    EXPECT_EQ(FormatSummary(summary),
              "6 rows in 1.0 s: 1 found, 0 not registered, 4 error (2 timed out, 1 empty answer, "
              "1 rate limited), 1 no server; 0 names skipped");
}

TEST(BatchOptionsRaw, IsAFlag) {
    const ParsedCommandLine parsed = ParseCommandLine({"--raw", "--format", "jsonl", "l"});
    ASSERT_EQ(parsed.action, ParsedCommandLine::Action::Run) << parsed.error;
    EXPECT_TRUE(parsed.options.raw);
    EXPECT_FALSE(ParseCommandLine({"l"}).options.raw);
    const ParsedCommandLine valued = ParseCommandLine({"--raw=yes", "l"});
    EXPECT_EQ(valued.action, ParsedCommandLine::Action::Fail);
    EXPECT_EQ(valued.error, "option --raw takes no value");
    EXPECT_THAT(UsageText(), HasSubstr("--raw"));
}

// The real program: one row of each kind, with --raw.
TEST(BatchProgramReasons, JsonLinesAndSummarySayWhy) {
    FakeWhoisServer server;
    const std::string found = "   Domain Name: FOUND-EXAMPLE.COM\r\n"
                              "   Registrar: \xd6\xd0\xce\xc4 Names\r\n"
                              "   Creation Date: 2001-02-03T04:05:06Z\r\n";
    server.SetScript("found-example.com", FakeWhoisScript::Answer(found));
    server.SetScript("limited-example.org",
                     FakeWhoisScript::Answer("WHOIS LIMIT EXCEEDED - SEE WWW.EXAMPLE.ORG\n"));
    server.SetScript("empty-example.com", FakeWhoisScript::CloseAtOnce());
    server.SetScript("stall-example.com", FakeWhoisScript::Stall());
    ScratchDir dir;
    WriteBytes(dir.File("names.txt"), "found-example.com\nlimited-example.org\nempty-example.com\n"
                                      "stall-example.com\nnowhere.com.sg\n");
    ChildProcess::Setup setup;
    setup.args = {ZENTRIX_BATCH_PATH,
                  "--protocol",
                  "whois",
                  "--format",
                  "jsonl",
                  "--raw",
                  "--timeout",
                  "1",
                  "--connect-to",
                  server.ConnectToFor(FakeWhoisServer::AllEndpoints()),
                  dir.File("names.txt")};
    // A refusing server is asked again after a short pause, not 15 s.
    setup.env = {{"ZENTRIX_HOME", dir.path().string()}, {"ZENTRIX_BACKOFF_MS", "20"}};
    ChildProcess child(setup);
    ASSERT_TRUE(child.WaitForExit(30s));
    EXPECT_EQ(child.exitCode(), 0);

    const std::string& out = child.out();
    // The GBK answer comes out as UTF-8 in "raw", its line ends escaped.
    EXPECT_THAT(out, HasSubstr("\"registrar\":\"中文 Names\",\"changed\":[],\"previous\":null,"
                               "\"error\":\"\","
                               "\"raw\":\"   Domain Name: FOUND-EXAMPLE.COM\\u000d\\u000a"
                               "   Registrar: 中文 Names\\u000d\\u000a"));
    EXPECT_THAT(out, HasSubstr("\"error\":\"rate limited\",\"raw\":\"WHOIS LIMIT EXCEEDED"));
    EXPECT_THAT(out, HasSubstr("\"error\":\"empty answer\",\"raw\":\"\"}"));
    EXPECT_THAT(out, HasSubstr("\"domain\":\"stall-example.com\""));
    EXPECT_THAT(out, HasSubstr("\"error\":\"timed out\""));
    EXPECT_THAT(out,
                HasSubstr("\"status\":0,\"statusText\":\"无whois服务器\",\"answered\":false,"));
    EXPECT_THAT(out, HasSubstr("\"error\":\"no server\",\"raw\":\"\"}"));
    EXPECT_THAT(child.err(), HasSubstr(": 1 found, 0 not registered, 3 error (1 timed out, 1 empty "
                                       "answer, 1 rate limited), 1 no server;"));
    // The refusing registry is asked 4 times in all; the row without a server
    // is asked nothing.
    EXPECT_EQ(server.ConnectionCount(), 7U);
}

} // namespace
