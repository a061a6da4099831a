// SPDX-License-Identifier: MIT
#include "engine/batch/querythread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/ccore.h"
#include "core/messages.h"
#include "engine/failreason.h"
#include "engine/store/resultstore.h"
#include "engine/whois/whoisservers.h"
#include "tests/support/fakewhoisserver.h"
#include "tests/support/loopbackhome.h"
#include "tests/support/recordingtarget.h"
#include "tests/support/scratchdir.h"
#include "tests/support/tablejob.h"

namespace {

using namespace std::chrono_literals;

constexpr auto kDeadline = 20s;

PostedMessage RowDone(std::intptr_t index) {
    return {UM_ROW_DONE, 0, index};
}
PostedMessage WorkerExit(std::intptr_t lParam) {
    return {UM_WORKER_EXIT, 0, lParam};
}

// Keeps the session seam from leaking into the next test.
struct SessionFailure {
    SessionFailure() { CQueryThread::SetSessionFailsForTesting(true); }
    ~SessionFailure() { CQueryThread::SetSessionFailsForTesting(false); }
};

class Worker : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_home.Create("zentrix-worker"));
        core = std::make_unique<CCore>();
        core->autoFileConfig();
        ASSERT_TRUE(table.Allocate());
        server.SetDefaultScript(FakeWhoisScript::Answer("Domain Name: X\r\n"));
    }
    void TearDown() override {
        worker.reset();
        table.Release();
        core.reset();
        m_home.Remove();
    }

    void Import(const std::vector<std::string>& domains) {
        table.Clear();
        for (const std::string& domain : domains) {
            SetField(table.Row(table.count++).domain, domain);
        }
        AssignWhoisServers(table);
    }

    CQueryThread& MakeWorker(int32_t startIndex) { return MakeWorker(startIndex, QueryOptions{}); }
    CQueryThread& MakeWorker(int32_t startIndex, QueryOptions options) {
        auto job = JobOver(table, &view);
        options.startIndex = startIndex;
        options.core = core.get();
        if (options.client.connectTo.empty()) {
            options.client.connectTo = server.OverridesFor(FakeWhoisServer::AllEndpoints());
            auto referral = server.OverridesFor({"whois.registrar.example"});
            options.client.connectTo.insert(options.client.connectTo.end(), referral.begin(),
                                            referral.end());
        }
        worker = std::make_unique<CQueryThread>(std::move(job), options);
        return *worker;
    }

    // Runs a whole batch on the worker's own thread and waits for its end.
    void RunToEnd(int32_t startIndex, QueryOptions options = {}) {
        CQueryThread& thread = MakeWorker(startIndex, std::move(options));
        ASSERT_TRUE(thread.Start());
        ASSERT_TRUE(view.WaitFor(UM_WORKER_EXIT, kDeadline));
        thread.Join();
        EXPECT_FALSE(thread.IsRunning());
    }

    FakeWhoisServer server;
    DomainTable table;
    std::unique_ptr<CCore> core;
    RecordingTarget view;
    std::unique_ptr<CQueryThread> worker;

private:
    LoopbackHome m_home;
};

// Every row is reported once and the exit comes last. With parallel workers
// a row may be reported before the one above it, even on one registry: the
// answer comes in order, the reports need not.
TEST_F(Worker, BatchFromZeroReportsEveryRowThenExits) {
    Import({"a.com", "b.com", "c.com"});
    RunToEnd(0);
    auto messages = view.Messages();
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(messages.back(), WorkerExit(0));
    messages.pop_back();
    std::sort(messages.begin(), messages.end(),
              [](const PostedMessage& a, const PostedMessage& b) { return a.lParam < b.lParam; });
    EXPECT_EQ(messages, (std::vector{RowDone(0), RowDone(1), RowDone(2)}));
    EXPECT_EQ(core->getConfigInt("lastindex"), 3) << "no row left unfinished";
    EXPECT_EQ(server.ConnectionCount(), 3u);
}

TEST_F(Worker, ResumedBatchQueriesOnlyFromItsStartIndex) {
    Import({"a.com", "b.com", "c.com", "d.com"});
    QueryOptions oneAtATime;
    oneAtATime.jobs = 1;
    RunToEnd(2, oneAtATime);
    EXPECT_EQ(view.Messages(), (std::vector{RowDone(2), RowDone(3), WorkerExit(0)}));
    EXPECT_EQ(table.Row(1).answered, 0);
    EXPECT_EQ(table.Row(2).answered, 1);
    EXPECT_EQ(core->getConfigInt("lastindex"), 4);
}

TEST_F(Worker, StartAtOrBeyondCountOnlyExits) {
    Import({"a.com", "b.com"});
    core->saveConfigInt("lastindex", 7);
    for (int32_t start : {2, 5}) {
        SCOPED_TRACE(start);
        view.Clear();
        RunToEnd(start);
        EXPECT_EQ(view.Messages(), (std::vector{WorkerExit(0)}));
    }
    EXPECT_EQ(core->getConfigInt("lastindex"), 7);
    EXPECT_EQ(server.ConnectionCount(), 0u);
}

TEST_F(Worker, SessionFailureOnlyExitsWithMinusOne) {
    Import({"a.com", "b.com"});
    core->saveConfigInt("lastindex", 7);
    const SessionFailure failing;
    RunToEnd(0);
    EXPECT_EQ(view.Messages(), (std::vector{WorkerExit(-1)}));
    EXPECT_EQ(core->getConfigInt("lastindex"), 7);
    EXPECT_EQ(server.ConnectionCount(), 0u);
    EXPECT_EQ(worker->RunBatch(), 0);
}

TEST_F(Worker, FailedRowStillAdvances) {
    // .com.sg has no server: the row is asked nothing and says so.
    Import({"a.com", "example.com.sg", "c.com"});
    QueryOptions oneAtATime;
    oneAtATime.jobs = 1;
    const auto unixNow = [] {
        return std::chrono::duration_cast<std::chrono::seconds>(
                   std::chrono::system_clock::now().time_since_epoch())
            .count();
    };
    const std::int64_t before = unixNow();
    RunToEnd(0, oneAtATime);
    const std::int64_t after = unixNow();
    EXPECT_EQ(view.Messages(), (std::vector{RowDone(0), RowDone(1), RowDone(2), WorkerExit(0)}));
    EXPECT_EQ(table.Row(1).status, NoServer);
    EXPECT_EQ(table.details.Reason(1), FailReason::NoServer);
    for (int32_t index = 0; index < 3; ++index) {
        EXPECT_GE(table.details.AskedAt(index), before) << index;
        EXPECT_LE(table.details.AskedAt(index), after) << index;
    }
    EXPECT_EQ(table.details.Server(0), ServerComNet);
    EXPECT_EQ(table.details.Server(1), "") << "no server was asked";
    EXPECT_EQ(core->getConfigInt("lastindex"), 3);
}

TEST_F(Worker, StopInsideARowLeavesItUntouchedAndUncounted) {
    Import({"a.com", "b.com", "c.com"});
    // The first piece would fill the row's dates if it were parsed.
    server.SetScript("b.com", FakeWhoisScript::Drip("Creation Date: 2001-01-01T00:00:00Z\r\n"
                                                    "Expiration Date: 2031-01-01T00:00:00Z\r\n",
                                                    40, 600'000));
    SetField(table.Row(1).createdDate, "earlier");
    CQueryThread& thread = MakeWorker(0);
    ASSERT_TRUE(thread.Start());
    ASSERT_TRUE(server.WaitForRequests(2, kDeadline));
    // The first row's answer may still be on its way when the second is asked.
    ASSERT_TRUE(view.WaitFor(UM_ROW_DONE, kDeadline));
    thread.RequestStop();
    ASSERT_TRUE(view.WaitFor(UM_WORKER_EXIT, kDeadline));
    auto joined = std::async(std::launch::async, [&] { thread.Join(); });
    ASSERT_EQ(joined.wait_for(kDeadline), std::future_status::ready);

    EXPECT_EQ(view.Messages(), (std::vector{RowDone(0), WorkerExit(0)}));
    EXPECT_EQ(core->getConfigInt("lastindex"), 1) << "the first row not finished";
    EXPECT_EQ(table.Row(1).answered, 0);
    EXPECT_EQ(table.Row(1).status, NoServer);
    EXPECT_STREQ(table.Row(1).createdDate, "earlier");
    EXPECT_EQ(server.ConnectionCount(), 2u) << "no row after the stop is queried";
}

TEST_F(Worker, DestroyingARunningWorkerStopsAndJoinsIt) {
    Import({"a.com"});
    server.SetDefaultScript(FakeWhoisScript::Stall());
    ASSERT_TRUE(MakeWorker(0).Start());
    ASSERT_TRUE(server.WaitForRequests(1, kDeadline));
    auto destroyed = std::async(std::launch::async, [&] { worker.reset(); });
    ASSERT_EQ(destroyed.wait_for(kDeadline), std::future_status::ready);
    EXPECT_EQ(view.Messages(), (std::vector{WorkerExit(0)}));
}

// From a loaded table to filled rows: suffix table, TCP client, referral and
// the registries' recipes, all against the fake server.
TEST_F(Worker, FillsRowsFromTheFakeRegistries) {
    Import({"example.com", "example.cn", "missing.org", "example.hk", "example.com.sg"});
    const std::string thin = "   Domain Name: EXAMPLE.COM\r\n"
                             "   Registrar: EXAMPLE REGISTRAR, LLC\r\n"
                             "   Whois Server: whois.registrar.example\r\n"
                             "   Referral URL: http://www.registrar.example\r\n"
                             "   Expiration Date: 01-jan-2020\r\n";
    std::string thick = "Domain Name: example.com\r\n"
                        "Registrar WHOIS Server: whois.registrar.example\r\n"
                        "Updated Date: 2024-05-06T07:08:09Z\r\n"
                        "Creation Date: 1999-02-03T04:05:06Z\r\n"
                        "Registrar Registration Expiration Date: 2031-02-03T04:05:06Z\r\n"
                        "Registrar: Example Registrar, LLC\r\n";
    thick += std::string(201, '%') + "\r\n";
    server.SetScriptSequence("example.com",
                             {FakeWhoisScript::Answer(thin), FakeWhoisScript::Answer(thick)});
    server.SetScript("example.cn",
                     FakeWhoisScript::Answer("Domain Name: example.cn\r\n"
                                             "Registration Time: 2003-03-17 12:20:05\r\n"
                                             "Expiration Time: 2029-03-17 12:48:36\r\n"));
    server.SetScript("missing.org", FakeWhoisScript::Answer("NOT FOUND\n"));
    server.SetScript("example.hk", FakeWhoisScript::CloseAtOnce());

    QueryOptions oneAtATime;
    oneAtATime.jobs = 1;
    RunToEnd(0, oneAtATime);

    const DomainRecord& com = table.Row(0);
    EXPECT_STREQ(com.whoisServer, ServerComNet) << "the referral is never stored";
    EXPECT_EQ(com.status, Found);
    EXPECT_STREQ(com.createdDate, "1999-02-03");
    EXPECT_STREQ(com.expiryDate, "2031-02-03");
    EXPECT_STREQ(com.updatedDate, "2024-05-06");
    EXPECT_STREQ(com.registrar, "Example Registrar, LLC");

    EXPECT_EQ(table.Row(1).status, Found);
    EXPECT_STREQ(table.Row(1).createdDate, "2003-03-17");
    EXPECT_STREQ(table.Row(1).expiryDate, "2029-03-17");

    EXPECT_EQ(table.Row(2).status, NotRegistered);
    EXPECT_EQ(table.Row(2).answered, 1);

    EXPECT_EQ(table.Row(3).answered, 1) << "an empty answer is an answer";
    EXPECT_EQ(table.Row(4).status, NoServer) << "no server: nothing asked";
    EXPECT_EQ(table.Row(4).answered, 0);

    EXPECT_EQ(core->getConfigInt("lastindex"), 5);
    ASSERT_TRUE(server.WaitForFinishedConnections(5, kDeadline));
    const auto received = server.ReceivedBytes();
    EXPECT_EQ(received[0], "example.com\r\n");
    EXPECT_EQ(received[1], "example.com\r\n") << "the referral asks for the same domain";
}

} // namespace

namespace {

bool Posted(const std::vector<PostedMessage>& messages, const PostedMessage& wanted) {
    return std::find(messages.begin(), messages.end(), wanted) != messages.end();
}

std::vector<std::string> Requests(const std::vector<std::string>& domains) {
    std::vector<std::string> out;
    for (const std::string& domain : domains) {
        out.push_back(domain + "\r\n");
    }
    return out;
}

// Whether any connection of `a` was open while one of `b` was.
bool Overlapped(const FakeWhoisServer& a, const FakeWhoisServer& b) {
    for (const auto& x : a.ConnectionTimes()) {
        for (const auto& y : b.ConnectionTimes()) {
            if (x.accepted < y.released && y.accepted < x.released) {
                return true;
            }
        }
    }
    return false;
}

TEST_F(Worker, OneAtATimeAsksEveryRowInIndexOrder) {
    const std::vector<std::string> names = {"a.com", "b.cn", "c.org", "d.com",
                                            "e.hk",  "f.cn", "g.com", "h.org"};
    Import(names);
    QueryOptions oneAtATime;
    oneAtATime.jobs = 1;
    oneAtATime.perHost = 1;
    RunToEnd(0, oneAtATime);

    ASSERT_TRUE(server.WaitForFinishedConnections(names.size(), kDeadline));
    EXPECT_EQ(server.ReceivedBytes(), Requests(names)) << "same questions, same order";
    EXPECT_EQ(server.MostOpenAtOnce(), 1u);
    std::vector<PostedMessage> expected;
    for (int32_t index = 0; index < static_cast<int32_t>(names.size()); ++index) {
        expected.push_back(RowDone(index));
    }
    expected.push_back(WorkerExit(0));
    EXPECT_EQ(view.Messages(), expected);

    // In parallel the questions are the same, only their order differs.
    FakeWhoisServer parallel;
    parallel.SetDefaultScript(FakeWhoisScript::Answer("Domain Name: X\r\n"));
    QueryOptions fast;
    fast.client.connectTo = parallel.OverridesFor(FakeWhoisServer::AllEndpoints());
    view.Clear();
    RunToEnd(0, fast);
    ASSERT_TRUE(parallel.WaitForFinishedConnections(names.size(), kDeadline));
    auto asked = parallel.ReceivedBytes();
    auto wanted = Requests(names);
    std::sort(asked.begin(), asked.end());
    std::sort(wanted.begin(), wanted.end());
    EXPECT_EQ(asked, wanted);
}

// Three registries, each a server of its own answering after 40 ms: the
// registries are asked at the same time, none with more than its limit.
TEST_F(Worker, LanesKeepThePerHostLimitWhileRegistriesRunInParallel) {
    for (const int perHost : {1, 2}) {
        SCOPED_TRACE(perHost);
        FakeWhoisServer com;
        FakeWhoisServer cn;
        FakeWhoisServer org;
        QueryOptions options;
        options.perHost = perHost;
        for (auto [fake, host] : {std::pair{&com, ServerComNet}, std::pair{&cn, ServerCn},
                                  std::pair{&org, ServerOrg}}) {
            fake->SetDefaultScript(FakeWhoisScript::Answer("Domain Name: X\r\n", 40));
            auto overrides = fake->OverridesFor({host});
            options.client.connectTo.insert(options.client.connectTo.end(), overrides.begin(),
                                            overrides.end());
        }
        std::vector<std::string> names;
        for (int i = 0; i < 6; ++i) {
            for (const char* tld : {".com", ".cn", ".org"}) {
                names.push_back("n" + std::to_string(i) + tld);
            }
        }
        Import(names);
        view.Clear();
        RunToEnd(0, options);

        for (const FakeWhoisServer* fake : {&com, &cn, &org}) {
            ASSERT_TRUE(fake->WaitForFinishedConnections(6, kDeadline));
            EXPECT_EQ(fake->MostOpenAtOnce(), static_cast<std::size_t>(perHost));
        }
        EXPECT_TRUE(Overlapped(com, cn) && Overlapped(cn, org));
        EXPECT_EQ(core->getConfigInt("lastindex"), 18);
    }
}

TEST_F(Worker, HostIntervalSpacesTheStartsOfQueriesToOneHost) {
    Import({"a.com", "b.com", "c.com", "d.com", "e.cn", "f.cn"});
    QueryOptions options;
    options.perHost = 2;
    options.hostIntervalMs = 200;
    FakeWhoisServer cn;
    cn.SetDefaultScript(FakeWhoisScript::Answer("Domain Name: X\r\n"));
    options.client.connectTo = server.OverridesFor({ServerComNet});
    auto other = cn.OverridesFor({ServerCn});
    options.client.connectTo.insert(options.client.connectTo.end(), other.begin(), other.end());
    const auto began = FakeWhoisServer::Clock::now();
    RunToEnd(0, options);

    // The n-th connection to a host cannot come before n intervals since
    // the batch began, however late the server stamps an accept on a busy
    // machine (gaps between two stamps would count that lateness too).
    for (const FakeWhoisServer* fake : {&server, &cn}) {
        std::vector<FakeWhoisServer::Clock::time_point> accepted;
        for (const auto& times : fake->ConnectionTimes()) {
            accepted.push_back(times.accepted);
        }
        std::sort(accepted.begin(), accepted.end());
        for (std::size_t n = 0; n < accepted.size(); ++n) {
            EXPECT_GE(accepted[n] - began, static_cast<int>(n) * 200ms) << n;
        }
    }
    EXPECT_EQ(server.ConnectionCount(), 4u);
}

// A registry that refuses any query less than a second after the one
// before, and says so: the worker keeps that gap after the first refusal,
// every row ends with its answer, and the whole run stays within twice the
// least time the server allows.
TEST_F(Worker, ServerNamingItsWaitIsAskedAgainAfterIt) {
    const std::string refusal =
        "Please maintain at least 1-second time before starting another enquiry.\r\n";
    server.RefuseFasterThan(1s, refusal);
    Import({"a.hk", "b.hk", "c.hk"});
    QueryOptions options;
    // The registries' own table of refusal texts is used once it reads this
    // one and its wait; until then a stand-in does, as only the wait matters here.
    const Refusal read = DetectRefusal(refusal);
    if (read.reason != FailReason::RateLimited || read.waitSeconds != 1) {
        options.detectRefusal = [](std::string_view answer) {
            return answer.find("at least 1-second time") != std::string_view::npos
                       ? Refusal{FailReason::RateLimited, 1}
                       : Refusal{};
        };
    }
    const auto started = std::chrono::steady_clock::now();
    RunToEnd(0, options);
    const auto took = std::chrono::steady_clock::now() - started;

    for (int32_t index = 0; index < 3; ++index) {
        SCOPED_TRACE(index);
        EXPECT_NE(table.Row(index).status, Error);
        EXPECT_EQ(table.details.Reason(index), FailReason::None);
        EXPECT_EQ(table.details.Answer(index), "Domain Name: X\r\n");
    }
    EXPECT_GE(server.RefusedCount(), 1u);
    EXPECT_LE(took, 2 * 2s) << "the server allows three queries in two seconds";
}

// A registry that refuses fast repeats without naming a wait: after its
// first refusal the pause holds every row waiting for it, and the rows are
// then asked a back-off apart instead of each being refused once in turn.
TEST_F(Worker, PauseAfterARefusalHoldsEveryWaitingRow) {
    constexpr auto kRefusedFaster = 500ms;
    server.RefuseFasterThan(kRefusedFaster, "WHOIS LIMIT EXCEEDED\r\n");
    Import({"a.com", "b.com", "c.com", "d.com"});
    QueryOptions options;
    options.backoffMs = 700;
    RunToEnd(0, options);

    for (int32_t index = 0; index < 4; ++index) {
        SCOPED_TRACE(index);
        EXPECT_EQ(table.Row(index).status, Found);
        EXPECT_EQ(table.details.Reason(index), FailReason::None);
    }
    EXPECT_LE(server.RefusedCount(), 1u) << "only the first fast repeat is refused";
    std::vector<FakeWhoisServer::Clock::time_point> starts;
    for (const FakeWhoisServer::Times& times : server.ConnectionTimes()) {
        starts.push_back(times.request);
    }
    std::sort(starts.begin(), starts.end());
    ASSERT_GE(starts.size(), 4u);
    for (std::size_t i = 2; i < starts.size(); ++i) {
        EXPECT_GE(starts[i] - starts[i - 1], kRefusedFaster) << "query " << i;
    }
}

TEST_F(Worker, RowEndsRateLimitedAfterFourRefusedTries) {
    server.SetScript("busy.com", FakeWhoisScript::Answer("WHOIS LIMIT EXCEEDED\r\n"));
    Import({"busy.com", "calm.cn"});
    SetField(table.Row(0).owner, "kept");
    QueryOptions options;
    options.backoffMs = 10;
    options.maxBackoffMs = 40;
    RunToEnd(0, options);

    EXPECT_EQ(table.Row(0).status, Error);
    EXPECT_STREQ(table.Row(0).owner, "kept");
    EXPECT_EQ(table.details.Reason(0), FailReason::RateLimited);
    EXPECT_EQ(table.details.Answer(0), "WHOIS LIMIT EXCEEDED\r\n") << "the last refusal says why";
    EXPECT_NE(table.Row(1).status, Error);
    ASSERT_TRUE(server.WaitForFinishedConnections(5, kDeadline));
    const auto asked = server.ReceivedBytes();
    EXPECT_EQ(std::count(asked.begin(), asked.end(), "busy.com\r\n"), 4);
    EXPECT_EQ(core->getConfigInt("lastindex"), 2);
}

TEST_F(Worker, ResetRightAfterARefusalIsARefusalToo) {
    struct Case {
        const char* name;
        std::vector<FakeWhoisScript> scripts;
        int32_t status;
        FailReason reason;
        std::size_t connections;
    };
    const Case cases[] = {
        {"after_a_refusal",
         {FakeWhoisScript::Answer("WHOIS LIMIT EXCEEDED\r\n"),
          FakeWhoisScript::PartialThenReset(""), FakeWhoisScript::Answer("Domain Name: X\r\n")},
         Found,
         FailReason::None,
         3},
        {"on_its_own",
         {FakeWhoisScript::PartialThenReset("")},
         Error,
         FailReason::ConnectionReset,
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeWhoisServer fresh;
        fresh.SetScriptSequence("x.com", c.scripts);
        Import({"x.com"});
        QueryOptions options;
        options.backoffMs = 10;
        options.client.connectTo = fresh.OverridesFor({ServerComNet});
        view.Clear();
        RunToEnd(0, options);
        EXPECT_EQ(table.Row(0).status, c.status);
        EXPECT_EQ(table.details.Reason(0), c.reason);
        EXPECT_EQ(fresh.ConnectionCount(), c.connections);
    }
}

TEST_F(Worker, StopEndsABackOffWaitAtOnce) {
    server.SetDefaultScript(FakeWhoisScript::Answer("WHOIS LIMIT EXCEEDED\r\n"));
    Import({"a.com", "b.com"});
    SetField(table.Row(0).owner, "kept");
    QueryOptions options;
    options.backoffMs = 600'000;
    CQueryThread& thread = MakeWorker(0, options);
    ASSERT_TRUE(thread.Start());
    ASSERT_TRUE(server.WaitForFinishedConnections(1, kDeadline));
    thread.RequestStop();
    ASSERT_TRUE(view.WaitFor(UM_WORKER_EXIT, 5s)) << "the ten-minute pause must not hold the stop";
    thread.Join();

    EXPECT_EQ(view.Messages(), (std::vector{WorkerExit(0)}));
    EXPECT_STREQ(table.Row(0).owner, "kept");
    EXPECT_EQ(table.Row(0).answered, 0);
    EXPECT_EQ(server.ConnectionCount(), 1u);
}

// A registry that never answers holds back only its own rows; "lastindex"
// stays at its first row until that row ends, however many rows after it
// are finished.
// A registry that stops sending half-way: the row ends as a time-out, not
// as the half record, and the text that came is its answer to show.
TEST_F(Worker, AnswerCutOffByTheIdleTimeOutIsATimeOut) {
    const std::string half = "Domain Name: HALF.COM\r\nRegistrar: Bluefin Names, Inc.\r\n";
    server.SetScript("half.com", FakeWhoisScript::Drip(half + "Creation Date: 2001-01-01\r\n",
                                                       half.size(), 60'000));
    Import({"half.com"});
    QueryOptions options;
    options.client.idleTimeoutMs = 1'000; // room for a loaded machine to send the first piece
    RunToEnd(0, options);

    EXPECT_EQ(table.Row(0).status, Error);
    EXPECT_STREQ(table.Row(0).registrar, "");
    EXPECT_EQ(table.details.Reason(0), FailReason::TimedOut);
    EXPECT_EQ(table.details.Answer(0), half);
}

TEST_F(Worker, StalledRegistryHoldsBackOnlyItsOwnRows) {
    Import({"a.com", "stall.cn", "b.com", "c.org", "d.com"});
    server.SetScript("stall.cn", FakeWhoisScript::Stall());
    QueryOptions options;
    options.client.idleTimeoutMs = 3'000;
    CQueryThread& thread = MakeWorker(0, options);
    ASSERT_TRUE(thread.Start());

    ASSERT_TRUE(view.WaitUntil(
        [](const std::vector<PostedMessage>& posted) {
            return Posted(posted, RowDone(2)) && Posted(posted, RowDone(3)) &&
                   Posted(posted, RowDone(4));
        },
        kDeadline));
    EXPECT_FALSE(Posted(view.Messages(), RowDone(1)));
    EXPECT_EQ(core->getConfigInt("lastindex"), 1);

    ASSERT_TRUE(view.WaitFor(UM_WORKER_EXIT, kDeadline));
    thread.Join();
    const auto messages = view.Messages();
    ASSERT_EQ(messages.size(), 6u);
    EXPECT_EQ(messages[4], RowDone(1)) << "the stalled row ends last";
    EXPECT_EQ(table.Row(1).status, Error);
    EXPECT_EQ(table.details.Reason(1), FailReason::TimedOut);
    EXPECT_EQ(core->getConfigInt("lastindex"), 5);
}

TEST_F(Worker, QueryThatThrowsEndsAsInternalErrorAndTheBatchGoesOn) {
    Import({"a.com", "boom.com", "c.cn"});
    SetField(table.Row(1).owner, "kept");
    QueryOptions options;
    options.transport = [](const std::string&, const std::string& domain, QueryHop) {
        if (domain == "boom.com") {
            throw std::runtime_error("fault in the query");
        }
        return std::string("Domain Name: X\r\n");
    };
    RunToEnd(0, options);

    const auto messages = view.Messages();
    for (int32_t index = 0; index < 3; ++index) {
        EXPECT_TRUE(Posted(messages, RowDone(index))) << index;
    }
    EXPECT_EQ(messages.back(), WorkerExit(0));
    EXPECT_EQ(table.Row(1).status, Error);
    EXPECT_STREQ(table.Row(1).owner, "kept");
    EXPECT_EQ(table.details.Reason(1), FailReason::Internal);
    EXPECT_NE(table.Row(0).status, Error);
    EXPECT_NE(table.Row(2).status, Error);
    EXPECT_EQ(core->getConfigInt("lastindex"), 3);
}

// Rows whose referral host never answers keep their workers; they may not
// take all of them, or the other registries' rows would wait for the stall.
TEST_F(Worker, SlowReferralHostDoesNotTakeEveryWorker) {
    const std::string thin = "   Domain Name: X.COM\r\n"
                             "   Whois Server: whois.registrar.example\r\n"
                             "   Referral URL: http://www.registrar.example\r\n";
    std::vector<std::string> names;
    for (const char* name : {"c0.com", "c1.com", "c2.com", "c3.com"}) {
        server.SetScriptSequence(name, {FakeWhoisScript::Answer(thin), FakeWhoisScript::Stall()});
        names.push_back(name);
    }
    for (const char* name : {"n4.cn", "n5.cn", "n6.cn", "n7.cn"}) {
        server.SetScript(name, FakeWhoisScript::Answer("Domain Name: X\r\n", 100));
        names.push_back(name);
    }
    Import(names);
    QueryOptions options;
    options.jobs = 3;
    CQueryThread& thread = MakeWorker(0, options);
    ASSERT_TRUE(thread.Start());
    ASSERT_TRUE(view.WaitUntil(
        [](const std::vector<PostedMessage>& posted) { return Posted(posted, RowDone(7)); },
        kDeadline));
    for (int32_t index = 0; index < 4; ++index) {
        EXPECT_FALSE(Posted(view.Messages(), RowDone(index))) << index;
    }
    thread.RequestStop();
    ASSERT_TRUE(view.WaitFor(UM_WORKER_EXIT, kDeadline));
}

} // namespace

namespace {

// What the worker hands the results store, and nothing else of the store.
class RecordingStore : public ResultStore {
public:
    void Add(StoredCheck check) override {
        const std::lock_guard lock(m_mutex);
        m_added.push_back(std::move(check));
    }
    void Flush() override {}
    [[nodiscard]] bool Writable() const override { return true; }
    [[nodiscard]] std::vector<Notice> TakeNotices() override { return {}; }
    [[nodiscard]] std::unordered_map<std::string, StoredCheck>
    Latest(const std::vector<std::string>& /*domainsAscii*/) const override {
        return {};
    }
    [[nodiscard]] std::vector<StoredCheck> History(std::string_view /*domainAscii*/,
                                                   std::size_t /*limit*/) const override {
        return {};
    }
    [[nodiscard]] std::string LatestAnswer(std::string_view /*domainAscii*/) const override {
        return {};
    }
    void Prune(std::int64_t /*now*/) override {}
    void SavePosition(std::string_view /*program*/, std::string_view /*listId*/,
                      ListPosition /*position*/) override {}
    [[nodiscard]] std::optional<ListPosition> Position(std::string_view /*program*/,
                                                       std::string_view /*listId*/) const override {
        return std::nullopt;
    }
    void ForgetPosition(std::string_view /*program*/, std::string_view /*listId*/) override {}

    // By A-label.
    [[nodiscard]] std::map<std::string, StoredCheck> Added() const {
        const std::lock_guard lock(m_mutex);
        std::map<std::string, StoredCheck> added;
        for (const StoredCheck& check : m_added) {
            added.emplace(check.domainAscii, check);
        }
        EXPECT_EQ(added.size(), m_added.size()) << "each row once";
        return added;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<StoredCheck> m_added;
};

// A batch over chosen rows asks just those (out-of-range ones ignored); the
// others keep what they hold. The resume point moves only when told to.
TEST_F(Worker, ListedRowsAreTheOnlyOnesAsked) {
    Import({"a.com", "b.com", "c.com", "d.com", "e.com"});
    SetField(table.Row(1).createdDate, "kept");
    core->saveConfigInt("lastindex", 2);
    for (const bool save : {false, true}) {
        SCOPED_TRACE(save);
        view.Clear();
        QueryOptions options;
        options.rows = {0, 3, 99};
        options.saveResumePoint = save;
        RunToEnd(0, options);
        auto messages = view.Messages();
        ASSERT_EQ(messages.size(), 3u);
        EXPECT_TRUE(Posted(messages, RowDone(0)));
        EXPECT_TRUE(Posted(messages, RowDone(3)));
        EXPECT_EQ(core->getConfigInt("lastindex"), save ? 5 : 2);
    }
    const auto asked = server.ReceivedBytes();
    EXPECT_EQ(std::count(asked.begin(), asked.end(), "b.com\r\n"), 0);
    EXPECT_EQ(std::count(asked.begin(), asked.end(), "d.com\r\n"), 2);
    EXPECT_STREQ(table.Row(1).createdDate, "kept");
    EXPECT_EQ(table.Row(2).answered, 0);
}

// Each finished row reaches the store whole, answer and time included; a
// row the options skip is neither asked nor stored, yet counts as finished.
TEST_F(Worker, FinishedRowsGoToTheStoreAndSkippedRowsAreNotAsked) {
    Import({"a.com", "skipped.com", "missing.org", "example.com.sg", "xn--bcher-kva.com"});
    const std::string answer = "Domain Name: A.COM\r\n"
                               "Registrar: Example Registrar, LLC\r\n"
                               "Registry Expiry Date: 2031-02-03T04:05:06Z\r\n";
    server.SetScript("a.com", FakeWhoisScript::Answer(answer));
    server.SetScript("missing.org", FakeWhoisScript::Answer("NOT FOUND\n"));
    RecordingStore store;
    QueryOptions options;
    options.store = &store;
    options.skipRows = {0, 1};
    const auto before = static_cast<std::int64_t>(std::time(nullptr));
    RunToEnd(0, options);
    const auto after = static_cast<std::int64_t>(std::time(nullptr));

    const auto asked = server.ReceivedBytes();
    EXPECT_EQ(std::count(asked.begin(), asked.end(), "skipped.com\r\n"), 0);
    EXPECT_FALSE(Posted(view.Messages(), RowDone(1)));
    EXPECT_EQ(core->getConfigInt("lastindex"), 5) << "the skipped row counts as finished";

    const auto added = store.Added();
    ASSERT_EQ(added.size(), 4U);
    EXPECT_EQ(added.count("skipped.com"), 0U);
    const StoredCheck& a = added.at("a.com");
    EXPECT_EQ(a.domainUnicode, "a.com");
    EXPECT_EQ(a.status, Found);
    EXPECT_EQ(a.protocol, static_cast<std::uint8_t>(QueryProtocol::Whois));
    EXPECT_EQ(a.server, ServerComNet);
    EXPECT_EQ(a.values.registrar, "Example Registrar, LLC");
    EXPECT_EQ(a.values.expiry, "2031-02-03");
    EXPECT_EQ(a.answer, answer);
    EXPECT_GE(a.askedAt, before);
    EXPECT_LE(a.askedAt, after);
    EXPECT_EQ(a.askedAt, table.details.AskedAt(0)) << "the details and the store agree";

    EXPECT_EQ(added.at("missing.org").status, NotRegistered);
    EXPECT_EQ(added.at("example.com.sg").status, NoServer);
    EXPECT_EQ(added.at("example.com.sg").reason, static_cast<std::uint8_t>(FailReason::NoServer));
    EXPECT_EQ(added.at("xn--bcher-kva.com").domainUnicode, "bücher.com");
}

} // namespace
