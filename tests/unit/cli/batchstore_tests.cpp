// SPDX-License-Identifier: MIT
// The real zentrix-batch and the results store: rows kept as they finish,
// resume per list from the store, what changed since a name's last check.

#include <algorithm>
#include <chrono>
#include <csignal>
#include <ctime>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "childprocess.h"
#include "engine/failreason.h"
#include "engine/net/idn.h"
#include "engine/store/resultstore.h"
#include "engine/whois/whoisservers.h"
#include "tests/support/fakewhoisserver.h"
#include "tests/support/scratchdir.h"

namespace {

using namespace std::chrono_literals;
using testing::HasSubstr;

constexpr auto kRunDeadline = 30s;

std::string ComAnswer(const std::string& name, const std::string& registrar,
                      const std::string& expiry = "2031-02-03") {
    return "   Domain Name: " + name + "\r\n   Registrar: " + registrar +
           "\r\n   Updated Date: 2024-05-06T07:08:09Z\r\n"
           "   Creation Date: 2001-02-03T04:05:06Z\r\n"
           "   Registry Expiry Date: " +
           expiry + "T04:05:06Z\r\n";
}
std::string ComNoMatch(const std::string& name) {
    return "No match for \"" + name + "\".\r\n";
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> Sorted(std::vector<std::string> items) {
    std::sort(items.begin(), items.end());
    return items;
}

std::int64_t Now() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

class BatchStoreTest : public testing::Test {
protected:
    void WriteList(const std::string& bytes, const std::string& name = "names.txt") {
        WriteBytes(dir.File(name), bytes);
    }
    [[nodiscard]] std::string ListPath(const std::string& name = "names.txt") const {
        return dir.File(name);
    }
    [[nodiscard]] std::string Home() const { return dir.path().string(); }
    [[nodiscard]] std::string StorePath() const { return dir.File("results.sqlite3"); }

    // Port 43 only (the built-in bootstrap names real RDAP servers), every
    // endpoint at `fake`.
    std::unique_ptr<ChildProcess> Start(FakeWhoisServer& fake, std::vector<std::string> args,
                                        bool terminal = false) {
        ChildProcess::Setup setup;
        setup.args = {ZENTRIX_BATCH_PATH, "--protocol=whois", "--connect-to",
                      fake.ConnectToFor(FakeWhoisServer::AllEndpoints())};
        setup.args.insert(setup.args.end(), args.begin(), args.end());
        setup.env = {{"ZENTRIX_HOME", Home()}};
        setup.stderrOnTerminal = terminal;
        return std::make_unique<ChildProcess>(setup);
    }
    std::unique_ptr<ChildProcess> Run(FakeWhoisServer& fake, std::vector<std::string> args) {
        auto child = Start(fake, std::move(args));
        EXPECT_TRUE(child->WaitForExit(kRunDeadline)) << "zentrix-batch did not end";
        return child;
    }

    ScratchDir dir;
};

TEST_F(BatchStoreTest, FinishedRowsAreStoredWholeWithTheirAnswer) {
    // Longer than the row's registrar field (251 bytes): the store keeps it whole.
    const std::string registrar = "Registrar " + std::string(280, 'r');
    std::string idn;
    ASSERT_TRUE(ToALabel("bücher-example.com", idn));
    FakeWhoisServer server;
    server.SetScript("alpha-example.com",
                     FakeWhoisScript::Answer(ComAnswer("ALPHA-EXAMPLE.COM", registrar)));
    server.SetScript(idn, FakeWhoisScript::Answer(ComNoMatch(idn)));
    WriteList("alpha-example.com\nbücher-example.com\nnowhere.com.sg\n");

    const std::int64_t before = Now();
    const auto child = Run(server, {"-q", "-o", dir.File("out.csv"), ListPath()});
    const std::int64_t after = Now();
    ASSERT_EQ(child->exitCode(), 0) << child->err();
    EXPECT_FALSE(std::filesystem::exists(dir.File("zentrix.ini")))
        << "the desktop's settings are not the batch's";

    const auto store = ResultStore::Open(StorePath());
    const auto latest = store->Latest({"alpha-example.com", idn, "nowhere.com.sg"});
    ASSERT_EQ(latest.size(), 3U);
    const StoredCheck& alpha = latest.at("alpha-example.com");
    EXPECT_EQ(alpha.status, 1);
    EXPECT_EQ(alpha.protocol, 1) << "port 43";
    EXPECT_EQ(alpha.server, ServerComNet);
    EXPECT_EQ(alpha.values.registrar, registrar);
    EXPECT_EQ(alpha.values.expiry, "2031-02-03");
    EXPECT_GE(alpha.askedAt, before);
    EXPECT_LE(alpha.askedAt, after);
    EXPECT_EQ(store->LatestAnswer("alpha-example.com"), ComAnswer("ALPHA-EXAMPLE.COM", registrar));

    EXPECT_EQ(latest.at(idn).domainUnicode, "bücher-example.com");
    EXPECT_EQ(latest.at(idn).status, 2);
    EXPECT_EQ(latest.at("nowhere.com.sg").status, 0) << "no server is a check too";
    EXPECT_EQ(latest.at("nowhere.com.sg").reason, static_cast<std::uint8_t>(FailReason::NoServer));
}

TEST_F(BatchStoreTest, NoStoreLeavesItAloneAndStoreNamesAnother) {
    FakeWhoisServer server;
    server.SetDefaultScript(FakeWhoisScript::Answer(ComNoMatch("ANY")));
    WriteList("alpha-example.com\n");

    const auto none = Run(server, {"-q", "--no-store", "--format=jsonl", ListPath()});
    EXPECT_EQ(none->exitCode(), 0) << none->err();
    EXPECT_THAT(none->out(), HasSubstr("\"changed\":[],\"previous\":null,\"error\""));
    EXPECT_FALSE(std::filesystem::exists(StorePath()));

    const std::string other = dir.File("elsewhere.sqlite3");
    const auto named = Run(server, {"-q", "--store", other, ListPath()});
    EXPECT_EQ(named->exitCode(), 0) << named->err();
    EXPECT_FALSE(std::filesystem::exists(StorePath()));
    EXPECT_EQ(ResultStore::Open(other)->History("alpha-example.com").size(), 1U);

    // A stored check exists now, yet --no-store neither reads nor adds one.
    const auto quiet = Run(server, {"-q", "--no-store", "--format=jsonl", ListPath()});
    EXPECT_EQ(quiet->exitCode(), 0);
    EXPECT_THAT(quiet->out(), HasSubstr("\"previous\":null"));
    EXPECT_EQ(ResultStore::Open(other)->History("alpha-example.com").size(), 1U);
    EXPECT_FALSE(std::filesystem::exists(StorePath()));
}

// Stopped with Ctrl+C after two rows, then resumed into the same file: the
// file holds every row, the first two from the store with their values,
// and only the rest are asked.
TEST_F(BatchStoreTest, ResumedOutputFileIsComplete) {
    WriteList("alpha-example.com\ngamma-example.com\nstall-example.com\nfree-example.com\n");
    const std::string out = dir.File("out.csv");
    {
        FakeWhoisServer first;
        first.SetScript("alpha-example.com", FakeWhoisScript::Answer(ComAnswer(
                                                 "ALPHA-EXAMPLE.COM", "Example Names, Inc.")));
        first.SetScript("gamma-example.com",
                        FakeWhoisScript::Answer(ComAnswer("GAMMA-EXAMPLE.COM", "Gamma Registrar")));
        first.SetScript("stall-example.com", FakeWhoisScript::Stall());
        auto child = Start(first, {"-o", out, ListPath()}, true);
        // The progress line counts rows the program was told are finished.
        ASSERT_TRUE(child->WaitForErr("2 / 4 rows", kRunDeadline)) << child->err();
        child->Signal(SIGINT);
        ASSERT_TRUE(child->WaitForExit(kRunDeadline));
        ASSERT_EQ(child->exitCode(), 130) << child->err();
    }
    FakeWhoisServer second;
    second.SetDefaultScript(FakeWhoisScript::Answer(ComNoMatch("ANY")));
    const auto child = Run(second, {"--resume", "-o", out, ListPath()});

    EXPECT_EQ(child->exitCode(), 0) << child->err();
    EXPECT_EQ(Sorted(second.ReceivedBytes()),
              std::vector<std::string>({"free-example.com\r\n", "stall-example.com\r\n"}));
    const std::string found = "\"\xB3\xC9\xB9\xA6\",\"2031-02-03\",\"2001-02-03\",\"\",\"\",\"\",";
    const std::string free = "\"\xD3\xF2\xC3\xFB\xCE\xB4\xD7\xA2\xB2\xE1\",\"\",\"\",\"\",\"\","
                             "\"\",\"\"\r\n";
    const std::string server = "\"" + std::string(ServerComNet) + "\",";
    EXPECT_EQ(ReadBytes(out),
              server + "\"alpha-example.com\"," + found + "\"Example Names, Inc.\"\r\n" + server +
                  "\"gamma-example.com\"," + found + "\"Gamma Registrar\"\r\n" + server +
                  "\"stall-example.com\"," + free + server + "\"free-example.com\"," + free);
    EXPECT_THAT(child->err(), HasSubstr("resumed at row 2: 0 found, 2 not registered"));
    EXPECT_THAT(child->err(), HasSubstr("(2 queried)"));

    // Finished: the list's position is gone, a further --resume starts afresh.
    FakeWhoisServer third;
    third.SetDefaultScript(FakeWhoisScript::Answer(ComNoMatch("ANY")));
    const auto afresh = Run(third, {"-q", "--resume", ListPath()});
    EXPECT_EQ(third.ConnectionCount(), 4U);
    EXPECT_THAT(afresh->err(), HasSubstr("no interrupted batch over"));
}

// Every row of the interrupted list was checked since it began (the last one
// by another batch): the resume asks nothing and still writes every row.
TEST_F(BatchStoreTest, ResumeWithNothingLeftToAskWritesEveryRow) {
    WriteList("alpha-example.com\nstall-example.com\n");
    WriteList("stall-example.com\n", "other.txt");
    {
        FakeWhoisServer first;
        first.SetDefaultScript(FakeWhoisScript::Answer(ComNoMatch("ANY")));
        first.SetScript("stall-example.com", FakeWhoisScript::Stall());
        auto child = Start(first, {ListPath()}, true);
        ASSERT_TRUE(child->WaitForErr("1 / 2 rows", kRunDeadline)) << child->err();
        child->Signal(SIGINT);
        ASSERT_TRUE(child->WaitForExit(kRunDeadline));
        ASSERT_EQ(child->exitCode(), 130);
    }
    FakeWhoisServer second;
    second.SetDefaultScript(FakeWhoisScript::Answer(ComNoMatch("ANY")));
    ASSERT_EQ(Run(second, {"-q", ListPath("other.txt")})->exitCode(), 0);

    FakeWhoisServer third;
    const auto child = Run(third, {"--resume", "--format=jsonl", ListPath()});
    EXPECT_EQ(child->exitCode(), 0) << child->err();
    EXPECT_EQ(third.ConnectionCount(), 0U);
    const auto lines = Lines(child->out());
    ASSERT_EQ(lines.size(), 2U);
    EXPECT_EQ(nlohmann::json::parse(lines[1])["domain"], "stall-example.com");
    EXPECT_EQ(nlohmann::json::parse(lines[1])["status"], 2);
}

// Two registry places: the stalled first and last rows hold them in turn
// while the middle rows finish; a resume asks only the stalled ones.
TEST_F(BatchStoreTest, ResumeSkipsRowsFinishedOutOfOrder) {
    WriteList("stall-a-example.com\nalpha-example.com\nfree-example.com\nstall-b-example.com\n");
    const std::vector<std::string> lanes = {"--jobs", "4", "--per-host", "2"};
    {
        FakeWhoisServer first;
        first.SetDefaultScript(FakeWhoisScript::Answer(ComNoMatch("ANY")));
        first.SetScript("stall-a-example.com", FakeWhoisScript::Stall());
        first.SetScript("stall-b-example.com", FakeWhoisScript::Stall());
        std::vector<std::string> args = lanes;
        args.push_back(ListPath());
        auto child = Start(first, args, true);
        // The progress line counts rows the program was told are finished.
        ASSERT_TRUE(child->WaitForErr("2 / 4 rows", kRunDeadline)) << child->err();
        child->Signal(SIGINT);
        ASSERT_TRUE(child->WaitForExit(kRunDeadline));
        ASSERT_EQ(child->exitCode(), 130);
        EXPECT_EQ(child->out(), "") << "the first row is not finished";
    }
    FakeWhoisServer second;
    second.SetDefaultScript(FakeWhoisScript::Answer(ComNoMatch("ANY")));
    std::vector<std::string> args = lanes;
    args.insert(args.end(), {"--resume", "--format=jsonl", "--raw", ListPath()});
    const auto child = Run(second, args);

    EXPECT_EQ(child->exitCode(), 0) << child->err();
    EXPECT_EQ(Sorted(second.ReceivedBytes()),
              std::vector<std::string>({"stall-a-example.com\r\n", "stall-b-example.com\r\n"}));
    const auto lines = Lines(child->out());
    ASSERT_EQ(lines.size(), 4U);
    for (std::size_t index = 0; index < lines.size(); ++index) {
        const auto row = nlohmann::json::parse(lines[index]);
        EXPECT_EQ(row["index"], index);
        EXPECT_EQ(row["status"], 2) << index;
        // The answer of a row finished before comes from the store too.
        EXPECT_EQ(row["raw"], ComNoMatch("ANY")) << index;
    }
    EXPECT_THAT(child->err(), HasSubstr("(2 later rows finished before)"));
}

TEST_F(BatchStoreTest, ResumeOfAnotherListStartsAfreshAndLeavesTheDesktopAlone) {
    const std::string settings = "lastindex=2\nexpirydays=30\n";
    WriteBytes(dir.File("zentrix.ini"), settings);
    WriteList("alpha-example.com\nfree-example.com\nstall-example.com\n");
    {
        FakeWhoisServer first;
        first.SetDefaultScript(FakeWhoisScript::Answer(ComNoMatch("ANY")));
        first.SetScript("stall-example.com", FakeWhoisScript::Stall());
        auto child = Start(first, {"-q", ListPath()});
        ASSERT_TRUE(first.WaitForConnections(3, kRunDeadline));
        child->Signal(SIGTERM);
        ASSERT_TRUE(child->WaitForExit(kRunDeadline));
        ASSERT_EQ(child->exitCode(), 130);
    }
    struct Case {
        const char* name;
        std::string file;
        std::string list;
    };
    const Case cases[] = {
        {"another_file", "other.txt", "alpha-example.com\nfree-example.com\nstall-example.com\n"},
        {"same_file_new_names", "names.txt",
         "alpha-example.com\nfree-example.com\nstall-example.com\ngamma-example.com\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteList(c.list, c.file);
        FakeWhoisServer fresh;
        fresh.SetDefaultScript(FakeWhoisScript::Answer(ComNoMatch("ANY")));
        const auto child = Run(fresh, {"--resume", ListPath(c.file)});
        EXPECT_EQ(child->exitCode(), 0);
        EXPECT_THAT(child->err(), HasSubstr("zentrix-batch: no interrupted batch over '" +
                                            ListPath(c.file) + "' as it is now"));
        EXPECT_EQ(fresh.ConnectionCount(), static_cast<std::size_t>(Lines(c.list).size()))
            << "every row asked";
        EXPECT_EQ(ReadBytes(dir.File("zentrix.ini")), settings);
    }
}

// Two checks of the same names whose answers differ: the second run's
// lines say what changed and what the first run found.
TEST_F(BatchStoreTest, ChangedAndPreviousCompareWithTheLastCheck) {
    WriteList("alpha-example.com\nfree-example.com\ngamma-example.com\n");
    FakeWhoisServer first;
    first.SetScript("alpha-example.com",
                    FakeWhoisScript::Answer(ComAnswer("ALPHA-EXAMPLE.COM", "Example Names, Inc.")));
    first.SetScript("free-example.com", FakeWhoisScript::Answer(ComNoMatch("FREE-EXAMPLE.COM")));
    first.SetScript("gamma-example.com",
                    FakeWhoisScript::Answer(ComAnswer("GAMMA-EXAMPLE.COM", "Gamma Registrar")));
    const std::int64_t before = Now();
    const auto one = Run(first, {"--format=jsonl", ListPath()});
    ASSERT_EQ(one->exitCode(), 0) << one->err();
    for (const std::string& line : Lines(one->out())) {
        const auto row = nlohmann::json::parse(line);
        EXPECT_EQ(row["changed"], nlohmann::json::array());
        EXPECT_TRUE(row["previous"].is_null());
    }
    EXPECT_THAT(one->err(), HasSubstr("0 no server; 0 changed; 0 names skipped"));

    FakeWhoisServer second;
    second.SetScript("alpha-example.com", FakeWhoisScript::Answer(ComAnswer(
                                              "ALPHA-EXAMPLE.COM", "Other Names", "2032-02-03")));
    second.SetScript("free-example.com",
                     FakeWhoisScript::Answer(ComAnswer("FREE-EXAMPLE.COM", "Gamma Registrar")));
    second.SetScript("gamma-example.com",
                     FakeWhoisScript::Answer(ComAnswer("GAMMA-EXAMPLE.COM", "Gamma Registrar")));
    const auto two = Run(second, {"--format=jsonl", ListPath()});
    ASSERT_EQ(two->exitCode(), 0) << two->err();
    const auto lines = Lines(two->out());
    ASSERT_EQ(lines.size(), 3U);

    const auto alpha = nlohmann::json::parse(lines[0]);
    EXPECT_EQ(alpha["changed"], nlohmann::json({"expiry", "registrar"}));
    const auto& previous = alpha["previous"];
    EXPECT_EQ(previous["status"], 1);
    EXPECT_EQ(previous["statusText"], "成功");
    EXPECT_EQ(previous["expiryDate"], "2031-02-03");
    EXPECT_EQ(previous["registrar"], "Example Names, Inc.");
    EXPECT_EQ(previous["owner"], "");
    std::tm tm{};
    const std::string askedAt = previous["askedAt"];
    ASSERT_NE(::strptime(askedAt.c_str(), "%Y-%m-%dT%H:%M:%SZ", &tm), nullptr) << askedAt;
    EXPECT_GE(static_cast<std::int64_t>(::timegm(&tm)), before);

    const auto freed = nlohmann::json::parse(lines[1]);
    EXPECT_THAT(freed["changed"].get<std::vector<std::string>>(), testing::Contains("status"));
    EXPECT_EQ(freed["previous"]["status"], 2);
    const auto same = nlohmann::json::parse(lines[2]);
    EXPECT_EQ(same["changed"], nlohmann::json::array());
    EXPECT_EQ(same["previous"]["registrar"], "Gamma Registrar");

    EXPECT_THAT(two->err(), HasSubstr("; 2 changed (1 registered, 1 renewed, 1 transferred); "));
}

// A kill -9 loses at most the store's last second: every row the output
// showed 1.5 s before the kill is stored. The output itself is the clock:
// the test waits for it to grow, never for time to pass.
TEST_F(BatchStoreTest, KillLosesAtMostTheLastSecond) {
    FakeWhoisServer server;
    server.SetDefaultScript(FakeWhoisScript::Answer(ComNoMatch("ANY"), 5));
    std::vector<std::string> names;
    std::string list;
    for (int n = 0; n < 5000; ++n) {
        names.push_back("n" + std::to_string(n) + "-example.com");
        list += names.back() + "\n";
    }
    WriteList(list);
    auto child = Start(server, {"-q", "--jobs", "1", ListPath()});
    const auto rows = [](const std::string& out) {
        return static_cast<std::size_t>(std::count(out.begin(), out.end(), '\n'));
    };
    ASSERT_TRUE(
        child->WaitForOut([&](const std::string& out) { return rows(out) >= 20; }, kRunDeadline));
    const std::size_t reported = rows(child->out());
    const auto reportedAt = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - reportedAt < 1500ms) {
        const std::size_t seen = rows(child->out());
        ASSERT_TRUE(child->WaitForOut([&](const std::string& out) { return rows(out) > seen; },
                                      kRunDeadline))
            << "the batch ended or stalled before the kill";
    }
    ASSERT_LT(rows(child->out()), names.size()) << "the batch must still run at the kill";
    child->Signal(SIGKILL);
    ASSERT_TRUE(child->WaitForExit(kRunDeadline));

    const auto stored = ResultStore::Open(StorePath())->Latest(names);
    for (std::size_t index = 0; index < reported; ++index) {
        EXPECT_EQ(stored.count(names[index]), 1U) << names[index];
    }
}

// A store that cannot be made (its folder is a file) never stops the batch:
// every row is written, the user is told once, and the exit status says the
// resume position was not kept.
TEST_F(BatchStoreTest, UnwritableStoreKeepsTheBatchGoingAndEndsNonZero) {
    FakeWhoisServer server;
    server.SetDefaultScript(FakeWhoisScript::Answer(ComNoMatch("ANY")));
    WriteList("alpha-example.com\nfree-example.com\n");
    const std::string out = dir.File("out.csv");
    const auto child =
        Run(server, {"--store", ListPath() + "/results.sqlite3", "-o", out, ListPath()});

    EXPECT_EQ(child->exitCode(), 2) << child->err();
    EXPECT_EQ(Lines(ReadBytes(out)).size(), 2U);
    EXPECT_EQ(server.ConnectionCount(), 2U);
    EXPECT_THAT(child->err(), HasSubstr("NOT SAVED: the results store could not be written"));
    const auto lines = Lines(child->err());
    EXPECT_EQ(std::set<std::string>(lines.begin(), lines.end()).size(), lines.size())
        << "each notice once:\n"
        << child->err();
    EXPECT_GE(lines.size(), 2U) << "a notice before the summary";
}

TEST_F(BatchStoreTest, PruneAloneAppliesTheRetentionRule) {
    const std::int64_t now = Now();
    {
        // Kept generously here, so only --prune removes anything.
        const auto store = ResultStore::Open(StorePath(), {1000, 100LL * 365 * 86400});
        for (int n = 0; n < 25; ++n) {
            StoredCheck check;
            check.domainAscii = check.domainUnicode = "alpha-example.com";
            check.askedAt = now - 3600 * (25 - n);
            check.status = 2;
            store->Add(check);
        }
        StoredCheck old;
        old.domainAscii = old.domainUnicode = "old-example.com";
        old.askedAt = now - 3LL * 365 * 86400;
        store->Add(old);
        store->Flush();
        ASSERT_TRUE(store->Writable());
    }
    ChildProcess::Setup setup;
    setup.args = {ZENTRIX_BATCH_PATH, "--prune"};
    setup.env = {{"ZENTRIX_HOME", Home()}};
    ChildProcess child(setup);
    ASSERT_TRUE(child.WaitForExit(kRunDeadline));
    EXPECT_EQ(child.exitCode(), 0) << child.err();
    EXPECT_THAT(child.err(), HasSubstr("pruned to the last 20 checks of each name"));

    const auto store = ResultStore::Open(StorePath(), {1000, 100LL * 365 * 86400});
    const auto history = store->History("alpha-example.com", 100);
    ASSERT_EQ(history.size(), 20U);
    EXPECT_EQ(history.front().askedAt, now - 3600) << "the newest are kept";
    EXPECT_TRUE(store->History("old-example.com").empty());
}

} // namespace
