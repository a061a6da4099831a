// SPDX-License-Identifier: MIT
// The message protocol through the real main frame: every request of the
// panel reaches the view through the frame, with its status texts, and every
// report comes back; each message is acted on once.

#include "apptest.h"
#include "core/messages.h"
#include "dock/dockids.h"
#include "engine/domaintable.h"
#include "platform/mainwindow.h"
#include "platform/pretranslatefilter.h"
#include "platform/qtcoredialogs.h"
#include "platform/widgetmessagetarget.h"
#include "scripteddialogs.h"

#include <QAction>
#include <QClipboard>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <gtest/gtest.h>
#include <thread>

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
    run.view->SetTransport([](const std::string&, const std::string& domain, QueryHop) {
        return "No match for \"" + domain + "\".\r\n";
    });
    run.Click(1003);
    EXPECT_EQ(run.Button(1003)->text(), QStringLiteral("停止查询"));
    ASSERT_TRUE(WaitUntil([&] { return run.Button(1003)->text() == QStringLiteral("开始查询"); }));
    EXPECT_TRUE(run.Button(1003)->isEnabled());
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
    PostWindowMessage(run.view, UM_ROW_DONE, 0, 0);
    DrainPostedMessages();
    EXPECT_EQ(run.view->shownRowCount(), 1);
    EXPECT_EQ(run.Pane(1), QStringLiteral("进度：1 / 3"));
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

TEST_F(ProtocolTest, DeleteCheckedRewritesTheListAndKeepsTheOtherResults) {
    table.Row(0).answered = 1;
    table.Row(0).status = Found;
    PostWindowMessage(run.view, UM_ROW_DONE, 0, 0);
    DrainPostedMessages();
    run.view->listModel()->SetCheck(1, true);
    run.Click(1006);
    DrainPostedMessages();
    EXPECT_TRUE(dialogs.questions.empty()); // no confirmation asked
    EXPECT_EQ(ReadBytes(home.file("_items.txt")), "alpha.com\r\ngamma.com\r\n");
    EXPECT_EQ(run.Pane(0), QStringLiteral("完成导入域名到列表！"));
    EXPECT_EQ(run.Pane(2), QStringLiteral("域名数量：2"));
    ASSERT_EQ(run.view->listModel()->GetItemCount(), 2);
    EXPECT_EQ(run.view->listModel()->GetItemText(0, 2), QStringLiteral("成功"));
    EXPECT_TRUE(run.view->listModel()->GetItemText(1, 2).isEmpty());

    run.Click(1006); // nothing checked: same names, results kept
    DrainPostedMessages();
    EXPECT_EQ(ReadBytes(home.file("_items.txt")), "alpha.com\r\ngamma.com\r\n");
    EXPECT_EQ(run.Pane(2), QStringLiteral("域名数量：2"));
    EXPECT_EQ(run.view->listModel()->GetItemText(0, 2), QStringLiteral("成功"));
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

TEST_F(ProtocolTest, InTheListCopyCopiesTheRowsAndTheOtherEditKeysDoNothing) {
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    QApplication::setActiveWindow(run.frame);
    run.view->setCurrentIndex(run.view->model()->index(0, 0));
    run.view->setFocus();
    ASSERT_TRUE(WaitUntil([&] { return run.view->hasFocus(); }));
    const int rows = run.view->listModel()->GetItemCount();
    for (const QKeyCombination key :
         {Qt::CTRL | Qt::Key_X, Qt::CTRL | Qt::Key_V, Qt::CTRL | Qt::Key_Z,
          Qt::SHIFT | Qt::Key_Delete, Qt::SHIFT | Qt::Key_Insert, QKeyCombination(Qt::Key_F6)}) {
        QTest::keyClick(run.view, key.key(), key.keyboardModifiers());
    }
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
    EXPECT_EQ(run.view->listModel()->GetItemCount(), rows);

    QTest::keyClick(run.view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QStringLiteral("alpha.com\twhois.verisign-grs.com\t\t\t\t\t\t\t\t\t\t\n"));
}

} // namespace

namespace {

// A window of the walk that notes who saw which message, and may claim it.
class Probe final : public QWidget, public CMessageWindow {
public:
    Probe(const char* name, std::vector<std::string>& seen, QWidget* parent = nullptr)
        : QWidget(parent), m_name(name), m_seen(seen) {}
    bool PreTranslateMessage(const Msg& msg) override {
        m_seen.push_back(m_name + ":" + std::to_string(msg.message));
        return claims;
    }
    bool claims = false;

private:
    std::string m_name;
    std::vector<std::string>& m_seen;
};

TEST(WalkTest, VisitsTheTargetThenEachParentUpToTheMainWindow) {
    std::vector<std::string> seen;
    Probe main("main", seen);
    SetMainWindow(&main);
    Probe bar("bar", seen, &main);
    QWidget plain(&bar); // takes no part, but is on the way
    Probe panel("panel", seen, &plain);
    Probe floating("floating", seen); // a floating frame: not under the main window
    Probe floatingPanel("fpanel", seen, &floating);

    PostWindowMessage(&panel, 1055);
    PostWindowMessage(&floatingPanel, 1056);
    DrainPostedMessages();
    EXPECT_EQ(seen, (std::vector<std::string>{"panel:1055", "bar:1055", "main:1055", "fpanel:1056",
                                              "floating:1056", "main:1056"}));

    seen.clear(); // a claimed message goes no further
    bar.claims = true;
    EXPECT_TRUE(CPreTranslateFilter::Walk(Msg{&panel, WM_KEYDOWN, VK_RETURN, 0}));
    EXPECT_EQ(seen, (std::vector<std::string>{"panel:256", "bar:256"}));
    SetMainWindow(nullptr);
}

TEST(WalkTest, WorkerPostsArriveOnTheUiThreadInOrderAndStopAfterDetach) {
    std::vector<std::string> seen;
    Probe view("view", seen);
    CWidgetMessageTarget target(&view);
    constexpr int kPosts = 500;
    std::thread worker([&] {
        for (int i = 0; i < kPosts; ++i) {
            target.PostMessage(UM_ROW_DONE + static_cast<unsigned>(i % 2), 0, i);
        }
    });
    worker.join();
    DrainPostedMessages();
    ASSERT_EQ(seen.size(), static_cast<std::size_t>(kPosts));
    for (int i = 0; i < kPosts; ++i) {
        EXPECT_EQ(seen[static_cast<std::size_t>(i)],
                  "view:" + std::to_string(UM_ROW_DONE + static_cast<unsigned>(i % 2)));
    }

    target.PostMessage(UM_ROW_DONE, 0, 1); // queued, then the window goes away
    target.Detach();
    target.PostMessage(UM_WORKER_EXIT, 0, 0);
    DrainPostedMessages();
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(kPosts));
}

TEST(CoreDialogsTest, MessageBoxesCarryTheProductTitleAndAnswerSixOrSeven) {
    QGuiApplication::setApplicationDisplayName(QStringLiteral("zentrix 域名批量查询"));
    CQtCoreDialogs dialogs;
    QWidget owner;
    const auto answerNext = [](QMessageBox::StandardButton button, QString* caption,
                               QStringList* buttons) {
        QTimer::singleShot(0, [=] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            *caption = box->windowTitle();
            for (QAbstractButton* b : box->buttons()) {
                *buttons << b->text();
            }
            box->button(button)->click();
        });
    };
    QString caption = QStringLiteral("unset");
    QStringList buttons;
    answerNext(QMessageBox::Ok, &caption, &buttons);
    std::string text = "完成";
    CCore::UTF8_ANSI(text);
    dialogs.msgboxInfo(&owner, text);
    EXPECT_EQ(caption, QStringLiteral("zentrix 域名批量查询"));
    EXPECT_EQ(buttons.size(), 1);

    for (const auto& [button, result] :
         {std::pair{QMessageBox::Yes, CCore::IDYES}, std::pair{QMessageBox::No, CCore::IDNO}}) {
        buttons.clear();
        answerNext(button, &caption, &buttons);
        EXPECT_EQ(dialogs.msgboxConfirm(&owner, text), result);
        EXPECT_EQ(buttons.size(), 2);
    }

    // A choice with its own buttons gives the index of the one clicked;
    // Escape takes the last.
    std::vector<std::string> choices = {"替换", "追加", "取消"};
    for (std::string& choice : choices) {
        CCore::UTF8_ANSI(choice);
    }
    for (const int clicked : {1, -1}) {
        QTimer::singleShot(0, [clicked] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            ASSERT_EQ(box->buttons().size(), 3);
            if (clicked < 0) {
                QTest::keyClick(box, Qt::Key_Escape);
                return;
            }
            for (QAbstractButton* b : box->buttons()) {
                if (b->text() == QStringLiteral("追加")) {
                    b->click();
                }
            }
        });
        EXPECT_EQ(dialogs.msgboxChoice(&owner, text, choices), clicked < 0 ? 2 : clicked);
    }
}

TEST(CoreDialogsTest, BareDomainBecomesAnHttpAddress) {
    EXPECT_EQ(DomainUrl("example.com").toString(), QStringLiteral("http://example.com"));
    EXPECT_EQ(DomainUrl("\xD6\xD0\xCE\xC4.cn").host(), QStringLiteral("中文.cn"));
    EXPECT_FALSE(DomainUrl("").isValid());
}

TEST(MainFrameTest, StartsReadyWithTheMenusOfTheProgram) {
    TempHome home;
    ScriptedDialogs dialogs;
    CMakeHtmlApp app;
    ASSERT_TRUE(app.InitInstance());
    CMainFrame* frame = app.mainFrame();
    EXPECT_EQ(frame->PaneText(0), QStringLiteral("就绪"));

    QStringList menus;
    for (QAction* menu : frame->menuBar()->actions()) {
        menus << menu->text();
        for (QAction* item : menu->menu()->actions()) {
            menus << QStringLiteral("  ") + item->text();
        }
    }
    EXPECT_EQ(
        menus,
        (QStringList{"文件(&F)",  "  导入域名",         "  从剪贴板导入",     "  导出数据",
                     "  ",        "  退出(&X)",         "查询(&Q)",           "  开始查询",
                     "  ",        "  重新查询选中的行", "  重新查询失败的行", "  查询未查询的行",
                     "查看(&V)",  "  状态栏(&S)",       "  侧边拦(&L)",       "  到期分布(&E)",
                     "工具(&T)",  "  选项(&O)...",      "  监视(&W)...",      "帮助(&H)",
                     "  关于(&A)"}));

    auto* statusItem = frame->findChild<QAction*>(QStringLiteral("59393"));
    statusItem->trigger();
    EXPECT_FALSE(frame->statusBar()->isVisibleTo(frame));
    statusItem->trigger();
    EXPECT_TRUE(frame->statusBar()->isVisibleTo(frame));
}

} // namespace
