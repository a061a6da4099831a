// SPDX-License-Identifier: MIT
// The desktop program keeps the user's list file: a list read only in part is
// never written back, a list keeps the encoding it was read in; and it tells
// the user what it found on its own (bad ZENTRIX_CONNECT_TO entries, settings
// it cannot save).

#include "apptest.h"
#include "core/ccore.h"
#include "engine/domaintable.h"
#include "platform/systemerror.h"
#include "scripteddialogs.h"

#include <QDir>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using testing::HasSubstr;

const std::string kExampleUtf8 = "\xE4\xBE\x8B\xE5\xAD\x90"; // 例子

class SafetyTest : public ::testing::Test {
protected:
    // Writes the list file the program finds at its start, then starts it.
    bool StartWith(const std::string& listBytes) {
        WriteBytes(home.file("_items.txt"), listBytes);
        run = std::make_unique<RunningApp>();
        return run->Start();
    }
    // Checks `rows` in the list and presses "删除选中".
    void DeleteRows(std::initializer_list<int> rows) {
        for (const int row : rows) {
            run->view->listModel()->SetCheck(row, true);
        }
        run->Click(1006);
        DrainPostedMessages();
    }
    [[nodiscard]] std::string List() const { return ReadBytes(home.file("_items.txt")); }

    TempHome home;
    ScriptedDialogs dialogs;
    std::unique_ptr<RunningApp> run;
    DomainTable& table = TheDomainTable();
};

TEST_F(SafetyTest, AListReadOnlyInPartIsNeverWrittenBack) {
    const std::string list = "a.com\r\n" + std::string(5000, 'x') + "\r\nb.com\r\nc.com\r\n";
    ASSERT_TRUE(StartWith(list));
    ASSERT_EQ(dialogs.infos.size(), 1U);
    EXPECT_THAT(dialogs.infos[0], HasSubstr("1 行超过4KB"));
    EXPECT_EQ(table.count, 3);

    dialogs.infos.clear();
    DeleteRows({0});
    EXPECT_EQ(List(), list) << "the long line would be lost";
    ASSERT_EQ(dialogs.infos.size(), 1U) << "told once, not again by the reload";
    EXPECT_THAT(dialogs.infos[0], HasSubstr("未改写它"));
    EXPECT_EQ(table.count, 3) << "the rows come back with the file";

    // Importing over it asks first; No (the default) leaves it alone.
    WriteBytes(home.file("new.txt"), "new.com\r\n");
    dialogs.openPaths = {home.file("new.txt")};
    run->Click(1004);
    DrainPostedMessages();
    ASSERT_EQ(dialogs.questions.size(), 1U);
    EXPECT_THAT(dialogs.questions[0], HasSubstr("导入将替换它"));
    EXPECT_EQ(List(), list);

    // Yes replaces it, and the complete load lets delete write again.
    dialogs.openPaths = {home.file("new.txt")};
    dialogs.confirmAnswers = {CCore::IDYES};
    run->Click(1004);
    DrainPostedMessages();
    EXPECT_EQ(List(), "new.com\r\n");
    WriteBytes(home.file("two.txt"), "one.com\r\ntwo.com\r\n");
    dialogs.openPaths = {home.file("two.txt")};
    run->Click(1004);
    DrainPostedMessages();
    EXPECT_EQ(dialogs.questions.size(), 2U) << "a complete list is replaced without asking";
    DeleteRows({0});
    EXPECT_EQ(List(), "two.com\r\n");
}

TEST_F(SafetyTest, AnUnreadableListFileIsLeftAlone) {
    // A folder where the list should be: it cannot be read, and the empty
    // table must not be written over it.
    std::filesystem::create_directory(home.file("_items.txt"));
    run = std::make_unique<RunningApp>();
    ASSERT_TRUE(run->Start());
    ASSERT_EQ(dialogs.infos.size(), 1U);
    EXPECT_THAT(dialogs.infos[0], HasSubstr(SystemErrorText(EISDIR).toStdString()));
    DeleteRows({});
    EXPECT_TRUE(std::filesystem::is_directory(home.file("_items.txt")));
}

TEST_F(SafetyTest, AUtf8ListStaysUtf8WithItsMark) {
    const std::string mark = "\xEF\xBB\xBF";
    ASSERT_TRUE(StartWith(mark + kExampleUtf8 + ".cn\r\nb.com\r\nc.com\r\n"));
    EXPECT_TRUE(dialogs.infos.empty());
    EXPECT_STREQ(table.Row(0).domain, "xn--fsqu00a.cn");
    DeleteRows({1});
    EXPECT_EQ(List(), mark + kExampleUtf8 + ".cn\r\nc.com\r\n");
}

TEST_F(SafetyTest, ImportTellsAboutInvalidNames) {
    ASSERT_TRUE(StartWith(""));
    WriteBytes(home.file("chosen.txt"), "ok.com\r\nbad\x1b[0m.com\r\nb\xC3\xBC_x.de\r\n");
    dialogs.openPaths = {home.file("chosen.txt")};
    run->Click(1004);
    DrainPostedMessages();
    EXPECT_EQ(table.count, 1);
    EXPECT_EQ(dialogs.infos, std::vector<std::string>{"导入完成：新增 1 个域名。\n"
                                                      "跳过了 2 行无效内容，前 2 行：\n"
                                                      "    bad?[0m.com\n"
                                                      "    b\xC3\xBC_x.de"});
}

TEST_F(SafetyTest, BadConnectToEntriesAreNamedAtStart) {
    qputenv("ZENTRIX_CONNECT_TO", "whois.a=127.0.0.1:43,whois.b=127.0.0.1:4x");
    ASSERT_TRUE(StartWith("a.com\r\n"));
    DrainPostedMessages();
    qunsetenv("ZENTRIX_CONNECT_TO");
    ASSERT_EQ(dialogs.infos.size(), 1U);
    EXPECT_THAT(dialogs.infos[0], HasSubstr("ZENTRIX_CONNECT_TO"));
    EXPECT_THAT(dialogs.infos[0], HasSubstr("whois.b=127.0.0.1:4x"));
}

TEST_F(SafetyTest, ABatchThatCannotUseItsCaFileSaysWhy) {
    qputenv("ZENTRIX_CACERT", QByteArray::fromStdString(home.file("missing.pem")));
    ASSERT_TRUE(StartWith("a.com\r\n"));
    run->Click(1003);
    const bool told = WaitUntil([&] { return !dialogs.infos.empty(); });
    qunsetenv("ZENTRIX_CACERT");
    ASSERT_TRUE(told);
    EXPECT_THAT(dialogs.infos[0], HasSubstr("无法开始查询"));
    EXPECT_THAT(dialogs.infos[0], HasSubstr("missing.pem"));
    EXPECT_TRUE(WaitUntil([&] { return run->Button(1003)->isEnabled(); }));
    EXPECT_EQ(table.Row(0).answered, 0) << "nothing was asked";
}

TEST_F(SafetyTest, SettingsThatCannotBeSavedShowInTheStatusLine) {
    ASSERT_TRUE(StartWith("a.com\r\n"));
    // A folder where the settings file goes: every save fails.
    std::filesystem::remove(home.file("zentrix.ini"));
    std::filesystem::create_directory(home.file("zentrix.ini"));
    table.core->saveConfigInt("gqts", 12);
    EXPECT_FALSE(table.core->flushConfig());
    ASSERT_TRUE(WaitUntil([&] { return run->Pane(0).startsWith(QStringLiteral("无法保存设置")); }));
    EXPECT_THAT(run->Pane(0).toStdString(), HasSubstr(std::strerror(EISDIR)));
    std::filesystem::remove(home.file("zentrix.ini"));
}

} // namespace
