// SPDX-License-Identifier: MIT
// The whole program for daily work: deleting keeps what the other rows
// found, exports say only what is known, imports come from drops and the
// clipboard, a batch shows its progress and can be stopped, the options and
// the list's columns are kept, and the window never gets too small to use.

#include "apptest.h"
#include "core/messages.h"
#include "engine/domaintable.h"
#include "listwin/listfilterbar.h"
#include "panel/batchoptionsdlg.h"
#include "rowgate.h"
#include "scripteddialogs.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDropEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QSpinBox>
#include <QUrl>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>

namespace {

std::string Gbk(std::string text) {
    CCore::UTF8_ANSI(text);
    return text;
}

class FrameTest : public ::testing::Test {
protected:
    void Start(const std::string& list) {
        WriteBytes(home.file("_items.txt"), list);
        ASSERT_TRUE(run.Start());
    }
    static std::string Names(int n) {
        std::string text;
        for (int i = 0; i < n; ++i) {
            text += "row" + std::to_string(i) + ".com\r\n";
        }
        return text;
    }
    // Finishes row i as the worker would and reports it.
    void Finish(int i, int32_t status, const std::string& owner) {
        DomainRecord& row = table.Row(i);
        row.status = status;
        row.answered = 1;
        SetField(row.owner, owner);
        SetField(row.expiryDate, "2030-01-0" + std::to_string(1 + i % 9));
        table.details.Set(i, {FailReason::None, QueryProtocol::Whois, "answer of " + owner});
        PostWindowMessage(run.view, UM_ROW_DONE, 0, i);
    }
    [[nodiscard]] QString Cell(int row, int column) const {
        return run.view->listModel()->GetItemText(row, column);
    }

    TempHome home;
    ScriptedDialogs dialogs;
    RunningApp run;
    DomainTable& table = TheDomainTable();
};

TEST_F(FrameTest, DeletingTwoOfThirtyRowsKeepsTheOther28ResultsAndTheirOrder) {
    Start(Names(30));
    for (int i = 0; i < 30; ++i) {
        Finish(i, i % 3 == 0 ? NotRegistered : Found, "Owner " + std::to_string(i));
    }
    DrainPostedMessages();
    ASSERT_EQ(run.Pane(1), QStringLiteral("进度：30 / 30"));
    {
        CCore core;
        core.saveConfigInt("lastindex", 20); // as a stopped batch left it
    }
    run.view->listModel()->SetCheck(4, true);
    run.view->listModel()->SetCheck(17, true);
    run.Click(1006);
    DrainPostedMessages();

    ASSERT_EQ(table.count, 28);
    EXPECT_EQ(run.Pane(2), QStringLiteral("域名数量：28"));
    EXPECT_EQ(run.Pane(1), QStringLiteral("进度：28 / 28"));
    std::string expectedList;
    int row = 0;
    for (int i = 0; i < 30; ++i) {
        if (i == 4 || i == 17) {
            continue;
        }
        SCOPED_TRACE(i);
        expectedList += "row" + std::to_string(i) + ".com\r\n";
        EXPECT_EQ(Cell(row, 0), QStringLiteral("row%1.com").arg(i));
        EXPECT_EQ(Cell(row, 2), i % 3 == 0 ? QStringLiteral("域名未注册") : QStringLiteral("成功"));
        EXPECT_EQ(Cell(row, 5), QStringLiteral("Owner %1").arg(i));
        EXPECT_EQ(table.details.Answer(row), "answer of Owner " + std::to_string(i));
        EXPECT_FALSE(run.view->listModel()->GetCheck(row));
        ++row;
    }
    EXPECT_EQ(ReadBytes(home.file("_items.txt")), expectedList);
    // Two rows before it went: the resume point moves up with its row.
    EXPECT_EQ(SavedInt("lastindex"), 18);
}

TEST_F(FrameTest, ADeleteThatCannotRewriteTheListRemovesNothingAndSaysWhy) {
    Start(Names(3));
    Finish(0, Found, "Kept");
    DrainPostedMessages();
    run.view->listModel()->SetCheck(1, true);
    table.listFilePath = home.file("gone/_items.txt");
    run.Click(1006);
    DrainPostedMessages();
    EXPECT_EQ(table.count, 3);
    EXPECT_EQ(table.Row(1).removed, 0);
    EXPECT_EQ(Cell(0, 5), QStringLiteral("Kept"));
    ASSERT_EQ(dialogs.infos.size(), 1u);
    EXPECT_EQ(dialogs.infos[0], "无法写入文件：" + home.file("gone/_items.txt") +
                                    "\n原因：没有那个文件或目录\n没有删除任何域名。");
}

TEST_F(FrameTest, ExportBeforeABatchLeavesTheStatusEmptyAndCountsTheRowsWritten) {
    Start("alpha.com\r\nbeta.cn\r\ngamma.org\r\n");
    Finish(1, NotRegistered, "");
    DrainPostedMessages();
    const std::string csv = home.file("early.csv");
    dialogs.savePaths = {csv};
    run.Click(1005);
    EXPECT_EQ(dialogs.infos, std::vector<std::string>{"共导出了 3 条有效记录！"});
    EXPECT_EQ(ReadBytes(csv),
              "\"whois.verisign-grs.com\",\"alpha.com\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n"
              "\"whois.cnnic.cn\",\"beta.cn\",\"" +
                  Gbk("域名未注册") +
                  "\",\"2030-01-02\",\"\",\"\",\"\",\"\",\"\"\r\n"
                  "\"whois.pir.org\",\"gamma.org\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n");

    // The second file type: UTF-8 after a byte-order mark, as the list shows it.
    const std::string excel = home.file("excel.csv");
    dialogs.savePaths = {excel};
    dialogs.saveTypes = {1};
    run.Click(1005);
    EXPECT_EQ(ReadBytes(excel).substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_NE(ReadBytes(excel).find("\"beta.cn\",\"whois.cnnic.cn\",\"域名未注册\",\"2030-01-02\""),
              std::string::npos);
}

TEST_F(FrameTest, FilesDroppedOnTheWindowAndClipboardTextAreImported) {
    Start(Names(2));
    const std::string dropped = home.file("dropped.txt");
    WriteBytes(dropped, "one.com\ntwo.cn\nthree.org\n");
    QMimeData data;
    data.setUrls({QUrl(QStringLiteral("https://example.com/x.txt")),
                  QUrl::fromLocalFile(QString::fromStdString(dropped))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(run.frame, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(run.frame, &drop);
    DrainPostedMessages();
    EXPECT_EQ(table.count, 3);
    EXPECT_EQ(run.Pane(2), QStringLiteral("域名数量：3"));
    EXPECT_EQ(ReadBytes(home.file("_items.txt")), "one.com\ntwo.cn\nthree.org\n");

    // A folder is not a list.
    EXPECT_FALSE(
        run.frame->ImportDroppedFiles({QUrl::fromLocalFile(QString::fromStdString(home.path()))}));
    EXPECT_EQ(table.count, 3);
    ASSERT_FALSE(dialogs.infos.empty());
    EXPECT_EQ(dialogs.infos.back().rfind("无法导入：", 0), 0u);

    auto* paste = run.frame->findChild<QAction*>(QStringLiteral("32790"));
    ASSERT_NE(paste, nullptr);
    EXPECT_EQ(paste->text(), QStringLiteral("从剪贴板导入"));
    QGuiApplication::clipboard()->setText(QStringLiteral(" WWW.Example.com/\n中文.cn\n\n"));
    paste->trigger();
    DrainPostedMessages();
    ASSERT_EQ(table.count, 2);
    EXPECT_EQ(Cell(0, 0), QStringLiteral("example.com"));
    EXPECT_EQ(Cell(1, 0), QStringLiteral("中文.cn (xn--fiq228c.cn)"));

    // Nothing usable on the clipboard: the list stays, the user is told.
    QGuiApplication::clipboard()->setText(QStringLiteral("  \n\n"));
    paste->trigger();
    DrainPostedMessages();
    EXPECT_EQ(table.count, 2);
    EXPECT_EQ(dialogs.infos.back(), "剪贴板中没有域名，域名列表未改变。");
}

TEST_F(FrameTest, NamesOverCapacityAreReportedAtTheImportNotAtEveryStart) {
    std::string many;
    for (int i = 0; i < DomainTable::kMaxRows + 2; ++i) {
        many += "n" + std::to_string(i) + ".com\n";
    }
    Start(many);
    EXPECT_EQ(table.count, DomainTable::kMaxRows);
    EXPECT_TRUE(dialogs.infos.empty());
}

TEST_F(FrameTest, StopEndsTheBatchKeepingFinishedRowsAndTheResumePoint) {
    Start(Names(6));
    RowGate gate;
    run.view->SetTransport([&gate](const std::string&, const std::string& domain, QueryHop) {
        gate.Pass();
        return "No match for \"" + domain + "\".\r\n";
    });
    gate.Allow(2);
    run.Click(1003);
    EXPECT_EQ(run.Button(1003)->text(), QStringLiteral("停止查询"));
    ASSERT_TRUE(WaitUntil([&] { return run.view->shownRowCount() == 2; }));
    EXPECT_TRUE(run.frame->progressBar()->isVisible());

    run.Click(1003); // stop
    EXPECT_FALSE(run.Button(1003)->isEnabled());
    DrainPostedMessages();
    gate.Allow(100); // the row under way ends; no further row starts
    ASSERT_TRUE(WaitUntil([&] { return run.Button(1003)->text() == QStringLiteral("开始查询"); }));
    EXPECT_TRUE(run.Button(1003)->isEnabled());
    EXPECT_TRUE(run.Button(1004)->isEnabled());
    EXPECT_EQ(run.Pane(0), QStringLiteral("操作结束！"));
    EXPECT_EQ(Cell(0, 2), QStringLiteral("域名未注册"));
    EXPECT_EQ(Cell(1, 2), QStringLiteral("域名未注册"));
    EXPECT_TRUE(Cell(3, 2).isEmpty());
    EXPECT_GT(SavedInt("lastindex"), 0);
    EXPECT_TRUE(run.frame->progressBar()->format().startsWith(QStringLiteral("2 / 6")) ||
                run.frame->progressBar()->format().startsWith(QStringLiteral("3 / 6")));
}

TEST_F(FrameTest, ProgressBarShowsRowsDoneRateAndTimeLeft) {
    Start(Names(3));
    run.view->SetTransport([](const std::string&, const std::string& domain, QueryHop) {
        return "No match for \"" + domain + "\".\r\n";
    });
    run.Click(1003);
    ASSERT_TRUE(WaitUntil([&] { return run.Pane(0) == QStringLiteral("操作结束！"); }));
    QProgressBar* bar = run.frame->progressBar();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->value(), 3);
    EXPECT_EQ(bar->maximum(), 3);
    EXPECT_TRUE(bar->format().startsWith(QStringLiteral("3 / 3"))) << bar->format().toStdString();
}

TEST_F(FrameTest, OptionsAreSavedAndTheNextBatchStartsWithThem) {
    Start(Names(1));
    auto* options = run.frame->findChild<QAction*>(QStringLiteral("32791"));
    ASSERT_NE(options, nullptr);
    QTimer::singleShot(0, run.frame, [] {
        auto* dialog = qobject_cast<CBatchOptionsDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->settings(), BatchSettings{}); // nothing saved: the defaults
        dialog->findChild<QSpinBox*>(QStringLiteral("jobs"))->setValue(4);
        dialog->findChild<QSpinBox*>(QStringLiteral("perhost"))->setValue(2);
        dialog->findChild<QSpinBox*>(QStringLiteral("hostinterval"))->setValue(1500);
        dialog->findChild<QComboBox*>(QStringLiteral("protocol"))->setCurrentIndex(2);
        dialog->accept();
    });
    options->trigger();
    EXPECT_EQ(SavedInt("jobs"), 4);
    EXPECT_EQ(SavedInt("perhost"), 2);
    EXPECT_EQ(SavedInt("hostinterval"), 1500);
    EXPECT_EQ(SavedInt("protocol"), 2);
    const QueryOptions next = run.view->MakeQueryOptions();
    EXPECT_EQ(next.jobs, 4);
    EXPECT_EQ(next.perHost, 2);
    EXPECT_EQ(next.hostIntervalMs, 1500);
    EXPECT_EQ(next.protocol, ProtocolChoice::Rdap);

    // Cancel keeps what was saved.
    QTimer::singleShot(0, run.frame, [] {
        auto* dialog = qobject_cast<CBatchOptionsDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<QSpinBox*>(QStringLiteral("jobs"))->setValue(9);
        dialog->reject();
    });
    options->trigger();
    EXPECT_EQ(SavedInt("jobs"), 4);
}

TEST_F(FrameTest, StatusBarCountsRowsExpiringWhileRedDisplayIsOn) {
    Start(Names(3));
    const auto inDays = [](int days) {
        return QDate::currentDate().addDays(days).toString(Qt::ISODate).toStdString();
    };
    for (int i = 0; i < 3; ++i) {
        table.Row(i).answered = 1;
        table.Row(i).status = Found;
        SetField(table.Row(i).expiryDate, inDays(i * 20)); // 0, 20, 40 days
        PostWindowMessage(run.view, UM_ROW_DONE, 0, i);
    }
    DrainPostedMessages();
    QLabel* expiring = run.frame->expiryPane();
    EXPECT_FALSE(expiring->isVisible());

    // The tick takes the days from the box and turns red display on.
    run.panel->findChild<QLineEdit*>(QStringLiteral("1015"))->setText(QStringLiteral("30"));
    QTest::mouseClick(run.panel->findChild<QCheckBox*>(QStringLiteral("1028")), Qt::LeftButton);
    EXPECT_TRUE(expiring->isVisible());
    EXPECT_EQ(expiring->text(), QStringLiteral("2 个域名将在 30 天内到期"));

    QTest::mouseClick(run.panel->findChild<QCheckBox*>(QStringLiteral("1028")), Qt::LeftButton);
    EXPECT_FALSE(expiring->isVisible());
}

TEST_F(FrameTest, FilterBarAboveTheListFiltersIt) {
    Start("alpha.com\r\nbeta.cn\r\ngamma.com\r\n");
    CListFilterBar* bar = run.frame->filterBar();
    ASSERT_NE(bar, nullptr);
    auto* text = bar->findChild<QLineEdit*>(QStringLiteral("filterText"));
    auto* status = bar->findChild<QComboBox*>(QStringLiteral("statusFilter"));
    ASSERT_NE(text, nullptr);
    ASSERT_NE(status, nullptr);
    QStringList choices;
    for (int i = 0; i < status->count(); ++i) {
        choices << status->itemText(i);
    }
    EXPECT_EQ(choices, (QStringList{"全部", "成功", "域名未注册", "失败", "即将到期", "有变化"}));
    EXPECT_LT(bar->geometry().bottom(), run.view->geometry().top());

    QTest::keyClicks(text, QStringLiteral("CNNIC"));
    EXPECT_EQ(run.view->model()->rowCount(), 1);
    status->setCurrentIndex(1);
    EXPECT_EQ(run.view->model()->rowCount(), 0);
    status->setCurrentIndex(0);
    text->clear();
    EXPECT_EQ(run.view->model()->rowCount(), 3);
}

TEST_F(FrameTest, ColumnWidthsOrderAndHiddenColumnsComeBackAtTheNextStart) {
    Start(Names(2));
    QHeaderView* header = run.view->horizontalHeader();
    header->resizeSection(ListColumn::Owner, 222);
    header->moveSection(header->visualIndex(ListColumn::Registrar), 2);
    run.view->setColumnHidden(ListColumn::Phone, true);
    run.frame->close();
    ASSERT_TRUE(WaitUntil([&] { return run.app.mainFrame() == nullptr; }));

    RunningApp again;
    ASSERT_TRUE(again.Start());
    QHeaderView* restored = again.view->horizontalHeader();
    EXPECT_EQ(restored->sectionSize(ListColumn::Owner), 222);
    EXPECT_EQ(restored->visualIndex(ListColumn::Registrar), 2);
    EXPECT_EQ(restored->visualIndex(ListColumn::Domain), 0);
    EXPECT_TRUE(restored->isSectionHidden(ListColumn::Phone));
    EXPECT_FALSE(restored->isSectionHidden(ListColumn::Email));
}

TEST_F(FrameTest, AtItsMinimumSizeTheSideBarAndThreeColumnsShow) {
    Start(Names(2));
    const QSize minimum = run.frame->minimumSize();
    ASSERT_GT(minimum.width(), 0);
    run.frame->showNormal();
    run.frame->resize(minimum);
    DrainPostedMessages();
    ASSERT_EQ(run.frame->size(), minimum);
    EXPECT_TRUE(run.frame->sideBar()->isVisible());
    const QWidget* panel = run.panel;
    // Every control of the panel lies inside the visible part of the bar.
    const QRect shown = panel->visibleRegion().boundingRect();
    for (const QWidget* control : panel->findChildren<QPushButton*>()) {
        EXPECT_TRUE(shown.contains(control->geometry())) << control->objectName().toStdString();
    }
    // Three columns of the list fit its viewport.
    const QTableView* list = run.view;
    const int third = list->horizontalHeader()->logicalIndex(2);
    EXPECT_LE(list->columnViewportPosition(third) + list->columnWidth(third),
              list->viewport()->width());
}

} // namespace
