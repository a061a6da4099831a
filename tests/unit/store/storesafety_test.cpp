// SPDX-License-Identifier: MIT
// A store file that is not a store is moved aside and replaced; one that
// cannot be written or made keeps every caller going and says why, once.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <regex>

#include "engine/store/sqliteresultstore.h"
#include "storetesting.h"
#include "tests/support/scratchdir.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> BrokenFiles(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.find(".broken-") != std::string::npos) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A store with some checks in it, closed.
void MakeStore(const std::string& path, int names) {
    auto store = SqliteResultStore::OpenWith(path, StoreRetention{});
    for (int i = 0; i < names; ++i) {
        store->Add(
            MakeCheck("n" + std::to_string(i) + ".test", NowSeconds(), kFound,
                      "Domain Name: n" + std::to_string(i) + ".test\r\n" +
                          std::string(static_cast<std::size_t>(200 + i % 50), 'a' + i % 26)));
    }
    store->Flush();
}

struct DamageCase {
    const char* name;
    void (*damage)(const std::string& path);
};

void Garbage(const std::string& path) {
    std::string bytes;
    for (int i = 0; i < 20000; ++i) {
        bytes += static_cast<char>((i * 7919) % 251);
    }
    WriteBytes(path, bytes);
}

void CutShort(const std::string& path) {
    MakeStore(path, 600);
    const std::string bytes = ReadBytes(path);
    ASSERT_GT(bytes.size(), 40000U);
    WriteBytes(path, bytes.substr(0, bytes.size() / 3));
}

// Every page after the first few overwritten: the header still reads, so
// only a check of the pages finds it.
void PagesOverwritten(const std::string& path) {
    MakeStore(path, 600);
    std::string bytes = ReadBytes(path);
    ASSERT_GT(bytes.size(), 40000U);
    for (std::size_t page = 4096 * 3; page + 4096 <= bytes.size(); page += 4096) {
        for (std::size_t i = 0; i < 64; ++i) {
            bytes[page + i] = static_cast<char>(0xA5);
        }
    }
    WriteBytes(path, bytes);
}

// Another program's database under our name.
void ForeignDatabase(const std::string& path) {
    ASSERT_TRUE(ExecFile(path, "CREATE TABLE checks (x TEXT); INSERT INTO checks VALUES ('y');"));
}

TEST(StoreSafetyTest, AFileThatIsNoStoreIsMovedAsideAndAFreshStoreMadeWithOneNotice) {
    const DamageCase cases[] = {{"garbage bytes", Garbage},
                                {"a file cut short", CutShort},
                                {"pages overwritten", PagesOverwritten},
                                {"another program's database", ForeignDatabase}};
    for (const DamageCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        const std::string path = dir.File("results.sqlite3");
        c.damage(path);
        if (::testing::Test::HasFatalFailure()) {
            return;
        }
        const std::string before = ReadBytes(path);
        {
            auto store = SqliteResultStore::OpenWith(path, StoreRetention{});
            EXPECT_TRUE(store->OnDisk());
            EXPECT_TRUE(store->Writable());
            const auto notices = store->TakeNotices();
            ASSERT_EQ(notices.size(), 1U);
            EXPECT_NE(notices[0].english.find("moved to " + path + ".broken-"), std::string::npos)
                << notices[0].english;
            EXPECT_NE(notices[0].chinese.find("已移至"), std::string::npos);
            EXPECT_TRUE(store->TakeNotices().empty()) << "told once";
            store->Add(MakeCheck("fresh.test", NowSeconds()));
            store->Flush();
            EXPECT_EQ(store->Latest({"fresh.test"}).size(), 1U);
        }
        const auto broken = BrokenFiles(dir.path());
        ASSERT_EQ(broken.size(), 1U);
        EXPECT_TRUE(
            std::regex_match(broken[0], std::regex(R"(results\.sqlite3\.broken-\d{8}-\d{6})")))
            << broken[0];
        EXPECT_TRUE(ReadBytes(dir.File(broken[0])) == before) << "kept as it was";
        // The fresh store opens quietly next time.
        auto again = SqliteResultStore::OpenWith(path, StoreRetention{});
        EXPECT_TRUE(again->TakeNotices().empty());
        EXPECT_EQ(again->Latest({"fresh.test"}).size(), 1U);
    }
}

TEST(StoreSafetyTest, TwoBrokenFilesInOneSecondKeepBoth) {
    ScratchDir dir;
    const std::string path = dir.File("results.sqlite3");
    Garbage(path);
    (void)SqliteResultStore::OpenWith(path, StoreRetention{});
    std::error_code ec;
    fs::remove(path + "-wal", ec);
    fs::remove(path + "-shm", ec);
    Garbage(path);
    (void)SqliteResultStore::OpenWith(path, StoreRetention{});
    // Two names, unless the clock passed a second between the two opens.
    EXPECT_EQ(BrokenFiles(dir.path()).size(), 2U);
}

TEST(StoreSafetyTest, AStoreThatCannotBeWrittenKeepsAddingAndSaysWhyOnce) {
    ScratchDir dir;
    const std::string path = dir.File("results.sqlite3");
    MakeStore(path, 3);
    StoreOpenOptions readOnly;
    readOnly.readOnly = true;
    auto store = SqliteResultStore::OpenWith(path, StoreRetention{}, readOnly);
    EXPECT_TRUE(store->TakeNotices().empty());
    EXPECT_EQ(store->Latest({"n1.test"}).size(), 1U) << "what is stored still reads";
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 50; ++i) {
            store->Add(MakeCheck("new" + std::to_string(i) + ".test", NowSeconds()));
        }
        store->SavePosition("batch", "list", {1, 2});
        store->Flush(); // returns: the rows are dropped from the disk side
    }
    EXPECT_FALSE(store->Writable());
    const auto notices = store->TakeNotices();
    ASSERT_EQ(notices.size(), 1U);
    EXPECT_NE(notices[0].english.find("readonly"), std::string::npos) << notices[0].english;
    EXPECT_NE(notices[0].chinese.find("无法写入"), std::string::npos);
    EXPECT_TRUE(store->Latest({"new1.test"}).empty());
}

TEST(StoreSafetyTest, AFullDiskKeepsTheBatchGoingAndSaysWhyOnce) {
    ScratchDir dir;
    const std::string path = dir.File("results.sqlite3");
    auto store = SqliteResultStore::OpenWith(path, StoreRetention{});
    store->Add(MakeCheck("before.test", NowSeconds()));
    store->Flush();
    ASSERT_TRUE(store->LimitGrowth(2));
    for (int i = 0; i < 2000; ++i) {
        store->Add(
            MakeCheck("n" + std::to_string(i) + ".test", NowSeconds(), kFound,
                      std::to_string(i) + std::string(2000, static_cast<char>('a' + i % 26))));
    }
    store->Flush();
    EXPECT_FALSE(store->Writable());
    const auto notices = store->TakeNotices();
    ASSERT_EQ(notices.size(), 1U);
    EXPECT_NE(notices[0].english.find("full"), std::string::npos) << notices[0].english;
    EXPECT_EQ(store->Latest({"before.test"}).size(), 1U);
    // More rows after the failure: accepted, no second notice.
    store->Add(MakeCheck("after.test", NowSeconds()));
    store->Flush();
    EXPECT_TRUE(store->TakeNotices().empty());
}

TEST(StoreSafetyTest, AStoreThatCannotBeMadeWorksInMemory) {
    ScratchDir dir;
    WriteBytes(dir.File("not-a-folder"), "x");
    const std::string path = dir.File("not-a-folder") + "/results.sqlite3";
    auto store = SqliteResultStore::OpenWith(path, StoreRetention{});
    EXPECT_FALSE(store->OnDisk());
    EXPECT_FALSE(store->Writable());
    const auto notices = store->TakeNotices();
    ASSERT_EQ(notices.size(), 1U);
    EXPECT_NE(notices[0].english.find(path), std::string::npos);
    EXPECT_NE(notices[0].english.find("Not a directory"), std::string::npos)
        << "the system's reason: " << notices[0].english;
    EXPECT_NE(notices[0].chinese.find("无法打开"), std::string::npos);
    store->Add(MakeCheck("kept.test", NowSeconds()));
    store->SavePosition("desktop", "list", {5, 6});
    store->Flush();
    EXPECT_EQ(store->Latest({"kept.test"}).size(), 1U) << "for this run";
    EXPECT_EQ(store->Position("desktop", "list")->nextIndex, 6);
    EXPECT_TRUE(store->TakeNotices().empty());
    EXPECT_TRUE(BrokenFiles(dir.path()).empty()) << "nothing to move aside";
}

TEST(StoreSafetyTest, AReadOnlyFolderIsNoDamage) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root writes into read-only folders; the read-only file case covers it";
    }
    ScratchDir dir;
    const fs::path folder = dir.path() / "locked";
    fs::create_directory(folder);
    ::chmod(folder.c_str(), 0555);
    const std::string path = (folder / "results.sqlite3").string();
    {
        auto store = SqliteResultStore::OpenWith(path, StoreRetention{});
        EXPECT_FALSE(store->Writable());
        EXPECT_EQ(store->TakeNotices().size(), 1U);
        store->Add(MakeCheck("a.test", NowSeconds()));
        store->Flush();
    }
    ::chmod(folder.c_str(), 0755);
    EXPECT_TRUE(BrokenFiles(folder).empty());
}

TEST(StoreSafetyTest, AStoreOfALaterVersionIsLeftAsItIs) {
    ScratchDir dir;
    const std::string path = dir.File("results.sqlite3");
    MakeStore(path, 2);
    ASSERT_TRUE(ExecFile(path, "PRAGMA user_version = 99; ALTER TABLE checks ADD COLUMN later "
                               "TEXT;"));
    auto store = SqliteResultStore::OpenWith(path, StoreRetention{});
    EXPECT_TRUE(store->OnDisk()) << "its tables still hold what this version reads";
    EXPECT_TRUE(store->TakeNotices().empty());
    EXPECT_EQ(store->Latest({"n0.test"}).size(), 1U);
    store.reset();
    EXPECT_EQ(QueryFile(path, "PRAGMA user_version"), 99);
}

} // namespace
