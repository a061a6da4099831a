// The list view on its own: posted messages in, cells and posts out.

#include "core/messages.h"
#include "engine/domaintable.h"
#include "listwin/makehtmlview.h"
#include "scripteddialogs.h"
#include "uitest.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDate>
#include <QHeaderView>
#include <QMenu>
#include <gtest/gtest.h>

namespace {

struct RowText {
    const char* domain;
    const char* server;
};

class ViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        table.Allocate();
        table.core = nullptr;
        table.panelWindow = static_cast<QWidget*>(&panel);
        table.findText.clear();
        table.redDisplay = 0;
        table.expiryDays = 0;
        view = new CMakeHtmlView(&main);
        view->OnInitialUpdate();
        main.resize(800, 400);
        view->resize(800, 400);
        main.show();
    }
    void TearDown() override {
        delete view;
        table.Release();
        table.panelWindow = nullptr;
    }

    void Fill(std::initializer_list<RowText> rows) {
        table.Clear();
        for (const RowText& text : rows) {
            DomainRecord& row = table.Row(table.count++);
            SetField(row.domain, text.domain);
            SetField(row.whoisServer, text.server);
        }
        Post(UM_RELOAD_LIST);
    }
    void Answer(int index, int32_t status, const char* expiry = "2030-01-01",
                const char* owner = "Owner") {
        DomainRecord& row = table.Row(index);
        row.answered = 1;
        row.status = status;
        SetField(row.expiryDate, expiry);
        SetField(row.createdDate, "2001-02-03");
        SetField(row.updatedDate, "2024-05-06");
        SetField(row.owner, owner);
        SetField(row.email, "a@b.example");
        SetField(row.phone, "+1.555");
        SetField(row.registrar, "Registrar Ltd");
    }
    void Post(unsigned message, std::intptr_t lParam = 0) {
        PostWindowMessage(view, message, 0, lParam);
        DrainPostedMessages();
    }
    [[nodiscard]] QString Cell(int item, int column) const {
        return view->listModel()->GetItemText(item, column);
    }
    [[nodiscard]] std::vector<int> SelectedRows() const {
        std::vector<int> rows;
        for (const QModelIndex& index : view->selectionModel()->selectedRows()) {
            rows.push_back(index.row());
        }
        std::sort(rows.begin(), rows.end());
        return rows;
    }

    DomainTable& table = TheDomainTable();
    RecordingMainWindow main;
    RecordingMainWindow panel{false};
    CMakeHtmlView* view = nullptr;
    ScriptedDialogs dialogs;
};

TEST_F(ViewTest, ReloadShowsDomainAndServerOnlyAndClearsChecks) {
    Fill({{"alpha.com", "whois.verisign-grs.com"}, {"beta.cn", "whois.cnnic.cn"}});
    Answer(0, Found);
    Post(UM_ROW_DONE, 2);
    view->OnCheckAll();
    ASSERT_EQ(Cell(0, 2), QStringLiteral("成功"));

    Post(UM_RELOAD_LIST);
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
    EXPECT_EQ(view->model()->columnCount(), 10);
}

TEST_F(ViewTest, FinishedRowsFillInOnlyWhenAnsweredAndCountIsCumulative) {
    Fill({{"a.com", "s"}, {"b.com", "s"}, {"c.com", "s"}, {"d.com", "s"}, {"e.com", "s"}});
    Answer(0, Found);
    Answer(2, Error); // row 1 stays unanswered
    Post(UM_ROW_DONE, 3);
    EXPECT_EQ(Cell(0, 2), QStringLiteral("成功"));
    EXPECT_EQ(Cell(0, 3), QStringLiteral("2030-01-01"));
    EXPECT_EQ(Cell(0, 4), QStringLiteral("2001-02-03"));
    EXPECT_EQ(Cell(0, 5), QStringLiteral("Owner"));
    EXPECT_EQ(Cell(0, 8), QStringLiteral("Registrar Ltd"));
    EXPECT_EQ(Cell(0, 9), QStringLiteral("2024-05-06"));
    EXPECT_TRUE(Cell(1, 2).isEmpty());
    EXPECT_EQ(Cell(2, 2), QStringLiteral("ERR!"));

    // A late message walks nothing and still reports progress.
    Answer(1, NotRegistered);
    Post(UM_ROW_DONE, 2);
    EXPECT_TRUE(Cell(1, 2).isEmpty());
    EXPECT_EQ(view->shownRowCount(), 3);

    // One message covers every row below it; an unknown status shows nothing.
    Answer(3, 9);
    Answer(4, NotRegistered);
    Post(UM_ROW_DONE, 5);
    EXPECT_TRUE(Cell(3, 2).isEmpty());
    EXPECT_EQ(Cell(3, 5), QStringLiteral("Owner"));
    EXPECT_EQ(Cell(4, 2), QStringLiteral("域名未注册"));
    EXPECT_EQ(main.LParams(UM_PROGRESS), (std::vector<std::intptr_t>{3, 3, 5}));
}

TEST_F(ViewTest, GbkTextIsShownConvertedAndBadBytesAsReplacement) {
    Fill({{"a.cn", "whois.cnnic.cn"}});
    Answer(0, Found, "2030-01-01", "\xD6\xD0\xCE\xC4\xB9\xAB\xCB\xBE"); // 中文公司
    SetField(table.Row(0).registrar, "ok\x81");                         // a lead byte alone
    Post(UM_ROW_DONE, 1);
    EXPECT_EQ(Cell(0, 5), QStringLiteral("中文公司"));
    EXPECT_EQ(Cell(0, 8), QStringLiteral("ok") + QChar(0xFFFD));
}

TEST_F(ViewTest, QuickFindWalksServerColumnMatchesAndWraps) {
    Fill({{"one.com", "whois.verisign-grs.com"},
          {"two.cn", "whois.cnnic.cn"},
          {"three.com", "whois.verisign-grs.com"},
          {"verisign.org", "whois.pir.org"}});
    view->selectAll();
    table.findText = "verisign";
    table.findCursor = 0;

    Post(UM_FIND); // from the top: everything else is deselected first
    EXPECT_EQ(SelectedRows(), std::vector<int>{0});
    EXPECT_EQ(table.findCursor, 1);
    Post(UM_FIND);
    EXPECT_EQ(SelectedRows(), std::vector<int>{2});
    EXPECT_EQ(table.findCursor, 3);
    Post(UM_FIND); // no match below: the domain column is not searched
    EXPECT_TRUE(SelectedRows().empty());
    EXPECT_EQ(table.findCursor, 0);
    Post(UM_FIND);
    EXPECT_EQ(SelectedRows(), std::vector<int>{0});

    table.findText = "VERISIGN"; // case matters
    table.findCursor = 0;
    Post(UM_FIND);
    EXPECT_TRUE(SelectedRows().empty());
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
    }
    Post(UM_ROW_DONE, table.count);

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
    EXPECT_EQ(titles, (QStringList{QStringLiteral("打开网页"), QString(),
                                   QStringLiteral("全部选中"), QStringLiteral("全不选")}));
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
    std::vector<std::string> asked;
    view->SetTransport([&asked](const std::string&, const std::string& domain, QueryHop) {
        asked.push_back(domain); // the worker's thread; read only after it ended
        return std::string("Registrant: Someone^Expiration Time: 2031-01-02 00:00:00\r\n");
    });
    Post(UM_START_WORKER);
    ASSERT_TRUE(WaitUntil([&] { return main.Count(UM_QUERY_FINISHED) == 1; }));
    EXPECT_EQ(asked, (std::vector<std::string>{"b.cn", "c.cn"}));
    EXPECT_TRUE(Cell(0, 2).isEmpty());
    EXPECT_EQ(Cell(1, 2), QStringLiteral("成功"));
    EXPECT_EQ(Cell(2, 2), QStringLiteral("成功"));
    const auto progress = main.LParams(UM_PROGRESS);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.front(), 2); // counted from row 0
    EXPECT_EQ(progress.back(), 3);
    table.startIndex = 0;
}

} // namespace
