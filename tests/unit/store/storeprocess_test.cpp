// SPDX-License-Identifier: MIT
// The store shared between processes: two writers at once lose nothing and
// never see "database is locked"; a writer killed with SIGKILL loses only
// what it had not committed yet.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "engine/store/sqliteresultstore.h"
#include "storetesting.h"
#include "tests/support/scratchdir.h"

extern char** environ;

namespace {

// A running store_test_writer, its standard output on a pipe and its
// standard error in a file.
class Writer {
public:
    Writer(const std::string& path, const std::string& prefix, int count,
           const std::string& errorFile) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorFile.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const std::string countText = std::to_string(count);
        std::vector<char*> argv = {
            const_cast<char*>(STORE_WRITER_PATH), const_cast<char*>(path.c_str()),
            const_cast<char*>(prefix.c_str()), const_cast<char*>(countText.c_str()), nullptr};
        if (posix_spawn(&m_pid, STORE_WRITER_PATH, &actions, nullptr, argv.data(), environ) != 0) {
            m_pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        m_out = fds[0];
    }
    ~Writer() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            Wait();
        }
        if (m_out >= 0) {
            ::close(m_out);
        }
    }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    [[nodiscard]] bool Started() const { return m_pid > 0; }

    // The next line the writer printed; empty at its end or the deadline.
    std::string ReadLine(std::chrono::steady_clock::time_point deadline) {
        for (;;) {
            if (const auto end = m_buffer.find('\n'); end != std::string::npos) {
                std::string line = m_buffer.substr(0, end);
                m_buffer.erase(0, end + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                return {};
            }
            pollfd poller{m_out, POLLIN, 0};
            if (::poll(&poller, 1, static_cast<int>(left.count())) <= 0) {
                continue;
            }
            char chunk[256];
            const ssize_t got = ::read(m_out, chunk, sizeof chunk);
            if (got <= 0) {
                return {};
            }
            m_buffer.append(chunk, static_cast<std::size_t>(got));
        }
    }

    void Kill() { ::kill(m_pid, SIGKILL); }

    // The exit status as waitpid gives it.
    int Wait() {
        int status = -1;
        if (m_pid > 0) {
            ::waitpid(m_pid, &status, 0);
            m_pid = -1;
        }
        return status;
    }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    std::string m_buffer;
};

std::int64_t RowsOf(const std::string& path, const std::string& prefix) {
    return QueryFile(path, "SELECT count(*) FROM checks WHERE domain LIKE '" + prefix + "%'");
}

TEST(StoreProcessTest, TwoProcessesWritingAtOnceStoreEveryRow) {
    ScratchDir dir;
    const std::string path = dir.File("results.sqlite3");
    constexpr int kRows = 10000;
    // Both make the file at once too.
    Writer first(path, "first", kRows, dir.File("first.err"));
    Writer second(path, "second", kRows, dir.File("second.err"));
    ASSERT_TRUE(first.Started() && second.Started());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    EXPECT_EQ(first.ReadLine(deadline), "stored " + std::to_string(kRows));
    EXPECT_EQ(second.ReadLine(deadline), "stored " + std::to_string(kRows));
    const int firstStatus = first.Wait();
    const int secondStatus = second.Wait();
    EXPECT_TRUE(WIFEXITED(firstStatus) && WEXITSTATUS(firstStatus) == 0)
        << ReadBytes(dir.File("first.err"));
    EXPECT_TRUE(WIFEXITED(secondStatus) && WEXITSTATUS(secondStatus) == 0)
        << ReadBytes(dir.File("second.err"));
    EXPECT_EQ(ReadBytes(dir.File("first.err")), "");
    EXPECT_EQ(ReadBytes(dir.File("second.err")), "");
    EXPECT_EQ(RowsOf(path, "first"), kRows);
    EXPECT_EQ(RowsOf(path, "second"), kRows);
    EXPECT_EQ(QueryFile(path, "PRAGMA user_version"), 2);
}

TEST(StoreProcessTest, AWriterKilledMidBatchKeepsEveryRowItHadCommitted) {
    ScratchDir dir;
    const std::string path = dir.File("results.sqlite3");
    Writer writer(path, "killed", 0, dir.File("killed.err"));
    ASSERT_TRUE(writer.Started());
    // Commits come at least once a second; kill after a few thousand rows.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    long committed = 0;
    while (committed < 3000) {
        const std::string line = writer.ReadLine(deadline);
        ASSERT_FALSE(line.empty()) << "the writer stopped reporting at " << committed << ": "
                                   << ReadBytes(dir.File("killed.err"));
        committed = std::stol(line);
    }
    writer.Kill();
    const int status = writer.Wait();
    ASSERT_TRUE(WIFSIGNALED(status));

    // Opened by a store as the next program run would: no damage, every
    // committed row there.
    auto store = SqliteResultStore::OpenWith(path, StoreRetention{});
    EXPECT_TRUE(store->TakeNotices().empty());
    EXPECT_TRUE(store->Writable());
    store.reset();
    EXPECT_GE(RowsOf(path, "killed"), committed);
    EXPECT_EQ(QueryFileText(path, "PRAGMA integrity_check"), "ok");
}

} // namespace
