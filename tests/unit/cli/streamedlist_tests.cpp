// SPDX-License-Identifier: MIT
// The real zentrix-batch over lists longer than its window of rows, and
// split into shards: every row once, in the list's order, the rows ahead of
// a slow one bounded, and shards that add up to the whole list.

#include <algorithm>
#include <chrono>
#include <csignal>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "childprocess.h"
#include "cli/shard.h"
#include "tests/support/fakewhoisserver.h"
#include "tests/support/scratchdir.h"

namespace {

using namespace std::chrono_literals;
using testing::HasSubstr;

constexpr auto kRunDeadline = 30s;

std::string Name(int n) {
    return "name-" + std::to_string(n) + "-example.com";
}

std::string ComAnswer(const std::string& name) {
    return "   Domain Name: " + name +
           "\r\n   Registrar: Example Names, Inc.\r\n"
           "   Registry Expiry Date: 2031-02-03T04:05:06Z\r\n";
}

std::vector<nlohmann::json> JsonLines(const std::string& text) {
    std::vector<nlohmann::json> rows;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        rows.push_back(nlohmann::json::parse(line));
    }
    return rows;
}

class StreamedListTest : public testing::Test {
protected:
    void WriteNames(const std::vector<std::string>& names) {
        std::string bytes;
        for (const std::string& name : names) {
            bytes += name + "\n";
        }
        WriteBytes(dir.File("names.txt"), bytes);
    }

    // Port 43 only, every endpoint at `fake`, through a window of `window` rows.
    std::unique_ptr<ChildProcess> Start(FakeWhoisServer& fake, std::vector<std::string> args,
                                        int window, bool terminal = false) {
        ChildProcess::Setup setup;
        setup.args = {ZENTRIX_BATCH_PATH, "--protocol=whois", "--format=jsonl", "--connect-to",
                      fake.ConnectToFor(FakeWhoisServer::AllEndpoints())};
        setup.args.insert(setup.args.end(), args.begin(), args.end());
        setup.args.push_back(dir.File("names.txt"));
        setup.env = {{"ZENTRIX_HOME", dir.path().string()},
                     {"ZENTRIX_BATCH_WINDOW", std::to_string(window)}};
        setup.stderrOnTerminal = terminal;
        return std::make_unique<ChildProcess>(setup);
    }
    std::unique_ptr<ChildProcess> Run(FakeWhoisServer& fake, std::vector<std::string> args,
                                      int window = 20000) {
        auto child = Start(fake, std::move(args), window);
        EXPECT_TRUE(child->WaitForExit(kRunDeadline)) << "zentrix-batch did not end";
        return child;
    }

    ScratchDir dir;
};

// A window of 5 rows and a first row that never answers (its query times out
// after 2 s): the four rows behind it are asked at once, the rest only after
// it ended, and every row comes out once, in the list's order.
TEST_F(StreamedListTest, AStalledRowHoldsBackAtMostAWindowOfRows) {
    std::vector<std::string> names = {"stall-example.com"};
    for (int n = 1; n <= 20; ++n) {
        names.push_back(Name(n));
    }
    WriteNames(names);
    FakeWhoisServer fake;
    fake.SetDefaultScript(FakeWhoisScript::Answer(ComAnswer("ANY")));
    fake.SetScript("stall-example.com", FakeWhoisScript::Stall());
    const auto child = Run(fake, {"--jobs", "8", "--per-host", "8", "--timeout", "2"}, 5);

    EXPECT_EQ(child->exitCode(), 0) << child->err();
    const auto rows = JsonLines(child->out());
    ASSERT_EQ(rows.size(), names.size());
    for (std::size_t index = 0; index < rows.size(); ++index) {
        EXPECT_EQ(rows[index]["index"], index);
        EXPECT_EQ(rows[index]["domain"], names[index]);
    }
    EXPECT_EQ(rows[0]["error"], "timed out");

    // Pair each connection with its name; the stalled row's began first.
    const auto received = fake.ReceivedBytes();
    const auto times = fake.ConnectionTimes();
    ASSERT_EQ(received.size(), times.size());
    std::map<std::string, FakeWhoisServer::Clock::time_point> accepted;
    for (std::size_t at = 0; at < received.size(); ++at) {
        accepted[received[at].substr(0, received[at].find('\r'))] = times[at].accepted;
    }
    ASSERT_EQ(accepted.size(), names.size()) << "every name asked once";
    const auto stalledAt = accepted.at("stall-example.com");
    // Past the window, a row starts only once the stalled row ended (2 s
    // after its connect); a second of slack covers a late accept stamp.
    for (std::size_t index = 5; index < names.size(); ++index) {
        EXPECT_GE(accepted.at(names[index]) - stalledAt, 1s) << names[index];
    }
}

// Rows finished out of order behind a stalled one are kept when the batch is
// stopped, and a resume asks only the others, the window wrapping around.
TEST_F(StreamedListTest, ResumeThroughASmallWindowAsksOnlyWhatIsLeft) {
    std::vector<std::string> names;
    for (int n = 0; n < 12; ++n) {
        names.push_back(n == 3 ? "stall-example.com" : Name(n));
    }
    WriteNames(names);
    {
        FakeWhoisServer first;
        first.SetDefaultScript(FakeWhoisScript::Answer(ComAnswer("ANY")));
        first.SetScript("stall-example.com", FakeWhoisScript::Stall());
        auto child = Start(first, {"--jobs", "4", "--per-host", "4"}, 4, true);
        // Rows 0-2 and 4-6: the window holds nothing past row 6.
        ASSERT_TRUE(child->WaitForErr("6 / 12 rows", kRunDeadline)) << child->err();
        child->Signal(SIGINT);
        ASSERT_TRUE(child->WaitForExit(kRunDeadline));
        ASSERT_EQ(child->exitCode(), 130) << child->err();
        EXPECT_EQ(JsonLines(child->out()).size(), 3U) << "rows up to the stalled one";
        EXPECT_EQ(first.ConnectionCount(), 7U) << "no row past the window was asked";
    }
    FakeWhoisServer second;
    second.SetDefaultScript(FakeWhoisScript::Answer(ComAnswer("ANY")));
    const auto child = Run(second, {"--resume", "--jobs", "4", "--per-host", "4"}, 4);

    EXPECT_EQ(child->exitCode(), 0) << child->err();
    std::vector<std::string> asked = second.ReceivedBytes();
    std::sort(asked.begin(), asked.end());
    std::vector<std::string> expected = {"stall-example.com\r\n"};
    for (int n = 7; n < 12; ++n) {
        expected.push_back(Name(n) + "\r\n");
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(asked, expected);
    const auto rows = JsonLines(child->out());
    ASSERT_EQ(rows.size(), names.size());
    for (std::size_t index = 0; index < rows.size(); ++index) {
        EXPECT_EQ(rows[index]["index"], index);
        EXPECT_EQ(rows[index]["domain"], names[index]);
        EXPECT_EQ(rows[index]["status"], 1) << index;
    }
    EXPECT_THAT(child->err(), HasSubstr("resumed at row 3"));
    EXPECT_THAT(child->err(), HasSubstr("(3 later rows finished before)"));
}

// Four shards run apart and merged by their index give what one run over
// the whole list gives, whatever order each machine's copy of the list is in.
TEST_F(StreamedListTest, FourShardsMergedEqualTheWholeRun) {
    std::vector<std::string> names;
    for (int n = 0; n < 40; ++n) {
        names.push_back(Name(n));
    }
    FakeWhoisServer fake;
    fake.SetDefaultScript(FakeWhoisScript::Answer("No match for \"ANY\".\r\n"));
    for (int n = 0; n < 40; n += 3) {
        fake.SetScript(Name(n), FakeWhoisScript::Answer(ComAnswer(Name(n))));
    }
    WriteNames(names);
    const auto whole = Run(fake, {"--no-store", "--jobs", "8", "--per-host", "8"});
    ASSERT_EQ(whole->exitCode(), 0) << whole->err();
    const auto expected = JsonLines(whole->out());
    ASSERT_EQ(expected.size(), names.size());

    std::map<int, nlohmann::json> merged;
    for (int shard = 1; shard <= 4; ++shard) {
        const auto part = Run(fake, {"--no-store", "--shard", std::to_string(shard) + "/4"});
        ASSERT_EQ(part->exitCode(), 0) << part->err();
        const auto rows = JsonLines(part->out());
        EXPECT_FALSE(rows.empty()) << "shard " << shard << " of 40 names";
        for (const auto& row : rows) {
            EXPECT_TRUE(merged.emplace(row["index"].get<int>(), row).second)
                << "index " << row["index"] << " in two shards";
        }
    }
    ASSERT_EQ(merged.size(), expected.size());
    for (const auto& [index, row] : merged) {
        EXPECT_EQ(row, expected[static_cast<std::size_t>(index)]) << index;
    }

    // A copy of the list in another order splits its names alike.
    std::vector<std::string> reversed(names.rbegin(), names.rend());
    WriteNames(reversed);
    const auto again = Run(fake, {"--no-store", "--shard", "2/4"});
    std::set<std::string> inShard;
    for (const auto& row : JsonLines(again->out())) {
        inShard.insert(row["domain"].get<std::string>());
    }
    std::set<std::string> before;
    for (const auto& [index, row] : merged) {
        if (InShard(row["domainAscii"].get<std::string>(), Shard{2, 4})) {
            before.insert(row["domain"].get<std::string>());
        }
    }
    EXPECT_EQ(inShard, before);
}

TEST(ShardTest, SpellingsAndAnEvenSplit) {
    const auto parsed = ParseShard("3/4");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->index, 3U);
    EXPECT_EQ(parsed->count, 4U);
    for (const char* bad :
         {"0/4", "5/4", "1/0", "a/4", "1/", "/4", "1/4/2", "-1/4", " 1/4", "14"}) {
        EXPECT_FALSE(ParseShard(bad)) << bad;
    }
    // Names that differ only at their end spread evenly over the shards.
    std::vector<int> counts(4, 0);
    for (int n = 0; n < 10000; ++n) {
        const std::string name = "shop" + std::to_string(n) + ".com";
        int found = 0;
        for (std::uint32_t k = 1; k <= 4; ++k) {
            if (InShard(name, Shard{k, 4})) {
                ++counts[k - 1];
                ++found;
            }
        }
        ASSERT_EQ(found, 1) << name << " is in exactly one shard";
    }
    for (const int count : counts) {
        EXPECT_NEAR(count, 2500, 250);
    }
    EXPECT_TRUE(InShard("any.com", Shard{1, 1}));
}

} // namespace
