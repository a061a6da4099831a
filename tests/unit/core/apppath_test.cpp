// SPDX-License-Identifier: MIT
#include "core/apppath.h"

#include <filesystem>
#include <gtest/gtest.h>

#include "tests/support/scratchdir.h"

namespace {

struct PathCase {
    const char* name;
    AppPathInputs in;
    std::string expected;
};

TEST(ChooseAppPath, FollowsTheOrderOfPreference) {
    const PathCase cases[] = {
        {"home wins", {"/h", "/opt/z", true, "/x", "/u"}, "/h/"},
        {"home keeps its slash", {"/h/", "", false, "", "/u"}, "/h/"},
        {"portable exe folder", {"", "/opt/z", true, "/x", "/u"}, "/opt/z/"},
        // A writable folder is not enough: a build folder gets wiped, and
        // root can write into the system's bin folder.
        {"exe folder without marker",
         {"", "/src/build/release/shell", false, "/x", "/u"},
         "/x/zentrix/"},
        {"marker without exe folder", {"", "", true, "/x", "/u"}, "/x/zentrix/"},
        {"xdg with slash", {"", "/usr/bin", false, "/x/", "/u"}, "/x/zentrix/"},
        {"relative xdg ignored", {"", "/usr/bin", false, "rel", "/u"}, "/u/.local/share/zentrix/"},
        {"no xdg", {"", "", false, "", "/u"}, "/u/.local/share/zentrix/"},
        // Nothing known: no folder, never a shared temporary one.
        {"nothing", {"", "/usr/bin", false, "", ""}, ""},
        {"relative xdg, no home", {"", "", false, "rel", ""}, ""},
        {"xdg, no home", {"", "", false, "/x", ""}, "/x/zentrix/"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(chooseAppPath(c.in), c.expected) << c.name;
}

class MoveOldDataFilesTest : public testing::Test {
protected:
    MoveOldDataFilesTest() {
        std::filesystem::create_directories(dir.path() / "old");
        std::filesystem::create_directories(dir.path() / "data");
    }
    [[nodiscard]] std::string Old() const { return dir.File("old/"); }
    [[nodiscard]] std::string Data() const { return dir.File("data/"); }

    ScratchDir dir;
};

TEST_F(MoveOldDataFilesTest, CopiesListAndSettingsIntoAnEmptyDataFolderOnce) {
    WriteBytes(Old() + "_items.txt", "a.com\r\n");
    WriteBytes(Old() + "zentrix.ini", "gqts=30\n");
    const DataFolderMove moved = MoveOldDataFiles(Old(), Data());
    EXPECT_EQ(moved.copied, (std::vector<std::string>{"_items.txt", "zentrix.ini"}));
    EXPECT_EQ(moved.error, 0);
    EXPECT_EQ(ReadBytes(Data() + "_items.txt"), "a.com\r\n");
    EXPECT_EQ(ReadBytes(Data() + "zentrix.ini"), "gqts=30\n");
    EXPECT_TRUE(std::filesystem::exists(Old() + "_items.txt")) << "the old files stay";

    // Later starts find the data folder in use and bring nothing over.
    WriteBytes(Old() + "_items.txt", "changed.com\r\n");
    EXPECT_TRUE(MoveOldDataFiles(Old(), Data()).copied.empty());
    EXPECT_EQ(ReadBytes(Data() + "_items.txt"), "a.com\r\n");
}

TEST_F(MoveOldDataFilesTest, NothingIsBroughtOverAFolderInUse) {
    const struct {
        const char* name;
        std::vector<std::string> oldFiles;
        std::vector<std::string> dataFiles;
        std::vector<std::string> copied;
    } cases[] = {
        {"only a list beside the program", {"_items.txt"}, {}, {"_items.txt"}},
        {"nothing beside the program", {}, {}, {}},
        {"settings already in the data folder", {"_items.txt"}, {"zentrix.ini"}, {}},
        {"a list already in the data folder", {"zentrix.ini"}, {"_items.txt"}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir own;
        std::filesystem::create_directories(own.path() / "old");
        std::filesystem::create_directories(own.path() / "data");
        for (const std::string& name : c.oldFiles)
            WriteBytes(own.File("old/" + name), "old");
        for (const std::string& name : c.dataFiles)
            WriteBytes(own.File("data/" + name), "data");
        EXPECT_EQ(MoveOldDataFiles(own.File("old/"), own.File("data/")).copied, c.copied);
        for (const std::string& name : c.dataFiles)
            EXPECT_EQ(ReadBytes(own.File("data/" + name)), "data");
    }
}

TEST_F(MoveOldDataFilesTest, AFailedCopySaysWhy) {
    WriteBytes(Old() + "_items.txt", "a.com\r\n");
    const DataFolderMove moved = MoveOldDataFiles(Old(), dir.File("missing/"));
    EXPECT_TRUE(moved.copied.empty());
    EXPECT_EQ(moved.error, ENOENT);
}

} // namespace
