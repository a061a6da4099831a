// SPDX-License-Identifier: MIT
#include "listwin/makehtmlview.h"

#include "core/ccore.h"
#include "core/messages.h"
#include "engine/domaintable.h"
#include "engine/net/connectto.h"
#include "engine/store/resultstore.h"
#include "listwin/celldelegate.h"
#include "listwin/frozencolumnview.h"
#include "listwin/listitem.h"
#include "listwin/rowdetailsdlg.h"
#include "listwin/storedresults.h"
#include "platform/gbkqt.h"
#include "platform/mainwindow.h"
#include "platform/qtcoredialogs.h"
#include "platform/widgetmessagetarget.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QScrollBar>
#include <algorithm>
#include <cstring>
#include <vector>

namespace {

std::vector<QPointer<CMakeHtmlView>>& liveViews() {
    static std::vector<QPointer<CMakeHtmlView>> views;
    return views;
}

QWidget* panelWindow() {
    return static_cast<QWidget*>(TheDomainTable().panelWindow);
}

// A cell as one field of a tab-separated line.
QString CopyField(QString text) {
    for (QChar& c : text) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            c = QLatin1Char(' ');
        }
    }
    return text;
}

// Row `index` of `from`, its record and outcome, into `to`.
void CopyShownRow(const DomainTable& from, DomainTable& to, std::int32_t index) {
    std::memcpy(&to.Row(index), &from.Row(index), sizeof(DomainRecord));
    if (from.details.Finished(index)) {
        // Without its answers, which the copy needs not.
        to.details.Set(index, from.details.Outcome(index, false));
    }
}

bool IsNavigationKey(int key) {
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        return true;
    default:
        return false;
    }
}

} // namespace

CMakeHtmlView::CMakeHtmlView(QWidget* parent)
    : QTableView(parent), m_model(new CListCtrlModel(this)),
      m_proxy(new CListSortFilter(m_model, this)),
      m_target(std::make_unique<CWidgetMessageTarget>(this)) {
    setObjectName(QStringLiteral("listView"));
    setModel(m_proxy);
    m_delegate = new CCellDelegate(this);
    setItemDelegate(m_delegate);
    for (int c = 0; c < ListColumn::Count; ++c) {
        m_columnWidths[c] = kListColumns[c].width;
    }
    m_flushTimer.setSingleShot(true);
    connect(&m_flushTimer, &QTimer::timeout, this, &CMakeHtmlView::FlushFinishedRows);
    connect(&m_batch, &CBatchControl::waitingHostChanged, m_model, &CListCtrlModel::SetWaitingHost);
    for (const auto signal :
         {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved}) {
        connect(m_proxy, signal, this, &CMakeHtmlView::UpdateShownCount);
    }
    connect(m_proxy, &QAbstractItemModel::modelReset, this, &CMakeHtmlView::UpdateShownCount);
    connect(m_proxy, &QAbstractItemModel::layoutChanged, this, &CMakeHtmlView::UpdateShownCount);
    connect(this, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { OpenDetails(TableRowOf(index.row())); });
    // The user took the scroll bar (drag, click or wheel): stop following.
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
            [this](int) { m_following = false; });
    liveViews().emplace_back(this);
}

CMakeHtmlView::~CMakeHtmlView() {
    StopQueryThread();
    m_target->Detach();
    auto& views = liveViews();
    std::erase_if(views,
                  [this](const QPointer<CMakeHtmlView>& v) { return v.isNull() || v == this; });
}

void CMakeHtmlView::OnInitialUpdate() {
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setAlternatingRowColors(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);

    QHeaderView* header = horizontalHeader();
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    header->setSectionsMovable(true);
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    for (int column = 0; column < ListColumn::Count; ++column) {
        m_model->SetColumnTitle(column, QString::fromUtf8(kListColumns[column].title));
    }
    connect(header, &QHeaderView::customContextMenuRequested, this, [this](const QPoint& pos) {
        const std::unique_ptr<QMenu> menu = CreateHeaderMenu();
        menu->exec(horizontalHeader()->mapToGlobal(pos));
    });
    connect(header, &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (column >= 0 && column < ListColumn::Count && size > 0) {
            m_columnWidths[column] = size;
        }
    });
    connect(header, &QHeaderView::sectionMoved, this, &CMakeHtmlView::KeepDomainColumnFirst);

    // The table's own order until the user clicks a header.
    header->setSortIndicator(-1, Qt::AscendingOrder);
    setSortingEnabled(true);
    // Connected after the view's own sort: a new order is read from its top.
    connect(header, &QHeaderView::sortIndicatorChanged, this, [this] {
        m_following = false;
        scrollToTop();
    });

    const DomainTable& table = TheDomainTable();
    const ColumnLayout layout =
        table.core != nullptr ? LoadColumnLayout(*table.core, *header) : DefaultColumnLayout();
    if (table.core == nullptr) {
        ApplyColumnLayout(*header, layout);
    }
    m_columnWidths = layout.widths;

    if (m_frozen == nullptr) {
        m_frozen = new CFrozenColumnView(this, ListColumn::Domain);
        m_frozen->Attach();
        m_frozen->onContextMenu = [this](const QPoint& globalPos) { ShowContextMenuAt(globalPos); };
        connect(m_frozen, &QAbstractItemView::doubleClicked, this,
                [this](const QModelIndex& index) { OpenDetails(TableRowOf(index.row())); });
    }
    RefreshRedDisplay();
}

bool CMakeHtmlView::PreTranslateMessage(const Msg& msg) {
    if (msg.hwnd != this) {
        return false;
    }
    switch (msg.message) {
    case UM_RELOAD_LIST:
        Reload();
        break;
    case UM_START_WORKER:
        if (StartQueryThread() == 0) {
            PostToMainWindow(UM_QUERY_FINISHED);
        }
        break;
    case UM_STOP_WORKER:
        RequestStopQuery();
        break;
    case UM_FIND:
        QuickFind();
        break;
    case UM_DELETE_CHECKED:
        MarkCheckedRows();
        break;
    case UM_ROW_DONE:
        ShowFinishedRow(msg.lParam);
        break;
    case UM_WORKER_EXIT: {
        // The worker's last act was this post: its thread is ending, so the
        // object can go (the destructor joins).
        if (const std::string error = m_batch.End(); !error.empty()) {
            InfoBox(this, "无法开始查询：RDAP 的设置文件无法使用（ZENTRIX_RDAP_BOOTSTRAP 或 "
                          "ZENTRIX_CACERT）。\n" +
                              error);
        }
        // No worker writes the table any more: it is what the list shows.
        m_shown.reset();
        FlushFinishedRows();
        emit batchChangesCounted(m_batch.ChangedCount());
        PostToMainWindow(UM_QUERY_FINISHED);
        break;
    }
    default:
        break;
    }
    return false;
}

int CMakeHtmlView::StartQueryThread() {
    const DomainTable& table = TheDomainTable();
    if (table.count <= 0 || !table.IsAllocated()) {
        InfoBox(this, "请至少指定一个域名。");
        return 0;
    }
    // Before the worker writes the table.
    KeepShownCopy();
    if (!m_batch.Start(m_target.get())) {
        m_shown.reset();
        QMessageBox::warning(this, BoxCaption(), QStringLiteral("Cannot Start New Thread"));
        return 0;
    }
    m_lastFinished = -1;
    m_following = true;
    return 1;
}

void CMakeHtmlView::Reload() {
    const DomainTable& table = TheDomainTable();
    // The rows may have moved: what the last batch finished is told by
    // the times the rows were asked from now on.
    m_batch.ForgetReports();
    const int stored = ShowStoredResults();
    std::vector<CListCtrlModel::Item> items;
    int finished = 0;
    if (table.IsAllocated()) {
        items.reserve(static_cast<std::size_t>(table.count));
        for (int32_t i = 0; i < table.count; ++i) {
            // Rows kept by a delete keep their results; a fresh load shows
            // what the store keeps.
            const bool done = table.IsFinished(i);
            finished += done ? 1 : 0;
            items.push_back(ItemForRow(table, i, done));
        }
    }
    m_model->ResetItems(std::move(items));
    UpdateExpiringCount();
    // After a delete the progress counts the finished rows that are left;
    // results from the store are no progress of any batch.
    if (finished - stored > 0) {
        PostToMainWindow(UM_PROGRESS, 0, finished - stored);
    }
}

int CMakeHtmlView::ShowStoredResults() {
    DomainTable& table = TheDomainTable();
    std::unordered_map<std::string, std::uint8_t> changes;
    std::vector<std::string> names;
    std::vector<int32_t> rows;
    if (table.IsAllocated()) {
        for (int32_t i = 0; i < table.count; ++i) {
            std::string name(FieldText(table.Row(i).domain));
            if (table.IsFinished(i)) {
                if (const auto it = m_changes.find(name); it != m_changes.end()) {
                    changes.emplace(std::move(name), it->second);
                }
            } else {
                names.push_back(std::move(name));
                rows.push_back(i);
            }
        }
    }
    int shown = 0;
    // Never under a worker: import and delete wait for the batch's end.
    if (table.store != nullptr && !names.empty() && !IsQueryRunning()) {
        const auto latest = table.store->Latest(names);
        for (std::size_t k = 0; k < names.size(); ++k) {
            const auto it = latest.find(names[k]);
            if (it == latest.end()) {
                continue;
            }
            ShowCheckInRow(table, rows[k], it->second);
            changes[names[k]] = it->second.changes;
            ++shown;
        }
    }
    m_changes = std::move(changes);
    return shown;
}

CListCtrlModel::Item CMakeHtmlView::ItemForRow(const DomainTable& table, int row,
                                               bool finished) const {
    CListCtrlModel::Item item = ListItemForRow(table, row, finished);
    if (finished) {
        const auto it = m_changes.find(std::string(FieldText(table.Row(row).domain)));
        if (it != m_changes.end() && it->second != 0) {
            item.changes = it->second;
            item.cells[ListColumn::Changes] = QString::fromStdString(ChangesText(it->second));
        }
    }
    return item;
}

void CMakeHtmlView::KeepShownCopy() {
    m_shown.reset();
    const DomainTable& table = TheDomainTable();
    auto shown = std::make_unique<DomainTable>();
    if (!shown->Allocate()) {
        return;
    }
    shown->count = table.count;
    shown->core = table.core;
    shown->store = table.store;
    shown->listFilePath = table.listFilePath;
    shown->expiryDays = table.expiryDays;
    shown->redDisplay = table.redDisplay;
    for (int32_t i = 0; i < table.count; ++i) {
        CopyShownRow(table, *shown, i);
    }
    m_shown = std::move(shown);
}

void CMakeHtmlView::ShowFinishedRow(std::intptr_t index) {
    const DomainTable& table = TheDomainTable();
    if (table.IsAllocated() && index >= 0 && index < table.count &&
        index < m_model->GetItemCount()) {
        const int row = static_cast<int>(index);
        // A row reported twice counts once, and its change stays the one
        // against the result shown before the batch.
        if (m_batch.Report(row, m_model->GetItemCount())) {
            std::uint8_t changes = 0;
            if (m_shown && m_shown->IsFinished(row)) {
                changes =
                    ChangeBits(ChangesBetween(ShownCheck(*m_shown, row), ShownCheck(table, row)));
            }
            if (changes != 0) {
                m_batch.CountChange();
            }
            m_changes[std::string(FieldText(table.Row(row).domain))] = changes;
            if (m_shown) {
                CopyShownRow(table, *m_shown, row);
            }
        }
        m_model->SetResult(row, ItemForRow(table, row, true));
        // Rows finish out of order when lanes run side by side: follow the
        // furthest, so the list moves one way.
        m_lastFinished = std::max(m_lastFinished, row);
    }
    // Every report is answered with the progress, even one that changed
    // nothing; reports that arrive together share one answer.
    m_progressDue = true;
    ScheduleFlush();
}

void CMakeHtmlView::ScheduleFlush() {
    // A running batch reaches the screen a few times a second, so the list
    // keeps up with thousands of rows a second; otherwise at once.
    if (!m_flushTimer.isActive()) {
        m_flushTimer.start(IsQueryRunning() ? kBatchRefreshMs : 0);
    }
}

void CMakeHtmlView::FlushFinishedRows() {
    m_flushTimer.stop();
    if (m_model->FlushChanges()) {
        if (m_following && m_lastFinished >= 0) {
            const int visible = VisibleRowOf(m_lastFinished);
            if (visible >= 0) {
                ScrollToVisibleRow(visible);
            }
        }
        UpdateExpiringCount();
    }
    if (m_progressDue) {
        m_progressDue = false;
        PostToMainWindow(UM_PROGRESS, 0, shownRowCount());
    }
}

int CMakeHtmlView::VisibleRowOf(int row) const {
    const QModelIndex shown = m_proxy->mapFromSource(m_model->index(row, 0));
    return shown.isValid() ? shown.row() : -1;
}

int CMakeHtmlView::TableRowOf(int visible) const {
    const QModelIndex source = m_proxy->mapToSource(m_proxy->index(visible, 0));
    return source.isValid() ? source.row() : -1;
}

void CMakeHtmlView::ScrollToVisibleRow(int visible) {
    // Up or down only: a list scrolled sideways stays where the user put it.
    const int across = horizontalScrollBar()->value();
    scrollTo(m_proxy->index(visible, ListColumn::Domain), QAbstractItemView::EnsureVisible);
    horizontalScrollBar()->setValue(across);
}

void CMakeHtmlView::SelectVisibleRow(int visible) {
    selectionModel()->setCurrentIndex(m_proxy->index(visible, ListColumn::Domain),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    ScrollToVisibleRow(visible);
}

void CMakeHtmlView::QuickFind() {
    DomainTable& table = TheDomainTable();
    const int cursor = table.findCursor;
    const int rows = m_proxy->rowCount();
    QItemSelectionModel* selection = selectionModel();

    // Row cursor-1 loses its selection; -1 stands for every row.
    if (cursor - 1 < 0) {
        selection->clearSelection();
    } else if (cursor - 1 < rows) {
        selection->select(m_proxy->index(cursor - 1, 0),
                          QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    }

    const QString needle = FromGbk(table.findText);
    const auto matches = [&](int visible) {
        const CListCtrlModel::Item& item = m_model->GetItem(TableRowOf(visible));
        return item.cells[ListColumn::Domain].contains(needle, Qt::CaseInsensitive) ||
               item.cells[ListColumn::Server].contains(needle, Qt::CaseInsensitive);
    };
    int i = std::max(cursor, 0);
    for (; i < rows; ++i) {
        if (matches(i)) {
            SelectVisibleRow(i);
            break;
        }
    }
    table.findCursor = (i + 1 < rows) ? i + 1 : 0;
    if (i < rows) {
        return;
    }
    // Past the last match the next find starts from the top again.
    bool above = false;
    for (int j = 0; j < std::min(cursor, rows) && !above; ++j) {
        above = matches(j);
    }
    emit statusMessage(above ? QStringLiteral("已到列表末尾，再次检索将从头开始")
                             : QStringLiteral("未找到"));
}

void CMakeHtmlView::MarkCheckedRows() {
    DomainTable& table = TheDomainTable();
    if (table.IsAllocated()) {
        const int32_t rows = std::min<int32_t>(table.count, m_model->GetItemCount());
        for (int32_t i = 0; i < rows; ++i) {
            if (m_model->GetCheck(i)) {
                table.Row(i).removed = 1;
            }
        }
    }
    PostWindowMessage(panelWindow(), UM_PANEL_DELETE_DONE);
}

bool CMakeHtmlView::DeleteSelectedRows() {
    DomainTable& table = TheDomainTable();
    // The worker writes the table while a batch runs.
    if (IsQueryRunning() || table.core == nullptr) {
        return false;
    }
    const std::vector<int32_t> rows = ChosenRows(RowChoice::Selected);
    if (rows.empty()) {
        return false;
    }
    const QString question = QStringLiteral("是否从列表中删除选中的 %1 个域名？")
                                 .arg(static_cast<qsizetype>(rows.size()));
    if (table.core->msgboxConfirm(this, ToGbk(question)) != CCore::IDYES) {
        return false;
    }
    for (const int32_t row : rows) {
        table.Row(row).removed = 1;
    }
    PostWindowMessage(panelWindow(), UM_PANEL_DELETE_DONE);
    return true;
}

void CMakeHtmlView::OnOpenWebPage() {
    const DomainTable& table = TheDomainTable();
    if (m_contextRow < 0 || !table.IsAllocated() || m_contextRow >= table.count) {
        return;
    }
    const std::string domain(FieldText(table.Row(m_contextRow).domain));
    if (table.core != nullptr) {
        table.core->openUrl(domain);
    } else if (CCoreDialogs* dialogs = CCore::dialogs()) {
        dialogs->openUrl(domain);
    }
}

void CMakeHtmlView::OnCheckAll() {
    m_model->SetAllChecks(true);
}

void CMakeHtmlView::OnUncheckAll() {
    m_model->SetAllChecks(false);
}

std::unique_ptr<QMenu> CMakeHtmlView::CreateContextMenu() {
    auto menu = std::make_unique<QMenu>(QStringLiteral("列表菜单"), this);
    QAction* open = menu->addAction(QStringLiteral("打开网页"));
    open->setObjectName(QString::number(ID_OPEN_WEBPAGE));
    connect(open, &QAction::triggered, this, &CMakeHtmlView::OnOpenWebPage);
    menu->addSeparator();
    QAction* all = menu->addAction(QStringLiteral("全部选中"));
    all->setObjectName(QString::number(ID_CHECK_ALL));
    connect(all, &QAction::triggered, this, &CMakeHtmlView::OnCheckAll);
    QAction* none = menu->addAction(QStringLiteral("全不选"));
    none->setObjectName(QString::number(ID_UNCHECK_ALL));
    connect(none, &QAction::triggered, this, &CMakeHtmlView::OnUncheckAll);
    menu->addSeparator();
    AddRequeryActions(*menu);
    return menu;
}

void CMakeHtmlView::AddRequeryActions(QMenu& menu) {
    const struct {
        int id;
        const char* text;
        RowChoice choice;
    } items[] = {
        {ID_REQUERY_SELECTED, "重新查询选中的行", RowChoice::Selected},
        {ID_REQUERY_FAILED, "重新查询失败的行", RowChoice::Failed},
        {ID_QUERY_UNASKED, "查询未查询的行", RowChoice::Unasked},
    };
    for (const auto& item : items) {
        QAction* action = menu.addAction(QString::fromUtf8(item.text));
        action->setObjectName(QString::number(item.id));
        action->setEnabled(!IsQueryRunning());
        const RowChoice choice = item.choice;
        connect(action, &QAction::triggered, this, [this, choice] { QueryRows(choice); });
    }
}

std::vector<int32_t> CMakeHtmlView::ChosenRows(RowChoice choice) const {
    const DomainTable& table = TheDomainTable();
    std::vector<int32_t> rows;
    if (!table.IsAllocated()) {
        return rows;
    }
    if (choice == RowChoice::Selected) {
        for (const QModelIndex& index : selectionModel()->selectedRows()) {
            const int row = TableRowOf(index.row());
            if (row >= 0 && row < table.count) {
                rows.push_back(row);
            }
        }
        std::sort(rows.begin(), rows.end());
        rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
        return rows;
    }
    for (int32_t i = 0; i < table.count; ++i) {
        const bool finished = table.IsFinished(i);
        if (choice == RowChoice::Failed ? finished && table.Row(i).status == Error : !finished) {
            rows.push_back(i);
        }
    }
    return rows;
}

bool CMakeHtmlView::QueryRows(RowChoice choice) {
    if (IsQueryRunning()) {
        return false;
    }
    std::vector<int32_t> rows = ChosenRows(choice);
    if (rows.empty()) {
        InfoBox(this, choice == RowChoice::Selected ? "请先选中要查询的行。"
                      : choice == RowChoice::Failed ? "没有查询失败的行。"
                                                    : "没有未查询的行。");
        return false;
    }
    TheDomainTable().batchRows = std::move(rows);
    PostWindowMessage(panelWindow(), UM_PANEL_START_ROWS);
    return true;
}

std::unique_ptr<QMenu> CMakeHtmlView::CreateHeaderMenu() {
    auto menu = std::make_unique<QMenu>(QStringLiteral("显示的列"), this);
    for (int column = 0; column < ListColumn::Count; ++column) {
        QAction* action = menu->addAction(QString::fromUtf8(kListColumns[column].title));
        action->setObjectName(QStringLiteral("column%1").arg(column));
        action->setCheckable(true);
        action->setChecked(!isColumnHidden(column));
        // The domain names the row: it always shows.
        action->setEnabled(column != ListColumn::Domain);
        connect(action, &QAction::toggled, this,
                [this, column](bool shown) { setColumnHidden(column, !shown); });
    }
    return menu;
}

void CMakeHtmlView::KeepDomainColumnFirst() {
    QHeaderView* header = horizontalHeader();
    const int place = header->visualIndex(ListColumn::Domain);
    if (place > 0) {
        header->moveSection(place, 0);
    }
}

CRowDetailsDlg* CMakeHtmlView::OpenDetails(int row) {
    const DomainTable& table = TheDomainTable();
    if (row < 0 || !table.IsAllocated() || row >= table.count) {
        return nullptr;
    }
    RowDetailsSource source;
    source.store = table.store;
    const DomainTable* from = &table;
    // A row the batch has not reported may be written by a worker right now.
    if (m_shown && m_batch.Asks(row) && !m_batch.Reported(row)) {
        from = m_shown.get();
        source.underWay = true;
    }
    auto* details = new CRowDetailsDlg(*from, row, this, source);
    details->show();
    return details;
}

const DomainTable& CMakeHtmlView::ShownTable() const {
    return m_shown ? *m_shown : TheDomainTable();
}

const DomainTable& CMakeHtmlView::ShownTableOfViews() {
    for (const QPointer<CMakeHtmlView>& view : liveViews()) {
        if (!view.isNull()) {
            return view->ShownTable();
        }
    }
    return TheDomainTable();
}

CMakeHtmlView* CMakeHtmlView::FirstView() {
    for (const QPointer<CMakeHtmlView>& view : liveViews()) {
        if (!view.isNull()) {
            return view.data();
        }
    }
    return nullptr;
}

std::vector<int> CMakeHtmlView::ShownColumns() const {
    const QHeaderView* header = horizontalHeader();
    std::vector<int> columns;
    for (int place = 0; place < header->count(); ++place) {
        const int column = header->logicalIndex(place);
        if (column >= 0 && column < ListColumn::Count && !header->isSectionHidden(column)) {
            columns.push_back(column);
        }
    }
    return columns;
}

bool CMakeHtmlView::IsFiltering() const {
    return !m_proxy->filterText().isEmpty() || m_proxy->statusFilter() != StatusFilter::All;
}

std::vector<std::int32_t> CMakeHtmlView::FilteredRows() const {
    std::vector<std::int32_t> rows;
    const int shown = m_proxy->rowCount();
    rows.reserve(static_cast<std::size_t>(shown));
    for (int visible = 0; visible < shown; ++visible) {
        rows.push_back(TableRowOf(visible));
    }
    return rows;
}

CListCtrlModel::Item CMakeHtmlView::ShownItem(int row) const {
    const DomainTable& table = ShownTable();
    return ItemForRow(table, row, table.IsFinished(row));
}

QString CMakeHtmlView::SelectedRowsText() const {
    QModelIndexList rows = selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    const QHeaderView* header = horizontalHeader();
    QStringList lines;
    for (const QModelIndex& index : rows) {
        const int row = TableRowOf(index.row());
        QStringList fields;
        for (int place = 0; place < header->count(); ++place) {
            const int column = header->logicalIndex(place);
            if (!header->isSectionHidden(column)) {
                fields << CopyField(m_model->GetItemText(row, column));
            }
        }
        lines << fields.join(QLatin1Char('\t'));
    }
    return lines.isEmpty() ? QString() : lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void CMakeHtmlView::CopySelectedRows() {
    const QString text = SelectedRowsText();
    if (!text.isEmpty()) {
        QGuiApplication::clipboard()->setText(text);
    }
}

void CMakeHtmlView::SetFilter(const QString& text, StatusFilter status) {
    m_proxy->SetFilter(text, status);
}

QString CMakeHtmlView::ToolTipAt(const QModelIndex& index) {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    return m_delegate->ToolTipFor(option, index);
}

bool CMakeHtmlView::event(QEvent* event) {
    // Copy belongs to the list; the frame's inert edit keys must not take it.
    if (event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        event->accept();
        return true;
    }
    return QTableView::event(event);
}

void CMakeHtmlView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        CopySelectedRows();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        DeleteSelectedRows();
        event->accept();
        return;
    }
    if (IsNavigationKey(event->key())) {
        m_following = false;
    }
    QTableView::keyPressEvent(event);
}

void CMakeHtmlView::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    ShowContextMenuAt(event->globalPos());
}

void CMakeHtmlView::ShowContextMenuAt(const QPoint& globalPos) {
    const QModelIndex hit = indexAt(viewport()->mapFromGlobal(globalPos));
    m_contextRow = hit.isValid() ? TableRowOf(hit.row()) : -1;
    if (m_contextRow < 0) {
        return;
    }
    const std::unique_ptr<QMenu> menu = CreateContextMenu();
    menu->exec(globalPos);
}

void CMakeHtmlView::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    if (m_frozen != nullptr) {
        m_frozen->UpdateGeometry();
    }
}

void CMakeHtmlView::updateGeometries() {
    QTableView::updateGeometries();
    if (m_frozen != nullptr) {
        m_frozen->UpdateGeometry();
    }
}

void CMakeHtmlView::UpdateExpiringCount() {
    // Counted only while shown: a batch refreshes the list many times.
    const bool shown = m_model->RedDisplayEnabled();
    emit expiringCountChanged(shown ? m_model->ExpiringCount() : 0, m_model->RedDays(), shown);
}

void CMakeHtmlView::UpdateShownCount() {
    emit shownCountChanged(m_proxy->rowCount(), m_model->GetItemCount(), IsFiltering());
}

void CMakeHtmlView::RefreshRedDisplay() {
    const DomainTable& table = TheDomainTable();
    m_model->SetRedRule(table.redDisplay != 0, table.expiryDays, LocalToday());
    m_proxy->Refilter();
    UpdateExpiringCount();
}

void CMakeHtmlView::RefreshAllRedDisplays() {
    for (const QPointer<CMakeHtmlView>& view : liveViews()) {
        if (!view.isNull()) {
            view->RefreshRedDisplay();
        }
    }
}

bool CMakeHtmlView::FinishedInLastBatch(int row) {
    const CMakeHtmlView* view = FirstView();
    return view != nullptr && view->m_batch.Reported(row);
}

void CMakeHtmlView::SaveColumnLayout() const {
    if (CCore* core = TheDomainTable().core) {
        ::SaveColumnLayout(*core, *horizontalHeader(), m_columnWidths);
    }
}
