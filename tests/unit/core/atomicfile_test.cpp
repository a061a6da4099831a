// SPDX-License-Identifier: MIT
#include "core/atomicfile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/scratchdir.h"

namespace {

std::size_t EntriesIn(const std::filesystem::path& dir) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir),
                                                  std::filesystem::directory_iterator()));
}

// A folder whose "out.txt" holds "old".
class AtomicFileTest : public testing::Test {
protected:
    void SetUp() override { WriteBytes(path, "old"); }

    ScratchDir dir;
    const std::string path = dir.File("out.txt");
};

TEST_F(AtomicFileTest, TargetChangesOnlyAtCommit) {
    {
        AtomicFile file(path);
        ASSERT_TRUE(file.Open());
        ASSERT_TRUE(file.Write("new "));
        ASSERT_TRUE(file.Write(std::string(200'000, 'x'))); // past the buffer
        EXPECT_EQ(ReadBytes(path), "old");
        ASSERT_TRUE(file.Commit());
    }
    EXPECT_EQ(ReadBytes(path), "new " + std::string(200'000, 'x'));
    EXPECT_EQ(EntriesIn(dir.path()), 1U);
}

TEST_F(AtomicFileTest, UncommittedFileLeavesTargetAndNoTemporary) {
    {
        AtomicFile file(path);
        ASSERT_TRUE(file.Open());
        ASSERT_TRUE(file.Write("partial"));
    }
    EXPECT_EQ(ReadBytes(path), "old");
    EXPECT_EQ(EntriesIn(dir.path()), 1U);
}

TEST_F(AtomicFileTest, ReplacedFileKeepsItsPermissions) {
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(WriteFileAtomically(path, "new"));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640U);
}

} // namespace

namespace {

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

// Restores the umask the test changed.
class UmaskFor {
public:
    explicit UmaskFor(mode_t mask) : m_previous(::umask(mask)) {}
    ~UmaskFor() { ::umask(m_previous); }
    UmaskFor(const UmaskFor&) = delete;
    UmaskFor& operator=(const UmaskFor&) = delete;

private:
    mode_t m_previous;
};

TEST(AtomicFileLinks, ALinkStaysALinkAndItsTargetIsReplaced) {
    ScratchDir dir;
    std::filesystem::create_directory(dir.path() / "real");
    const std::string target = dir.File("real/settings.ini");
    WriteBytes(target, "old");
    ASSERT_EQ(::chmod(target.c_str(), 0604), 0);
    const std::string link = dir.File("link.ini");
    ASSERT_EQ(::symlink("real/settings.ini", link.c_str()), 0); // relative, as users make them
    const std::string chain = dir.File("chain.ini");
    ASSERT_EQ(::symlink(link.c_str(), chain.c_str()), 0);

    ASSERT_TRUE(WriteFileAtomically(chain, "new"));
    EXPECT_TRUE(S_ISLNK(ModeOf(link)));
    EXPECT_TRUE(S_ISLNK(ModeOf(chain)));
    EXPECT_EQ(ReadBytes(target), "new");
    EXPECT_EQ(ModeOf(target) & 07777, 0604U);
    EXPECT_EQ(EntriesIn(dir.path() / "real"), 1U) << "no temporary left beside the target";
}

TEST(AtomicFileLinks, ADanglingLinkCreatesItsTarget) {
    ScratchDir dir;
    const std::string link = dir.File("list.txt");
    ASSERT_EQ(::symlink("elsewhere.txt", link.c_str()), 0);
    ASSERT_TRUE(WriteFileAtomically(link, "a.com\r\n"));
    EXPECT_TRUE(S_ISLNK(ModeOf(link)));
    EXPECT_EQ(ReadBytes(dir.File("elsewhere.txt")), "a.com\r\n");
}

TEST(AtomicFileLinks, ALoopOfLinksFailsWithItsReason) {
    ScratchDir dir;
    ASSERT_EQ(::symlink("b", dir.File("a").c_str()), 0);
    ASSERT_EQ(::symlink("a", dir.File("b").c_str()), 0);
    AtomicFile file(dir.File("a"));
    EXPECT_FALSE(file.Open());
    EXPECT_EQ(file.error(), ELOOP);
    EXPECT_EQ(file.errorText(), std::strerror(ELOOP));
}

TEST(AtomicFileModes, NewFilesAre0644UnderTheUmask) {
    ScratchDir dir;
    {
        const UmaskFor mask(022);
        ASSERT_TRUE(WriteFileAtomically(dir.File("a"), "x"));
    }
    {
        const UmaskFor mask(0);
        ASSERT_TRUE(WriteFileAtomically(dir.File("b"), "x"));
    }
    {
        const UmaskFor mask(077);
        ASSERT_TRUE(WriteFileAtomically(dir.File("c"), "x"));
    }
    EXPECT_EQ(ModeOf(dir.File("a")) & 07777, 0644U);
    EXPECT_EQ(ModeOf(dir.File("b")) & 07777, 0644U);
    EXPECT_EQ(ModeOf(dir.File("c")) & 07777, 0600U);
}

TEST(AtomicFileFailures, EveryFailureKeepsTheOldFileNoTemporaryAndItsReason) {
    struct Case {
        const char* name;
        std::function<std::string(ScratchDir&)> prepare; // returns the path to write
        int error;
    };
    const Case cases[] = {
        {"missing_folder", [](ScratchDir& d) { return d.File("none/out.txt"); }, ENOENT},
        {"target_is_a_folder",
         [](ScratchDir& d) {
             std::filesystem::create_directory(d.path() / "sub");
             return d.File("sub");
         },
         EISDIR},
        {"empty_path", [](ScratchDir&) { return std::string(); }, ENOENT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        WriteBytes(dir.File("keep.txt"), "keep");
        const std::string path = c.prepare(dir);
        int error = 0;
        EXPECT_FALSE(WriteFileAtomically(path, "new", &error));
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(SystemReason(error), std::strerror(c.error));
        EXPECT_EQ(ReadBytes(dir.File("keep.txt")), "keep");
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path())) {
            EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos)
                << entry.path();
        }
    }
}

// A process killed while writing leaves ".NAME.tmp-PID-N"; once that process
// is gone, the next writer of the same file, or a sweep of the folder,
// removes it. A live process's temporary and other files stay.
TEST(AtomicFileTemporaries, ThoseOfGoneProcessesAreRemoved) {
    ScratchDir dir;
    const pid_t gone = [] {
        const pid_t child = ::fork();
        if (child == 0) {
            std::_Exit(0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return child; // reaped: no process has this id now (until it is reused)
    }();
    const std::string dead = "-" + std::to_string(gone) + "-3";
    const std::string alive = "-" + std::to_string(::getppid()) + "-1";
    WriteBytes(dir.File(".out.csv.tmp" + dead), "half");
    WriteBytes(dir.File(".out.csv.tmp" + alive), "busy");
    WriteBytes(dir.File(".zentrix.ini.tmp" + dead), "half");
    WriteBytes(dir.File("notes.tmp" + dead), "not ours: no leading dot");
    WriteBytes(dir.File(".out.csv.tmp-x-1"), "not ours: no process id");

    ASSERT_TRUE(WriteFileAtomically(dir.File("out.csv"), "rows"));
    EXPECT_FALSE(std::filesystem::exists(dir.File(".out.csv.tmp" + dead)));
    EXPECT_TRUE(std::filesystem::exists(dir.File(".zentrix.ini.tmp" + dead)))
        << "a writer sweeps only its own target's temporaries";

    EXPECT_EQ(RemoveStaleTemporaries(dir.path().string()), 1);
    EXPECT_FALSE(std::filesystem::exists(dir.File(".zentrix.ini.tmp" + dead)));
    EXPECT_TRUE(std::filesystem::exists(dir.File(".out.csv.tmp" + alive)));
    EXPECT_TRUE(std::filesystem::exists(dir.File("notes.tmp" + dead)));
    EXPECT_TRUE(std::filesystem::exists(dir.File(".out.csv.tmp-x-1")));
}

TEST(CopyFileAtomicallyTest, CopiesWholeOrLeavesTheTarget) {
    ScratchDir dir;
    const std::string big(300'000, 'z');
    WriteBytes(dir.File("from"), big);
    WriteBytes(dir.File("to"), "old");
    ASSERT_TRUE(CopyFileAtomically(dir.File("from"), dir.File("to")));
    EXPECT_EQ(ReadBytes(dir.File("to")), big);

    int error = 0;
    EXPECT_FALSE(CopyFileAtomically(dir.File("missing"), dir.File("to"), &error));
    EXPECT_EQ(error, ENOENT);
    EXPECT_FALSE(CopyFileAtomically(dir.path().string(), dir.File("to"), &error));
    EXPECT_EQ(error, EISDIR) << "a folder cannot be read as a file";
    EXPECT_EQ(ReadBytes(dir.File("to")), big);
    EXPECT_EQ(EntriesIn(dir.path()), 2U);
}

} // namespace

namespace {

// "-o /dev/null" or a pipe: renaming a file over it would replace the device
// or the pipe itself.
TEST(AtomicFileDevices, APipeIsWrittenInPlace) {
    ScratchDir dir;
    const std::string fifo = dir.File("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    ASSERT_TRUE(WriteFileAtomically(fifo, "rows\r\n"));
    char buffer[16] = {};
    EXPECT_EQ(::read(reader, buffer, sizeof buffer), 6);
    EXPECT_STREQ(buffer, "rows\r\n");
    ::close(reader);
    EXPECT_TRUE(S_ISFIFO(ModeOf(fifo)));
    EXPECT_EQ(EntriesIn(dir.path()), 1U);
}

} // namespace
