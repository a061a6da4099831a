// SPDX-License-Identifier: MIT
// Asking again: chosen rows as a batch of their own, a resume that leaves out
// rows finished out of order before the stop, and the menus and keys that
// drive them.

#include "apptest.h"
#include "core/ccore.h"
#include "scripteddialogs.h"
#include "tests/support/fakewhoisserver.h"

#include <QAction>
#include <QMenu>
#include <gtest/gtest.h>

namespace {

std::string Answer(const std::string& name, const std::string& expiry) {
    return "Domain Name: " + name + "\r\nRegistrar: Example Names\r\n" +
           "Creation Date: 2010-01-02T00:00:00Z\r\nRegistry Expiry Date: " + expiry +
           "T00:00:00Z\r\n";
}

class RequeryTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"alpha.com", "beta.cn", "gamma.org", "delta.biz"}) {
            server.SetScript(name, FakeWhoisScript::Answer(Answer(name, "2030-01-01")));
        }
        qputenv("ZENTRIX_CONNECT_TO",
                QByteArray::fromStdString(server.ConnectToFor(FakeWhoisServer::AllEndpoints())));
        WriteBytes(list, "alpha.com\r\nbeta.cn\r\ngamma.org\r\ndelta.biz\r\n");
    }
    void TearDown() override { qunsetenv("ZENTRIX_CONNECT_TO"); }

    std::unique_ptr<RunningApp> StartWithList() {
        auto run = std::make_unique<RunningApp>();
        if (!run->Start()) {
            return nullptr;
        }
        if (!run->ImportFile(dialogs, list, 4)) {
            return nullptr;
        }
        return run;
    }
    static QAction* Action(const RunningApp& run, int id) {
        return run.frame->findChild<QAction*>(QString::number(id));
    }
    static int32_t Status(int row) { return TheDomainTable().Row(row).status; }

    TempHome home;
    ScriptedDialogs dialogs;
    FakeWhoisServer server;
    const std::string list = home.file("four.txt");
};

// Failed rows, highlighted rows and rows never asked, each as a batch of
// their own through the "查询" menu and the rows' menu: only those rows are
// asked, the others keep their results, and the resume point stays.
TEST_F(RequeryTest, ChosenRowsAreAskedAloneAndTheOthersKeepTheirResults) {
    server.SetScript("delta.biz", FakeWhoisScript::CloseAtOnce());
    auto run = StartWithList();
    ASSERT_NE(run, nullptr);
    run->Click(1003);
    ASSERT_TRUE(run->WaitForBatchEnd());
    ASSERT_EQ(Status(3), Error);
    ASSERT_EQ(SavedInt("lastindex"), 4);
    TheDomainTable().core->saveConfigInt("lastindex", 2); // as if a full batch had stopped there

    // The registry answers now; a row asked again would show the new date.
    server.SetScript("delta.biz", FakeWhoisScript::Answer(Answer("delta.biz", "2031-05-06")));
    server.SetScript("alpha.com", FakeWhoisScript::Answer(Answer("alpha.com", "2035-01-01")));
    std::size_t before = server.ConnectionCount();
    Action(*run, CMakeHtmlView::ID_REQUERY_FAILED)->trigger();
    ASSERT_TRUE(run->WaitForBatchEnd());
    EXPECT_EQ(server.ConnectionCount(), before + 1);
    EXPECT_EQ(Status(3), Found);
    CListCtrlModel* model = run->view->listModel();
    EXPECT_EQ(model->GetItemText(3, ListColumn::Expiry), QStringLiteral("2031-05-06"));
    EXPECT_EQ(model->GetItemText(0, ListColumn::Expiry), QStringLiteral("2030-01-01"));
    EXPECT_EQ(SavedInt("lastindex"), 2) << "the resume point of the full batch stays";
    EXPECT_EQ(run->Pane(1), QStringLiteral("进度：4 / 4"));

    // No failed row left: nothing starts, the user is told.
    before = server.ConnectionCount();
    EXPECT_FALSE(run->view->QueryRows(CMakeHtmlView::RowChoice::Failed));
    EXPECT_EQ(dialogs.infos.back(), "没有查询失败的行。");
    EXPECT_FALSE(run->view->QueryRows(CMakeHtmlView::RowChoice::Unasked));
    EXPECT_EQ(dialogs.infos.back(), "没有未查询的行。");

    // The highlighted row, from the rows' own menu.
    run->view->selectRow(run->view->VisibleRowOf(0));
    const std::unique_ptr<QMenu> menu = run->view->CreateContextMenu();
    QAction* selected =
        menu->findChild<QAction*>(QString::number(CMakeHtmlView::ID_REQUERY_SELECTED));
    ASSERT_NE(selected, nullptr);
    selected->trigger();
    ASSERT_TRUE(run->WaitForBatchEnd());
    EXPECT_EQ(server.ConnectionCount(), before + 1);
    EXPECT_EQ(model->GetItemText(0, ListColumn::Expiry), QStringLiteral("2035-01-01"));
    EXPECT_EQ(model->GetItemText(3, ListColumn::Expiry), QStringLiteral("2031-05-06"));
}

// A stop while one registry stalls and the rows after it finish: the resume,
// even after a restart, asks only the stalled row and says how many are left.
TEST_F(RequeryTest, ResumeAsksOnlyTheRowsWithoutAResult) {
    server.SetScript("beta.cn", FakeWhoisScript::Stall());
    auto run = StartWithList();
    ASSERT_NE(run, nullptr);
    run->Click(1003);
    DrainPostedMessages();
    ASSERT_TRUE(WaitUntil([&] { return run->view->shownRowCount() >= 3; }));
    run->Click(1003); // stop
    ASSERT_TRUE(run->WaitForBatchEnd());
    ASSERT_EQ(SavedInt("lastindex"), 1);
    ASSERT_EQ(Status(2), Found);

    run.reset(); // close and start again: the results come from the store
    {
        // As if the batch had begun a while before its rows finished (a row
        // asked within the second a batch began is asked again).
        CCore core;
        core.autoFileConfig();
        const long long began = std::stoll(core.getConfigStr("lastbegan"));
        core.saveConfigStr("lastbegan", std::to_string(began - 5));
    }
    run = std::make_unique<RunningApp>();
    ASSERT_TRUE(run->Start());
    server.SetScript("beta.cn", FakeWhoisScript::Answer(Answer("beta.cn", "2032-02-02")));
    const std::size_t before = server.ConnectionCount();
    ASSERT_EQ(run->StartAnswering(dialogs, CCore::IDYES), ResumeQuestion(1));
    ASSERT_TRUE(run->WaitForBatchEnd());
    EXPECT_EQ(server.ConnectionCount(), before + 1);
    EXPECT_EQ(Status(1), Found);
    EXPECT_EQ(SavedInt("lastindex"), 4);
    EXPECT_EQ(run->Pane(1), QStringLiteral("进度：4 / 4"));

    // A position whose rows all have results since that batch began leaves
    // nothing to resume: the next start asks every row without a question.
    dialogs.questions.clear();
    TheDomainTable().core->saveConfigInt("lastindex", 2);
    run->Click(1003);
    EXPECT_TRUE(dialogs.questions.empty());
    ASSERT_TRUE(run->WaitForBatchEnd());
    EXPECT_EQ(server.ConnectionCount(), before + 5);
}

TEST_F(RequeryTest, MenusKeysAndQuittingDuringABatch) {
    auto run = StartWithList();
    ASSERT_NE(run, nullptr);
    const struct {
        int id;
        QKeySequence key;
    } keys[] = {
        {CMainFrame::ID_IMPORT_FILE, QKeySequence(Qt::CTRL | Qt::Key_O)},
        {CMainFrame::ID_EXPORT, QKeySequence(Qt::CTRL | Qt::Key_E)},
        {57665, QKeySequence(Qt::CTRL | Qt::Key_Q)},
        {CMainFrame::ID_START_STOP, QKeySequence(Qt::Key_F5)},
    };
    for (const auto& k : keys) {
        QAction* action = Action(*run, k.id);
        ASSERT_NE(action, nullptr) << k.id;
        EXPECT_EQ(action->shortcut(), k.key) << k.id;
    }

    run->Click(1003);
    ASSERT_TRUE(run->WaitForBatchEnd());
    const DomainTable& table = TheDomainTable();
    const std::int64_t askedAt = table.details.AskedAt(1);
    ASSERT_GT(askedAt, 0);
    const QString status = run->view->listModel()->GetItemText(1, ListColumn::Status);
    ASSERT_FALSE(status.isEmpty());

    // Delete asks first; No keeps the rows.
    const auto deleteRow = [&](int row, int answer) {
        run->view->selectRow(run->view->VisibleRowOf(row));
        dialogs.confirmAnswers = {answer};
        QTest::keyClick(run->view, Qt::Key_Delete);
        DrainPostedMessages();
    };
    deleteRow(1, CCore::IDNO);
    EXPECT_EQ(dialogs.questions.back(), "是否从列表中删除选中的 1 个域名？");
    EXPECT_EQ(table.count, 4);
    deleteRow(1, CCore::IDYES);
    EXPECT_EQ(table.count, 3);
    EXPECT_EQ(ReadBytes(home.file("_items.txt")), "alpha.com\r\ngamma.org\r\ndelta.biz\r\n");

    // Ctrl+Z brings the row back in its place with its result, once.
    QAction* undo = run->frame->findChild<QAction*>(QStringLiteral("undoDelete"));
    ASSERT_NE(undo, nullptr);
    EXPECT_EQ(undo->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
    undo->trigger();
    DrainPostedMessages();
    EXPECT_EQ(table.count, 4);
    EXPECT_EQ(ReadBytes(home.file("_items.txt")),
              "alpha.com\r\nbeta.cn\r\ngamma.org\r\ndelta.biz\r\n");
    EXPECT_STREQ(table.Row(1).domain, "beta.cn");
    EXPECT_EQ(table.Row(1).status, Found);
    EXPECT_EQ(table.details.AskedAt(1), askedAt);
    EXPECT_EQ(run->view->listModel()->GetItemText(1, ListColumn::Status), status);
    undo->trigger();
    DrainPostedMessages();
    EXPECT_EQ(table.count, 4);

    // After a batch there is nothing to undo.
    deleteRow(1, CCore::IDYES);
    Action(*run, CMainFrame::ID_START_STOP)->trigger();
    ASSERT_TRUE(run->WaitForBatchEnd());
    undo->trigger();
    DrainPostedMessages();
    EXPECT_EQ(table.count, 3);

    // Quitting during a batch asks.
    server.SetScript("gamma.org", FakeWhoisScript::Stall());
    Action(*run, CMainFrame::ID_START_STOP)->trigger();
    DrainPostedMessages();
    ASSERT_TRUE(run->view->IsQueryRunning());
    dialogs.questions.clear();
    dialogs.confirmAnswers = {CCore::IDNO};
    run->frame->close();
    DrainPostedMessages();
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_EQ(dialogs.questions[0], "正在查询，是否停止查询并退出？");
    ASSERT_NE(run->app.mainFrame(), nullptr);
    EXPECT_TRUE(run->view->IsQueryRunning());
    dialogs.confirmAnswers = {CCore::IDYES};
    run->frame->close();
    ASSERT_TRUE(WaitUntil([&] { return run->app.mainFrame() == nullptr; }));
    run.reset();
}

} // namespace
