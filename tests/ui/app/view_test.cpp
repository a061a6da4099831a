// SPDX-License-Identifier: MIT
// The list view on its own: posted messages in, cells and posts out.

#include "viewtest.h"

#include "core/messagetarget.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDate>
#include <QHeaderView>
#include <QMenu>
#include <atomic>
#include <gtest/gtest.h>

namespace {

TEST_F(ViewTest, ReloadOfAFreshLoadShowsDomainAndServerOnlyAndClearsChecks) {
    Fill({{"alpha.com", "whois.verisign-grs.com"}, {"beta.cn", "whois.cnnic.cn"}});
    Answer(0, Found);
    Post(UM_ROW_DONE, 0);
    view->OnCheckAll();
    ASSERT_EQ(Cell(0, 2), QStringLiteral("成功"));

    // The same list loaded again: the load zeroes the rows.
    Fill({{"alpha.com", "whois.verisign-grs.com"}, {"beta.cn", "whois.cnnic.cn"}});
    ASSERT_EQ(view->listModel()->GetItemCount(), 2);
    EXPECT_EQ(Cell(1, 0), QStringLiteral("beta.cn"));
    EXPECT_EQ(Cell(1, 1), QStringLiteral("whois.cnnic.cn"));
    for (int column = 2; column < 10; ++column) {
        EXPECT_TRUE(Cell(0, column).isEmpty()) << column;
    }
    EXPECT_FALSE(view->listModel()->GetCheck(0));

    table.Clear();
    Post(UM_RELOAD_LIST);
    EXPECT_EQ(view->listModel()->GetItemCount(), 0);
    EXPECT_EQ(view->model()->columnCount(), ListColumn::Count);
}

TEST_F(ViewTest, ReloadKeepsTheResultsOfFinishedRows) {
    Fill({{"alpha.com", "whois.verisign-grs.com"}, {"beta.cn", "whois.cnnic.cn"}});
    Answer(1, NotRegistered);
    Post(UM_ROW_DONE, 1);
    Post(UM_RELOAD_LIST); // as after a delete, which keeps the rows' results
    EXPECT_TRUE(Cell(0, 2).isEmpty());
    EXPECT_EQ(Cell(1, 2), QStringLiteral("域名未注册"));
    EXPECT_EQ(Cell(1, 5), QStringLiteral("Owner"));
}

TEST_F(ViewTest, EachFinishedRowFillsInAsItFinishesInAnyOrder) {
    Fill({{"a.com", "s"}, {"b.com", "s"}, {"c.com", "s"}, {"d.com", "s"}, {"e.com", "s"}});
    Answer(3, Found);
    Post(UM_ROW_DONE, 3); // lanes finish rows out of order
    EXPECT_EQ(Cell(3, 2), QStringLiteral("成功"));
    EXPECT_EQ(Cell(3, 3), QStringLiteral("2030-01-01"));
    EXPECT_EQ(Cell(3, 4), QStringLiteral("2001-02-03"));
    EXPECT_EQ(Cell(3, 5), QStringLiteral("Owner"));
    EXPECT_EQ(Cell(3, 8), QStringLiteral("Registrar Ltd"));
    EXPECT_EQ(Cell(3, 9), QStringLiteral("2024-05-06"));
    for (int row : {0, 1, 2, 4}) {
        EXPECT_TRUE(Cell(row, 2).isEmpty()) << row;
    }

    // Shown whether or not the registry answered: the first query of row 0
    // failed, and row 1 has no server to ask.
    table.Row(0).status = Error;
    table.details.Set(0, {FailReason::TimedOut, QueryProtocol::Whois, ""});
    SetField(table.Row(1).whoisServer, "");
    table.Row(1).status = Error;
    table.details.Set(1, {FailReason::ResolveFailed, QueryProtocol::Whois, ""});
    Post(UM_ROW_DONE, 0);
    Post(UM_ROW_DONE, 1);
    EXPECT_EQ(Cell(0, 2), QStringLiteral("ERR!"));
    EXPECT_EQ(view->listModel()->data(view->listModel()->index(0, 2), Qt::ToolTipRole).toString(),
              QStringLiteral("查询超时"));
    EXPECT_EQ(Cell(1, 2), QStringLiteral("无whois服务器"));

    // Unknown status codes show nothing; a row reported twice counts once;
    // an index outside the list touches nothing and still reports progress.
    Answer(4, 9);
    Post(UM_ROW_DONE, 4);
    Post(UM_ROW_DONE, 4);
    Post(UM_ROW_DONE, 7);
    Post(UM_ROW_DONE, -1);
    EXPECT_TRUE(Cell(4, 2).isEmpty());
    EXPECT_EQ(Cell(4, 5), QStringLiteral("Owner"));
    EXPECT_EQ(main.LParams(UM_PROGRESS), (std::vector<std::intptr_t>{1, 2, 3, 4, 4, 4, 4}));
    EXPECT_TRUE(Cell(2, 2).isEmpty());
}

TEST_F(ViewTest, GbkTextIsShownConvertedAndBadBytesAsReplacement) {
    Fill({{"a.cn", "whois.cnnic.cn"}});
    Answer(0, Found, "2030-01-01", "\xD6\xD0\xCE\xC4\xB9\xAB\xCB\xBE"); // 中文公司
    SetField(table.Row(0).registrar, "ok\x81");                         // a lead byte alone
    Post(UM_ROW_DONE, 0);
    EXPECT_EQ(Cell(0, 5), QStringLiteral("中文公司"));
    EXPECT_EQ(Cell(0, 8), QStringLiteral("ok") + QChar(0xFFFD));
}

TEST_F(ViewTest, QuickFindWalksDomainAndServerCaseInsensitiveAndWraps) {
    Fill({{"one.com", "whois.verisign-grs.com"},
          {"two.cn", "whois.cnnic.cn"},
          {"three.com", "whois.verisign-grs.com"},
          {"verisign.org", "whois.pir.org"}});
    std::vector<QString> said;
    QObject::connect(view, &CMakeHtmlView::statusMessage, view,
                     [&said](const QString& text) { said.push_back(text); });
    view->selectAll();
    table.findText = "VeriSign";
    table.findCursor = 0;

    Post(UM_FIND); // from the top: everything else is deselected first
    EXPECT_EQ(SelectedRows(), std::vector<int>{0});
    EXPECT_EQ(table.findCursor, 1);
    Post(UM_FIND);
    EXPECT_EQ(SelectedRows(), std::vector<int>{2});
    Post(UM_FIND); // the domain column counts too
    EXPECT_EQ(SelectedRows(), std::vector<int>{3});
    EXPECT_EQ(table.findCursor, 0); // the last row: the next find starts at the top
    EXPECT_TRUE(said.empty());
    Post(UM_FIND);
    EXPECT_EQ(SelectedRows(), std::vector<int>{0});

    table.findText = "two"; // only in a domain
    table.findCursor = 0;
    Post(UM_FIND);
    EXPECT_EQ(SelectedRows(), std::vector<int>{1});
    Post(UM_FIND); // past the only match: nothing below, one above
    EXPECT_TRUE(SelectedRows().empty());
    EXPECT_EQ(said, std::vector<QString>{QStringLiteral("已到列表末尾，再次检索将从头开始")});

    table.findText = "nowhere";
    Post(UM_FIND);
    EXPECT_TRUE(SelectedRows().empty());
    EXPECT_EQ(table.findCursor, 0);
    EXPECT_EQ(said.back(), QStringLiteral("未找到"));
}

TEST_F(ViewTest, FindCursorBeyondAShorterListSearchesNothingThenRestarts) {
    Fill({{"a.com", "x"}, {"b.com", "x"}, {"c.com", "x"}});
    table.findText = "x";
    table.findCursor = 7;
    Post(UM_FIND);
    EXPECT_TRUE(SelectedRows().empty());
    EXPECT_EQ(table.findCursor, 0);
    Post(UM_FIND);
    EXPECT_EQ(SelectedRows(), std::vector<int>{0});
}

TEST_F(ViewTest, CheckAllUncheckAllAndMarkChecked) {
    Fill({{"a.com", "x"}, {"b.com", "x"}, {"c.com", "x"}});
    view->OnCheckAll();
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(view->listModel()->GetCheck(i));
    }
    view->OnUncheckAll();
    view->listModel()->SetCheck(1, true);
    Post(UM_DELETE_CHECKED);
    EXPECT_EQ(table.Row(0).removed, 0);
    EXPECT_EQ(table.Row(1).removed, 1);
    EXPECT_EQ(table.Row(2).removed, 0);
    EXPECT_EQ(panel.Count(UM_PANEL_DELETE_DONE), 1);

    table.Clear(); // an empty list still reports the delete as done
    Post(UM_RELOAD_LIST);
    view->OnCheckAll();
    Post(UM_DELETE_CHECKED);
    EXPECT_EQ(panel.Count(UM_PANEL_DELETE_DONE), 2);
}

TEST_F(ViewTest, RedDisplayMarksRowsExpiringWithinTheDays) {
    const auto date = [](int days) {
        return QDate::currentDate().addDays(days).toString(Qt::ISODate).toStdString();
    };
    const struct {
        const char* name;
        std::string expiry;
        bool red;
    } rows[] = {
        {"past", date(-3), true},    {"today", date(0), true},      {"within", date(30), true},
        {"beyond", date(31), false}, {"unreadable", "soon", false}, {"empty", "", false},
    };
    table.Clear();
    for (const auto& row : rows) {
        DomainRecord& record = table.Row(table.count++);
        SetField(record.domain, row.name);
    }
    Post(UM_RELOAD_LIST);
    for (int i = 0; i < table.count; ++i) {
        Answer(i, Found, rows[i].expiry.c_str());
        Post(UM_ROW_DONE, i);
    }

    table.redDisplay = 1;
    table.expiryDays = 30;
    CMakeHtmlView::RefreshAllRedDisplays();
    for (int i = 0; i < table.count; ++i) {
        SCOPED_TRACE(rows[i].name);
        EXPECT_EQ(view->listModel()->IsItemRed(i), rows[i].red);
        EXPECT_EQ(view->model()->data(view->model()->index(i, 4), Qt::ForegroundRole).isValid(),
                  rows[i].red);
    }

    table.redDisplay = 0;
    CMakeHtmlView::RefreshAllRedDisplays();
    for (int i = 0; i < table.count; ++i) {
        EXPECT_FALSE(view->listModel()->IsItemRed(i));
    }
}

TEST_F(ViewTest, RightClickOnEmptySpaceShowsNoMenu) {
    Fill({{"a.com", "x"}});
    const QPoint empty(10, view->viewport()->height() - 5);
    QContextMenuEvent event(QContextMenuEvent::Mouse, empty, view->viewport()->mapToGlobal(empty));
    QApplication::sendEvent(view->viewport(), &event);
    EXPECT_EQ(view->contextRow(), -1);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST_F(ViewTest, ContextMenuOpensTheRowsDomainAsGiven) {
    Fill({{"a.com", "x"}, {"shop.example.cn", "y"}});
    const QPoint onRow = view->visualRect(view->model()->index(1, 2)).center();
    bool menuSeen = false;
    QStringList titles;
    QTimer::singleShot(0, view, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr) {
            return;
        }
        menuSeen = true;
        for (QAction* action : menu->actions()) {
            titles << action->text();
        }
        QAction* open = menu->findChild<QAction*>(QStringLiteral("32786"));
        menu->close();
        if (open != nullptr) {
            open->trigger();
        }
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, onRow, view->viewport()->mapToGlobal(onRow));
    QApplication::sendEvent(view->viewport(), &event);
    EXPECT_TRUE(menuSeen);
    EXPECT_EQ(titles,
              (QStringList{QStringLiteral("打开网页"), QString(), QStringLiteral("全部选中"),
                           QStringLiteral("全不选"), QString(), QStringLiteral("重新查询选中的行"),
                           QStringLiteral("重新查询失败的行"), QStringLiteral("查询未查询的行")}));
    EXPECT_EQ(view->contextRow(), 1);
    EXPECT_EQ(dialogs.urls, std::vector<std::string>{"shop.example.cn"});
}

TEST_F(ViewTest, StartWithEmptyTableRefusesAndEndsTheBatchAtOnce) {
    table.Clear();
    Post(UM_START_WORKER);
    EXPECT_EQ(dialogs.infos, std::vector<std::string>{"请至少指定一个域名。"});
    EXPECT_EQ(main.Count(UM_QUERY_FINISHED), 1);
    EXPECT_FALSE(view->IsQueryRunning());
}

TEST_F(ViewTest, BatchFromStartIndexFillsRowsAndEnds) {
    Fill({{"a.cn", "whois.cnnic.cn"}, {"b.cn", "whois.cnnic.cn"}, {"c.cn", "whois.cnnic.cn"}});
    table.startIndex = 1;
    // Shared with the worker, which may outlive this body if a check fails.
    auto asked = std::make_shared<std::vector<std::string>>();
    view->SetTransport([this, asked](const std::string&, const std::string& domain, QueryHop) {
        gate.Pass();
        asked->push_back(domain); // the worker's thread; read only after it ended
        return std::string("Registrant: Someone^Expiration Time: 2031-01-02 00:00:00\r\n");
    });
    gate.Allow(1);
    Post(UM_START_WORKER);
    // The first row finished: the progress counts from row 0.
    ASSERT_TRUE(WaitUntil([&] { return main.Count(UM_PROGRESS) == 1; }));
    EXPECT_EQ(main.LParams(UM_PROGRESS).front(), 2);
    gate.Allow(2);
    ASSERT_TRUE(WaitUntil([&] { return main.Count(UM_QUERY_FINISHED) == 1; }));
    EXPECT_EQ(*asked, (std::vector<std::string>{"b.cn", "c.cn"}));
    EXPECT_TRUE(Cell(0, 2).isEmpty());
    EXPECT_EQ(Cell(1, 2), QStringLiteral("成功"));
    EXPECT_EQ(Cell(2, 2), QStringLiteral("成功"));
    EXPECT_EQ(main.LParams(UM_PROGRESS).back(), 3);
    table.startIndex = 0;
}

// The list's batch on its own: each row's report counts once, and the
// registry's StopAll returns only after the worker has ended.
TEST_F(ViewTest, BatchControlCountsReportsOnceAndStopAllJoinsTheWorker) {
    Fill({{"a.cn", "whois.cnnic.cn"}, {"b.cn", "whois.cnnic.cn"}, {"c.cn", "whois.cnnic.cn"}});
    struct ExitCounter final : IMessageTarget {
        std::atomic<int> exits{0};
        void PostMessage(unsigned message, std::uintptr_t, std::intptr_t) override {
            exits += message == UM_WORKER_EXIT ? 1 : 0;
        }
    } target;
    CBatchControl control;
    control.SetTransport([this](const std::string&, const std::string&, QueryHop) {
        gate.Pass();
        return std::string("Registrant: Someone\r\n");
    });
    ASSERT_TRUE(control.Start(&target));
    EXPECT_TRUE(control.IsRunning());
    EXPECT_TRUE(control.Asks(2));
    EXPECT_FALSE(control.Asks(3));
    EXPECT_TRUE(control.Report(1, 3));
    EXPECT_FALSE(control.Report(1, 3));
    EXPECT_FALSE(control.Report(3, 3));
    EXPECT_FALSE(control.Report(-1, 3));
    EXPECT_TRUE(control.Reported(1));
    EXPECT_FALSE(control.Reported(0));
    EXPECT_EQ(control.ShownRowCount(), 1);
    gate.Allow(INT32_MAX);
    CBatchControl::StopAll();
    EXPECT_EQ(target.exits.load(), 1);
    EXPECT_TRUE(control.End().empty());
    EXPECT_FALSE(control.IsRunning());
}

} // namespace
