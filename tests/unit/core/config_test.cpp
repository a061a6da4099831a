// SPDX-License-Identifier: MIT
#include "core/ccore.h"
#include "core/configfile.h"
#include "core/usernotice.h"

#include "tests/support/temphome.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::set<std::string> filesIn(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.insert(entry.path().filename().string());
    return names;
}

ino_t inodeOf(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

class ConfigTest : public ::testing::Test {
protected:
    TempHome home;
};

TEST_F(ConfigTest, AppPathIsTheHomeFolderWithASlash) {
    CCore core;
    EXPECT_EQ(core.getAppPath(), home.dir() + "/");
}

TEST_F(ConfigTest, AppPathCreatesAMissingFolder) {
    const std::string nested = home.dir() + "/a/b";
    ::setenv("ZENTRIX_HOME", (nested + "/").c_str(), 1);
    CCore core;
    EXPECT_EQ(core.getAppPath(), nested + "/");
    EXPECT_TRUE(std::filesystem::is_directory(nested));
}

TEST_F(ConfigTest, NeverSavedKeysReadZeroAndFalse) {
    CCore core;
    core.autoFileConfig();
    EXPECT_EQ(core.getConfigInt("lastindex"), 0);
    EXPECT_FALSE(core.getConfigB("chkgq"));
    EXPECT_FALSE(std::filesystem::exists(home.iniPath())); // reading writes nothing
}

TEST_F(ConfigTest, ValuesSurviveIntoANewInstance) {
    {
        CCore core;
        core.autoFileConfig();
        core.saveConfigInt("gqts", 30);
        core.saveConfigInt("lastindex", -5);
        core.saveConfigInt("big", INT_MAX);
        core.saveConfigInt("small", INT_MIN);
        core.saveConfigB("chkgq", true);
        core.saveConfigB("off", false);
        EXPECT_EQ(core.getConfigInt("gqts"), 30);
    }
    CCore again;
    again.autoFileConfig();
    EXPECT_EQ(again.getConfigInt("gqts"), 30);
    EXPECT_EQ(again.getConfigInt("lastindex"), -5);
    EXPECT_EQ(again.getConfigInt("big"), INT_MAX);
    EXPECT_EQ(again.getConfigInt("small"), INT_MIN);
    EXPECT_TRUE(again.getConfigB("chkgq"));
    EXPECT_FALSE(again.getConfigB("off"));
    EXPECT_EQ(filesIn(home.dir()), std::set<std::string>{"zentrix.ini"});
}

TEST_F(ConfigTest, GettersWorkBeforeAutoFileConfig) {
    writeFile(home.iniPath(), "gqts=15\n");
    const CCore core;
    EXPECT_EQ(core.getConfigInt("gqts"), 15);
}

TEST_F(ConfigTest, ReadsHandEditedFiles) {
    writeFile(home.iniPath(), "gqts=abc\r\n"
                              "chkgq= 1 \r\n"
                              "lastindex=12\r\n"
                              "no equals sign\n"
                              "=5\n"
                              "huge=99999999999\n"
                              "half=12abc\n"
                              "plus=+7\n"
                              "  spaced key  =3\n"
                              "last=9"); // no final line end
    CCore core;
    core.autoFileConfig();
    EXPECT_EQ(core.getConfigInt("gqts"), 0);
    EXPECT_TRUE(core.getConfigB("chkgq"));
    EXPECT_EQ(core.getConfigInt("lastindex"), 12);
    EXPECT_EQ(core.getConfigInt(""), 0);
    EXPECT_EQ(core.getConfigInt("huge"), 0);
    EXPECT_EQ(core.getConfigInt("half"), 0);
    EXPECT_EQ(core.getConfigInt("plus"), 7);
    EXPECT_EQ(core.getConfigInt("spaced key"), 3);
    EXPECT_EQ(core.getConfigInt("last"), 9);
}

TEST_F(ConfigTest, KeysThatWouldBreakTheFileAreMadeSafe) {
    {
        CCore core;
        core.autoFileConfig();
        core.saveConfigInt("gqts", 7);
        core.saveConfigInt("a=b\nlastindex", 99);
    }
    CCore again;
    again.autoFileConfig();
    EXPECT_EQ(again.getConfigInt("gqts"), 7);
    EXPECT_EQ(again.getConfigInt("lastindex"), 0); // no line of its own was smuggled in
    EXPECT_EQ(again.getConfigInt("a=b\nlastindex"), 99);
}

TEST_F(ConfigTest, SavingAnUnchangedValueLeavesTheFileAlone) {
    CCore core;
    core.autoFileConfig();
    core.saveConfigInt("lastindex", 4);
    ASSERT_TRUE(core.flushConfig());
    const ino_t before = inodeOf(home.iniPath());
    ASSERT_NE(before, 0u);
    core.saveConfigInt("lastindex", 4);
    ASSERT_TRUE(core.flushConfig());
    EXPECT_EQ(inodeOf(home.iniPath()), before);
    core.saveConfigInt("lastindex", 5);
    ASSERT_TRUE(core.flushConfig());
    EXPECT_NE(inodeOf(home.iniPath()), before); // replaced, not written in place
}

TEST_F(ConfigTest, AFailedWriteKeepsTheValueAndLeavesNoTemporaryFile) {
    // A folder where the file should be: rename cannot replace it.
    std::filesystem::create_directory(home.iniPath());
    CCore core;
    core.autoFileConfig();
    core.saveConfigInt("lastindex", 8);
    EXPECT_FALSE(core.flushConfig());
    EXPECT_EQ(core.getConfigInt("lastindex"), 8);
    EXPECT_EQ(filesIn(home.dir()), std::set<std::string>{"zentrix.ini"});
}

TEST_F(ConfigTest, ConcurrentSavesLeaveAReadableFileAtEveryMoment) {
    CCore core;
    core.autoFileConfig();
    core.saveConfigInt("gqts", 30);
    ASSERT_TRUE(core.flushConfig());
    constexpr int kSaves = 2000;
    std::atomic<int> writersLeft{2};
    std::atomic<int> badReads{0};
    std::atomic<int> reads{0};

    // The worker saves "lastindex"; the user-interface thread saves settings
    // and reads them; a reader outside the process sees the file itself.
    std::thread worker([&] {
        for (int i = 1; i <= kSaves; ++i)
            core.saveConfigInt("lastindex", i);
        --writersLeft;
    });
    std::thread ui([&] {
        for (int i = 1; i <= kSaves; ++i) {
            core.saveConfigB("chkgq", i % 2 == 1);
            if (core.getConfigInt("gqts") != 30)
                ++badReads;
        }
        --writersLeft;
    });
    while (writersLeft.load() > 0) {
        const std::string text = readFile(home.iniPath());
        ++reads;
        if (text.find("gqts=30\n") == std::string::npos || text.back() != '\n')
            ++badReads;
    }
    worker.join();
    ui.join();
    EXPECT_TRUE(core.flushConfig());

    EXPECT_EQ(badReads.load(), 0) << "of " << reads.load() << " reads";
    CCore again;
    again.autoFileConfig();
    EXPECT_EQ(again.getConfigInt("lastindex"), kSaves);
    EXPECT_FALSE(again.getConfigB("chkgq"));
    EXPECT_EQ(again.getConfigInt("gqts"), 30);
    EXPECT_EQ(filesIn(home.dir()), std::set<std::string>{"zentrix.ini"});
}

TEST_F(ConfigTest, SavesReachTheFileWithoutAFlush) {
    CCore core;
    core.saveConfigInt("lastindex", 3);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (readFile(home.iniPath()) != "lastindex=3\n" &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    EXPECT_EQ(readFile(home.iniPath()), "lastindex=3\n");
}

TEST_F(ConfigTest, ExitWritesPendingValues) {
    // "fast" style forks this process, so the child shares this test's folder.
    GTEST_FLAG_SET(death_test_style, "fast");
    EXPECT_EXIT(
        {
            CCore core; // std::exit never destroys it
            core.saveConfigInt("gqts", 1);
            core.saveConfigInt("lastindex", 9);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(readFile(home.iniPath()), "gqts=1\nlastindex=9\n");
}

TEST_F(ConfigTest, InstancesAliveTogetherShareTheirValues) {
    CCore panel;
    panel.autoFileConfig();
    panel.saveConfigInt("gqts", 30);
    {
        CCore other;
        EXPECT_EQ(other.getConfigInt("gqts"), 30); // before any write reached the file
        other.saveConfigInt("lastindex", 12);
    }
    EXPECT_EQ(panel.getConfigInt("lastindex"), 12);
    ASSERT_TRUE(panel.flushConfig());
    EXPECT_EQ(readFile(home.iniPath()), "gqts=30\nlastindex=12\n");
}

// Another zentrix process saving its own keys meanwhile: each object stands
// for one process, with what it read when it started.
TEST_F(ConfigTest, ASaveKeepsWhatAnotherProcessSavedMeanwhile) {
    writeFile(home.iniPath(), "gqts=10\n");
    ConfigFile desktop(home.iniPath());
    ConfigFile batch(home.iniPath());
    desktop.setValue("gqts", "30");
    ASSERT_TRUE(desktop.flush());
    batch.setValue("lastindex", "7");
    ASSERT_TRUE(batch.flush());
    EXPECT_EQ(readFile(home.iniPath()), "gqts=30\nlastindex=7\n");
    EXPECT_EQ(batch.value("gqts"), "10") << "a process keeps the values it read";
    desktop.setValue("chkgq", "1");
    ASSERT_TRUE(desktop.flush());
    EXPECT_EQ(readFile(home.iniPath()), "chkgq=1\ngqts=30\nlastindex=7\n");
}

TEST_F(ConfigTest, TwoProcessesSavingAtOnceLoseNoKey) {
    constexpr int kSaves = 300;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ConfigFile file(home.iniPath());
        for (int i = 1; i <= kSaves; ++i)
            file.setValue("child", std::to_string(i));
        std::_Exit(file.flush() ? 0 : 1);
    }
    ConfigFile file(home.iniPath());
    for (int i = 1; i <= kSaves; ++i)
        file.setValue("parent", std::to_string(i));
    EXPECT_TRUE(file.flush());
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(readFile(home.iniPath()),
              "child=" + std::to_string(kSaves) + "\nparent=" + std::to_string(kSaves) + "\n");
}

TEST_F(ConfigTest, TheFileKeepsItsModeAndItsLink) {
    {
        CCore core;
        core.saveConfigInt("gqts", 1);
        ASSERT_TRUE(core.flushConfig());
    }
    struct stat info {};
    ASSERT_EQ(::stat(home.iniPath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644U & ~0022U) << "readable like the user's other files";

    // A settings file kept elsewhere through a link, with modes of its own.
    const std::string real = home.dir() + "/real.ini";
    std::filesystem::rename(home.iniPath(), real);
    ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
    ASSERT_EQ(::symlink("real.ini", home.iniPath().c_str()), 0);
    {
        CCore core;
        core.saveConfigInt("gqts", 2);
        ASSERT_TRUE(core.flushConfig());
    }
    ASSERT_EQ(::lstat(home.iniPath().c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    ASSERT_EQ(::stat(real.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640U);
    EXPECT_EQ(readFile(real), "gqts=2\n");
}

// Collects what the core tells the user while it lives.
class NoticeRecorder {
public:
    NoticeRecorder() {
        SetUserNoticeHandler([this](const UserNotice& notice) {
            const std::lock_guard lock(m_mutex);
            m_notices.push_back(notice);
        });
    }
    ~NoticeRecorder() { SetUserNoticeHandler({}); }
    NoticeRecorder(const NoticeRecorder&) = delete;
    NoticeRecorder& operator=(const NoticeRecorder&) = delete;
    std::vector<UserNotice> notices() {
        const std::lock_guard lock(m_mutex);
        return m_notices;
    }

private:
    std::mutex m_mutex;
    std::vector<UserNotice> m_notices;
};

TEST_F(ConfigTest, AFailedSaveIsToldOnceAndRetriedLater) {
    NoticeRecorder recorder;
    std::filesystem::create_directory(home.iniPath()); // cannot be replaced by a file
    ConfigFile file(home.iniPath());
    for (int i = 1; i <= 50; ++i) {
        file.setValue("lastindex", std::to_string(i));
        EXPECT_FALSE(file.flush());
    }
    ASSERT_EQ(recorder.notices().size(), 1U);
    const UserNotice told = recorder.notices().front();
    EXPECT_EQ(told.kind, UserNoticeKind::SettingsNotSaved);
    EXPECT_EQ(told.path, home.iniPath());
    EXPECT_EQ(told.detail, std::strerror(EISDIR));
    EXPECT_EQ(file.lastError(), EISDIR);
    EXPECT_EQ(UserNoticeText(told),
              "cannot save settings to " + home.iniPath() + ": " + std::strerror(EISDIR));

    // Once the cause is gone the values left behind are written...
    std::filesystem::remove(home.iniPath());
    EXPECT_TRUE(file.flush());
    EXPECT_EQ(readFile(home.iniPath()), "lastindex=50\n");
    // ...and a new failure is a new story.
    std::filesystem::remove(home.iniPath());
    std::filesystem::create_directory(home.iniPath());
    file.setValue("gqts", "3");
    EXPECT_FALSE(file.flush());
    EXPECT_EQ(recorder.notices().size(), 2U);
}

TEST_F(ConfigTest, IsFileExistMeansARegularFile) {
    writeFile(home.dir() + "/list.txt", "a.com\n");
    writeFile(home.dir() + "/empty.txt", "");
    EXPECT_NE(CCore::isFileExist(home.dir() + "/list.txt"), 0);
    EXPECT_NE(CCore::isFileExist(home.dir() + "/empty.txt"), 0);
    EXPECT_EQ(CCore::isFileExist(home.dir()), 0);
    EXPECT_EQ(CCore::isFileExist(home.dir() + "/missing.txt"), 0);
    EXPECT_EQ(CCore::isFileExist(""), 0);
}

} // namespace
