// SPDX-License-Identifier: MIT
// The list at a glance: the days left and their colours, the red display
// following the days box at once, the status bar's shown count and totals,
// the time left of a stalled or stopped batch, the spreadsheet export with
// its header and the list's columns, and the smaller helps (the top after a
// sort, a wider domain column, the side bar's width, the first start).

#include "apptest.h"
#include "listwin/columnlayout.h"
#include "listwin/expiryrule.h"
#include "listwin/frozencolumnview.h"
#include "listwin/listfilterbar.h"
#include "shell/batchprogress.h"
#include "viewtest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <gtest/gtest.h>
#include <mutex>

namespace {

std::string DaysFromToday(int days) {
    return QDate::currentDate().addDays(days).toString(Qt::ISODate).toStdString();
}

QColor Background(const CMakeHtmlView& view, int row) {
    return view.listModel()
        ->data(view.listModel()->index(row, ListColumn::DaysLeft), Qt::BackgroundRole)
        .value<QColor>();
}

using GlanceViewTest = ViewTest;

TEST_F(GlanceViewTest, DaysLeftCountFromTodaySortAsNumbersAndTakeTheBandsColour) {
    Fill({{"a.com", "s"}, {"b.com", "s"}, {"c.com", "s"}, {"d.com", "s"}, {"e.com", "s"}});
    const int days[] = {100, -3, 15, 0, 5};
    for (int i = 0; i < 5; ++i) {
        Answer(i, Found, DaysFromToday(days[i]).c_str());
        Post(UM_ROW_DONE, i);
    }
    Answer(0, Found, "no date"); // a text that is not a date: no days
    Post(UM_ROW_DONE, 0);
    table.expiryDays = 10;
    view->RefreshRedDisplay();
    EXPECT_EQ(Cell(0, ListColumn::DaysLeft), QString());
    EXPECT_EQ(Cell(1, ListColumn::DaysLeft), QStringLiteral("-3"));
    EXPECT_EQ(Cell(2, ListColumn::DaysLeft), QStringLiteral("15"));
    EXPECT_EQ(Cell(3, ListColumn::DaysLeft), QStringLiteral("0"));
    EXPECT_FALSE(Background(*view, 0).isValid());
    // Expired, within 10 days (0 and 5 alike), within 20, later.
    EXPECT_EQ(Background(*view, 3), Background(*view, 4));
    const QColor expired = Background(*view, 1);
    const QColor soon = Background(*view, 3);
    const QColor near = Background(*view, 2);
    EXPECT_NE(expired, soon);
    EXPECT_NE(soon, near);
    EXPECT_EQ(ExpiryBandOf(21, 10), ExpiryBand::Later);
    EXPECT_EQ(ExpiryBandOf(20, 10), ExpiryBand::Near);
    EXPECT_EQ(ExpiryBandOf(0, -5), ExpiryBand::Soon);

    // Numbers, not texts ("-3" < "0" < "15" < "5"); the row without a date last.
    QHeaderView* header = view->horizontalHeader();
    header->setSortIndicator(ListColumn::DaysLeft, Qt::AscendingOrder);
    DrainPostedMessages();
    QStringList order;
    for (int r = 0; r < view->model()->rowCount(); ++r) {
        order << view->model()->index(r, ListColumn::Domain).data().toString();
    }
    EXPECT_EQ(order, (QStringList{"b.com", "d.com", "e.com", "c.com", "a.com"}));

    // The bands follow the days: with 20, 15 is soon.
    table.expiryDays = 20;
    view->RefreshRedDisplay();
    EXPECT_EQ(Background(*view, 2), soon);
}

TEST_F(GlanceViewTest, ASortShowsTheFirstRowAndTheDomainColumnWidensFromItsFrozenCopy) {
    table.Clear();
    for (int i = 0; i < 300; ++i) {
        SetField(table.Row(table.count++).domain, "n" + std::to_string(1000 + i) + ".com");
    }
    Post(UM_RELOAD_LIST);
    view->scrollToBottom();
    ASSERT_GT(view->verticalScrollBar()->value(), 0);
    view->horizontalHeader()->setSortIndicator(ListColumn::Domain, Qt::DescendingOrder);
    DrainPostedMessages();
    EXPECT_EQ(view->verticalScrollBar()->value(), 0);
    EXPECT_EQ(view->rowAt(0), 0);

    // The list's own edge of the domain column is under the frozen copy:
    // dragging the copy's edge widens the list's column.
    CFrozenColumnView* frozen = view->frozenColumn();
    ASSERT_NE(frozen, nullptr);
    EXPECT_EQ(frozen->horizontalHeader()->sectionResizeMode(ListColumn::Domain),
              QHeaderView::Interactive);
    frozen->horizontalHeader()->resizeSection(ListColumn::Domain, 333);
    EXPECT_EQ(view->columnWidth(ListColumn::Domain), 333);
    EXPECT_EQ(frozen->width(), 333);
}

TEST_F(GlanceViewTest, ARowNotFinishedForAPausedServerSaysItWaits) {
    Fill({{"a.org", "whois.pir.org"}, {"b.org", "whois.pir.org"}, {"c.com", "whois.other"}});
    Answer(1, Found);
    Post(UM_ROW_DONE, 1);
    CListCtrlModel* model = view->listModel();
    const auto tip = [&](int row) {
        return model->data(model->index(row, ListColumn::Status), Qt::ToolTipRole).toString();
    };
    model->SetWaitingHost(QStringLiteral("WHOIS.pir.org"));
    EXPECT_EQ(tip(0), QStringLiteral("等待 WHOIS.pir.org（限速）"));
    EXPECT_EQ(tip(1), QString()); // finished: it waits no more
    EXPECT_EQ(tip(2), QString());
    model->SetWaitingHost({});
    EXPECT_EQ(tip(0), QString());
}

TEST(GlanceLayout, LayoutsSavedWithTenOrElevenColumnsPutTheDaysLeftAfterTheExpiry) {
    const ColumnLayout eleven = ParseColumnLayout(
        {"151,152,153,154,155,156,157,158,159,160,161", "0,3,1,2,4,5,6,7,8,9,10", "7"});
    EXPECT_EQ(eleven.widths[ListColumn::Changes], 161);
    EXPECT_EQ(eleven.widths[ListColumn::DaysLeft], kListColumns[ListColumn::DaysLeft].width);
    EXPECT_EQ(eleven.order,
              (std::array<int, ListColumn::Count>{0, 3, 11, 1, 2, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_TRUE(eleven.hidden[ListColumn::Phone]);
    EXPECT_FALSE(eleven.hidden[ListColumn::DaysLeft]);

    const ColumnLayout ten =
        ParseColumnLayout({"151,152,153,154,155,156,157,158,159,160", "0,1,2,3,4,5,6,7,8,9", ""});
    EXPECT_EQ(ten.order, ListColumn::kDefaultOrder);

    // Hidden and moved, it comes back as it was.
    ColumnLayout twelve = DefaultColumnLayout();
    twelve.hidden[ListColumn::DaysLeft] = true;
    twelve.widths[ListColumn::DaysLeft] = 99;
    std::swap(twelve.order[1], twelve.order[4]);
    const ColumnLayoutTexts texts = FormatColumnLayout(twelve);
    EXPECT_EQ(ParseColumnLayout(texts), twelve);
}

TEST(GlanceProgress, TheTimeLeftIsLeftOutWhenAskedTo) {
    EXPECT_EQ(BatchProgressText(5, 10, 5, 5.0), QStringLiteral("5 / 10，1.0 个/秒，剩余 5 秒"));
    EXPECT_EQ(BatchProgressText(5, 10, 5, 5.0, false), QStringLiteral("5 / 10，1.0 个/秒"));
}

class GlanceFrameTest : public ::testing::Test {
protected:
    void Start(const std::string& list) {
        if (!list.empty()) {
            WriteBytes(home.file("_items.txt"), list);
        }
        ASSERT_TRUE(run.Start());
    }
    void Finish(int i, int32_t status, const std::string& expiry) {
        DomainRecord& row = table.Row(i);
        row.status = status;
        row.answered = 1;
        SetField(row.expiryDate, expiry);
        SetField(row.owner, "Owner " + std::to_string(i));
        table.details.Set(i, {status == Error ? FailReason::TimedOut : FailReason::None,
                              QueryProtocol::Whois, "answer"});
        PostWindowMessage(run.view, UM_ROW_DONE, 0, i);
    }
    QLineEdit* Days() const { return run.panel->findChild<QLineEdit*>(QStringLiteral("1015")); }
    QCheckBox* Red() const { return run.panel->findChild<QCheckBox*>(QStringLiteral("1028")); }

    TempHome home;
    ScriptedDialogs dialogs;
    RunningApp run;
    DomainTable& table = TheDomainTable();
};

TEST_F(GlanceFrameTest, RedRowsTheExpiringFilterAndTheCountFollowTheDaysBoxAtOnce) {
    Start("a.com\r\nb.com\r\nc.com\r\n");
    for (int i = 0; i < 3; ++i) {
        Finish(i, Found, DaysFromToday(i * 20)); // 0, 20, 40 days
    }
    DrainPostedMessages();
    ASSERT_NE(Days(), nullptr);
    QLabel* pane = run.frame->expiryPane();
    CListCtrlModel* model = run.view->listModel();

    // Typed before the tick: the tick takes the box as it stands.
    Days()->setText(QStringLiteral("30"));
    QTest::mouseClick(Red(), Qt::LeftButton);
    EXPECT_EQ(pane->text(), QStringLiteral("2 个域名将在 30 天内到期"));
    EXPECT_TRUE(model->IsItemRed(1));
    EXPECT_FALSE(model->IsItemRed(2));

    auto* status = run.frame->filterBar()->findChild<QComboBox*>(QStringLiteral("statusFilter"));
    status->setCurrentIndex(4); // 即将到期
    EXPECT_EQ(run.view->model()->rowCount(), 2);

    // Enter in the box: no batch needed.
    Days()->selectAll();
    QTest::keyClicks(Days(), QStringLiteral("45"));
    QTest::keyClick(Days(), Qt::Key_Return);
    EXPECT_EQ(pane->text(), QStringLiteral("3 个域名将在 45 天内到期"));
    EXPECT_TRUE(model->IsItemRed(2));
    EXPECT_EQ(run.view->model()->rowCount(), 3);
    EXPECT_EQ(table.expiryDays, 45);

    Days()->selectAll();
    QTest::keyClicks(Days(), QStringLiteral("5"));
    QTest::keyClick(Days(), Qt::Key_Enter);
    EXPECT_EQ(pane->text(), QStringLiteral("1 个域名将在 5 天内到期"));
    EXPECT_EQ(run.view->model()->rowCount(), 1);

    // Leaving the box does the same.
    run.frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(run.frame));
    Days()->setFocus();
    Days()->selectAll();
    QTest::keyClicks(Days(), QStringLiteral("25"));
    EXPECT_EQ(pane->text(), QStringLiteral("1 个域名将在 5 天内到期"));
    run.frame->filterBar()->findChild<QLineEdit*>(QStringLiteral("filterText"))->setFocus();
    EXPECT_EQ(pane->text(), QStringLiteral("2 个域名将在 25 天内到期"));
}

TEST_F(GlanceFrameTest, TheStatusBarShowsTheFilteredCountAndTheTotalsAfterABatch) {
    Start("a.com\r\nb.com\r\nc.net\r\nd.com\r\n");
    QLabel* shown = run.frame->shownPane();
    QLabel* totals = run.frame->totalsPane();
    EXPECT_FALSE(shown->isVisible());
    auto* text = run.frame->filterBar()->findChild<QLineEdit*>(QStringLiteral("filterText"));
    QTest::keyClicks(text, QStringLiteral(".net"));
    EXPECT_TRUE(shown->isVisible());
    EXPECT_EQ(shown->text(), QStringLiteral("显示 1 / 4"));
    text->clear();
    EXPECT_FALSE(shown->isVisible());

    Finish(0, Found, "2030-01-01");
    Finish(1, NotRegistered, "");
    Finish(2, Error, "");
    PostWindowMessage(run.frame, UM_QUERY_FINISHED);
    DrainPostedMessages();
    EXPECT_TRUE(totals->isVisible());
    EXPECT_EQ(totals->text(), QStringLiteral("成功 1 · 未注册 1 · 失败 1 · 无服务器 0 · 未查询 1"));
}

TEST_F(GlanceFrameTest, TheTimeLeftGoesBlankWhileNoRowFinishesAndAfterAStop) {
    Start("a.com\r\nb.com\r\nc.com\r\nd.com\r\n");
    std::mutex lock;
    bool release = false;
    std::condition_variable wake;
    run.view->SetTransport([&](const std::string&, const std::string& domain, QueryHop) {
        if (domain != "a.com") {
            std::unique_lock<std::mutex> hold(lock);
            wake.wait(hold, [&] { return release; });
        }
        return "No match for \"" + domain + "\".\r\n";
    });
    run.Click(1003);
    QProgressBar* bar = run.frame->progressBar();
    ASSERT_TRUE(WaitUntil([&] { return bar->format().contains(QStringLiteral("剩余")); }));
    // One row done, the others stall: no pace to tell the time left by.
    EXPECT_TRUE(WaitUntil([&] { return !bar->format().contains(QStringLiteral("剩余")); },
                          std::chrono::seconds(15)));
    run.Click(1003); // stop
    {
        std::lock_guard<std::mutex> hold(lock);
        release = true;
    }
    wake.notify_all();
    ASSERT_TRUE(WaitUntil([&] { return run.Pane(0) == QStringLiteral("操作结束！"); }));
    EXPECT_FALSE(bar->format().contains(QStringLiteral("剩余"))) << bar->format().toStdString();
}

TEST_F(GlanceFrameTest, RowsKeptWaitingByAPausedServerSaySoInTheirStatusTip) {
    Start("a.org\r\nb.org\r\nc.org\r\n");
    // Every answer asks for a long pause: the server's lane holds the rows.
    run.view->SetTransport([](const std::string&, const std::string&, QueryHop) {
        return std::string("Please go away for 60 seconds\r\n");
    });
    run.Click(1003);
    CListCtrlModel* model = run.view->listModel();
    const auto tip = [&](int row) {
        return model->data(model->index(row, ListColumn::Status), Qt::ToolTipRole).toString();
    };
    EXPECT_TRUE(WaitUntil([&] { return tip(2) == QStringLiteral("等待 whois.pir.org（限速）"); }));
    run.Click(1003); // stop
    ASSERT_TRUE(WaitUntil([&] { return run.Pane(0) == QStringLiteral("操作结束！"); }));
    EXPECT_EQ(tip(2), QString());
}

TEST_F(GlanceFrameTest, Utf8ExportHasAHeaderTheListsColumnsAndOnlyTheShownRowsWhenAsked) {
    Start("a.com\r\nxn--fiqs8s.cn\r\nc.com\r\n");
    Finish(0, Found, DaysFromToday(10));
    Finish(1, Found, DaysFromToday(-2));
    Finish(2, Error, "");
    DrainPostedMessages();
    QHeaderView* header = run.view->horizontalHeader();
    for (const int c :
         {ListColumn::Server, ListColumn::Created, ListColumn::Email, ListColumn::Phone,
          ListColumn::Registrar, ListColumn::Updated, ListColumn::Owner}) {
        run.view->setColumnHidden(c, true);
    }
    header->moveSection(header->visualIndex(ListColumn::Changes), 1);
    const std::string path = home.file("out.csv");
    dialogs.savePaths = {path};
    dialogs.saveTypes = {1};
    run.Click(1005);
    EXPECT_TRUE(dialogs.questions.empty()); // no filter: nothing to ask
    const std::string expiry0 = DaysFromToday(10);
    const std::string expiry1 = DaysFromToday(-2);
    EXPECT_EQ(ReadBytes(path),
              "\xEF\xBB\xBF\"域名\",\"变化\",\"当前状态\",\"过期日期\",\"剩余天数\"\r\n"
              "\"a.com\",\"\",\"成功\",\"" +
                  expiry0 +
                  "\",\"10\"\r\n"
                  "\"中国.cn\",\"\",\"成功\",\"" +
                  expiry1 +
                  "\",\"-2\"\r\n"
                  "\"c.com\",\"\",\"失败：查询超时\",\"\",\"\"\r\n");

    // A filter on: asked, and yes writes its rows only.
    auto* text = run.frame->filterBar()->findChild<QLineEdit*>(QStringLiteral("filterText"));
    QTest::keyClicks(text, QStringLiteral("c.com"));
    dialogs.confirmAnswers = {CCore::IDYES};
    dialogs.savePaths = {path};
    dialogs.saveTypes = {1};
    run.Click(1005);
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_NE(dialogs.questions[0].find("只导出当前显示的行"), std::string::npos);
    EXPECT_EQ(ReadBytes(path),
              "\xEF\xBB\xBF\"域名\",\"变化\",\"当前状态\",\"过期日期\",\"剩余天数\"\r\n"
              "\"c.com\",\"\",\"失败：查询超时\",\"\",\"\"\r\n");

    // The GBK file keeps its nine fields, no header, every row on "no".
    dialogs.confirmAnswers = {CCore::IDNO};
    dialogs.savePaths = {path};
    dialogs.saveTypes = {0};
    run.Click(1005);
    const std::string gbk = ReadBytes(path);
    EXPECT_EQ(std::count(gbk.begin(), gbk.end(), '\n'), 3);
    EXPECT_NE(gbk.find(",\"xn--fiqs8s.cn\","), std::string::npos); // ASCII, after its server
    EXPECT_EQ(std::count(gbk.begin(), gbk.begin() + static_cast<long>(gbk.find('\n')), ','), 8);
}

TEST_F(GlanceFrameTest, AnEmptyFirstStartSaysHowToBeginAndTheSideBarKeepsItsWidth) {
    Start("");
    EXPECT_EQ(run.Pane(0), QStringLiteral("点击 导入域名 导入域名列表"));
    run.frame->sideBar()->m_vertSize.cx = 420;
    run.frame->close();
    ASSERT_TRUE(WaitUntil([&] { return run.app.mainFrame() == nullptr; }));
    EXPECT_EQ(SavedInt(CMainFrame::kSideBarWidthKey), 420);

    RunningApp again;
    ASSERT_TRUE(again.Start());
    EXPECT_EQ(again.frame->sideBar()->m_vertSize.cx, 420);
    DrainPostedMessages();
    EXPECT_EQ(again.frame->sideBar()->width(), 420);
}

} // namespace
