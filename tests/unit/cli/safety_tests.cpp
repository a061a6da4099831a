// SPDX-License-Identifier: MIT
// zentrix-batch with hostile or foreign input, and killed while it writes:
// the user's files are the old ones or complete new ones, never a mixture.

#include <chrono>
#include <csignal>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "childprocess.h"
#include "core/text.h"
#include "engine/whois/whoisservers.h"
#include "tests/support/fakewhoisserver.h"
#include "tests/support/scratchdir.h"

namespace {

using namespace std::chrono_literals;
using testing::HasSubstr;

constexpr auto kRunDeadline = 30s;

std::string ComAnswer(const std::string& name) {
    return "   Domain Name: " + name +
           "\r\n   Registrar: Example Names, Inc.\r\n"
           "   Creation Date: 2001-02-03T04:05:06Z\r\n"
           "   Registry Expiry Date: 2031-02-03T04:05:06Z\r\n";
}

class BatchSafetyTest : public testing::Test {
protected:
    std::unique_ptr<ChildProcess> Start(std::vector<std::string> args,
                                        std::map<std::string, std::string> env = {}) {
        ChildProcess::Setup setup;
        // Port 43 only: the built-in bootstrap names the real registries' RDAP servers.
        setup.args = {ZENTRIX_BATCH_PATH, "--protocol=whois", "--connect-to",
                      server.ConnectToFor(FakeWhoisServer::AllEndpoints())};
        setup.args.insert(setup.args.end(), args.begin(), args.end());
        setup.env = std::move(env);
        setup.env["ZENTRIX_HOME"] = dir.path().string();
        return std::make_unique<ChildProcess>(setup);
    }
    std::unique_ptr<ChildProcess> Run(std::vector<std::string> args,
                                      std::map<std::string, std::string> env = {}) {
        auto child = Start(std::move(args), std::move(env));
        EXPECT_TRUE(child->WaitForExit(kRunDeadline)) << "zentrix-batch did not end";
        return child;
    }

    ScratchDir dir;
    FakeWhoisServer server;
};

TEST_F(BatchSafetyTest, BadConnectToEntryInTheEnvironmentStopsTheRun) {
    WriteBytes(dir.File("list.txt"), "a.com\n");
    const auto child = Run({dir.File("list.txt")},
                           {{"ZENTRIX_CONNECT_TO", "whois.a=127.0.0.1:43,whois.b=127.0.0.1:4x"}});
    EXPECT_EQ(child->exitCode(), 1);
    EXPECT_EQ(child->err(), "zentrix-batch: bad ZENTRIX_CONNECT_TO entry: bad port \"4x\" in "
                            "\"whois.b=127.0.0.1:4x\"\n");
    EXPECT_EQ(child->out(), "");
    EXPECT_EQ(server.ConnectionCount(), 0U);
}

TEST_F(BatchSafetyTest, NamesInAnyScriptAreAskedByTheirALabel) {
    const std::string example = "\xE4\xBE\x8B\xE5\xAD\x90"; // 例子, UTF-8
    server.SetScript("xn--fsqu00a.com", FakeWhoisScript::Answer(ComAnswer("XN--FSQU00A.COM")));
    WriteBytes(dir.File("list.txt"), example + ".com\r\nbad\x07name.com\r\n");

    const auto jsonl = Run({"--format", "jsonl", "-q", dir.File("list.txt")});
    EXPECT_EQ(jsonl->exitCode(), 0);
    EXPECT_THAT(jsonl->out(), testing::StartsWith("{\"index\":0,\"domain\":\"" + example +
                                                  ".com\",\"domainAscii\":\"xn--fsqu00a.com\","));
    ASSERT_EQ(server.ReceivedBytes().size(), 1U);
    EXPECT_EQ(server.ReceivedBytes()[0], "xn--fsqu00a.com\r\n");

    const auto csv = Run({dir.File("list.txt")});
    EXPECT_THAT(csv->out(), HasSubstr("\"" + std::string(ServerComNet) + "\",\"xn--fsqu00a.com\""));
    EXPECT_THAT(csv->err(), HasSubstr("1 name skipped (0 longer than 40 bytes, 1 invalid)"));
}

// The batch keeps its resume position in the results store: settings that
// could not be saved are not its concern, and it never tries.
TEST_F(BatchSafetyTest, SettingsAreNeitherReadNorSaved) {
    server.SetDefaultScript(FakeWhoisScript::Answer(ComAnswer("NAME.COM")));
    WriteBytes(dir.File("list.txt"), "a.com\nb.com\nc.com\n");
    std::filesystem::create_directory(dir.File("zentrix.ini")); // cannot become a file
    const auto child = Run({"-q", "-o", dir.File("out.csv"), dir.File("list.txt")});
    EXPECT_EQ(child->exitCode(), 0);
    EXPECT_EQ(child->err(), "");
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("zentrix.ini")));
}

// Earlier versions kept the list and settings beside the executable; the
// first start under the new rule copies them into the user's data folder
// and says so.
TEST_F(BatchSafetyTest, OldDataBesideTheProgramMovesToTheDataFolderOnce) {
    std::filesystem::create_directories(dir.path() / "bin");
    std::filesystem::create_directories(dir.path() / "home");
    const std::string program = dir.File("bin/zentrix-batch");
    std::filesystem::copy_file(ZENTRIX_BATCH_PATH, program);
    WriteBytes(dir.File("bin/zentrix.ini"), "lastindex=1\n");
    WriteBytes(dir.File("bin/_items.txt"), "a.com\r\n");
    WriteBytes(dir.File("list.txt"), "");

    ChildProcess::Setup setup;
    setup.args = {program, "-q", "--protocol=whois", dir.File("list.txt")};
    setup.env = {{"HOME", dir.File("home")}};
    const std::string data = dir.File("home/.local/share/zentrix/");
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        ChildProcess child(setup);
        ASSERT_TRUE(child.WaitForExit(kRunDeadline));
        EXPECT_EQ(child.exitCode(), 0);
        if (run == 0) {
            EXPECT_EQ(child.err(), "zentrix-batch: the list and settings found in " +
                                       dir.File("bin/") + " were copied to " + data +
                                       ", where they live from now on\n");
        } else {
            EXPECT_EQ(child.err(), "") << "once only";
        }
        EXPECT_EQ(ReadBytes(data + "_items.txt"), "a.com\r\n");
        EXPECT_EQ(ReadBytes(data + "zentrix.ini"), "lastindex=1\n");
    }
}

// What the settings file must be at any moment: whole "key=number" lines.
bool SettingsParse(const std::string& text, std::string& why) {
    if (!text.empty() && text.back() != '\n') {
        why = "no line end at the end";
        return false;
    }
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        const auto equals = line.find('=');
        int value = 0;
        if (equals == std::string::npos || equals == 0 ||
            !ParseInt(std::string_view(line).substr(equals + 1), value)) {
            why = "bad line \"" + line + "\"";
            return false;
        }
    }
    return true;
}

std::vector<std::string> TemporariesIn(const std::filesystem::path& folder) {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.find(".tmp-") != std::string::npos) {
            found.push_back(name);
        }
    }
    return found;
}

// A child killed with SIGKILL at random moments while it queries, stores
// its rows and writes its output: the output is the old file or the
// complete new one, zentrix.ini always parses, and the next run leaves no
// temporary file behind.
TEST_F(BatchSafetyTest, KilledAtRandomMomentsLeavesOldOrCompleteFiles) {
    constexpr int kTrials = 50;
    constexpr int kNames = 24;
    std::string list;
    for (int i = 0; i < kNames; ++i) {
        list += "name" + std::to_string(i) + ".com\r\n";
    }
    server.SetDefaultScript(FakeWhoisScript::Answer(ComAnswer("NAME.COM")));
    WriteBytes(dir.File("list.txt"), list);
    const std::string output = dir.File("out.csv");
    const std::vector<std::string> args = {"-q", "-o", output, dir.File("list.txt")};

    ASSERT_EQ(Run(args)->exitCode(), 0);
    const std::string complete = ReadBytes(output);
    ASSERT_EQ(std::count(complete.begin(), complete.end(), '\n'), kNames);
    const std::string old = "\"old\",\"results\"\r\n";

    std::mt19937 random(20250128);
    int sawOld = 0;
    int sawComplete = 0;
    int leftTemporaries = 0;
    for (int trial = 0; trial < kTrials; ++trial) {
        SCOPED_TRACE("trial " + std::to_string(trial));
        WriteBytes(output, old);
        const std::size_t before = server.ConnectionCount();
        const auto child = Start(args);
        // The moment: after a random number of queries, then a random pause
        // (0 to 3 ms) so the kill also lands between and inside writes.
        const std::size_t queries = std::uniform_int_distribution<std::size_t>(0, kNames)(random);
        (void)server.WaitForRequests(before + queries, 10s);
        std::this_thread::sleep_for(
            std::chrono::microseconds(std::uniform_int_distribution<int>(0, 3000)(random)));
        child->Signal(SIGKILL);
        ASSERT_TRUE(child->WaitForExit(kRunDeadline));

        const std::string now = ReadBytes(output);
        EXPECT_TRUE(now == old || now == complete) << "output of " << now.size() << " bytes";
        sawOld += now == old ? 1 : 0;
        sawComplete += now == complete ? 1 : 0;
        std::string why;
        EXPECT_TRUE(SettingsParse(ReadBytes(dir.File("zentrix.ini")), why)) << why;
        leftTemporaries += TemporariesIn(dir.path()).empty() ? 0 : 1;
    }
    std::fprintf(stderr, "%d trials: %d old output, %d complete, %d left temporaries\n", kTrials,
                 sawOld, sawComplete, leftTemporaries);

    const auto next = Run(args);
    EXPECT_EQ(next->exitCode(), 0);
    EXPECT_EQ(ReadBytes(output), complete);
    EXPECT_EQ(TemporariesIn(dir.path()), std::vector<std::string>{});
}

} // namespace
