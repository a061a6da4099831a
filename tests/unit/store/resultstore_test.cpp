// SPDX-License-Identifier: MIT
// The store's promises in one process: values come back whole, answers are
// kept once, history is newest first and bounded, changes are set as checks
// arrive, positions belong to a program and a list, and an older file is
// brought forward.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "engine/store/sqliteresultstore.h"
#include "storetesting.h"
#include "tests/support/scratchdir.h"

namespace {

constexpr std::int64_t kDay = 86400;

class ResultStoreTest : public ::testing::Test {
protected:
    std::unique_ptr<SqliteResultStore> OpenStore(StoreRetention retention = {}) {
        return SqliteResultStore::OpenWith(m_path, retention);
    }

    ScratchDir m_dir;
    std::string m_path = m_dir.File("results.sqlite3");
    std::int64_t m_now = NowSeconds();
};

TEST_F(ResultStoreTest, ValuesOfAnyLengthAndScriptComeBackWholeAfterReopening) {
    // A privacy service's address (64 bytes), a 200-byte one, a Thai owner.
    const std::string email64 = "2603423f6ed44178a3b9d728827aa19a.protect@whoisguard-examples.com";
    ASSERT_EQ(email64.size(), 64U);
    const std::string email200 = std::string(188, 'a') + "@example.com";
    const std::string thaiOwner = "บริษัท ตัวอย่าง จำกัด";

    StoredCheck first = MakeCheck("xn--72c1a1bt4awk9o.xn--o3cw4h", m_now - 10);
    first.domainUnicode = "ตัวอย่าง.ไทย";
    first.values.email = email64;
    first.values.owner = thaiOwner;
    first.values.phone = "+66.21234567 ext. 89";
    first.answer = "Domain Name: ตัวอย่าง.ไทย\r\nRegistrant: " + thaiOwner + "\r\n";
    StoredCheck second = MakeCheck("long-mail.test", m_now - 5);
    second.values.email = email200;
    second.reason = 7;
    second.protocol = 2;
    {
        auto store = OpenStore();
        store->Add(first);
        store->Add(second);
        store->Flush();
        EXPECT_TRUE(store->Writable());
        EXPECT_TRUE(store->TakeNotices().empty());
    }
    auto store = OpenStore();
    const auto latest = store->Latest({first.domainAscii, second.domainAscii, "never.test"});
    ASSERT_EQ(latest.size(), 2U);
    const StoredCheck& thai = latest.at(first.domainAscii);
    EXPECT_EQ(thai.domainUnicode, "ตัวอย่าง.ไทย");
    EXPECT_EQ(thai.values, first.values);
    EXPECT_EQ(thai.askedAt, first.askedAt);
    EXPECT_EQ(thai.server, first.server);
    EXPECT_EQ(thai.status, kFound);
    EXPECT_TRUE(thai.answer.empty()) << "Latest leaves the answers out";
    const StoredCheck& longMail = latest.at(second.domainAscii);
    EXPECT_EQ(longMail.values.email, email200);
    EXPECT_EQ(longMail.domainUnicode, "long-mail.test");
    EXPECT_EQ(longMail.protocol, 2);
    EXPECT_EQ(longMail.reason, 7);
    EXPECT_EQ(store->LatestAnswer(first.domainAscii), first.answer);
    EXPECT_EQ(store->LatestAnswer("never.test"), "");
}

TEST_F(ResultStoreTest, IdenticalAnswersAreKeptOnce) {
    const std::string common = std::string(3000, 'x') + "\r\nNo match for domain\r\n";
    {
        auto store = OpenStore();
        for (int i = 0; i < 50; ++i) {
            store->Add(
                MakeCheck("free" + std::to_string(i) + ".test", m_now, kNotRegistered, common));
        }
        store->Add(MakeCheck("other.test", m_now, kFound, "Domain Name: other.test\r\n"));
        StoredCheck noAnswer = MakeCheck("silent.test", m_now, kError);
        noAnswer.answer.clear();
        store->Add(noAnswer);
        store->Flush();
        EXPECT_EQ(store->LatestAnswer("free7.test"), common);
        EXPECT_EQ(store->LatestAnswer("silent.test"), "");
    }
    EXPECT_EQ(QueryFile(m_path, "SELECT count(*) FROM answers"), 2);
    EXPECT_EQ(QueryFile(m_path, "SELECT count(DISTINCT answer_id) FROM checks"), 2);
    EXPECT_LT(QueryFile(m_path, "SELECT max(length(body)) FROM answers"), 500)
        << "answers are kept compressed";
}

TEST_F(ResultStoreTest, HistoryIsNewestFirstAndKeepsTwentyChecksOfAtMostTwoYears) {
    auto store = OpenStore();
    // Added out of order: what counts is when each was asked.
    for (int i = 24; i >= 0; --i) {
        store->Add(
            MakeCheck("busy.test", m_now - i * kDay, kFound, "answer of day " + std::to_string(i)));
    }
    store->Add(MakeCheck("old.test", m_now - 800 * kDay));
    store->Add(MakeCheck("old.test", m_now - 10 * kDay));
    store->Flush();

    const auto history = store->History("busy.test", 100);
    ASSERT_EQ(history.size(), 20U);
    for (std::size_t i = 0; i < history.size(); ++i) {
        EXPECT_EQ(history[i].askedAt, m_now - static_cast<std::int64_t>(i) * kDay);
    }
    EXPECT_EQ(store->History("busy.test", 3).size(), 3U);
    EXPECT_TRUE(store->History("busy.test", 0).empty());
    EXPECT_EQ(store->LatestAnswer("busy.test"), "answer of day 0");
    ASSERT_EQ(store->History("old.test").size(), 1U) << "older than two years is not kept";
    EXPECT_EQ(store->Latest({"busy.test"}).at("busy.test").askedAt, m_now);

    // The answers of dropped checks go with them.
    EXPECT_EQ(QueryFile(m_path, "SELECT count(*) FROM answers"),
              QueryFile(m_path, "SELECT count(DISTINCT answer_id) FROM checks"));
    EXPECT_EQ(QueryFile(m_path, "SELECT count(*) FROM answers"), 20 + 1);
}

TEST_F(ResultStoreTest, PruneAppliesTheRuleToEveryNameAtOnce) {
    {
        auto generous = OpenStore({50, 10 * 365 * kDay});
        for (int i = 0; i < 30; ++i) {
            generous->Add(
                MakeCheck("many.test", m_now - i * kDay, kFound, "answer " + std::to_string(i)));
        }
        generous->Add(MakeCheck("ancient.test", m_now - 3 * 365 * kDay));
        generous->SavePosition("batch", "old-list", {m_now - 3 * 365 * kDay, 5});
        generous->SavePosition("batch", "new-list", {m_now, 9});
        generous->Flush();
        EXPECT_EQ(generous->History("many.test", 100).size(), 30U);
    }
    auto store = OpenStore();
    store->Prune(m_now);
    EXPECT_EQ(store->History("many.test", 100).size(), 20U);
    EXPECT_TRUE(store->History("ancient.test").empty());
    EXPECT_FALSE(store->Position("batch", "old-list").has_value());
    EXPECT_TRUE(store->Position("batch", "new-list").has_value());
    EXPECT_EQ(QueryFile(m_path, "SELECT count(*) FROM answers"), 20);

    store->Prune(m_now + 3 * 365 * kDay);
    EXPECT_TRUE(store->History("many.test").empty());
    EXPECT_EQ(QueryFile(m_path, "SELECT count(*) FROM answers"), 0);
}

TEST_F(ResultStoreTest, EachCheckCarriesWhatChangedSinceTheLastCheckThatStatedTheState) {
    auto store = OpenStore();
    StoredCheck first = MakeCheck("moving.test", m_now - 50);
    StoredCheck failed = MakeCheck("moving.test", m_now - 40, kError);
    failed.values = {};
    StoredCheck moved = MakeCheck("moving.test", m_now - 30);
    moved.values.expiry = "2028-05-01";
    moved.values.registrar = "Another Registrar Ltd";
    moved.values.owner = "New Owner GmbH";
    StoredCheck released = MakeCheck("moving.test", m_now - 20, kNotRegistered);
    StoredCheck again = MakeCheck("moving.test", m_now - 10);
    for (const StoredCheck& check : {first, failed, moved, released, again}) {
        store->Add(check);
    }
    store->Flush();
    const auto history = store->History("moving.test");
    ASSERT_EQ(history.size(), 5U);
    EXPECT_EQ(ChangeKindsOf(history[0].changes), std::vector{ChangeKind::Registered});
    EXPECT_EQ(ChangeKindsOf(history[1].changes), std::vector{ChangeKind::Released});
    EXPECT_EQ(ChangeKindsOf(history[2].changes),
              (std::vector{ChangeKind::Renewed, ChangeKind::Transferred, ChangeKind::OwnerChanged}))
        << "compared with the check before the failure";
    EXPECT_EQ(history[3].changes, 0) << "a failed check is no change";
    EXPECT_EQ(history[4].changes, 0) << "no earlier check";
    EXPECT_EQ(store->Latest({"moving.test"}).at("moving.test").changes,
              ChangeBits({ChangeKind::Registered}));
}

TEST_F(ResultStoreTest, PositionsBelongToOneProgramAndOneList) {
    {
        auto store = OpenStore();
        store->SavePosition("desktop", "/lists/a.txt#3:00aa", {1000, 6000});
        store->SavePosition("batch", "/lists/a.txt#3:00aa", {2000, 10});
        // Read back before the writer had a chance: the latest word counts.
        ASSERT_TRUE(store->Position("desktop", "/lists/a.txt#3:00aa").has_value());
        EXPECT_EQ(store->Position("desktop", "/lists/a.txt#3:00aa")->nextIndex, 6000);
        store->SavePosition("desktop", "/lists/b.txt#3:00bb", {3000, 1});
        store->ForgetPosition("desktop", "/lists/b.txt#3:00bb");
        EXPECT_FALSE(store->Position("desktop", "/lists/b.txt#3:00bb").has_value());
        store->Flush();
    }
    auto store = OpenStore();
    const auto desktop = store->Position("desktop", "/lists/a.txt#3:00aa");
    ASSERT_TRUE(desktop.has_value());
    EXPECT_EQ(desktop->startedAt, 1000);
    EXPECT_EQ(desktop->nextIndex, 6000);
    EXPECT_EQ(store->Position("batch", "/lists/a.txt#3:00aa")->nextIndex, 10);
    EXPECT_FALSE(store->Position("desktop", "/lists/b.txt#3:00bb").has_value());
    EXPECT_FALSE(store->Position("desktop", "/lists/c.txt#1:00cc").has_value());
    store->SavePosition("desktop", "/lists/a.txt#3:00aa", {1000, 6500});
    store->Flush();
    EXPECT_EQ(store->Position("desktop", "/lists/a.txt#3:00aa")->nextIndex, 6500);
    store->ForgetPosition("desktop", "/lists/a.txt#3:00aa");
    store->Flush();
    EXPECT_FALSE(store->Position("desktop", "/lists/a.txt#3:00aa").has_value());
}

TEST_F(ResultStoreTest, AddedChecksReachTheFileWithinAboutASecondWithoutFlush) {
    auto writer = OpenStore();
    auto reader = OpenStore(); // another connection, as another process has
    writer->Add(MakeCheck("soon.test", m_now));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    bool seen = false;
    while (!seen && std::chrono::steady_clock::now() < deadline) {
        seen = !reader->Latest({"soon.test"}).empty();
        if (!seen) {
            std::this_thread::yield();
        }
    }
    EXPECT_TRUE(seen);
}

TEST_F(ResultStoreTest, AStoreOfTheFirstSchemaIsBroughtForward) {
    // The first schema had no changes column and no positions.
    ASSERT_TRUE(ExecFile(m_path, R"sql(
CREATE TABLE answers (id INTEGER PRIMARY KEY, key BLOB NOT NULL UNIQUE,
                      size INTEGER NOT NULL, body BLOB NOT NULL);
CREATE TABLE checks (id INTEGER PRIMARY KEY, domain TEXT NOT NULL, domain_unicode TEXT,
    asked_at INTEGER NOT NULL, protocol INTEGER NOT NULL, server TEXT NOT NULL,
    status INTEGER NOT NULL, reason INTEGER NOT NULL, expiry TEXT NOT NULL,
    created TEXT NOT NULL, updated TEXT NOT NULL, owner TEXT NOT NULL, email TEXT NOT NULL,
    phone TEXT NOT NULL, registrar TEXT NOT NULL, answer_id INTEGER REFERENCES answers(id));
CREATE INDEX checks_by_domain ON checks(domain, asked_at);
CREATE INDEX checks_by_answer ON checks(answer_id);
INSERT INTO checks VALUES (1, 'kept.test', NULL, 1700000000, 1, 'whois.example.test', 1, 0,
    '2027-01-01', '', '', 'Kept Owner', '', '', 'Kept Registrar', NULL);
PRAGMA user_version = 1;
)sql"));
    auto store = OpenStore({20, 100 * 365 * kDay});
    EXPECT_TRUE(store->TakeNotices().empty());
    EXPECT_TRUE(store->Writable());
    const auto latest = store->Latest({"kept.test"});
    ASSERT_EQ(latest.size(), 1U);
    EXPECT_EQ(latest.at("kept.test").values.owner, "Kept Owner");
    EXPECT_EQ(latest.at("kept.test").changes, 0);

    StoredCheck renewed = MakeCheck("kept.test", 1700000100);
    renewed.values.expiry = "2028-01-01";
    renewed.values.registrar = "Kept Registrar";
    renewed.values.owner = "Kept Owner";
    store->Add(renewed);
    store->SavePosition("batch", "list", {1, 2});
    store->Flush();
    EXPECT_EQ(store->Latest({"kept.test"}).at("kept.test").changes,
              ChangeBits({ChangeKind::Renewed}));
    store.reset();
    EXPECT_EQ(QueryFile(m_path, "PRAGMA user_version"), 2);
    EXPECT_EQ(QueryFile(m_path, "SELECT count(*) FROM positions"), 1);
}

TEST_F(ResultStoreTest, ANameLatestOfTwentyThousandIsFoundAndOthersAbsent) {
    auto store = OpenStore();
    std::vector<std::string> names;
    for (int i = 0; i < 2000; ++i) {
        names.push_back("n" + std::to_string(i) + ".test");
        if (i % 2 == 0) {
            store->Add(MakeCheck(names.back(), m_now - 100));
            store->Add(MakeCheck(names.back(), m_now - 50, kNotRegistered));
        }
    }
    store->Flush();
    const auto latest = store->Latest(names);
    ASSERT_EQ(latest.size(), 1000U);
    EXPECT_EQ(latest.at("n0.test").status, kNotRegistered);
    EXPECT_EQ(latest.count("n1.test"), 0U);
}

} // namespace
