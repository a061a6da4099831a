#include "engine/querythread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "core/ccore.h"
#include "core/messages.h"
#include "engine/whoisservers.h"
#include "tests/support/fakewhoisserver.h"
#include "tests/support/recordingtarget.h"

namespace {

using namespace std::chrono_literals;

constexpr auto kDeadline = 20s;

PostedMessage RowDone(std::intptr_t lParam) {
    return {UM_ROW_DONE, 0, lParam};
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
        char pattern[] = "/tmp/zentrix-worker-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_home = pattern;
        ::setenv("ZENTRIX_HOME", m_home.c_str(), 1);
        core = std::make_unique<CCore>();
        core->autoFileConfig();
        ASSERT_TRUE(table.Allocate());
        server.SetDefaultScript(FakeWhoisScript::Answer("Domain Name: X\r\n"));
    }
    void TearDown() override {
        worker.reset();
        table.Release();
        core.reset();
        ::unsetenv("ZENTRIX_HOME");
        std::filesystem::remove_all(m_home);
    }

    void Import(const std::vector<std::string>& domains) {
        table.Clear();
        for (const std::string& domain : domains) {
            SetField(table.Row(table.count++).domain, domain);
        }
        AssignWhoisServers(table);
    }

    CQueryThread& MakeWorker(int32_t startIndex) {
        auto job = std::make_unique<QueryJob>();
        job->view = &view;
        job->table = table.Rows();
        job->count = table.count;
        QueryOptions options;
        options.startIndex = startIndex;
        options.core = core.get();
        options.client.connectTo = server.OverridesFor(FakeWhoisServer::AllEndpoints());
        auto referral = server.OverridesFor({"whois.registrar.example"});
        options.client.connectTo.insert(options.client.connectTo.end(), referral.begin(),
                                        referral.end());
        worker = std::make_unique<CQueryThread>(std::move(job), options);
        return *worker;
    }

    // Runs a whole batch on the worker's own thread and waits for its end.
    void RunToEnd(int32_t startIndex) {
        CQueryThread& thread = MakeWorker(startIndex);
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
    std::string m_home;
};

TEST_F(Worker, BatchFromZeroReportsEveryRowThenExits) {
    Import({"a.com", "b.com", "c.com"});
    RunToEnd(0);
    EXPECT_EQ(view.Messages(), (std::vector{RowDone(1), RowDone(2), RowDone(3), WorkerExit(0)}));
    EXPECT_EQ(core->getConfigInt("lastindex"), 2);
    EXPECT_EQ(server.ConnectionCount(), 3u);
}

TEST_F(Worker, ResumedBatchQueriesOnlyFromItsStartIndex) {
    Import({"a.com", "b.com", "c.com", "d.com"});
    RunToEnd(2);
    EXPECT_EQ(view.Messages(), (std::vector{RowDone(3), RowDone(4), WorkerExit(0)}));
    EXPECT_EQ(table.Row(1).answered, 0);
    EXPECT_EQ(table.Row(2).answered, 1);
    EXPECT_EQ(core->getConfigInt("lastindex"), 3);
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
    // .de has no server: the row is asked nothing and says so.
    Import({"a.com", "example.de", "c.com"});
    RunToEnd(0);
    EXPECT_EQ(view.Messages(), (std::vector{RowDone(1), RowDone(2), RowDone(3), WorkerExit(0)}));
    EXPECT_EQ(table.Row(1).status, NoServer);
    EXPECT_EQ(core->getConfigInt("lastindex"), 2);
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
    thread.RequestStop();
    ASSERT_TRUE(view.WaitFor(UM_WORKER_EXIT, kDeadline));
    auto joined = std::async(std::launch::async, [&] { thread.Join(); });
    ASSERT_EQ(joined.wait_for(kDeadline), std::future_status::ready);

    EXPECT_EQ(view.Messages(), (std::vector{RowDone(1), WorkerExit(0)}));
    EXPECT_EQ(core->getConfigInt("lastindex"), 0);
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
    Import({"example.com", "example.cn", "missing.org", "example.hk", "example.de"});
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

    RunToEnd(0);

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

    EXPECT_EQ(core->getConfigInt("lastindex"), 4);
    ASSERT_TRUE(server.WaitForFinishedConnections(5, kDeadline));
    const auto received = server.ReceivedBytes();
    EXPECT_EQ(received[0], "example.com\r\n");
    EXPECT_EQ(received[1], "example.com\r\n") << "the referral asks for the same domain";
}

} // namespace
