// The message protocol through the real main frame: every request of the
// panel reaches the view through the frame, with its status texts, and every
// report comes back; each message is acted on once.

#include "apptest.h"
#include "engine/domaintable.h"
#include "platform/dockids.h"
#include "scripteddialogs.h"
#include "shell/messages.h"

#include <QAction>
#include <QClipboard>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <gtest/gtest.h>

namespace {

class ProtocolTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteBytes(home.file("_items.txt"),
                   "alpha.com\r\nbeta.cn\r\ngamma.com\r\n"); // servers: verisign, cnnic, verisign
        ASSERT_TRUE(run.Start());
    }
    void PostToFrame(unsigned message, std::intptr_t lParam = 0) {
        PostWindowMessage(run.frame, message, 0, lParam);
        DrainPostedMessages();
    }
    [[nodiscard]] std::vector<int> SelectedRows() const {
        std::vector<int> rows;
        for (const QModelIndex& index : run.view->selectionModel()->selectedRows()) {
            rows.push_back(index.row());
        }
        return rows;
    }

    TempHome home;
    ScriptedDialogs dialogs;
    RunningApp run;
    DomainTable& table = TheDomainTable();
};

TEST_F(ProtocolTest, StartUpShowsTheLoadedListInAMaximizedTitledWindow) {
    EXPECT_EQ(run.frame->windowTitle(), QStringLiteral("zentrix 域名批量查询"));
    EXPECT_TRUE(run.frame->isMaximized());
    EXPECT_EQ(run.frame->sideBar()->DockBarId(), AFX_IDW_DOCKBAR_LEFT);
    EXPECT_EQ(run.frame->sideBar()->windowTitle(), QStringLiteral("侧边栏"));
    EXPECT_EQ(run.Pane(2), QStringLiteral("域名数量：3"));
    ASSERT_EQ(run.view->listModel()->GetItemCount(), 3);
    EXPECT_EQ(run.view->listModel()->GetItemText(1, 1), QStringLiteral("whois.cnnic.cn"));
}

TEST_F(ProtocolTest, ProgressPanesAreThirtyAverageCharactersWide) {
    const int expected = 30 * QFontMetrics(run.frame->statusBar()->font()).averageCharWidth();
    EXPECT_EQ(run.frame->Pane(1)->width(), expected);
    EXPECT_EQ(run.frame->Pane(2)->width(), expected);
}

TEST_F(ProtocolTest, ABatchRunsFromStartButtonToEnabledButton) {
    run.view->SetTransport([](const std::string&, const std::string& domain) {
        return "No match for \"" + domain + "\".\r\n";
    });
    run.Click(1003);
    EXPECT_FALSE(run.Button(1003)->isEnabled());
    ASSERT_TRUE(WaitUntil([&] { return run.Button(1003)->isEnabled(); }));
    EXPECT_EQ(run.Pane(0), QStringLiteral("操作结束！"));
    EXPECT_EQ(run.Pane(1), QStringLiteral("进度：3 / 3"));
    EXPECT_EQ(run.view->listModel()->GetItemText(0, 2), QStringLiteral("域名未注册"));
    EXPECT_TRUE(run.Button(1004)->isEnabled());
    EXPECT_TRUE(run.Button(1006)->isEnabled());
}

TEST_F(ProtocolTest, StartWithAnEmptyListSaysSoAndEnds) {
    run.view->OnCheckAll();
    run.Click(1006); // delete every row
    DrainPostedMessages();
    ASSERT_EQ(table.count, 0);
    run.Click(1003);
    DrainPostedMessages();
    EXPECT_EQ(dialogs.infos, std::vector<std::string>{"请至少指定一个域名。"});
    EXPECT_EQ(run.Pane(0), QStringLiteral("操作结束！"));
    EXPECT_TRUE(run.Button(1003)->isEnabled());
}

TEST_F(ProtocolTest, WorkerExitEndsTheBatchWhateverItsParameter) {
    for (std::intptr_t lParam : {0, -1}) {
        SCOPED_TRACE(lParam);
        run.frame->SetPaneText(0, QString());
        run.frame->SetPaneText(1, QStringLiteral("进度：1 / 3"));
        run.Button(1003)->setEnabled(false);
        PostWindowMessage(run.view, UM_WORKER_EXIT, 0, lParam);
        DrainPostedMessages();
        EXPECT_EQ(run.Pane(0), QStringLiteral("操作结束！"));
        EXPECT_EQ(run.Pane(1), QStringLiteral("进度：1 / 3"));
        EXPECT_TRUE(run.Button(1003)->isEnabled());
    }
}

TEST_F(ProtocolTest, ProgressPrintsTheRowCountAtHandlingTime) {
    PostToFrame(UM_PROGRESS, 7);
    EXPECT_EQ(run.Pane(1), QStringLiteral("进度：7 / 3"));
    table.count = 2; // as after an import that changed the count
    PostToFrame(UM_PROGRESS, -1);
    EXPECT_EQ(run.Pane(1), QStringLiteral("进度：-1 / 2"));
}

TEST_F(ProtocolTest, RowDoneAimedAtTheViewIsActedOnOnce) {
    table.Row(0).answered = 1;
    table.Row(0).status = Found;
    PostWindowMessage(run.view, UM_ROW_DONE, 0, 2);
    DrainPostedMessages();
    EXPECT_EQ(run.view->shownRowCount(), 2);
    EXPECT_EQ(run.Pane(1), QStringLiteral("进度：2 / 3"));
    EXPECT_EQ(run.view->listModel()->GetItemText(0, 2), QStringLiteral("成功"));
}

TEST_F(ProtocolTest, FindRequestMovesOneMatchPerPress) {
    auto* find = run.panel->findChild<QLineEdit*>(QStringLiteral("1002"));
    find->setText(QStringLiteral("verisign"));
    run.Click(1001);
    DrainPostedMessages();
    EXPECT_EQ(SelectedRows(), std::vector<int>{0});
    EXPECT_EQ(table.findCursor, 1);
    run.Click(1001);
    DrainPostedMessages();
    EXPECT_EQ(SelectedRows(), std::vector<int>{2});

    find->clear(); // an empty find posts nothing
    run.Click(1001);
    DrainPostedMessages();
    EXPECT_EQ(table.findCursor, 0);
    EXPECT_EQ(SelectedRows(), std::vector<int>{2});
}

TEST_F(ProtocolTest, DeleteCheckedRewritesTheListAndClearsResults) {
    table.Row(0).answered = 1;
    table.Row(0).status = Found;
    PostWindowMessage(run.view, UM_ROW_DONE, 0, 3);
    DrainPostedMessages();
    run.view->listModel()->SetCheck(1, true);
    run.Click(1006);
    DrainPostedMessages();
    EXPECT_EQ(ReadBytes(home.file("_items.txt")), "alpha.com\r\ngamma.com\r\n");
    EXPECT_EQ(run.Pane(0), QStringLiteral("完成导入域名到列表！"));
    EXPECT_EQ(run.Pane(2), QStringLiteral("域名数量：2"));
    ASSERT_EQ(run.view->listModel()->GetItemCount(), 2);
    EXPECT_TRUE(run.view->listModel()->GetItemText(0, 2).isEmpty());

    run.Click(1006); // nothing checked: same names, reloaded
    DrainPostedMessages();
    EXPECT_EQ(ReadBytes(home.file("_items.txt")), "alpha.com\r\ngamma.com\r\n");
    EXPECT_EQ(run.Pane(2), QStringLiteral("域名数量：2"));
}

TEST_F(ProtocolTest, ViewMessagesPostedToTheFrameAreIgnored) {
    // The walk starts at the target: the view never sees what is aimed at the frame.
    const int items = run.view->listModel()->GetItemCount();
    table.Clear();
    PostToFrame(UM_RELOAD_LIST);
    EXPECT_EQ(run.view->listModel()->GetItemCount(), items);
}

TEST_F(ProtocolTest, HiddenSideBarStillEndsABatch) {
    QAction* sideBarItem = run.frame->findChild<QAction*>(QStringLiteral("32785"));
    ASSERT_NE(sideBarItem, nullptr);
    EXPECT_TRUE(sideBarItem->isChecked());
    sideBarItem->trigger();
    DrainPostedMessages();
    EXPECT_FALSE(run.frame->sideBar()->IsVisible());
    EXPECT_FALSE(sideBarItem->isChecked());

    run.Button(1003)->setEnabled(false);
    PostWindowMessage(run.panel, UM_PANEL_QUERY_ENDED);
    DrainPostedMessages();
    EXPECT_TRUE(run.Button(1003)->isEnabled());

    sideBarItem->trigger();
    DrainPostedMessages();
    EXPECT_TRUE(run.frame->sideBar()->IsVisible());
    EXPECT_TRUE(sideBarItem->isChecked());
}

TEST_F(ProtocolTest, MenuPromptsShowInPaneZeroWhileHighlighted) {
    const struct {
        const char* id;
        const char* prompt;
    } items[] = {{"57665", "退出应用程序"},
                 {"59393", "显示或隐藏状态栏"},
                 {"57664", "显示程序信息，版本号和版权"}};
    for (const auto& item : items) {
        auto* action = run.frame->findChild<QAction*>(QString::fromLatin1(item.id));
        ASSERT_NE(action, nullptr) << item.id;
        action->showStatusText(run.frame);
        EXPECT_EQ(run.frame->statusBar()->currentMessage(), QString::fromUtf8(item.prompt));
    }
    QStatusTipEvent leave{QString()};
    QCoreApplication::sendEvent(run.frame, &leave);
    EXPECT_TRUE(run.frame->statusBar()->currentMessage().isEmpty());
    EXPECT_EQ(run.Pane(0), QStringLiteral("完成导入域名到列表！"));
}

TEST_F(ProtocolTest, EditKeysDoNothingInTheList) {
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    QApplication::setActiveWindow(run.frame);
    run.view->setCurrentIndex(run.view->model()->index(0, 0));
    run.view->setFocus();
    ASSERT_TRUE(WaitUntil([&] { return run.view->hasFocus(); }));
    QTest::keyClick(run.view, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(run.view, Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
}

TEST_F(ProtocolTest, AboutTextNamesTheProductAndVersion) {
    const QString text = CMainFrame::AboutText();
    EXPECT_TRUE(text.contains(QStringLiteral("zentrix 域名批量查询")));
    EXPECT_TRUE(text.contains(QStringLiteral(ZENTRIX_VERSION)));
}

} // namespace
