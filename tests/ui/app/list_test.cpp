// SPDX-License-Identifier: MIT
// The list for daily work: sorting and filtering over the table's order,
// the domain column kept in view, tooltips, details, copying, the header's
// column menu, following a batch, and the count of expiring rows.

#include "listwin/celldelegate.h"
#include "listwin/frozencolumnview.h"
#include "listwin/rowdetailsdlg.h"
#include "viewtest.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QClipboard>
#include <QDate>
#include <QHeaderView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <climits>
#include <string>

namespace {

std::string DaysFromToday(int days) {
    return QDate::currentDate().addDays(days).toString(Qt::ISODate).toStdString();
}

class ListTest : public ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        // Any inconsistency in what the models signal ends the test run.
        sourceTester = std::make_unique<QAbstractItemModelTester>(
            view->listModel(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        proxyTester = std::make_unique<QAbstractItemModelTester>(
            view->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    }
    void TearDown() override {
        proxyTester.reset();
        sourceTester.reset();
        ViewTest::TearDown();
    }

    // Rows "nameNN.com", NN = 00..n-1, every server "whois.example".
    void FillNumbered(int n) {
        table.Clear();
        for (int i = 0; i < n; ++i) {
            DomainRecord& row = table.Row(table.count++);
            SetField(row.domain, Name(i));
            SetField(row.whoisServer, "whois.example");
        }
        Post(UM_RELOAD_LIST);
    }
    static std::string Name(int i) {
        return "name" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".com";
    }
    // The domain column as shown, top to bottom.
    [[nodiscard]] QStringList Shown() const {
        QStringList names;
        for (int r = 0; r < view->model()->rowCount(); ++r) {
            names << view->model()->index(r, ListColumn::Domain).data().toString();
        }
        return names;
    }
    void ClickHeader(int column) {
        QHeaderView* header = view->horizontalHeader();
        const QPoint at(header->sectionViewportPosition(column) + 5, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
        DrainPostedMessages();
    }

    std::unique_ptr<QAbstractItemModelTester> sourceTester;
    std::unique_ptr<QAbstractItemModelTester> proxyTester;
};

TEST_F(ListTest, HeaderClickSortsDatesAsDatesThenTextAndASecondClickReverses) {
    Fill({{"c.com", "s"}, {"a.com", "s"}, {"d.com", "s"}, {"b.com", "s"}, {"e.com", "s"}});
    const char* expiries[] = {"2031-05-01", "soon", "2029-12-31", "", "2030-02-03"};
    for (int i = 0; i < 5; ++i) {
        Answer(i, Found, expiries[i]);
        Post(UM_ROW_DONE, i);
    }
    ClickHeader(ListColumn::Expiry);
    // Readable dates in date order, then the rest by text ("" before "soon").
    EXPECT_EQ(Shown(), (QStringList{"d.com", "e.com", "c.com", "b.com", "a.com"}));
    ClickHeader(ListColumn::Expiry);
    EXPECT_EQ(Shown(), (QStringList{"a.com", "b.com", "c.com", "e.com", "d.com"}));

    ClickHeader(ListColumn::Domain);
    EXPECT_EQ(Shown(), (QStringList{"a.com", "b.com", "c.com", "d.com", "e.com"}));
    // Underneath, item i is still table row i.
    EXPECT_EQ(Cell(0, ListColumn::Domain), QStringLiteral("c.com"));
    EXPECT_EQ(view->TableRowOf(0), 1);
    EXPECT_EQ(view->VisibleRowOf(0), 2);
}

TEST_F(ListTest, PostedRowIndexesFillTheRightRowsOfASortedList) {
    FillNumbered(30);
    ClickHeader(ListColumn::Domain);
    ClickHeader(ListColumn::Domain); // descending: row 29 on top
    ASSERT_EQ(Shown().front(), QStringLiteral("name29.com"));
    for (int i : {29, 0, 17, 3}) {
        Answer(i, i % 2 == 0 ? NotRegistered : Found, DaysFromToday(i).c_str(),
               ("Owner " + std::to_string(i)).c_str());
        Post(UM_ROW_DONE, i);
    }
    for (int i : {29, 0, 17, 3}) {
        const int visible = view->VisibleRowOf(i);
        const QAbstractItemModel* shown = view->model();
        EXPECT_EQ(shown->index(visible, ListColumn::Domain).data().toString(),
                  QString::fromStdString(Name(i)));
        EXPECT_EQ(shown->index(visible, ListColumn::Owner).data().toString(),
                  QStringLiteral("Owner %1").arg(i));
    }
    EXPECT_EQ(view->VisibleRowOf(29), 0);
    EXPECT_EQ(view->VisibleRowOf(0), 29);

    // A sort by a result column moves finished rows as they arrive.
    ClickHeader(ListColumn::Expiry);
    EXPECT_EQ(Shown().mid(0, 4),
              (QStringList{"name00.com", "name03.com", "name17.com", "name29.com"}));
    Answer(10, Found, DaysFromToday(-5).c_str());
    Post(UM_ROW_DONE, 10);
    EXPECT_EQ(Shown().front(), QStringLiteral("name10.com"));
    EXPECT_EQ(main.LParams(UM_PROGRESS).back(), 5);
}

TEST_F(ListTest, FilterByTextInDomainOrServerAndByOutcome) {
    Fill({{"alpha.com", "whois.verisign-grs.com"},
          {"beta.cn", "whois.cnnic.cn"},
          {"gamma.org", "whois.pir.org"},
          {"delta.com", "whois.verisign-grs.com"},
          {"CNN-fans.net", "whois.verisign-grs.com"},
          {"waiting.com", "whois.verisign-grs.com"}});
    table.expiryDays = 30;
    Answer(0, Found, DaysFromToday(10).c_str());
    Answer(1, NotRegistered, "");
    Answer(2, Error, "");
    Answer(3, Found, DaysFromToday(100).c_str());
    SetField(table.Row(4).whoisServer, ""); // finished without a server
    table.Row(4).status = Error;
    table.details.Set(4, {FailReason::NoServer, QueryProtocol::None, ""});
    for (int i = 0; i < 5; ++i) {
        Post(UM_ROW_DONE, i);
    }
    view->RefreshRedDisplay(); // takes the days; red display itself stays off

    const struct {
        const char* name;
        const char* text;
        StatusFilter status;
        QStringList shown;
    } cases[] = {
        {"everything",
         "",
         StatusFilter::All,
         {"alpha.com", "beta.cn", "gamma.org", "delta.com", "CNN-fans.net", "waiting.com"}},
        {"server text, any case", "CNNIC", StatusFilter::All, {"beta.cn"}},
        {"domain or server", "cnn", StatusFilter::All, {"beta.cn", "CNN-fans.net"}},
        {"found", "", StatusFilter::Found, {"alpha.com", "delta.com"}},
        {"not registered", "", StatusFilter::NotRegistered, {"beta.cn"}},
        {"failed: errors and no server, not rows waiting",
         "",
         StatusFilter::Failed,
         {"gamma.org", "CNN-fans.net"}},
        {"expiring within the days", "", StatusFilter::Expiring, {"alpha.com"}},
        {"text and outcome together", "delta", StatusFilter::Found, {"delta.com"}},
        {"nothing fits", "zzz", StatusFilter::All, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        view->SetFilter(QString::fromUtf8(c.text), c.status);
        EXPECT_EQ(Shown(), c.shown);
    }

    // The expiring choice follows the days.
    view->SetFilter(QString(), StatusFilter::Expiring);
    table.expiryDays = 200;
    view->RefreshRedDisplay();
    EXPECT_EQ(Shown(), (QStringList{"alpha.com", "delta.com"}));
}

TEST_F(ListTest, QuickFindWalksTheRowsAsShown) {
    FillNumbered(5);
    ClickHeader(ListColumn::Domain);
    ClickHeader(ListColumn::Domain); // name04 .. name00
    table.findText = "name0";
    table.findCursor = 0;
    Post(UM_FIND);
    EXPECT_EQ(SelectedRows(), std::vector<int>{0});
    EXPECT_EQ(view->TableRowOf(0), 4);
}

TEST_F(ListTest, DomainColumnStaysInViewWhenTheListScrollsSideways) {
    FillNumbered(3);
    view->resize(400, 300);
    DrainPostedMessages();
    CFrozenColumnView* frozen = view->frozenColumn();
    ASSERT_NE(frozen, nullptr);
    ASSERT_GT(view->horizontalScrollBar()->maximum(), 0);

    view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum());
    DrainPostedMessages();
    EXPECT_TRUE(frozen->isVisible());
    EXPECT_EQ(frozen->x(), view->frameWidth());
    EXPECT_EQ(frozen->width(), view->columnWidth(ListColumn::Domain));
    for (int c = 0; c < ListColumn::Count; ++c) {
        EXPECT_EQ(frozen->isColumnHidden(c), c != ListColumn::Domain) << c;
    }
    EXPECT_EQ(frozen->model(), view->model());
    EXPECT_EQ(frozen->selectionModel(), view->selectionModel());

    view->setColumnWidth(ListColumn::Domain, 210);
    EXPECT_EQ(frozen->width(), 210);
}

TEST_F(ListTest, CutTextsAndErrorReasonsShowAsTooltips) {
    Fill({{"a.com", "whois.verisign-grs.com"}, {"b.com", "whois.verisign-grs.com"}});
    const std::string longOwner = "A Very Long Registrant Organisation Name Limited Company";
    Answer(0, Found, "2030-01-01", longOwner.c_str());
    table.Row(1).status = Error;
    table.details.Set(1, {FailReason::ConnectionRefused, QueryProtocol::Whois, ""});
    Post(UM_ROW_DONE, 0);
    Post(UM_ROW_DONE, 1);

    const QAbstractItemModel* shown = view->model();
    view->setColumnWidth(ListColumn::Owner, 60);
    EXPECT_EQ(view->ToolTipAt(shown->index(0, ListColumn::Owner)),
              QString::fromStdString(longOwner));
    view->setColumnWidth(ListColumn::Owner, 900);
    EXPECT_TRUE(view->ToolTipAt(shown->index(0, ListColumn::Owner)).isEmpty());
    EXPECT_TRUE(view->ToolTipAt(shown->index(0, ListColumn::Email)).isEmpty());
    EXPECT_EQ(view->ToolTipAt(shown->index(1, ListColumn::Status)), QStringLiteral("连接被拒绝"));
}

TEST_F(ListTest, DoubleClickOpensEveryFieldAndTheRawAnswerSelectable) {
    Fill({{"a.com", "whois.verisign-grs.com"}, {"lanting.cn", "whois.cnnic.cn"}});
    Answer(1, Found, "2029-04-05", "\xC0\xBC\xCD\xA4"); // 兰亭
    // The registry's answer as it came: GBK bytes, CR LF line ends.
    table.details.Set(1, {FailReason::None, QueryProtocol::Whois,
                          "Domain Name: lanting.cn\r\nRegistrant: \xC0\xBC\xCD\xA4\r\n"});
    Post(UM_ROW_DONE, 1);

    const QRect cell = view->visualRect(view->model()->index(1, ListColumn::Status));
    // A double click as the window system delivers it: a click, then the
    // second press as a double click.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    auto* details = view->findChild<CRowDetailsDlg*>(QStringLiteral("rowDetails"));
    ASSERT_NE(details, nullptr);
    const QString fields = details->fieldsText();
    for (const char* line : {"域名：lanting.cn", "whois服务器：whois.cnnic.cn", "当前状态：成功",
                             "查询方式：WHOIS", "过期日期：2029-04-05", "注册日期：2001-02-03",
                             "所有人：兰亭", "注册商：Registrar Ltd"}) {
        EXPECT_TRUE(fields.contains(QString::fromUtf8(line))) << line;
    }
    EXPECT_EQ(details->answerText(), QStringLiteral("Domain Name: lanting.cn\nRegistrant: 兰亭\n"));

    auto* raw = details->findChild<QPlainTextEdit*>(QStringLiteral("rawAnswer"));
    ASSERT_NE(raw, nullptr);
    EXPECT_TRUE(raw->isReadOnly());
    EXPECT_TRUE(raw->textInteractionFlags() & Qt::TextSelectableByMouse);
    EXPECT_TRUE(raw->textInteractionFlags() & Qt::TextSelectableByKeyboard);
    raw->selectAll();
    raw->copy();
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QStringLiteral("Domain Name: lanting.cn\nRegistrant: 兰亭\n"));
    details->close();

    // A row not asked yet says so, and has no answer.
    CRowDetailsDlg* waiting = view->OpenDetails(0);
    ASSERT_NE(waiting, nullptr);
    EXPECT_TRUE(waiting->fieldsText().contains(QStringLiteral("当前状态：尚未查询")));
    EXPECT_EQ(waiting->answerText(), QStringLiteral("（没有应答内容）"));
    waiting->close();
    EXPECT_EQ(view->OpenDetails(5), nullptr);
}

TEST_F(ListTest, CopyTakesTheSelectedRowsAsShownWithoutHiddenColumns) {
    Fill({{"a.com", "s1"}, {"b.com", "s2"}, {"c.com", "s3"}});
    Answer(2, Found, "2030-01-01", "Tab\there");
    Post(UM_ROW_DONE, 2);
    ClickHeader(ListColumn::Domain);
    ClickHeader(ListColumn::Domain); // c, b, a
    for (int c = ListColumn::Created; c < ListColumn::Count; ++c) {
        view->setColumnHidden(c, c != ListColumn::Owner);
    }
    view->selectionModel()->select(view->model()->index(0, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    view->selectionModel()->select(view->model()->index(2, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_EQ(view->SelectedRowsText(),
              QStringLiteral("c.com\ts3\t成功\t2030-01-01\tTab here\na.com\ts1\t\t\t\n"));
}

TEST_F(ListTest, HeaderMenuHidesAndShowsColumnsButNeverTheDomain) {
    FillNumbered(2);
    const std::unique_ptr<QMenu> menu = view->CreateHeaderMenu();
    ASSERT_EQ(menu->actions().size(), ListColumn::Count);
    QAction* domain = menu->findChild<QAction*>(QStringLiteral("column0"));
    QAction* phone = menu->findChild<QAction*>(QStringLiteral("column7"));
    ASSERT_NE(domain, nullptr);
    ASSERT_NE(phone, nullptr);
    EXPECT_FALSE(domain->isEnabled());
    EXPECT_EQ(phone->text(), QStringLiteral("电话"));
    phone->trigger();
    EXPECT_TRUE(view->isColumnHidden(ListColumn::Phone));
    EXPECT_FALSE(
        view->CreateHeaderMenu()->findChild<QAction*>(QStringLiteral("column7"))->isChecked());
    phone->trigger();
    EXPECT_FALSE(view->isColumnHidden(ListColumn::Phone));
    EXPECT_EQ(view->columnWidth(ListColumn::Phone), 150);

    // A dragged column never pushes the domain from the first place.
    view->horizontalHeader()->moveSection(view->horizontalHeader()->visualIndex(ListColumn::Owner),
                                          0);
    EXPECT_EQ(view->horizontalHeader()->visualIndex(ListColumn::Domain), 0);
    EXPECT_EQ(view->horizontalHeader()->visualIndex(ListColumn::Owner), 1);
}

TEST_F(ListTest, TheListFollowsTheBatchUntilTheUserScrolls) {
    FillNumbered(80);
    view->resize(600, 200);
    // Each row waits for the test's go-ahead, so the test sees the batch
    // at a row of its choice.
    view->SetTransport([this](const std::string&, const std::string&, QueryHop) {
        gate.Pass();
        return std::string("No match for domain.\r\n");
    });
    table.startIndex = 0;
    Post(UM_START_WORKER);
    gate.Allow(60);
    ASSERT_TRUE(WaitUntil([&] { return view->shownRowCount() == 60; }));
    view->FlushFinishedRows();
    const int bottom = view->rowAt(view->viewport()->height() - 2);
    EXPECT_GE(59, view->rowAt(1));
    EXPECT_LE(59, bottom);
    EXPECT_TRUE(view->isFollowingBatch());

    // The user drags the scroll bar back to the top: the list stays there.
    view->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_FALSE(view->isFollowingBatch());
    gate.Allow(80);
    ASSERT_TRUE(WaitUntil([&] { return main.Count(UM_QUERY_FINISHED) == 1; }));
    EXPECT_EQ(view->rowAt(1), 0);
    EXPECT_EQ(view->verticalScrollBar()->value(), 0);
}

TEST_F(ListTest, ExpiringRowsAreCountedWhenRowsChangeAndTheRuleChanges) {
    std::vector<std::tuple<int, int, bool>> reported;
    QObject::connect(
        view, &CMakeHtmlView::expiringCountChanged, view,
        [&](int count, int days, bool shown) { reported.emplace_back(count, days, shown); });
    Fill({{"a.com", "s"}, {"b.com", "s"}, {"c.com", "s"}});
    Answer(0, Found, DaysFromToday(3).c_str());
    Answer(1, Found, DaysFromToday(-1).c_str());
    Answer(2, Found, DaysFromToday(40).c_str());
    Post(UM_ROW_DONE, 0);
    Post(UM_ROW_DONE, 1);
    Post(UM_ROW_DONE, 2);
    table.redDisplay = 1;
    table.expiryDays = 30;
    view->RefreshRedDisplay();
    ASSERT_FALSE(reported.empty());
    EXPECT_EQ(reported.back(), std::make_tuple(2, 30, true));
    table.expiryDays = 60;
    view->RefreshRedDisplay();
    EXPECT_EQ(reported.back(), std::make_tuple(3, 60, true));
    table.redDisplay = 0;
    view->RefreshRedDisplay();
    EXPECT_EQ(std::get<2>(reported.back()), false);
}

TEST(CellDelegateTest, OwnTipsComeFirstAndEmptyCellsHaveNone) {
    CListCtrlModel model;
    CListCtrlModel::Item failed;
    failed.cells[ListColumn::Status] = QStringLiteral("ERR!");
    failed.statusTip = QStringLiteral("查询超时");
    model.ResetItems({failed, CListCtrlModel::Item{}});
    CCellDelegate delegate;
    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, 4, 20); // far too narrow for "ERR!"
    EXPECT_EQ(delegate.ToolTipFor(option, model.index(0, ListColumn::Status)),
              QStringLiteral("查询超时"));
    EXPECT_TRUE(delegate.ToolTipFor(option, model.index(1, ListColumn::Status)).isEmpty());
    EXPECT_TRUE(delegate.ToolTipFor(option, QModelIndex()).isEmpty());
}

} // namespace
