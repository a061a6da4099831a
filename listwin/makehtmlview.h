// SPDX-License-Identifier: MIT
#pragma once

// The client area of the main window: a report list that mirrors the domain
// table row for row. It starts and stops the batch worker, fills the cells of
// each row the worker finishes, runs the quick find and marks checked rows
// for deletion, all on posted messages (PreTranslateMessage), and offers the
// context menu, sorting and filtering, the row details and copying.
//
// Underneath, item i of the list model is table row i; what the user sees
// is a sorted and filtered view of it, with the domain column kept in view.

#include "engine/batch/querythread.h"
#include "listwin/batchcontrol.h"
#include "listwin/columnlayout.h"
#include "listwin/listctrlmodel.h"
#include "listwin/listsortfilter.h"
#include "platform/messagewindow.h"

#include <QTableView>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class CCellDelegate;
class CFrozenColumnView;
class CRowDetailsDlg;
class CWidgetMessageTarget;
class QMenu;

class CMakeHtmlView final : public QTableView, public CMessageWindow {
    Q_OBJECT
public:
    // Context menu commands.
    static constexpr int ID_OPEN_WEBPAGE = 32786;
    static constexpr int ID_CHECK_ALL = 32787;
    static constexpr int ID_UNCHECK_ALL = 32788;
    static constexpr int ID_REQUERY_SELECTED = 32795;
    static constexpr int ID_REQUERY_FAILED = 32796;
    static constexpr int ID_QUERY_UNASKED = 32797;
    // Which rows a batch over chosen rows asks: the highlighted ones, every
    // failed one (status Error), every one not asked yet.
    enum class RowChoice { Selected, Failed, Unasked };
    // While a batch runs, finished rows reach the screen at most this often.
    static constexpr int kBatchRefreshMs = 50;

    explicit CMakeHtmlView(QWidget* parent = nullptr);
    ~CMakeHtmlView() override;

    // Grid lines, check boxes, full-row select, the ten columns as the user
    // left them.
    void OnInitialUpdate();
    bool PreTranslateMessage(const Msg& msg) override;

    // Non-zero when the worker was started.
    int StartQueryThread();
    // Asks a running worker to stop and returns at once; it ends as usual.
    void RequestStopQuery() { m_batch.RequestStop(); }
    // Asks a running worker to stop and waits for it; the table and the core
    // object may be released afterwards.
    void StopQueryThread() { m_batch.Stop(); }
    // From the start of a batch until its UM_WORKER_EXIT has been handled
    // (rows it reported may still wait in the queue until then).
    [[nodiscard]] bool IsQueryRunning() const { return m_batch.IsRunning(); }
    [[nodiscard]] QueryOptions MakeQueryOptions() const { return m_batch.MakeQueryOptions(); }
    void SetTransport(WhoisTransport transport) { m_batch.SetTransport(std::move(transport)); }

    void OnOpenWebPage();
    void OnCheckAll();
    void OnUncheckAll();
    // The context menu shown on a right click over an item (menu 130).
    [[nodiscard]] std::unique_ptr<QMenu> CreateContextMenu();
    // The three commands that ask chosen rows again, added to `menu`.
    void AddRequeryActions(QMenu& menu);
    [[nodiscard]] std::vector<int32_t> ChosenRows(RowChoice choice) const;
    // Starts a batch over the chosen rows through the control panel; the
    // other rows keep their results. False (the user told why) when none.
    bool QueryRows(RowChoice choice);
    // The Delete key: takes the highlighted rows out of the list (and its
    // file) once the user agrees. False when nothing was removed.
    bool DeleteSelectedRows();
    // The header's menu: one check item per column (the domain stays).
    [[nodiscard]] std::unique_ptr<QMenu> CreateHeaderMenu();

    // The details window of table row `row`. During a batch a row not yet
    // reported is shown as the list shows it, marked as being asked.
    CRowDetailsDlg* OpenDetails(int row);
    // The rows as the list shows them: during a batch a copy kept as the
    // worker reports rows (the table itself is being written), else the
    // table. What "导出数据" writes.
    [[nodiscard]] const DomainTable& ShownTable() const;
    // The same for the first list view (the table when there is none).
    [[nodiscard]] static const DomainTable& ShownTableOfViews();
    // The first list view, or null.
    [[nodiscard]] static CMakeHtmlView* FirstView();
    // For "CSV UTF-8 (Excel)": the shown columns left to right, the table
    // rows the list shows in the order shown, and a row of ShownTable() as
    // the list shows it.
    [[nodiscard]] std::vector<int> ShownColumns() const;
    [[nodiscard]] std::vector<std::int32_t> FilteredRows() const;
    [[nodiscard]] bool IsFiltering() const;
    [[nodiscard]] CListCtrlModel::Item ShownItem(int row) const;
    // Rows of the last batch whose check changed something, since its start.
    [[nodiscard]] int changedInBatch() const { return m_batch.ChangedCount(); }
    // The selected rows as tab-separated text, as Ctrl+C copies them.
    [[nodiscard]] QString SelectedRowsText() const;
    void CopySelectedRows();

    void SetFilter(const QString& text, StatusFilter status);
    // The tooltip of a visible cell (an index of model()).
    [[nodiscard]] QString ToolTipAt(const QModelIndex& index);

    // Takes the red-display flag and days from the table again and repaints.
    void RefreshRedDisplay();
    // The same for every list view (the control panel calls this).
    static void RefreshAllRedDisplays();
    // Whether the last batch of the first list view finished table row
    // `row` (forgotten when the list is reloaded).
    [[nodiscard]] static bool FinishedInLastBatch(int row);

    // The column layout through the table's core object (none: not kept).
    void SaveColumnLayout() const;
    // Shows the rows finished since the last refresh now, and reports the
    // progress to the main window (UM_PROGRESS).
    void FlushFinishedRows();

    [[nodiscard]] CListCtrlModel* listModel() const { return m_model; }
    [[nodiscard]] CListSortFilter* sortFilter() const { return m_proxy; }
    [[nodiscard]] CFrozenColumnView* frozenColumn() const { return m_frozen; }
    // The batch's start index plus the rows it finished, as UM_PROGRESS says.
    [[nodiscard]] int shownRowCount() const { return m_batch.ShownRowCount(); }
    [[nodiscard]] int contextRow() const { return m_contextRow; }
    [[nodiscard]] bool isFollowingBatch() const { return m_following; }
    // The visible row of table row `row`, -1 when it is filtered out.
    [[nodiscard]] int VisibleRowOf(int row) const;
    // The table row of visible row `visible`.
    [[nodiscard]] int TableRowOf(int visible) const;

signals:
    // A text for the status line ("未找到").
    void statusMessage(const QString& text);
    // How many rows expire within the red-display days; `shown` is whether
    // red display is on.
    void expiringCountChanged(int count, int days, bool shown);
    // A batch ended; `changed` of its rows changed since their previous check.
    void batchChangesCounted(int changed);
    // The rows the filter lets through of all; `filtering` while one is set.
    void shownCountChanged(int shown, int total, bool filtering);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void updateGeometries() override;

private:
    void Reload();
    // Rows not finished take the latest result the store keeps of their
    // name; returns how many did.
    int ShowStoredResults();
    [[nodiscard]] CListCtrlModel::Item ItemForRow(const DomainTable& table, int row,
                                                  bool finished) const;
    void KeepShownCopy();
    void ShowFinishedRow(std::intptr_t index);
    void QuickFind();
    void MarkCheckedRows();
    void ShowContextMenuAt(const QPoint& globalPos);
    void ScrollToVisibleRow(int visible);
    void SelectVisibleRow(int visible);
    void ScheduleFlush();
    void UpdateExpiringCount();
    void KeepDomainColumnFirst();
    void UpdateShownCount();

    CListCtrlModel* m_model = nullptr;
    CListSortFilter* m_proxy = nullptr;
    CFrozenColumnView* m_frozen = nullptr;
    CCellDelegate* m_delegate = nullptr;
    std::unique_ptr<CWidgetMessageTarget> m_target;
    CBatchControl m_batch;
    // While a batch runs: the rows as last reported (see ShownTable).
    std::unique_ptr<DomainTable> m_shown;
    // The changes of each name's latest check shown, by A-label (ChangeKind bits).
    std::unordered_map<std::string, std::uint8_t> m_changes;
    QTimer m_flushTimer;
    ColumnWidths m_columnWidths{}; // last width of each column while shown
    int m_lastFinished = -1;       // the furthest row finished: the list follows it
    int m_contextRow = -1;
    bool m_following = false;   // until the user scrolls during a batch
    bool m_progressDue = false; // a report awaits its UM_PROGRESS
};
