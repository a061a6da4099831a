// SPDX-License-Identifier: MIT
#include "shell/mainframe.h"

#include "core/ccore.h"
#include "core/messages.h"
#include "core/version.h"
#include "dock/dockids.h"
#include "dock/docksite.h"
#include "engine/domaintable.h"
#include "listwin/dataexport.h"
#include "listwin/domainimport.h"
#include "listwin/listfilterbar.h"
#include "listwin/makehtmlview.h"
#include "listwin/statustotals.h"
#include "panel/batchoptionsdlg.h"
#include "panel/controlpaneldlg.h"
#include "platform/gbkqt.h"
#include "platform/qtcoredialogs.h"
#include "platform/windowmessage.h"
#include "shell/batchprogress.h"
#include "shell/makehtmlapp.h"
#include "sidebar/sidebarhost.h"
#include "watch/watchcontroller.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include <memory>

namespace {

constexpr int kPaneChars = 30;

QWidget* panelWindow() {
    return static_cast<QWidget*>(TheDomainTable().panelWindow);
}

QWidget* createPanel(QWidget* parent) {
    auto panel = std::make_unique<CControlPanelDlg>(parent);
    if (!panel->Create()) {
        return nullptr;
    }
    return panel.release(); // owned by its parent, the side bar
}

} // namespace

CMainFrame::CMainFrame() {
    setObjectName(QStringLiteral("mainFrame"));
    setAttribute(Qt::WA_DeleteOnClose);
    // The caption is the product title alone, never a document name.
    setWindowTitle(QString::fromUtf8(kProductTitle));
    setAcceptDrops(true);
}

CMainFrame::~CMainFrame() {
    // The worker must be gone before the panel releases the table and CCore.
    if (m_view != nullptr) {
        m_view->StopQueryThread();
    }
}

bool CMainFrame::OnCreate() {
    m_dockSite = new CDockSite(this);
    m_dockSite->setObjectName(QStringLiteral("dockSite"));
    // The dock site's client: the filter bar above the list.
    auto* client = new QWidget(m_dockSite);
    client->setObjectName(QStringLiteral("listPane"));
    m_view = new CMakeHtmlView(client);
    m_filterBar = new CListFilterBar(client);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_filterBar);
    layout->addWidget(m_view, 1);
    connect(m_filterBar, &CListFilterBar::filterChanged, m_view, &CMakeHtmlView::SetFilter);
    connect(m_view, &CMakeHtmlView::statusMessage, this,
            [this](const QString& text) { SetPaneText(0, text); });
    connect(m_view, &CMakeHtmlView::expiringCountChanged, this, &CMainFrame::ShowExpiring);
    connect(m_view, &CMakeHtmlView::batchChangesCounted, this, &CMainFrame::ShowChanged);
    connect(m_view, &CMakeHtmlView::shownCountChanged, this, &CMainFrame::ShowShownCount);
    m_dockSite->setClientWidget(client);
    setCentralWidget(m_dockSite);
    return createMenus() && createStatusBar() && createSideBar() && createWatch();
}

void CMainFrame::UpdateMinimumSize() {
    setMinimumSize(MinimumFrameSize());
}

bool CMainFrame::createMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    QAction* import = file->addAction(QStringLiteral("导入域名"));
    import->setObjectName(QString::number(ID_IMPORT_FILE));
    import->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    import->setStatusTip(QStringLiteral("从文本文件导入域名列表"));
    connect(import, &QAction::triggered, this, &CMainFrame::OnImportFile);
    QAction* paste = file->addAction(QStringLiteral("从剪贴板导入"));
    paste->setObjectName(QString::number(ID_IMPORT_CLIPBOARD));
    paste->setStatusTip(QStringLiteral("把剪贴板中的域名列表（每行一个）作为新的域名列表导入"));
    connect(paste, &QAction::triggered, this, &CMainFrame::OnImportClipboard);
    QAction* exportData = file->addAction(QStringLiteral("导出数据"));
    exportData->setObjectName(QString::number(ID_EXPORT));
    exportData->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    exportData->setStatusTip(QStringLiteral("把列表导出为CSV文件"));
    connect(exportData, &QAction::triggered, this, [] {
        if (QWidget* panel = panelWindow()) {
            ExportCsv(panel);
        }
    });
    file->addSeparator();
    QAction* exit = file->addAction(QStringLiteral("退出(&X)"));
    exit->setObjectName(QStringLiteral("57665"));
    exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    exit->setStatusTip(QStringLiteral("退出应用程序"));
    connect(exit, &QAction::triggered, this, &QWidget::close);

    QMenu* query = menuBar()->addMenu(QStringLiteral("查询(&Q)"));
    QAction* start = query->addAction(QStringLiteral("开始查询"));
    start->setObjectName(QString::number(ID_START_STOP));
    start->setShortcut(QKeySequence(Qt::Key_F5));
    connect(start, &QAction::triggered, this, [] {
        if (auto* panel = qobject_cast<CControlPanelDlg*>(panelWindow())) {
            panel->OnStart();
        }
    });
    query->addSeparator();
    m_view->AddRequeryActions(*query);
    // The texts and states follow the batch whenever the menu opens.
    connect(query, &QMenu::aboutToShow, this, [this, query, start] {
        const bool running = m_view->IsQueryRunning();
        start->setText(running ? QStringLiteral("停止查询") : QStringLiteral("开始查询"));
        for (QAction* action : query->actions()) {
            if (action != start && !action->isSeparator()) {
                action->setEnabled(!running);
            }
        }
    });

    QMenu* view = m_viewMenu = menuBar()->addMenu(QStringLiteral("查看(&V)"));
    m_statusBarAction = view->addAction(QStringLiteral("状态栏(&S)"));
    m_statusBarAction->setObjectName(QStringLiteral("59393"));
    m_statusBarAction->setStatusTip(QStringLiteral("显示或隐藏状态栏"));
    m_statusBarAction->setCheckable(true);
    m_statusBarAction->setChecked(true);
    connect(m_statusBarAction, &QAction::toggled, this,
            [this](bool show) { statusBar()->setVisible(show); });

    // "拦" (not "栏") is the menu's historical text, kept on purpose.
    m_sideBarAction = view->addAction(QStringLiteral("侧边拦(&L)"));
    m_sideBarAction->setObjectName(QString::number(ID_VIEW_SIDEBAR));
    m_sideBarAction->setCheckable(true);
    connect(m_sideBarAction, &QAction::triggered, this, &CMainFrame::OnViewSideBar);
    // The command-update step: the check follows the bar whenever the menu opens.
    connect(view, &QMenu::aboutToShow, this, &CMainFrame::UpdateSideBarCheck);

    QMenu* tools = m_toolsMenu = menuBar()->addMenu(QStringLiteral("工具(&T)"));
    QAction* options = tools->addAction(QStringLiteral("选项(&O)..."));
    options->setObjectName(QString::number(ID_OPTIONS));
    options->setStatusTip(QStringLiteral("设置同时查询的数量、查询间隔和查询方式"));
    connect(options, &QAction::triggered, this, &CMainFrame::OnOptions);

    QMenu* help = menuBar()->addMenu(QStringLiteral("帮助(&H)"));
    QAction* about = help->addAction(QStringLiteral("关于(&A)"));
    about->setObjectName(QStringLiteral("57664"));
    about->setStatusTip(QStringLiteral("显示程序信息，版本号和版权"));
    connect(about, &QAction::triggered, this, &CMainFrame::OnAppAbout);

    // Ctrl+Z brings back the rows of the last delete.
    auto* undo = new QAction(this);
    undo->setObjectName(QStringLiteral("undoDelete"));
    undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    undo->setShortcutContext(Qt::WindowShortcut);
    connect(undo, &QAction::triggered, this, &CMainFrame::OnUndoDelete);
    addAction(undo);

    createInertAccelerators();
    return true;
}

void CMainFrame::createInertAccelerators() {
    // Edit and pane keys that lead to commands nobody handles: they are taken
    // here and do nothing (an edit box still keeps its own editing keys).
    const QKeySequence keys[] = {
        QKeySequence(Qt::ALT | Qt::Key_Backspace), QKeySequence(Qt::CTRL | Qt::Key_X),
        QKeySequence(Qt::SHIFT | Qt::Key_Delete),  QKeySequence(Qt::CTRL | Qt::Key_C),
        QKeySequence(Qt::CTRL | Qt::Key_Insert),   QKeySequence(Qt::CTRL | Qt::Key_V),
        QKeySequence(Qt::SHIFT | Qt::Key_Insert),  QKeySequence(Qt::Key_F6),
        QKeySequence(Qt::SHIFT | Qt::Key_F6),
    };
    for (const QKeySequence& key : keys) {
        auto* action = new QAction(this);
        action->setObjectName(QStringLiteral("inert:") + key.toString(QKeySequence::PortableText));
        action->setShortcut(key);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
    }
}

bool CMainFrame::createStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("59393"));
    const int paneWidth = kPaneChars * QFontMetrics(bar->font()).averageCharWidth();
    for (int i = 0; i < kPaneCount; ++i) {
        m_panes[i] = new QLabel(bar);
        m_panes[i]->setObjectName(QStringLiteral("pane%1").arg(i));
        if (i == 0) {
            bar->addWidget(m_panes[i], 1);
        } else {
            m_panes[i]->setFixedWidth(paneWidth);
            m_panes[i]->setFrameShape(QFrame::StyledPanel);
            m_panes[i]->setFrameShadow(QFrame::Sunken);
            bar->addPermanentWidget(m_panes[i]);
        }
    }
    m_panes[0]->setText(QStringLiteral("就绪"));

    // Left of the panes: how many rows expire soon (while red display is
    // on), and the batch's progress bar (while one runs, and after it).
    // Each lands left of the ones made before it; all start hidden.
    const auto addHiddenPane = [bar](const QString& name) {
        auto* pane = new QLabel(bar);
        pane->setObjectName(name);
        pane->hide();
        // Index 1: after pane 0, the one stretching pane, before panes 1 and 2.
        bar->insertPermanentWidget(1, pane);
        return pane;
    };
    m_expiryPane = addHiddenPane(QStringLiteral("expiryPane"));
    m_expiryPane->setStyleSheet(QStringLiteral("color: red"));
    // How many rows the last batch found changed (the "变化" column).
    m_changedPane = addHiddenPane(QStringLiteral("changedPane"));
    m_totalsPane = addHiddenPane(QStringLiteral("totalsPane"));
    m_shownPane = addHiddenPane(QStringLiteral("shownPane"));
    m_progressTick = new QTimer(this);
    m_progressTick->setInterval(1000);
    connect(m_progressTick, &QTimer::timeout, this, [this] { ShowProgress(m_lastDone); });
    m_progress = new QProgressBar(bar);
    m_progress->setObjectName(QStringLiteral("progressBar"));
    m_progress->setTextVisible(true);
    m_progress->setMinimumWidth(paneWidth + paneWidth / 2);
    m_progress->hide();
    bar->insertPermanentWidget(1, m_progress);
    return true;
}

bool CMainFrame::createSideBar() {
    m_dockSite->EnableDocking(CBRS_ALIGN_ANY);
    auto sideBar = std::make_unique<CSideBar>(&createPanel);
    if (!sideBar->Create(QStringLiteral("侧边栏"), m_dockSite, 0,
                         WS_CHILD | WS_VISIBLE | CBRS_TOP)) {
        return false;
    }
    m_sideBar = sideBar.release(); // owned by its parent, the dock site
    m_sideBar->SetBarStyle(m_sideBar->GetBarStyle() | CBRS_TOOLTIPS | CBRS_FLYBY |
                           CBRS_SIZE_DYNAMIC);
    m_sideBar->EnableDocking(CBRS_ALIGN_ANY);
    // The width the user left it at (the panel made the core object).
    if (const CCore* core = TheDomainTable().core) {
        const int width = core->getConfigInt(kSideBarWidthKey);
        if (width > 0) {
            m_sideBar->m_vertSize.cx = std::max(width, m_sideBar->m_vertMin.cx);
        }
    }
    m_dockSite->DockControlBar(m_sideBar, AFX_IDW_DOCKBAR_LEFT);
    connect(m_dockSite, &CDockSite::controlBarVisibilityChanged, this,
            [this](CControlBar* bar, bool) {
                if (bar == m_sideBar) {
                    UpdateSideBarCheck();
                }
            });
    UpdateSideBarCheck();
    return true;
}

bool CMainFrame::createWatch() {
    // After the side bar: the watch reads its settings through the panel's core.
    m_watch = new CWatchController(WatchHost{this, m_view, m_filterBar}, this);
    m_watch->AddMenuItems(m_viewMenu, m_toolsMenu);
    return true;
}

void CMainFrame::UpdateSideBarCheck() {
    if (m_sideBarAction != nullptr && m_sideBar != nullptr) {
        m_sideBarAction->setEnabled(true);
        m_sideBarAction->setChecked(m_sideBar->IsVisible());
    }
}

void CMainFrame::OnViewSideBar() {
    if (m_sideBar != nullptr) {
        m_dockSite->ShowControlBar(m_sideBar, !m_sideBar->IsVisible(), false);
        UpdateSideBarCheck();
    }
}

QString CMainFrame::AboutText() {
    return QStringLiteral("%1\n版本 %2\n批量查询域名的WHOIS注册信息：到期日期、注册日期、所有人、"
                          "联系方式和注册商，并可导出为CSV文件。")
        .arg(QString::fromUtf8(kProductTitle), QStringLiteral(ZENTRIX_VERSION));
}

void CMainFrame::OnAppAbout() {
    QMessageBox box(QMessageBox::Information,
                    QStringLiteral("关于 ") + QString::fromUtf8(kProductTitle), AboutText(),
                    QMessageBox::Ok, this);
    box.exec();
}

QLabel* CMainFrame::Pane(int pane) const {
    return pane >= 0 && pane < kPaneCount ? m_panes[pane] : nullptr;
}

QString CMainFrame::PaneText(int pane) const {
    const QLabel* label = Pane(pane);
    return label != nullptr ? label->text() : QString();
}

void CMainFrame::SetPaneText(int pane, const QString& text) {
    if (QLabel* label = Pane(pane)) {
        label->setText(text);
    }
}

bool CMainFrame::PreTranslateMessage(const Msg& msg) {
    const DomainTable& table = TheDomainTable();
    switch (msg.message) {
    case UM_REQUEST_QUERY:
        if (m_view != nullptr) {
            SetPaneText(0, QStringLiteral("正在查询域名信息..."));
            m_batchStart = table.BatchBase();
            m_batchClock.start();
            m_sinceLastRow.start();
            m_lastDone = m_batchStart;
            m_batchActive = true;
            m_totalsPane->hide();
            ShowProgress(m_batchStart);
            m_progress->show();
            m_progressTick->start();
            PostWindowMessage(m_view, UM_START_WORKER);
            // The start button turns into the stop button for any batch.
            PostWindowMessage(panelWindow(), UM_PANEL_QUERY_STARTED);
            if (m_watch != nullptr) {
                m_watch->OnBatchRequested();
            }
        }
        break;
    case UM_REQUEST_STOP:
        if (m_view != nullptr) {
            SetPaneText(0, QStringLiteral("正在停止查询..."));
            PostWindowMessage(m_view, UM_STOP_WORKER);
        }
        break;
    case UM_QUERY_FINISHED:
        SetPaneText(0, QStringLiteral("操作结束！"));
        // A stopped batch has no time left to tell.
        m_batchActive = false;
        m_progressTick->stop();
        if (m_progress->isVisible()) {
            ShowProgress(m_lastDone);
        }
        if (m_view != nullptr) {
            m_totalsPane->setText(StatusTotalsText(CountStatuses(*m_view->listModel())));
            m_totalsPane->show();
        }
        PostWindowMessage(panelWindow(), UM_PANEL_QUERY_ENDED);
        if (m_watch != nullptr) {
            m_watch->OnBatchEnded();
        }
        break;
    case UM_IMPORT_FINISHED:
        if (m_view != nullptr) {
            m_progress->hide();
            m_changedPane->hide();
            m_totalsPane->hide();
            // An empty list (a first start) says how to begin.
            SetPaneText(0, table.count > 0 ? QStringLiteral("完成导入域名到列表！")
                                           : QStringLiteral("点击 导入域名 导入域名列表"));
            SetPaneText(2, QStringLiteral("域名数量：%1").arg(table.count));
            PostWindowMessage(m_view, UM_RELOAD_LIST);
        }
        break;
    case UM_PROGRESS:
        SetPaneText(1, QStringLiteral("进度：%1 / %2").arg(msg.lParam).arg(table.count));
        if (msg.lParam != m_lastDone) {
            m_sinceLastRow.start();
            m_lastDone = msg.lParam;
        }
        ShowProgress(msg.lParam);
        break;
    case UM_REQUEST_FIND:
        if (m_view != nullptr) {
            PostWindowMessage(m_view, UM_FIND);
        }
        break;
    case UM_REQUEST_DELETE:
        if (m_view != nullptr) {
            PostWindowMessage(m_view, UM_DELETE_CHECKED);
        }
        break;
    default:
        break;
    }
    return false;
}

void CMainFrame::ShowProgress(std::intptr_t done) {
    const DomainTable& table = TheDomainTable();
    const int total = std::max(table.count, 0);
    const int value = static_cast<int>(std::clamp<std::intptr_t>(done, 0, total));
    const double seconds =
        m_batchClock.isValid() ? static_cast<double>(m_batchClock.elapsed()) / 1000.0 : 0.0;
    m_progress->setRange(0, std::max(total, 1));
    m_progress->setValue(value);
    const bool timeLeft =
        m_batchActive && m_sinceLastRow.isValid() && m_sinceLastRow.elapsed() < kStalledMs;
    m_progress->setFormat(BatchProgressText(value, total, value - m_batchStart, seconds, timeLeft));
}

void CMainFrame::ShowExpiring(int count, int days, bool shown) {
    m_expiryPane->setText(QStringLiteral("%1 个域名将在 %2 天内到期").arg(count).arg(days));
    m_expiryPane->setVisible(shown);
}

void CMainFrame::ShowShownCount(int shown, int total, bool filtering) {
    m_shownPane->setText(QStringLiteral("显示 %1 / %2").arg(shown).arg(total));
    m_shownPane->setVisible(filtering);
}

void CMainFrame::ShowChanged(int changed) {
    m_changedPane->setText(QStringLiteral("%1 个域名有变化").arg(changed));
    m_changedPane->show();
}

bool CMainFrame::RefuseImportDuringBatch() {
    if (m_view == nullptr || !m_view->IsQueryRunning()) {
        return false;
    }
    InfoBox(this, "正在查询，请先停止查询再导入域名。");
    return true;
}

void CMainFrame::OnUndoDelete() {
    if (m_view != nullptr && !m_view->IsQueryRunning()) {
        if (QWidget* panel = panelWindow()) {
            RestoreDeletedRows(panel);
        }
    }
}

void CMainFrame::OnImportFile() {
    if (RefuseImportDuringBatch()) {
        return;
    }
    if (QWidget* panel = panelWindow()) {
        ImportDomainFile(panel);
    }
}

void CMainFrame::OnImportClipboard() {
    if (RefuseImportDuringBatch()) {
        return;
    }
    ImportDomainText(panelWindow(), QGuiApplication::clipboard()->text());
}

bool CMainFrame::ImportDroppedFiles(const QList<QUrl>& urls) {
    for (const QUrl& url : urls) {
        if (url.isLocalFile()) {
            if (RefuseImportDuringBatch()) {
                return false;
            }
            const std::string path = QFile::encodeName(url.toLocalFile()).toStdString();
            if (!CCore::isFileExist(path)) {
                InfoBox(this, QStringLiteral("无法导入：%1 不是一个文件。")
                                  .arg(url.toLocalFile())
                                  .toStdString());
                return false;
            }
            return ImportDomainPath(panelWindow(), path);
        }
    }
    return false;
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    const QMimeData* data = event->mimeData();
    if (data != nullptr && data->hasUrls()) {
        for (const QUrl& url : data->urls()) {
            if (url.isLocalFile()) {
                event->acceptProposedAction();
                return;
            }
        }
    }
    QMainWindow::dragEnterEvent(event);
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QMimeData* data = event->mimeData();
    if (data != nullptr && data->hasUrls()) {
        event->acceptProposedAction();
        ImportDroppedFiles(data->urls());
        return;
    }
    QMainWindow::dropEvent(event);
}

void CMainFrame::OnOptions() {
    CCore* core = TheDomainTable().core;
    if (core == nullptr) {
        return;
    }
    CBatchOptionsDlg dialog(*core, this);
    dialog.exec();
}

QSize CMainFrame::MinimumFrameSize() const {
    // The side bar as wide as its panel, three list columns as they stand,
    // and room for the frames, edges and scroll bar around them.
    const QWidget* panel = m_sideBar != nullptr ? m_sideBar->panel() : nullptr;
    const QSize panelSize = panel != nullptr ? panel->sizeHint() : QSize();
    const QHeaderView* header = m_view->horizontalHeader();
    int columns = 0;
    int shown = 0;
    for (int place = 0; place < header->count() && shown < 3; ++place) {
        const int column = header->logicalIndex(place);
        if (!header->isSectionHidden(column) && column < ListColumn::Count) {
            // A column the user widened does not make the window's minimum grow.
            columns += std::min(header->sectionSize(column), kListColumns[column].width);
            ++shown;
        }
    }
    constexpr int kBarEdges = 24; // the side bar's sizing edges and borders
    const int scroll = m_view->verticalScrollBar()->sizeHint().width();
    const int width = panelSize.width() + kBarEdges + columns + scroll + 4 * m_view->frameWidth();
    // Tall enough for the panel's controls (the template leaves free room
    // below the find box).
    int controlsBottom = 0;
    if (panel != nullptr) {
        for (const QWidget* child :
             panel->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            controlsBottom = std::max(controlsBottom, child->geometry().bottom());
        }
    }
    const int height = menuBar()->sizeHint().height() + statusBar()->sizeHint().height() +
                       controlsBottom + kBarEdges + 2 * m_filterBar->sizeHint().height();
    return {width, height};
}

bool CMainFrame::ConfirmQuitDuringBatch() {
    const std::string question = ToGbk(QStringLiteral("正在查询，是否停止查询并退出？"));
    if (CCore* core = TheDomainTable().core) {
        return core->msgboxConfirm(this, question) == CCore::IDYES;
    }
    if (CCoreDialogs* dialogs = CCore::dialogs()) {
        return dialogs->msgboxConfirm(this, question) == CCore::IDYES;
    }
    return true;
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // Keeping the watch in the tray only hides the window; the batch goes on.
    if (m_watch != nullptr && m_watch->KeepWatchingInTray()) {
        event->ignore();
        return;
    }
    // Quitting loses the rows under way: ask first.
    if (m_view != nullptr && m_view->IsQueryRunning() && !ConfirmQuitDuringBatch()) {
        event->ignore();
        return;
    }
    // Stop a running batch first: the table and CCore go with the panel.
    if (m_view != nullptr) {
        m_view->StopQueryThread();
        m_view->SaveColumnLayout();
    }
    if (CCore* core = TheDomainTable().core; core != nullptr && m_sideBar != nullptr) {
        core->saveConfigInt(kSideBarWidthKey, m_sideBar->m_vertSize.cx);
    }
    QMainWindow::closeEvent(event);
}
