// SPDX-License-Identifier: MIT
#include "engine/whois/ianawhois.h"

#include <atomic>
#include <condition_variable>
#include <future>
#include <gtest/gtest.h>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "engine/whois/whoisclient.h"
#include "tests/support/fakewhoisserver.h"
#include "tests/support/offlineregistry.h"
#include "tests/support/scratchdir.h"

namespace {

using namespace std::chrono_literals;

TEST(IanaWhoisAnswer, ReadsTheWhoisLineElseTheReferLine) {
    const struct {
        const char* name;
        std::string answer;
        bool isTld;
        const char* server;
    } cases[] = {
        {"both", IanaAnswer("IO", "whois.nic.io", "whois.nic.io"), true, "whois.nic.io"},
        {"whois wins", IanaAnswer("CO", "whois.refer.co", "WHOIS.NIC.CO"), true, "whois.nic.co"},
        {"refer only", IanaAnswer("ME", "whois.nic.me", ""), true, "whois.nic.me"},
        {"neither", IanaAnswer("ZZ", "", ""), true, ""},
        {"LF only", "domain: UK\nwhois: whois.nic.uk\n", true, "whois.nic.uk"},
        {"junk host", "domain: XX\nwhois: not a host!\n", true, ""},
        {"loopback whois, public refer", IanaAnswer("XX", "whois.nic.xx", "localhost"), true,
         "whois.nic.xx"},
        {"no TLD record", "% Error: Invalid query\r\n", false, ""},
        {"empty", "", false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const IanaWhoisAnswer read = ReadIanaWhoisAnswer(c.answer);
        EXPECT_EQ(read.isTld, c.isTld);
        EXPECT_EQ(read.server, c.server);
    }
}

TEST(IanaWhoisAnswer, AHostThatIsNotAPublicNameIsRefusedNotDropped) {
    for (const char* host :
         {"localhost", "127.0.0.2", "0x7f000001", "whois.localhost", "::1", "10.0.0.1", "[::1]"}) {
        SCOPED_TRACE(host);
        const IanaWhoisAnswer read = ReadIanaWhoisAnswer(IanaAnswer("XX", "", host));
        EXPECT_TRUE(read.isTld);
        EXPECT_TRUE(read.refusedHost);
        EXPECT_EQ(read.server, "");
    }
    EXPECT_FALSE(ReadIanaWhoisAnswer(IanaAnswer("XX", "", "")).refusedHost);
    EXPECT_FALSE(ReadIanaWhoisAnswer(IanaAnswer("XX", "", "whois.nic.xx")).refusedHost);
}

TEST(IanaWhoisHops, OnlyTheRegistryTheTableNamesMayBePrivate) {
    EXPECT_FALSE(HopNeedsPublicAddress(QueryHop::Registry));
    EXPECT_TRUE(HopNeedsPublicAddress(QueryHop::NamedRegistry));
    EXPECT_TRUE(HopNeedsPublicAddress(QueryHop::Referral));
}

// A transport that answers from a table and counts its questions.
struct ScriptedIana {
    std::map<std::string, std::string> answers;
    std::vector<std::string> asked;
    std::mutex mutex;

    WhoisTransport Transport() {
        return [this](const std::string& server, const std::string& domain, QueryHop hop) {
            std::lock_guard lock(mutex);
            EXPECT_EQ(server, ServerIana);
            EXPECT_EQ(hop, QueryHop::Registry);
            asked.push_back(domain);
            const auto found = answers.find(domain);
            return found != answers.end() ? found->second : std::string(kMarkerConnect);
        };
    }
};

class IanaDirectoryTest : public ::testing::Test {
protected:
    IanaDirectoryTest() {
        iana.answers["io"] = IanaAnswer("IO", "whois.nic.io", "whois.nic.io");
        iana.answers["zz"] = IanaAnswer("ZZ", "", "");
        iana.answers["busy"] = "Query rate exceeded, try again later.\r\n";
        iana.answers["ly"] = IanaAnswer("LY", "", "127.0.0.2");
    }
    std::string CacheFile() const { return dir.File(kIanaWhoisCacheName); }
    // Asks for `tld` and checks every field of the outcome.
    void ExpectLookup(IanaWhoisDirectory& directory, const char* tld, const IanaLookup& want) {
        SCOPED_TRACE(tld);
        const IanaLookup got = directory.ServerFor(tld, iana.Transport());
        EXPECT_EQ(got.ok, want.ok);
        EXPECT_EQ(got.server, want.server);
        EXPECT_EQ(got.failure, want.failure);
        EXPECT_EQ(got.reason, want.reason);
    }

    ScratchDir dir;
    ScriptedIana iana;
    std::atomic<std::time_t> now{1'750'000'000};
};

TEST_F(IanaDirectoryTest, AsksOnceAndKeepsTheAnswerNoneIncluded) {
    IanaWhoisDirectory directory(CacheFile(), [this] { return now.load(); });
    for (int round = 0; round < 2; ++round) {
        ExpectLookup(directory, "io", {true, "whois.nic.io", "", FailReason::None});
        ExpectLookup(directory, ".ZZ", {true, "", "", FailReason::None});
    }
    EXPECT_EQ(iana.asked, (std::vector<std::string>{"io", "zz"}));

    // Another run (a new directory) reads the file instead of asking.
    IanaWhoisDirectory later(CacheFile(), [this] { return now.load(); });
    EXPECT_EQ(later.ServerFor("io", iana.Transport()).server, "whois.nic.io");
    EXPECT_TRUE(later.ServerFor("zz", iana.Transport()).ok);
    EXPECT_EQ(iana.asked.size(), 2u);
    const std::string file = ReadBytes(CacheFile());
    EXPECT_NE(file.find("io whois.nic.io 1750000000\n"), std::string::npos) << file;
    EXPECT_NE(file.find("zz none 1750000000\n"), std::string::npos) << file;
}

TEST_F(IanaDirectoryTest, AnswersExpireAfterThirtyDays) {
    {
        IanaWhoisDirectory directory(CacheFile(), [this] { return now.load(); });
        (void)directory.ServerFor("io", iana.Transport());
    }
    now += kIanaWhoisCacheSeconds - 1;
    IanaWhoisDirectory directory(CacheFile(), [this] { return now.load(); });
    (void)directory.ServerFor("io", iana.Transport());
    EXPECT_EQ(iana.asked.size(), 1u);
    now += 1;
    (void)directory.ServerFor("io", iana.Transport());
    EXPECT_EQ(iana.asked.size(), 2u);
}

TEST_F(IanaDirectoryTest, FailuresAndRefusalsAreNotKept) {
    IanaWhoisDirectory directory(CacheFile(), [this] { return now.load(); });
    // "de" has no answer scripted: the transport cannot connect.
    ExpectLookup(directory, "de", {false, "", kMarkerConnect, FailReason::ConnectionRefused});
    ExpectLookup(directory, "busy", {false, "", "", FailReason::BadAnswer});
    (void)directory.ServerFor("de", iana.Transport());
    EXPECT_EQ(iana.asked, (std::vector<std::string>{"de", "busy", "de"}));
}

TEST_F(IanaDirectoryTest, ARefusedHostFailsTheTldAndIsNotWrittenDown) {
    IanaWhoisDirectory directory(CacheFile(), [this] { return now.load(); });
    for (int round = 0; round < 2; ++round) {
        ExpectLookup(directory, "ly",
                     {false, "", kMarkerAddressRefused, FailReason::ReferralRefused});
        EXPECT_EQ(directory.Known("ly"), std::nullopt);
    }
    EXPECT_EQ(iana.asked, std::vector<std::string>{"ly"}) << "asked once per run";
    (void)directory.ServerFor("io", iana.Transport());
    const std::string file = ReadBytes(CacheFile());
    EXPECT_EQ(file.find("ly "), std::string::npos) << file;
    EXPECT_NE(file.find("io whois.nic.io "), std::string::npos) << file;
}

TEST_F(IanaDirectoryTest, ACacheNamingAPrivateHostIsAskedAgain) {
    WriteBytes(CacheFile(), "io 127.0.0.1 1750000000\nzz localhost 1750000000\n"
                            "ly 0x7f000002 1750000000\n");
    IanaWhoisDirectory directory(CacheFile(), [this] { return now.load(); });
    EXPECT_EQ(directory.Known("io"), std::nullopt);
    EXPECT_EQ(directory.ServerFor("io", iana.Transport()).server, "whois.nic.io");
    EXPECT_EQ(directory.ServerFor("zz", iana.Transport()).server, "");
    EXPECT_EQ(directory.ServerFor("ly", iana.Transport()).reason, FailReason::ReferralRefused);
    EXPECT_EQ(iana.asked, (std::vector<std::string>{"io", "zz", "ly"}));
}

// Two batches at once each save the TLDs they asked about: every TLD of
// both stays in the file, whatever the order of their saves. Without the
// lock the last writer drops the other's last TLDs in about one race of
// three; many rounds make that near certain.
TEST_F(IanaDirectoryTest, SaversInParallelKeepEachOthersTlds) {
    constexpr int kRounds = 20;
    constexpr int kTldsEach = 4;
    const WhoisTransport answer = [](const std::string&, const std::string& tld, QueryHop) {
        return IanaAnswer(tld, "", "whois.nic." + tld);
    };
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE(round);
        const std::string file = dir.File(std::to_string(round) + kIanaWhoisCacheName);
        std::atomic<int> ready{0};
        const auto saver = [&](char first) {
            IanaWhoisDirectory directory(file, [this] { return now.load(); });
            ++ready;
            while (ready.load() < 2) {
                std::this_thread::yield();
            }
            for (int i = 0; i < kTldsEach; ++i) {
                const std::string tld = std::string(1, first) + std::to_string(i);
                EXPECT_TRUE(directory.ServerFor(tld, answer).ok) << tld;
            }
        };
        std::thread a(saver, 'a');
        std::thread b(saver, 'b');
        a.join();
        b.join();
        IanaWhoisDirectory later(file, [this] { return now.load(); });
        for (const char first : {'a', 'b'}) {
            for (int i = 0; i < kTldsEach; ++i) {
                const std::string tld = std::string(1, first) + std::to_string(i);
                EXPECT_EQ(later.Known(tld), "whois.nic." + tld);
            }
        }
    }
}

TEST_F(IanaDirectoryTest, BadTldsAreNeverSentAndBadLinesAreSkipped) {
    WriteBytes(CacheFile(), "# comment\nio whois.nic.io 1750000000\nbroken line\n"
                            "xx bad!host 1750000000\nyy whois.nic.yy -4\n");
    IanaWhoisDirectory directory(CacheFile(), [this] { return now.load(); });
    EXPECT_EQ(directory.ServerFor("io", iana.Transport()).server, "whois.nic.io");
    for (const char* tld : {"", "a b", "a.b", "x\r\nwhois.evil.test"}) {
        const IanaLookup lookup = directory.ServerFor(tld, iana.Transport());
        EXPECT_FALSE(lookup.ok) << tld;
        EXPECT_EQ(lookup.reason, FailReason::NoServer) << tld;
    }
    EXPECT_TRUE(iana.asked.empty());
}

// Holds the questions of a test back until it lets them go.
class Gate {
public:
    void Wait() {
        std::unique_lock lock(m_mutex);
        m_opened.wait(lock, [&] { return m_open; });
    }
    void Open() {
        {
            std::lock_guard lock(m_mutex);
            m_open = true;
        }
        m_opened.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_opened;
    bool m_open = false;
};

// Spins until `done` holds or five seconds pass.
template <typename Done>
void SpinUntil(Done done) {
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::yield();
    }
}

TEST_F(IanaDirectoryTest, ConcurrentAskersOfOneTldMakeOneQuestion) {
    Gate gate;
    std::atomic<int> questions{0};
    const WhoisTransport slow = [&](const std::string&, const std::string& tld, QueryHop) {
        ++questions;
        gate.Wait();
        return IanaAnswer(tld, "whois.nic." + tld, "whois.nic." + tld);
    };
    IanaWhoisDirectory directory(CacheFile(), [this] { return now.load(); });
    std::vector<std::thread> askers;
    std::vector<std::string> servers(6);
    for (std::size_t i = 0; i < servers.size(); ++i) {
        askers.emplace_back([&, i] { servers[i] = directory.ServerFor("io", slow).server; });
    }
    // Release the one question once it is asked; the others wait for it.
    SpinUntil([&] { return questions.load() != 0; });
    gate.Open();
    for (auto& asker : askers) {
        asker.join();
    }
    EXPECT_EQ(questions.load(), 1);
    for (const auto& server : servers) {
        EXPECT_EQ(server, "whois.nic.io");
    }
}

TEST_F(IanaDirectoryTest, AWaitingAskerGivesUpOnStop) {
    Gate gate;
    std::atomic<bool> asking{false};
    const WhoisTransport slow = [&](const std::string&, const std::string& tld, QueryHop) {
        asking = true;
        gate.Wait();
        return IanaAnswer(tld, "", "whois.nic." + tld);
    };
    IanaWhoisDirectory directory(CacheFile(), [this] { return now.load(); });
    std::thread first([&] { (void)directory.ServerFor("io", slow); });
    SpinUntil([&] { return asking.load(); });
    std::atomic<bool> stop{true};
    const IanaLookup waited = directory.ServerFor("io", slow, &stop);
    EXPECT_FALSE(waited.ok);
    EXPECT_EQ(waited.reason, FailReason::TimedOut);
    gate.Open();
    first.join();
}

// A question that throws ends the look-up for every asker waiting on it as
// an internal error (none waits for a stop), and is not kept.
TEST_F(IanaDirectoryTest, ThrowingQuestionEndsTheLookUpForEveryWaitingAsker) {
    Gate gate;
    std::atomic<int> questions{0};
    const WhoisTransport throwing = [&](const std::string&, const std::string&,
                                        QueryHop) -> std::string {
        if (++questions == 1) {
            gate.Wait();
        }
        throw std::runtime_error("lane bookkeeping failed");
    };
    IanaWhoisDirectory directory(CacheFile(), [this] { return now.load(); });
    std::atomic<bool> stop{false};
    std::vector<std::future<IanaLookup>> askers;
    for (int i = 0; i < 3; ++i) {
        askers.push_back(std::async(std::launch::async,
                                    [&] { return directory.ServerFor("io", throwing, &stop); }));
    }
    SpinUntil([&] { return questions.load() != 0; });
    gate.Open();
    for (auto& asker : askers) {
        if (asker.wait_for(5s) != std::future_status::ready) {
            ADD_FAILURE() << "an asker still waits on the failed look-up";
            continue;
        }
        try {
            const IanaLookup lookup = asker.get();
            EXPECT_FALSE(lookup.ok);
            EXPECT_EQ(lookup.reason, FailReason::Internal);
        } catch (const std::exception& e) {
            ADD_FAILURE() << "the exception left the look-up: " << e.what();
        }
    }
    stop = true; // lets a stuck asker go, so the test ends either way
    EXPECT_FALSE(directory.Known("io").has_value());
}

TEST_F(IanaDirectoryTest, WorksOverTheWhoisClientAgainstAFakeIana) {
    FakeWhoisServer fake;
    fake.SetScript("io", FakeWhoisScript::Answer(IanaAnswer("IO", "whois.nic.io", "whois.nic.io")));
    WhoisClientOptions options;
    options.connectTo = fake.OverridesFor({ServerIana});
    const WhoisTransport transport = [&](const std::string& server, const std::string& domain,
                                         QueryHop) { return WhoisQuery(server, domain, options); };
    IanaWhoisDirectory directory(CacheFile(), [this] { return now.load(); });
    EXPECT_EQ(directory.ServerFor("io", transport).server, "whois.nic.io");
    ASSERT_TRUE(fake.WaitForFinishedConnections(1, 5s));
    EXPECT_EQ(fake.ReceivedBytes(), std::vector<std::string>{"io\r\n"});
}

} // namespace
