// SPDX-License-Identifier: MIT
// The control panel: set-up and tear-down of the shared state, its settings,
// the start with its resume question, find, and its busy state.

#include "core/messages.h"
#include "core/text.h"
#include "engine/domaintable.h"
#include "listwin/domainimport.h"
#include "panel/controlpaneldlg.h"
#include "panel/dialogunits.h"
#include "scripteddialogs.h"
#include "uitest.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class PanelTest : public ::testing::Test {
protected:
    void TearDown() override { Close(); }

    // Creates the panel as the side bar would and lets its start-up load run.
    void Open() {
        panel = new CControlPanelDlg(&main);
        ASSERT_TRUE(panel->Create());
        panel->show();
        main.show();
        ASSERT_TRUE(WaitUntil([&] { return main.Count(UM_IMPORT_FINISHED) > loads; }));
        loads = main.Count(UM_IMPORT_FINISHED);
    }
    void Close() {
        delete panel;
        panel = nullptr;
    }
    template <class T>
    T* Control(int id) const {
        return panel->findChild<T*>(QString::number(id));
    }
    void WriteList(int names) {
        std::string text;
        for (int i = 0; i < names; ++i) {
            text += "name" + std::to_string(i) + ".com\r\n";
        }
        WriteBytes(home.file("_items.txt"), text);
    }
    void SaveSetting(const std::string& key, int value) {
        CCore core;
        core.autoFileConfig();
        core.saveConfigInt(key, value);
    }

    TempHome home;
    ScriptedDialogs dialogs;
    RecordingMainWindow main;
    CControlPanelDlg* panel = nullptr;
    int loads = 0;
    DomainTable& table = TheDomainTable();
};

TEST(LeadingIntTest, ReadsTheNumberAtTheStart) {
    const struct {
        const char* text;
        int value;
    } cases[] = {{"30", 30},
                 {"  7", 7},
                 {"+12", 12},
                 {"-5", -5},
                 {"15days", 15},
                 {"abc", 0},
                 {"", 0},
                 {"- 3", 0},
                 {"0x10", 0},
                 {"\t42", 42},
                 {"99999999999", 2147483647},
                 {"-99999999999", -2147483647 - 1}};
    for (const auto& c : cases) {
        EXPECT_EQ(ParseLeadingInt(c.text), c.value) << '"' << c.text << '"';
    }
}

TEST(DialogUnitsTest, TemplateRectanglesScaleWithTheBaseUnits) {
    const struct {
        const char* name;
        QRect dlu;
        DialogBaseUnits units;
        QRect pixels;
    } cases[] = {
        {"start button, 宋体 9pt", {112, 126, 50, 14}, {6, 12}, {168, 189, 75, 21}},
        {"wider font", {6, 97, 50, 14}, {7, 15}, {11, 182, 88, 26}},
        {"whole dialog at 144 dpi", {0, 0, 225, 361}, {9, 18}, {0, 0, 506, 812}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DialogRectToPixels(c.dlu, c.units), c.pixels) << c.name;
    }
    // A fallback font keeps the template font's units, scaled by the screen.
    const QFont fallback(QStringLiteral("WenQuanYi Micro Hei"), 9);
    EXPECT_EQ(PanelBaseUnits(fallback, 96).x, 6);
    EXPECT_EQ(PanelBaseUnits(fallback, 96).y, 12);
    EXPECT_EQ(PanelBaseUnits(fallback, 144).x, 9);
    EXPECT_EQ(PanelBaseUnits(fallback, 144).y, 18);
}

TEST_F(PanelTest, FirstStartSetsUpTheSharedStateAndDefaults) {
    Open();
    EXPECT_EQ(Control<QLineEdit>(1015)->text(), QStringLiteral("0"));
    EXPECT_FALSE(Control<QCheckBox>(1028)->isChecked());
    EXPECT_FALSE(Control<QLineEdit>(1015)->isEnabled());
    ASSERT_TRUE(table.IsAllocated());
    EXPECT_EQ(table.count, 0);
    EXPECT_EQ(table.listFilePath, home.file("_items.txt"));
    EXPECT_NE(table.core, nullptr);
    EXPECT_EQ(table.panelWindow, static_cast<void*>(static_cast<QWidget*>(panel)));
    EXPECT_EQ(main.Count(UM_IMPORT_FINISHED), 1); // the start-up load, once

    Close();
    EXPECT_FALSE(table.IsAllocated());
    EXPECT_EQ(table.core, nullptr);
}

TEST_F(PanelTest, RedDisplayBoxEnablesTheDaysBoxAndKeepsItsText) {
    Open();
    QTest::mouseClick(Control<QCheckBox>(1028), Qt::LeftButton);
    EXPECT_TRUE(Control<QLineEdit>(1015)->isEnabled());
    EXPECT_EQ(table.redDisplay, 1);
    Control<QLineEdit>(1015)->setText(QStringLiteral("45"));
    QTest::mouseClick(Control<QCheckBox>(1028), Qt::LeftButton);
    EXPECT_FALSE(Control<QLineEdit>(1015)->isEnabled());
    EXPECT_EQ(Control<QLineEdit>(1015)->text(), QStringLiteral("45"));

    QTest::mouseClick(Control<QCheckBox>(1028), Qt::LeftButton);
    Close(); // the flag follows every click and is saved at tear-down
    EXPECT_TRUE(SavedFlag("chkgq"));
}

TEST_F(PanelTest, DaysBoxShowsFiveDigitsAndStaysLeftOfItsLabel) {
    Open();
    auto* days = Control<QLineEdit>(1015);
    auto* label = panel->findChild<QLabel*>(QStringLiteral("daysLabel"));
    ASSERT_NE(label, nullptr);
    const int frame = days->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, days);
    // The text area inside the frame and Qt's 2-pixel margins holds "99999".
    EXPECT_GE(days->width() - 2 * frame - 2 * 2,
              days->fontMetrics().horizontalAdvance(QStringLiteral("99999")));
    EXPECT_LT(days->geometry().right(), label->geometry().left());
    // The label keeps its place after the box and inside the group.
    const QWidget* group = panel->findChild<QWidget*>(QStringLiteral("settingsGroup"));
    EXPECT_LE(label->geometry().right(), group->geometry().right());
}

TEST_F(PanelTest, DaysAreTakenOnlyWhenStartIsPressed) {
    SaveSetting("gqts", 7);
    Open();
    EXPECT_EQ(Control<QLineEdit>(1015)->text(), QStringLiteral("7"));
    Control<QLineEdit>(1015)->setText(QStringLiteral("30"));
    Close();
    EXPECT_EQ(SavedInt("gqts"), 7);

    Open();
    Control<QLineEdit>(1015)->setText(QStringLiteral("abc"));
    QTest::mouseClick(Control<QPushButton>(1003), Qt::LeftButton);
    Close();
    EXPECT_EQ(SavedInt("gqts"), 0);
    Open();
    EXPECT_EQ(Control<QLineEdit>(1015)->text(), QStringLiteral("0"));
}

TEST_F(PanelTest, StartOffersToResumeFromLastIndex) {
    const struct {
        const char* name;
        int lastIndex;
        std::deque<int> answers;
        bool asks;
        int startIndex;
    } cases[] = {
        {"yes resumes", 5, {CCore::IDYES}, true, 5},
        {"no starts over", 5, {CCore::IDNO}, true, 0},
        {"zero asks nothing", 0, {}, false, 0},
        {"last row still asks", 9, {CCore::IDYES}, true, 9},
        {"beyond the list asks nothing", 10, {}, false, 0},
        {"negative asks nothing", -4, {}, false, 0},
    };
    WriteList(10);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SaveSetting("lastindex", c.lastIndex);
        dialogs.questions.clear();
        dialogs.confirmAnswers = c.answers;
        Open();
        ASSERT_EQ(table.count, 10);
        table.startIndex = -1;
        QTest::mouseClick(Control<QPushButton>(1003), Qt::LeftButton);
        DrainPostedMessages();
        EXPECT_EQ(table.startIndex, c.startIndex);
        if (c.asks) {
            ASSERT_EQ(dialogs.questions.size(), 1u);
            EXPECT_EQ(dialogs.questions[0], "还有 " + std::to_string(10 - c.lastIndex) +
                                                " 个域名未查询，是否继续？点击否，从第一条执行。");
        } else {
            EXPECT_TRUE(dialogs.questions.empty());
        }
        Close();
    }
}

TEST_F(PanelTest, TheResumePositionBelongsToItsList) {
    const auto start = [&] {
        dialogs.questions.clear();
        table.startIndex = -1;
        QTest::mouseClick(Control<QPushButton>(1003), Qt::LeftButton);
        DrainPostedMessages();
        PostWindowMessage(panel, UM_PANEL_QUERY_ENDED); // as if the batch ended at once
        DrainPostedMessages();
    };
    // A position an earlier version saved, with no list beside it: it
    // belongs to the working list it was saved with.
    WriteList(10);
    SaveSetting("lastindex", 5);
    dialogs.confirmAnswers = {CCore::IDYES};
    Open();
    start();
    EXPECT_EQ(dialogs.questions.size(), 1u);
    EXPECT_EQ(table.startIndex, 5);
    {
        CCore core;
        core.autoFileConfig();
        EXPECT_FALSE(core.getConfigStr("lastlist").empty());
    }

    // Another list imported: the position is gone; start asks nothing.
    const std::string other = home.file("other.txt");
    WriteBytes(other, "other0.com\r\nother1.com\r\nother2.com\r\nother3.com\r\n"
                      "other4.com\r\nother5.com\r\nother6.com\r\n");
    ASSERT_TRUE(ImportDomainPath(panel, other));
    DrainPostedMessages();
    EXPECT_EQ(SavedInt("lastindex"), 0);
    SaveSetting("lastindex", 5); // the batch over the new list stopped at row 5
    dialogs.confirmAnswers = {CCore::IDYES};
    start();
    EXPECT_EQ(dialogs.questions.size(), 1u); // the same list: asked
    EXPECT_EQ(table.startIndex, 5);
    Close();

    // The list file replaced behind the program's back (another list with
    // the same number of rows): the position is not its own.
    WriteList(7);
    Open();
    start();
    EXPECT_TRUE(dialogs.questions.empty());
    EXPECT_EQ(table.startIndex, 0);
}

TEST_F(PanelTest, StartBecomesStopAndImportAndDeleteWaitUntilTheBatchEnds) {
    WriteList(3);
    Open();
    auto* start = Control<QPushButton>(1003);
    QTest::mouseClick(start, Qt::LeftButton);
    DrainPostedMessages();
    EXPECT_EQ(main.Count(UM_REQUEST_QUERY), 1);
    EXPECT_EQ(start->text(), QStringLiteral("停止查询"));
    EXPECT_TRUE(start->isEnabled());
    for (int id : {1004, 1006}) {
        EXPECT_FALSE(Control<QPushButton>(id)->isEnabled()) << id;
    }
    for (int id : {1001, 1005}) {
        EXPECT_TRUE(Control<QPushButton>(id)->isEnabled()) << id;
    }

    // Stop: asked once, the button waits for the batch to end.
    QTest::mouseClick(start, Qt::LeftButton);
    QTest::mouseClick(start, Qt::LeftButton);
    DrainPostedMessages();
    EXPECT_EQ(main.Count(UM_REQUEST_STOP), 1);
    EXPECT_EQ(main.Count(UM_REQUEST_QUERY), 1);
    EXPECT_FALSE(start->isEnabled());

    PostWindowMessage(panel, UM_PANEL_QUERY_ENDED);
    DrainPostedMessages();
    EXPECT_EQ(start->text(), QStringLiteral("开始查询"));
    for (int id : {1003, 1004, 1006}) {
        EXPECT_TRUE(Control<QPushButton>(id)->isEnabled()) << id;
    }
}

TEST_F(PanelTest, EnterRunsTheFindOnlyInTheFindBox) {
    Open();
    QApplication::setActiveWindow(&main);
    auto* find = Control<QLineEdit>(1002);
    find->setText(QStringLiteral("cnnic"));
    find->setFocus();
    ASSERT_TRUE(WaitUntil([&] { return find->hasFocus(); }));
    QTest::keyClick(find, Qt::Key_Return);
    DrainPostedMessages();
    EXPECT_EQ(main.Count(UM_REQUEST_FIND), 1);
    EXPECT_EQ(table.findText, "cnnic");

    auto* days = Control<QLineEdit>(1015);
    QTest::mouseClick(Control<QCheckBox>(1028), Qt::LeftButton);
    days->setFocus();
    ASSERT_TRUE(WaitUntil([&] { return days->hasFocus(); }));
    QTest::keyClick(days, Qt::Key_Return);
    DrainPostedMessages();
    EXPECT_EQ(main.Count(UM_REQUEST_FIND), 1);
}

TEST_F(PanelTest, EmptyFindOnlyMovesTheFocus) {
    Open();
    QApplication::setActiveWindow(&main);
    Control<QPushButton>(1003)->setFocus();
    QTest::mouseClick(Control<QPushButton>(1001), Qt::LeftButton);
    DrainPostedMessages();
    EXPECT_EQ(main.Count(UM_REQUEST_FIND), 0);
    EXPECT_TRUE(WaitUntil([&] { return Control<QLineEdit>(1002)->hasFocus(); }));
}

TEST_F(PanelTest, ImportCopiesTheChosenFileAndReportsSkippedNames) {
    const std::string tooLong(41, 'x');
    const struct {
        const char* name;
        std::string content;
        int rows;
        std::vector<std::string> infos;
    } cases[] = {
        {"plain", " HTTP://WWW.Alpha.com/ \r\nbeta.cn\n", 2, {"导入完成：新增 2 个域名。"}},
        {"long name",
         tooLong + ".com\nok.com\n",
         1,
         {"导入完成：新增 1 个域名。\n跳过了 1 行无效内容，前 1 行：\n    " + tooLong + ".com"}},
        {"not host names",
         "a b.com\n=1+1.com\nhttps://www.glowww.com/\nunder_score.com\n",
         1,
         {"导入完成：新增 1 个域名。\n跳过了 3 行无效内容，前 3 行：\n    a b.com\n    =1+1.com\n"
          "    under_score.com"}},
        {"over capacity and long",
         [&] {
             std::string s = tooLong + ".com\n";
             for (int i = 0; i < DomainTable::kMaxRows + 3; ++i) {
                 s += "n" + std::to_string(i) + ".com\n";
             }
             return s;
         }(),
         DomainTable::kMaxRows,
         {"导入完成：新增 20000 个域名。\n跳过了 1 行无效内容，前 1 行：\n    " + tooLong +
          ".com\n列表最多容纳20000个域名，其余 3 个未导入；更长的列表请用 zentrix-batch 查询。\n"
          "域名列表文件未能完整读入（3 行超出20000行）；在它能完整读入之前，删除选中不会改写它。"}},
    };
    Open();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dialogs.infos.clear();
        const std::string chosen = home.file("chosen.txt");
        WriteBytes(chosen, c.content);
        dialogs.openPaths = {chosen};
        QTest::mouseClick(Control<QPushButton>(1004), Qt::LeftButton);
        DrainPostedMessages();
        EXPECT_EQ(table.count, c.rows);
        EXPECT_EQ(ReadBytes(home.file("_items.txt")), c.content);
        EXPECT_EQ(dialogs.infos, c.infos);
    }
    EXPECT_STREQ(TheDomainTable().Row(0).domain, "n0.com");
}

TEST_F(PanelTest, ImportThatCannotReplaceTheListKeepsTheOldOne) {
    WriteList(4);
    Open();
    ASSERT_EQ(table.count, 4);
    const int before = main.Count(UM_IMPORT_FINISHED);
    const std::string chosen = home.file("chosen.txt");
    WriteBytes(chosen, "new.com\n");
    table.listFilePath = home.file("missing-folder/_items.txt");

    dialogs.openPaths = {chosen};
    QTest::mouseClick(Control<QPushButton>(1004), Qt::LeftButton);
    DrainPostedMessages();
    // The reason the system gave comes with it.
    EXPECT_EQ(dialogs.infos, std::vector<std::string>{"无法复制所选文件，域名列表未改变。\n"
                                                      "原因：没有那个文件或目录"});
    EXPECT_EQ(table.count, 4);
    EXPECT_EQ(main.Count(UM_IMPORT_FINISHED), before);

    // Cancelling, or a path that does not exist, changes nothing and says nothing.
    dialogs.infos.clear();
    dialogs.openPaths = {"", home.file("nope.txt")};
    QTest::mouseClick(Control<QPushButton>(1004), Qt::LeftButton);
    QTest::mouseClick(Control<QPushButton>(1004), Qt::LeftButton);
    EXPECT_TRUE(dialogs.infos.empty());
    EXPECT_EQ(table.count, 4);
}

TEST_F(PanelTest, ExportWritesEveryRowOrSaysWhyNot) {
    WriteList(2);
    Open();
    const std::string csv = home.file("out.csv");
    dialogs.savePaths = {csv};
    QTest::mouseClick(Control<QPushButton>(1005), Qt::LeftButton);
    EXPECT_EQ(dialogs.proposedNames, std::vector<std::string>{"export.csv"});
    EXPECT_EQ(dialogs.infos, std::vector<std::string>{"共导出了 2 条有效记录！"});
    EXPECT_EQ(ReadBytes(csv).substr(0, 14), "\"whois.verisig");
    EXPECT_TRUE(Control<QPushButton>(1005)->isEnabled());

    dialogs.infos.clear();
    const std::string folder = home.path(); // a folder cannot be replaced by a file
    dialogs.savePaths = {folder + "sub/"};
    QTest::mouseClick(Control<QPushButton>(1005), Qt::LeftButton);
    ASSERT_EQ(dialogs.infos.size(), 1u);
    EXPECT_EQ(dialogs.infos[0], "无法写入文件：" + folder + "sub/\n原因：没有那个文件或目录");
    EXPECT_TRUE(Control<QPushButton>(1005)->isEnabled());

    dialogs.infos.clear(); // cancelled: nothing written, nothing said
    QTest::mouseClick(Control<QPushButton>(1005), Qt::LeftButton);
    EXPECT_TRUE(dialogs.infos.empty());
    EXPECT_TRUE(Control<QPushButton>(1005)->isEnabled());
}

} // namespace

namespace {

// With a list loaded, an import replaces it or adds to it, as the user
// chooses. Names the list has (or the import has twice) are dropped either
// way; rows already there keep their results; the list file follows.
TEST_F(PanelTest, ImportReplacesOrAppendsWithoutDuplicates) {
    WriteList(3);
    Open();
    table.Row(1).status = Found;
    RowOutcome outcome;
    outcome.server = "whois.verisign-grs.com";
    outcome.askedAt = 1'700'000'000;
    table.details.Set(1, std::move(outcome));
    const std::string chosen = home.file("chosen.txt");
    const auto import = [&](const std::string& content, int choice) {
        WriteBytes(chosen, content);
        dialogs.openPaths = {chosen};
        dialogs.choiceAnswers = {choice};
        dialogs.infos.clear();
        dialogs.choices.clear();
        QTest::mouseClick(Control<QPushButton>(1004), Qt::LeftButton);
        DrainPostedMessages();
    };

    import("NAME1.com\nnew1.com\nnew1.com\nbad name\nnew2.com\n", 1);
    EXPECT_EQ(
        dialogs.choices,
        std::vector<std::string>{"列表中已有 3 个域名。要用导入的域名替换当前列表，还是追加到列表？"
                                 " [替换当前列表|追加到列表|取消]"});
    EXPECT_EQ(table.count, 5);
    EXPECT_EQ(ReadBytes(home.file("_items.txt")),
              "name0.com\r\nname1.com\r\nname2.com\r\nnew1.com\r\nnew2.com\r\n");
    EXPECT_EQ(table.Row(1).status, Found);
    EXPECT_EQ(table.details.AskedAt(1), 1'700'000'000);
    EXPECT_EQ(dialogs.infos, std::vector<std::string>{"导入完成：新增 2 个域名。\n"
                                                      "去掉了 2 个重复的域名。\n"
                                                      "跳过了 1 行无效内容，前 1 行：\n"
                                                      "    bad name"});

    // Cancel changes nothing and says nothing.
    import("other.com\n", 2);
    EXPECT_EQ(table.count, 5);
    EXPECT_TRUE(dialogs.infos.empty());

    // From the clipboard too.
    dialogs.choiceAnswers = {1};
    dialogs.infos.clear();
    ASSERT_TRUE(ImportDomainText(panel, QStringLiteral("new2.com\r\nclip.com\r\n")));
    DrainPostedMessages();
    EXPECT_EQ(table.count, 6);
    EXPECT_STREQ(table.Row(5).domain, "clip.com");
    EXPECT_EQ(dialogs.infos,
              std::vector<std::string>{"导入完成：新增 1 个域名。\n去掉了 1 个重复的域名。"});
    EXPECT_FALSE(QFile::exists(QString::fromStdString(home.file("_items.txt.pasted"))));

    // Replacing drops the new list's own duplicates, in the file too.
    import("a.com\nA.COM\nb.com\na.com\n", 0);
    EXPECT_EQ(table.count, 2);
    EXPECT_EQ(ReadBytes(home.file("_items.txt")), "a.com\r\nb.com\r\n");
    EXPECT_EQ(dialogs.infos,
              std::vector<std::string>{"导入完成：新增 2 个域名。\n去掉了 2 个重复的域名。"});
}

TEST_F(PanelTest, AppendingStopsAtTheCapacity) {
    WriteList(DomainTable::kMaxRows - 1);
    Open();
    const std::string chosen = home.file("chosen.txt");
    WriteBytes(chosen, "x1.com\nx2.com\nname0.com\nx3.com\n");
    dialogs.openPaths = {chosen};
    dialogs.choiceAnswers = {1};
    QTest::mouseClick(Control<QPushButton>(1004), Qt::LeftButton);
    DrainPostedMessages();
    EXPECT_EQ(table.count, DomainTable::kMaxRows);
    EXPECT_STREQ(table.Row(DomainTable::kMaxRows - 1).domain, "x1.com");
    EXPECT_EQ(dialogs.infos,
              std::vector<std::string>{"导入完成：新增 1 个域名。\n去掉了 1 个重复的域名。\n"
                                       "列表最多容纳20000个域名，其余 2 个未导入；"
                                       "更长的列表请用 zentrix-batch 查询。"});
}

} // namespace
