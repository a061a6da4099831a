#include "shell/mainframe.h"

#include "core/messages.h"
#include "core/version.h"
#include "dock/dockids.h"
#include "dock/docksite.h"
#include "engine/domaintable.h"
#include "listwin/makehtmlview.h"
#include "panel/controlpaneldlg.h"
#include "platform/windowmessage.h"
#include "shell/makehtmlapp.h"
#include "sidebar/sidebarhost.h"

#include <QAction>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>

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
    m_view = new CMakeHtmlView(m_dockSite);
    m_dockSite->setClientWidget(m_view);
    setCentralWidget(m_dockSite);
    return createMenus() && createStatusBar() && createSideBar();
}

bool CMainFrame::createMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    QAction* exit = file->addAction(QStringLiteral("退出(&X)"));
    exit->setObjectName(QStringLiteral("57665"));
    exit->setStatusTip(QStringLiteral("退出应用程序"));
    connect(exit, &QAction::triggered, this, &QWidget::close);

    QMenu* view = menuBar()->addMenu(QStringLiteral("查看(&V)"));
    m_statusBarAction = view->addAction(QStringLiteral("状态栏(&S)"));
    m_statusBarAction->setObjectName(QStringLiteral("59393"));
    m_statusBarAction->setStatusTip(QStringLiteral("显示或隐藏状态栏"));
    m_statusBarAction->setCheckable(true);
    m_statusBarAction->setChecked(true);
    connect(m_statusBarAction, &QAction::toggled, this,
            [this](bool show) { statusBar()->setVisible(show); });

    m_sideBarAction = view->addAction(QStringLiteral("侧边拦(&L)"));
    m_sideBarAction->setObjectName(QString::number(ID_VIEW_SIDEBAR));
    m_sideBarAction->setCheckable(true);
    connect(m_sideBarAction, &QAction::triggered, this, &CMainFrame::OnViewSideBar);
    // The command-update step: the check follows the bar whenever the menu opens.
    connect(view, &QMenu::aboutToShow, this, &CMainFrame::UpdateSideBarCheck);

    QMenu* help = menuBar()->addMenu(QStringLiteral("帮助(&H)"));
    QAction* about = help->addAction(QStringLiteral("关于(&A)"));
    about->setObjectName(QStringLiteral("57664"));
    about->setStatusTip(QStringLiteral("显示程序信息，版本号和版权"));
    connect(about, &QAction::triggered, this, &CMainFrame::OnAppAbout);

    createInertAccelerators();
    return true;
}

void CMainFrame::createInertAccelerators() {
    // Edit and pane keys that lead to commands nobody handles: they are taken
    // here and do nothing (an edit box still keeps its own editing keys).
    const QKeySequence keys[] = {
        QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace),
        QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete),
        QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert),
        QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert),
        QKeySequence(Qt::Key_F6),           QKeySequence(Qt::SHIFT | Qt::Key_F6),
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
            PostWindowMessage(m_view, UM_START_WORKER);
        }
        break;
    case UM_QUERY_FINISHED:
        SetPaneText(0, QStringLiteral("操作结束！"));
        PostWindowMessage(panelWindow(), UM_PANEL_QUERY_ENDED);
        break;
    case UM_IMPORT_FINISHED:
        if (m_view != nullptr) {
            SetPaneText(0, QStringLiteral("完成导入域名到列表！"));
            SetPaneText(2, QStringLiteral("域名数量：%1").arg(table.count));
            PostWindowMessage(m_view, UM_RELOAD_LIST);
        }
        break;
    case UM_PROGRESS:
        SetPaneText(1, QStringLiteral("进度：%1 / %2").arg(msg.lParam).arg(table.count));
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

void CMainFrame::closeEvent(QCloseEvent* event) {
    // Stop a running batch first: the table and CCore go with the panel.
    if (m_view != nullptr) {
        m_view->StopQueryThread();
    }
    QMainWindow::closeEvent(event);
}
