// SPDX-License-Identifier: MIT
// The real zentrix-batch against the fake WHOIS server on loopback.

#include <algorithm>
#include <chrono>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "childprocess.h"
#include "engine/whois/whoisservers.h"
#include "tests/support/fakewhoisserver.h"
#include "tests/support/scratchdir.h"

namespace {

using namespace std::chrono_literals;
using testing::HasSubstr;

constexpr auto kRunDeadline = 30s;

// Answers shaped like the .com registry's (CR LF lines, indented labels).
std::string ComAnswer(const std::string& name, const std::string& registrar) {
    return "   Domain Name: " + name + "\r\n   Registrar: " + registrar +
           "\r\n   Updated Date: 2024-05-06T07:08:09Z\r\n"
           "   Creation Date: 2001-02-03T04:05:06Z\r\n"
           "   Registry Expiry Date: 2031-02-03T04:05:06Z\r\n"
           ">>> Last update of whois database: 2025-01-01T00:00:00Z <<<\r\n";
}
std::string ComNoMatch(const std::string& name) {
    return "No match for \"" + name + "\".\r\n";
}

const std::string kNoServerGbk = "\xCE\xDE"
                                 "whois\xB7\xFE\xCE\xF1\xC6\xF7";
const std::string kFoundGbk = "\xB3\xC9\xB9\xA6";
const std::string kNotRegisteredGbk = "\xD3\xF2\xC3\xFB\xCE\xB4\xD7\xA2\xB2\xE1";

std::string CsvRow(const std::string& server, const std::string& domain, const std::string& status,
                   const std::string& rest) {
    return "\"" + server + "\",\"" + domain + "\",\"" + status + "\"," + rest + "\r\n";
}
// The .com registry names the registrar, not the owner.
std::string FoundComRow(const std::string& domain, const std::string& registrar) {
    return CsvRow(ServerComNet, domain, kFoundGbk,
                  "\"2031-02-03\",\"2001-02-03\",\"\",\"\",\"\",\"" + registrar + "\"");
}
const std::string kEmptyResults = "\"\",\"\",\"\",\"\",\"\",\"\"";

class BatchProgramTest : public testing::Test {
protected:
    void SetUp() override {
        server.SetScript("alpha-example.com", FakeWhoisScript::Answer(ComAnswer(
                                                  "ALPHA-EXAMPLE.COM", "Example Names, Inc.")));
        server.SetScript("free-example.com",
                         FakeWhoisScript::Answer(ComNoMatch("FREE-EXAMPLE.COM")));
        server.SetScript("gamma-example.com", FakeWhoisScript::Answer(ComAnswer(
                                                  "GAMMA-EXAMPLE.COM", "Gamma Registrar")));
        server.SetScript("stall-example.com", FakeWhoisScript::Stall());
    }

    void WriteList(const std::string& bytes) { WriteBytes(ListPath(), bytes); }
    [[nodiscard]] std::string ListPath() const { return dir.File("names.txt"); }
    [[nodiscard]] std::string Home() const { return dir.path().string(); }
    [[nodiscard]] std::string Config() const { return ReadBytes(dir.File("zentrix.ini")); }

    // The program with the given arguments, every endpoint pointed at the
    // fake server (in two --connect-to options, to use both forms).
    std::unique_ptr<ChildProcess> Start(std::vector<std::string> args, bool terminal = false) {
        std::vector<std::string> others = FakeWhoisServer::AllEndpoints();
        others.erase(others.begin()); // ServerComNet comes first
        ChildProcess::Setup setup;
        // Port 43 only: the built-in bootstrap names real RDAP servers.
        setup.args = {ZENTRIX_BATCH_PATH, "--protocol=whois", "--connect-to",
                      server.ConnectToFor({ServerComNet}),
                      "--connect-to=" + server.ConnectToFor(others)};
        setup.args.insert(setup.args.end(), args.begin(), args.end());
        setup.env = {{"ZENTRIX_HOME", Home()}};
        setup.stderrOnTerminal = terminal;
        return std::make_unique<ChildProcess>(setup);
    }
    std::unique_ptr<ChildProcess> Run(std::vector<std::string> args, bool terminal = false) {
        auto child = Start(std::move(args), terminal);
        EXPECT_TRUE(child->WaitForExit(kRunDeadline)) << "zentrix-batch did not end";
        return child;
    }

    ScratchDir dir;
    FakeWhoisServer server;
};

TEST_F(BatchProgramTest, CsvFileHoldsEveryRowInExportFormat) {
    const std::string list =
        "ALPHA-EXAMPLE.COM\r\nhttp://www.free-example.com/\r\nnowhere.com.sg\r\n"
        "gamma-example.com";
    WriteList(list);
    const auto child = Run({"-o", dir.File("out.csv"), ListPath()});

    EXPECT_EQ(child->exitCode(), 0);
    EXPECT_EQ(child->out(), "");
    EXPECT_EQ(ReadBytes(dir.File("out.csv")),
              FoundComRow("alpha-example.com", "Example Names, Inc.") +
                  CsvRow(ServerComNet, "free-example.com", kNotRegisteredGbk, kEmptyResults) +
                  CsvRow("", "nowhere.com.sg", kNoServerGbk, kEmptyResults) +
                  FoundComRow("gamma-example.com", "Gamma Registrar"));
    EXPECT_THAT(child->err(), testing::StartsWith("zentrix-batch: 4 rows in "));
    EXPECT_THAT(child->err(), testing::EndsWith(": 2 found, 1 not registered, 0 error, 1 no "
                                                "server; 0 changed; 0 names skipped\n"));
    EXPECT_FALSE(std::filesystem::exists(dir.File("zentrix.ini")))
        << "the desktop's resume position is not the batch's";
    EXPECT_TRUE(std::filesystem::exists(dir.File("results.sqlite3")));
    EXPECT_EQ(ReadBytes(ListPath()), list) << "the user's list is only read";
    EXPECT_FALSE(std::filesystem::exists(dir.File("_items.txt")));
    EXPECT_EQ(server.ConnectionCount(), 3U); // the row without a server never connects
}

TEST_F(BatchProgramTest, JsonLinesOnStandardOutput) {
    server.SetScript("gbk-example.com", FakeWhoisScript::Answer(ComAnswer(
                                            "GBK-EXAMPLE.COM", "\xD6\xD0\xCE\xC4 \"Names\"\tLtd")));
    WriteList("gbk-example.com\nfree-example.com\n");
    const auto child = Run({"--format", "jsonl", "--quiet", ListPath()});

    EXPECT_EQ(child->exitCode(), 0);
    EXPECT_EQ(child->err(), "");
    EXPECT_EQ(child->out(),
              "{\"index\":0,\"domain\":\"gbk-example.com\",\"domainAscii\":\"gbk-example.com\","
              "\"whoisServer\":\"whois.verisign-grs.com\","
              "\"status\":1,\"statusText\":\"成功\",\"answered\":true,\"protocol\":\"whois\","
              "\"expiryDate\":\"2031-02-03\",\"createdDate\":\"2001-02-03\","
              "\"updatedDate\":\"2024-05-06\",\"owner\":\"\",\"email\":\"\",\"phone\":\"\","
              "\"registrar\":\"中文 \\\"Names\\\" Ltd\",\"changed\":[],\"previous\":null,"
              "\"error\":\"\"}\n"
              "{\"index\":1,\"domain\":\"free-example.com\",\"domainAscii\":\"free-example.com\","
              "\"whoisServer\":\"whois.verisign-grs.com\","
              "\"status\":2,\"statusText\":\"域名未注册\",\"answered\":true,\"protocol\":\"whois\","
              "\"expiryDate\":\"\",\"createdDate\":\"\",\"updatedDate\":\"\",\"owner\":\"\","
              "\"email\":\"\",\"phone\":\"\",\"registrar\":\"\",\"changed\":[],"
              "\"previous\":null,\"error\":\"\"}\n");
}

// The desktop's "lastindex" belongs to the desktop's list: --resume neither
// follows nor moves it, and a row it never asked is never written as if a
// server had said "no server".
TEST_F(BatchProgramTest, ResumeIgnoresTheDesktopsPosition) {
    const std::vector<std::string> all = {"alpha-example.com\r\n", "free-example.com\r\n",
                                          "gamma-example.com\r\n", "alpha-example.com\r\n"};
    WriteList("alpha-example.com\nfree-example.com\ngamma-example.com\nalpha-example.com\n");
    WriteBytes(dir.File("zentrix.ini"), "lastindex=2\n");
    FakeWhoisServer fresh;
    fresh.SetDefaultScript(FakeWhoisScript::Answer(ComNoMatch("ANY")));
    ChildProcess::Setup setup;
    setup.args = {ZENTRIX_BATCH_PATH, "-q",           "--resume",
                  "--protocol=whois", "--connect-to", fresh.ConnectToFor({ServerComNet}),
                  ListPath()};
    setup.env = {{"ZENTRIX_HOME", Home()}};
    ChildProcess child(setup);
    ASSERT_TRUE(child.WaitForExit(kRunDeadline));
    EXPECT_EQ(child.exitCode(), 0);
    EXPECT_EQ(fresh.ReceivedBytes(), all);
    EXPECT_EQ(Config(), "lastindex=2\n");
    EXPECT_THAT(child.out(), testing::Not(HasSubstr(kNoServerGbk)));
    EXPECT_EQ(std::count(child.out().begin(), child.out().end(), '\n'), 4);
}

TEST_F(BatchProgramTest, StopSignalWritesFinishedRowsAndKeepsThePosition) {
    struct Case {
        const char* name;
        int signal;
        bool toFile;
    };
    const Case cases[] = {
        {"sigint_to_file", SIGINT, true},
        {"sigterm_to_stdout", SIGTERM, false},
    };
    WriteList("alpha-example.com\nfree-example.com\nstall-example.com\ngamma-example.com\n");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeWhoisServer fresh;
        fresh.SetScript("alpha-example.com", FakeWhoisScript::Answer(ComNoMatch("A")));
        fresh.SetScript("free-example.com", FakeWhoisScript::Answer(ComNoMatch("F")));
        fresh.SetScript("stall-example.com", FakeWhoisScript::Stall());
        ChildProcess::Setup setup;
        setup.args = {ZENTRIX_BATCH_PATH, "--protocol=whois", "--connect-to",
                      fresh.ConnectToFor({ServerComNet})};
        if (c.toFile) {
            setup.args.insert(setup.args.end(), {"-o", dir.File("out.csv")});
        }
        setup.args.push_back(ListPath());
        setup.env = {{"ZENTRIX_HOME", Home()}};
        // The file's rows are counted on the progress line, on a terminal.
        setup.stderrOnTerminal = c.toFile;
        ChildProcess child(setup);

        // The third connection is the stalled row; the first two are stopped
        // only once the program was told they are finished (a stop while a
        // row is being read leaves it unfinished).
        ASSERT_TRUE(fresh.WaitForConnections(3, kRunDeadline));
        if (c.toFile) {
            ASSERT_TRUE(child.WaitForErr("2 / 4 rows", kRunDeadline)) << child.err();
        } else {
            ASSERT_TRUE(child.WaitForOut(
                [](const std::string& out) {
                    return std::count(out.begin(), out.end(), '\n') == 2;
                },
                kRunDeadline));
        }
        child.Signal(c.signal);
        ASSERT_TRUE(child.WaitForExit(kRunDeadline));

        EXPECT_EQ(child.exitCode(), 130);
        const std::string rows =
            CsvRow(ServerComNet, "alpha-example.com", kNotRegisteredGbk, kEmptyResults) +
            CsvRow(ServerComNet, "free-example.com", kNotRegisteredGbk, kEmptyResults);
        EXPECT_EQ(c.toFile ? ReadBytes(dir.File("out.csv")) : child.out(), rows);
        EXPECT_THAT(child.err(), HasSubstr("interrupted after 2 of 4 rows"));
        EXPECT_FALSE(std::filesystem::exists(dir.File("zentrix.ini")));
        EXPECT_EQ(fresh.ConnectionCount(), 3U);
    }
}

TEST_F(BatchProgramTest, StalledServerEndsItsRowAsErrorAndTheBatchGoesOn) {
    WriteList("alpha-example.com\nstall-example.com\nfree-example.com\n");
    // The whole-query limit of one second ends the stall long before the
    // client's own fifteen-second idle limit would.
    auto child = Start({"--timeout", "1", "-o", dir.File("out.csv"), ListPath()});
    ASSERT_TRUE(child->WaitForExit(10s));

    EXPECT_EQ(child->exitCode(), 0);
    EXPECT_EQ(ReadBytes(dir.File("out.csv")),
              FoundComRow("alpha-example.com", "Example Names, Inc.") +
                  CsvRow(ServerComNet, "stall-example.com", "", kEmptyResults) +
                  CsvRow(ServerComNet, "free-example.com", kNotRegisteredGbk, kEmptyResults));
    EXPECT_THAT(child->err(), HasSubstr("1 found, 1 not registered, 1 error (1 timed out)"));
}

TEST_F(BatchProgramTest, RefusalsWriteNothingAndQueryNothing) {
    WriteList("alpha-example.com\n");
    std::filesystem::create_directory(dir.File("folder"));
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::string message;
    };
    const Case cases[] = {
        {"output_folder_missing",
         {"-o", dir.File("missing/out.csv"), ListPath()},
         "zentrix-batch: cannot write output file '" + dir.File("missing/out.csv") +
             "': No such file or directory\n"},
        {"output_is_a_folder",
         {"--output=" + dir.File("folder"), ListPath()},
         "zentrix-batch: cannot write output file '" + dir.File("folder") + "': Is a directory\n"},
        {"list_missing",
         {"-o", dir.File("out.csv"), dir.File("absent.txt")},
         "zentrix-batch: cannot read list file '" + dir.File("absent.txt") +
             "': No such file or directory\n"},
        {"output_is_the_list",
         {"-o", dir.path().string() + "/./names.txt", ListPath()},
         "zentrix-batch: output file '" + dir.path().string() +
             "/./names.txt' is the list file; the list is only read\n"},
        {"bad_format",
         {"--format", "xml", ListPath()},
         "zentrix-batch: unknown format \"xml\" (expected csv, jsonl, table or prometheus) "
         "(see --help)\n"},
        {"no_list", {"-q"}, "zentrix-batch: no LIST_FILE given (see --help)\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto child = Run(c.args);
        EXPECT_EQ(child->exitCode(), 1);
        EXPECT_EQ(child->err(), c.message);
        EXPECT_EQ(child->out(), "");
        EXPECT_FALSE(std::filesystem::exists(dir.File("out.csv")));
        EXPECT_EQ(ReadBytes(ListPath()), "alpha-example.com\n");
        EXPECT_EQ(server.ConnectionCount(), 0U);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                                std::filesystem::directory_iterator()),
                  2) // the list and the folder: no temporary file left behind
            << "zentrix.ini or a temporary file appeared";
    }
}

TEST_F(BatchProgramTest, ProgressLineOnlyOnATerminal) {
    WriteList("alpha-example.com\nfree-example.com\n");
    const auto shown = Run({"-o", dir.File("out.csv"), ListPath()}, true);
    EXPECT_EQ(shown->exitCode(), 0);
    EXPECT_THAT(shown->err(), HasSubstr("\r2 / 2 rows  "));
    EXPECT_THAT(shown->err(), HasSubstr(" rows/s  "));
    EXPECT_THAT(shown->err(), HasSubstr("zentrix-batch: 2 rows in "));

    const auto quiet = Run({"-q", "-o", dir.File("out.csv"), ListPath()}, true);
    EXPECT_EQ(quiet->exitCode(), 0);
    EXPECT_EQ(quiet->err(), "");

    const auto piped = Run({"-o", dir.File("out.csv"), ListPath()});
    EXPECT_THAT(piped->err(), testing::Not(HasSubstr("\r")));
}

// The first row's registry answers late, the others at once: the rows still
// come out in the list's order, in both formats, with the same questions as
// one at a time.
TEST_F(BatchProgramTest, RowsAreWrittenInListOrderWhateverOrderTheyFinish) {
    server.SetScript("slow-example.com",
                     FakeWhoisScript::Answer(ComNoMatch("SLOW-EXAMPLE.COM"), 400));
    const std::vector<std::string> names = {"slow-example.com", "quick-example.cn",
                                            "quick-example.org", "quick-example.info",
                                            "quick-example.net"};
    std::string list;
    for (const std::string& name : names) {
        list += name + "\n";
    }
    WriteList(list);
    for (const char* format : {"csv", "jsonl"}) {
        SCOPED_TRACE(format);
        const auto child = Run({"-q", "--format", format, "--jobs", "8", ListPath()});
        EXPECT_EQ(child->exitCode(), 0);
        std::size_t at = 0;
        for (std::size_t index = 0; index < names.size(); ++index) {
            const std::string key = std::string(format) == "csv"
                                        ? "\"," + std::string("\"") + names[index] + "\""
                                        : "{\"index\":" + std::to_string(index) + ",\"domain\":\"" +
                                              names[index] + "\"";
            const auto found = child->out().find(key, at);
            ASSERT_NE(found, std::string::npos) << names[index];
            at = found;
        }
        EXPECT_EQ(std::count(child->out().begin(), child->out().end(), '\n'), 5);
    }
}

TEST_F(BatchProgramTest, OneAtATimeAsksInListOrder) {
    const std::vector<std::string> names = {"b-example.org", "a-example.com", "c-example.cn",
                                            "d-example.com"};
    WriteList("b-example.org\na-example.com\nc-example.cn\nd-example.com\n");
    server.SetDefaultScript(FakeWhoisScript::Answer(ComNoMatch("ANY")));
    const auto child = Run({"-q", "--jobs", "1", "--per-host=1", ListPath()});
    EXPECT_EQ(child->exitCode(), 0);
    std::vector<std::string> expected;
    for (const std::string& name : names) {
        expected.push_back(name + "\r\n");
    }
    EXPECT_EQ(server.ReceivedBytes(), expected);
    EXPECT_EQ(server.MostOpenAtOnce(), 1U);
}

// A refusal pauses the registry's lane for 15 s: the progress line says so,
// the other registry's rows go on, and Ctrl+C ends the wait at once.
TEST_F(BatchProgramTest, WaitingLaneIsShownAndAStopEndsTheWait) {
    server.SetScript("busy-example.com", FakeWhoisScript::Answer("WHOIS LIMIT EXCEEDED\r\n"));
    server.SetScript("calm-example.org", FakeWhoisScript::Answer("NOT FOUND\n"));
    WriteList("busy-example.com\ncalm-example.org\n");
    auto child = Start({"-o", dir.File("out.csv"), ListPath()}, true);
    ASSERT_TRUE(child->WaitForErr("waiting for whois.verisign-grs.com (1", kRunDeadline))
        << child->err();
    EXPECT_THAT(child->err(), HasSubstr(" s)"));
    child->Signal(SIGINT);
    ASSERT_TRUE(child->WaitForExit(5s)) << "the back-off must not hold the stop";

    EXPECT_EQ(child->exitCode(), 130);
    EXPECT_THAT(child->err(), HasSubstr("interrupted after 0 of 2 rows"));
    EXPECT_EQ(ReadBytes(dir.File("out.csv")), "") << "the first row is not finished";
    const auto asked = server.ReceivedBytes();
    EXPECT_EQ(std::count(asked.begin(), asked.end(), "calm-example.org\r\n"), 1);
}

// Answers shaped like the .cn registry's, in UTF-8 or in GBK.
std::string CnAnswer(const std::string& name, const std::string& owner, const std::string& email,
                     const std::string& registrar) {
    return "Domain Name: " + name +
           "\r\nROID: 20120304s10001s00000001-cn\r\n"
           "Domain Status: ok\r\nRegistrant: " +
           owner + "\r\nRegistrant Contact Email: " + email +
           "\r\nSponsoring Registrar: " + registrar +
           "\r\nName Server: ns1.lanna.example\r\n"
           "Registration Time: 2012-03-04 05:06:07\r\nExpiration Time: 2030-03-04 05:06:07\r\n";
}

// Values longer than the row's fields and in a script GBK lacks come out
// whole in JSONL; the GBK CSV holds "?" for what GBK lacks, and no less.
TEST_F(BatchProgramTest, ValuesComeOutWholeWhateverTheirLengthAndScript) {
    const std::string thai = "บริษัท ลานนา จำกัด";
    const std::string email64 = std::string(53, 'a') + "@lanna.test";
    const std::string email200 = std::string(189, 'b') + "@lanna.test";
    ASSERT_EQ(email64.size(), 64u);
    ASSERT_EQ(email200.size(), 200u);
    server.SetScript("lanna-one.cn", FakeWhoisScript::Answer(CnAnswer("lanna-one.cn", thai, email64,
                                                                      "Lanna Names Co., Ltd.")));
    server.SetScript("lanna-two.cn", FakeWhoisScript::Answer(CnAnswer("lanna-two.cn", "Ann Lee",
                                                                      email200, "Lanna Names")));
    // A registry answering in GBK: 兰亭示例 and 中文.
    server.SetScript("gbk-three.cn", FakeWhoisScript::Answer(CnAnswer(
                                         "gbk-three.cn", "\xC0\xBC\xCD\xA4\xCA\xBE\xC0\xFD",
                                         "ops@gbk-three.cn", "\xD6\xD0\xCE\xC4")));
    WriteList("lanna-one.cn\nlanna-two.cn\ngbk-three.cn\n");

    const auto jsonl = Run({"--format", "jsonl", "--quiet", ListPath()});
    EXPECT_EQ(jsonl->exitCode(), 0) << jsonl->err();
    std::vector<nlohmann::json> lines;
    for (std::size_t at = 0; at < jsonl->out().size();) {
        const std::size_t end = jsonl->out().find('\n', at);
        lines.push_back(nlohmann::json::parse(jsonl->out().substr(at, end - at)));
        at = end == std::string::npos ? jsonl->out().size() : end + 1;
    }
    ASSERT_EQ(lines.size(), 3u) << jsonl->out();
    EXPECT_EQ(lines[0]["owner"], thai);
    EXPECT_EQ(lines[0]["email"], email64);
    EXPECT_EQ(lines[0]["registrar"], "Lanna Names Co., Ltd.");
    EXPECT_EQ(lines[0]["expiryDate"], "2030-03-04");
    EXPECT_EQ(lines[1]["email"], email200);
    EXPECT_EQ(lines[2]["owner"], "兰亭示例");
    EXPECT_EQ(lines[2]["registrar"], "中文");
    EXPECT_EQ(lines[2]["email"], "ops@gbk-three.cn");

    const auto csv = Run({"-o", dir.File("out.csv"), ListPath()});
    EXPECT_EQ(csv->exitCode(), 0) << csv->err();
    const std::string rest = "\"2030-03-04\",\"2012-03-04\",";
    EXPECT_EQ(
        ReadBytes(dir.File("out.csv")),
        CsvRow(ServerCn, "lanna-one.cn", kFoundGbk,
               rest + "\"?????? ????? ?????\",\"" + email64 + "\",\"\",\"Lanna Names Co., Ltd.\"") +
            CsvRow(ServerCn, "lanna-two.cn", kFoundGbk,
                   rest + "\"Ann Lee\",\"" + email200 + "\",\"\",\"Lanna Names\"") +
            CsvRow(ServerCn, "gbk-three.cn", kFoundGbk,
                   rest + "\"\xC0\xBC\xCD\xA4\xCA\xBE\xC0\xFD\",\"ops@gbk-three.cn\",\"\","
                          "\"\xD6\xD0\xCE\xC4\""));
}

// A .com answer whose expiry is `days` from today, and that date as the
// local calendar writes it.
std::pair<std::string, std::string> ExpiringIn(const std::string& name, int days) {
    const std::time_t then = std::time(nullptr) + static_cast<std::time_t>(days) * 86400;
    std::tm local{};
    localtime_r(&then, &local);
    char date[16];
    std::strftime(date, sizeof date, "%Y-%m-%d", &local);
    const std::string answer = "   Domain Name: " + name +
                               "\r\n   Registrar: Example Names\r\n"
                               "   Registry Expiry Date: " +
                               date + "T00:00:00Z\r\n";
    return {answer, date};
}

// --alert-within: status 3 and one line per name to hear about, for the
// names expiring within the days and, on the next run, the names that changed.
TEST_F(BatchProgramTest, AlertWithinExitsThreeWithALinePerName) {
    const auto [soon, soonDate] = ExpiringIn("SOON-EXAMPLE.COM", 10);
    server.SetScript("soon-example.com", FakeWhoisScript::Answer(soon));
    WriteList("soon-example.com\nalpha-example.com\nfree-example.com\n");

    auto child = Run({"--quiet", "--alert-within", "30", "-o", dir.File("out.csv"), ListPath()});
    EXPECT_EQ(child->exitCode(), 3);
    EXPECT_EQ(child->err(),
              "zentrix-batch: alert: soon-example.com: expires " + soonDate + " (in 10 days)\n");

    // Nothing within 5 days and nothing changed: quiet, status 0.
    child = Run({"--quiet", "--alert-within", "5", "-o", dir.File("out.csv"), ListPath()});
    EXPECT_EQ(child->exitCode(), 0);
    EXPECT_EQ(child->err(), "");

    server.SetScript("alpha-example.com", FakeWhoisScript::Answer(ComAnswer(
                                              "ALPHA-EXAMPLE.COM", "Other Registrar Ltd")));
    server.SetScript("free-example.com",
                     FakeWhoisScript::Answer(ComAnswer("FREE-EXAMPLE.COM", "Example Names, Inc.")));
    child = Run({"--quiet", "--alert-within", "5", "-o", dir.File("out.csv"), ListPath()});
    EXPECT_EQ(child->exitCode(), 3);
    EXPECT_EQ(child->err(), "zentrix-batch: alert: alpha-example.com: changed: transferred\n"
                            "zentrix-batch: alert: free-example.com: changed: registered\n");
}

// --format prometheus replaces its file whole, with every family described.
TEST_F(BatchProgramTest, PrometheusFileIsReplacedWhole) {
    WriteList("alpha-example.com\nfree-example.com\n");
    const std::string target = dir.File("zentrix.prom");
    WriteBytes(target, "stale\n");
    const auto child = Run({"--quiet", "--format=prometheus", "-o", target, ListPath()});

    EXPECT_EQ(child->exitCode(), 0) << child->err();
    const std::string text = ReadBytes(target);
    EXPECT_THAT(text, testing::StartsWith("# HELP zentrix_domain_expiry_timestamp_seconds "));
    EXPECT_THAT(text, HasSubstr("\nzentrix_domain_expiry_timestamp_seconds{domain=\"alpha-"
                                "example.com\"} 1927843200\n")); // 2031-02-03
    EXPECT_THAT(text, HasSubstr("\nzentrix_domain_status{domain=\"free-example.com\","
                                "status=\"notregistered\"} 1\n"));
    EXPECT_THAT(text, HasSubstr("# TYPE zentrix_domain_changed gauge\n"));
    EXPECT_EQ(text.find("stale"), std::string::npos);
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        EXPECT_EQ(entry.path().filename().string().find("zentrix.prom."), std::string::npos)
            << "a temporary file was left: " << entry.path();
    }
}

} // namespace
