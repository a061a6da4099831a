#include "core/atomicfile.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/support/scratchdir.h"

namespace {

std::size_t EntriesIn(const std::filesystem::path& dir) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir),
                                                  std::filesystem::directory_iterator()));
}

TEST(AtomicFileTest, TargetChangesOnlyAtCommit) {
    ScratchDir dir;
    const std::string path = dir.File("out.txt");
    WriteBytes(path, "old");
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

TEST(AtomicFileTest, UncommittedFileLeavesTargetAndNoTemporary) {
    ScratchDir dir;
    const std::string path = dir.File("out.txt");
    WriteBytes(path, "old");
    {
        AtomicFile file(path);
        ASSERT_TRUE(file.Open());
        ASSERT_TRUE(file.Write("partial"));
    }
    EXPECT_EQ(ReadBytes(path), "old");
    EXPECT_EQ(EntriesIn(dir.path()), 1U);
}

TEST(AtomicFileTest, ReplacedFileKeepsItsPermissions) {
    ScratchDir dir;
    const std::string path = dir.File("out.txt");
    WriteBytes(path, "old");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(WriteFileAtomically(path, "new"));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640U);
}

} // namespace
