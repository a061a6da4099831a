#include "listwin/makehtmlview.h"

#include "core/messages.h"
#include "engine/domaintable.h"
#include "listwin/expiryrule.h"
#include "platform/gbkqt.h"
#include "platform/mainwindow.h"
#include "platform/widgetmessagetarget.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <vector>

namespace {

struct ColumnSpec {
    const char* title;
    int width;
};

// Titles and widths in pixels, all left-aligned.
constexpr ColumnSpec kColumns[CListCtrlModel::kColumnCount] = {
    {"域名", 150},     {"whois服务器", 180},   {"当前状态", 150},  {"过期日期", 150},
    {"注册日期", 150}, {"所有人", 150},        {"联系Email", 150}, {"电话", 150},
    {"注册商", 150},   {"whois更新日期", 150},
};

std::vector<QPointer<CMakeHtmlView>>& liveViews() {
    static std::vector<QPointer<CMakeHtmlView>> views;
    return views;
}

QWidget* panelWindow() {
    return static_cast<QWidget*>(TheDomainTable().panelWindow);
}

} // namespace

CMakeHtmlView::CMakeHtmlView(QWidget* parent)
    : QTableView(parent), m_model(new CListCtrlModel(this)),
      m_target(std::make_unique<CWidgetMessageTarget>(this)) {
    setObjectName(QStringLiteral("listView"));
    setModel(m_model);
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
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    for (int column = 0; column < CListCtrlModel::kColumnCount; ++column) {
        m_model->SetColumnTitle(column, QString::fromUtf8(kColumns[column].title));
    }
    for (int column = 0; column < CListCtrlModel::kColumnCount; ++column) {
        setColumnWidth(column, kColumns[column].width);
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
    case UM_FIND:
        QuickFind();
        break;
    case UM_DELETE_CHECKED:
        MarkCheckedRows();
        break;
    case UM_ROW_DONE:
        ShowFinishedRows(msg.lParam);
        break;
    case UM_WORKER_EXIT:
        // The worker's last act was this post: its thread is ending, so the
        // object can go (the destructor joins).
        m_thread.reset();
        PostToMainWindow(UM_QUERY_FINISHED);
        break;
    default:
        break;
    }
    return false;
}

int CMakeHtmlView::StartQueryThread() {
    DomainTable& table = TheDomainTable();
    if (table.count <= 0 || !table.IsAllocated()) {
        InfoBox(this, "请至少指定一个域名。");
        return 0;
    }
    // A previous batch has ended (start is disabled until then); reap it.
    m_thread.reset();

    auto job = std::make_unique<QueryJob>();
    job->view = m_target.get();
    job->table = table.Rows();
    job->count = table.count;
    job->details = &table.details;

    QueryOptions options;
    options.startIndex = table.startIndex;
    options.core = table.core;
    options.client.connectTo = ConnectToFromEnvironment();
    options.transport = m_transport;

    m_thread = std::make_unique<CQueryThread>(std::move(job), std::move(options));
    if (!m_thread->Start()) {
        m_thread.reset();
        // The application's own box: its name as caption, one OK button.
        QMessageBox::warning(this, QCoreApplication::applicationName(),
                             QStringLiteral("Cannot Start New Thread"));
        return 0;
    }
    m_shownRows = 0;
    return 1;
}

void CMakeHtmlView::StopQueryThread() {
    if (m_thread) {
        m_thread->RequestStop();
        m_thread->Join();
    }
}

bool CMakeHtmlView::IsQueryRunning() const {
    return m_thread && m_thread->IsRunning();
}

void CMakeHtmlView::Reload() {
    const DomainTable& table = TheDomainTable();
    std::vector<std::pair<QString, QString>> items;
    if (table.IsAllocated()) {
        items.reserve(static_cast<std::size_t>(table.count));
        for (int32_t i = 0; i < table.count; ++i) {
            const DomainRecord& row = table.Row(i);
            items.emplace_back(FromGbk(row.domain), FromGbk(row.whoisServer));
        }
    }
    m_model->ResetItems(items);
}

void CMakeHtmlView::ShowFinishedRows(std::intptr_t upTo) {
    const DomainTable& table = TheDomainTable();
    // The worker's count is cumulative; never walk past the row block.
    const std::intptr_t limit = std::min<std::intptr_t>(upTo, DomainTable::kMaxRows);
    while (m_shownRows < limit) {
        const int item = m_shownRows;
        // A row without a server was asked nothing, and says so.
        if (table.IsAllocated() && item < m_model->GetItemCount() &&
            (table.Row(item).answered || table.details.Reason(item) == FailReason::NoServer)) {
            const DomainRecord& row = table.Row(item);
            m_model->SetItemTexts(item, {
                                            {2, QString::fromUtf8(QueryStatusListText(row.status))},
                                            {4, FromGbk(row.createdDate)},
                                            {3, FromGbk(row.expiryDate)},
                                            {5, FromGbk(row.owner)},
                                            {6, FromGbk(row.email)},
                                            {7, FromGbk(row.phone)},
                                            {8, FromGbk(row.registrar)},
                                            {9, FromGbk(row.updatedDate)},
                                        });
        }
        ++m_shownRows;
    }
    PostToMainWindow(UM_PROGRESS, 0, m_shownRows);
}

void CMakeHtmlView::QuickFind() {
    DomainTable& table = TheDomainTable();
    const int cursor = table.findCursor;
    const int items = m_model->GetItemCount();
    QItemSelectionModel* selection = selectionModel();

    // Item cursor-1 loses its selection; -1 stands for every item.
    if (cursor - 1 < 0) {
        selection->clearSelection();
    } else if (cursor - 1 < items) {
        selection->select(m_model->index(cursor - 1, 0),
                          QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    }

    const QString needle = FromGbk(table.findText);
    int i = cursor < 0 ? 0 : cursor;
    for (; i < items; ++i) {
        if (m_model->GetItemText(i, 1).contains(needle, Qt::CaseSensitive)) {
            const QModelIndex found = m_model->index(i, 0);
            selection->setCurrentIndex(found,
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
            scrollTo(found, QAbstractItemView::EnsureVisible);
            break;
        }
    }
    table.findCursor = (i + 1 < items) ? i + 1 : 0;
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

void CMakeHtmlView::OnOpenWebPage() {
    const DomainTable& table = TheDomainTable();
    if (m_contextRow < 0 || !table.IsAllocated() || m_contextRow >= table.count) {
        return;
    }
    const std::string domain = table.Row(m_contextRow).domain;
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
    return menu;
}

void CMakeHtmlView::contextMenuEvent(QContextMenuEvent* event) {
    const QModelIndex hit = indexAt(viewport()->mapFromGlobal(event->globalPos()));
    m_contextRow = hit.isValid() ? hit.row() : -1;
    event->accept();
    if (m_contextRow < 0) {
        return;
    }
    const std::unique_ptr<QMenu> menu = CreateContextMenu();
    menu->exec(event->globalPos());
}

void CMakeHtmlView::RefreshRedDisplay() {
    const DomainTable& table = TheDomainTable();
    m_model->SetRedRule(table.redDisplay != 0, table.expiryDays, LocalToday());
}

void CMakeHtmlView::RefreshAllRedDisplays() {
    for (const QPointer<CMakeHtmlView>& view : liveViews()) {
        if (!view.isNull()) {
            view->RefreshRedDisplay();
        }
    }
}

void CMakeHtmlView::StopAllQueryThreads() {
    for (const QPointer<CMakeHtmlView>& view : liveViews()) {
        if (!view.isNull()) {
            view->StopQueryThread();
        }
    }
}
