// SPDX-License-Identifier: MIT
#include "watch/watchcontroller.h"

#include "core/ccore.h"
#include "core/messages.h"
#include "engine/domaintable.h"
#include "listwin/expiryrule.h"
#include "listwin/listfilterbar.h"
#include "listwin/makehtmlview.h"
#include "listwin/storedresults.h"
#include "platform/gbkqt.h"
#include "platform/mainwindow.h"
#include "watch/desktopnotifier.h"
#include "watch/expirychartdlg.h"
#include "watch/modelrows.h"
#include "watch/watchdlg.h"

#include <QAction>
#include <QApplication>
#include <QDBusConnection>
#include <QDateTime>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QSet>
#include <QStatusBar>
#include <QStyle>
#include <QSystemTrayIcon>

namespace {

QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

CWatchController::CWatchController(const WatchHost& host, QObject* parent)
    : QObject(parent), m_host(host), m_schedule([] { return QDateTime::currentSecsSinceEpoch(); }),
      m_trayAvailable(QSystemTrayIcon::isSystemTrayAvailable()) {
    setObjectName(QStringLiteral("watch"));
    if (const CCore* core = Core()) {
        m_settings = LoadWatchSettings(*core);
    }
    m_schedule.Configure(m_settings.enabled, m_settings.everyDays, m_settings.lastCheck);

    m_notifier = new CDesktopNotifier(QDBusConnection::sessionBus(), this);
    connect(m_notifier, &CDesktopNotifier::failed, this, &CWatchController::OnNotifyFailed);
    connect(m_notifier, &CDesktopNotifier::activated, this, &CWatchController::ShowAlertedRows);

    // Left of the status bar's panes, like the count of expiring rows.
    m_alertPane = new QLabel(m_host.window->statusBar());
    m_alertPane->setObjectName(QStringLiteral("watchAlertPane"));
    m_alertPane->setStyleSheet(QStringLiteral("color: red"));
    m_alertPane->hide();
    // Index 1: after the stretching pane 0, before the other panes.
    m_host.window->statusBar()->insertPermanentWidget(1, m_alertPane);

    connect(&m_poll, &QTimer::timeout, this, &CWatchController::Poll);
    m_poll.start(kFirstPollMs);
    UpdateTray();
    TellPendingAlert();
}

CWatchController::~CWatchController() = default;

CCore* CWatchController::Core() const {
    // The control panel owns it and may be gone first at shutdown.
    return TheDomainTable().core;
}

void CWatchController::AddMenuItems(QMenu* viewMenu, QMenu* toolsMenu) {
    QAction* chart = viewMenu->addAction(QStringLiteral("到期分布(&E)"));
    chart->setObjectName(QStringLiteral("viewExpiryChart"));
    chart->setStatusTip(QStringLiteral("按到期月份显示列表中已注册域名的数量"));
    connect(chart, &QAction::triggered, this, &CWatchController::OpenChart);

    QAction* watch = toolsMenu->addAction(QStringLiteral("监视(&W)..."));
    watch->setObjectName(QStringLiteral("toolsWatch"));
    watch->setStatusTip(QStringLiteral("定期重新查询域名列表，域名将到期或有变化时提醒"));
    connect(watch, &QAction::triggered, this, &CWatchController::OpenSettings);
}

void CWatchController::SetClock(WatchSchedule::Clock clock) {
    m_schedule = WatchSchedule(std::move(clock));
    m_schedule.Configure(m_settings.enabled, m_settings.everyDays, m_settings.lastCheck);
    UpdateTray();
}

void CWatchController::SetNotifier(CDesktopNotifier* notifier) {
    delete m_notifier;
    m_notifier = notifier;
    m_notifier->setParent(this);
    connect(m_notifier, &CDesktopNotifier::failed, this, &CWatchController::OnNotifyFailed);
    connect(m_notifier, &CDesktopNotifier::activated, this, &CWatchController::ShowAlertedRows);
}

void CWatchController::SetTrayAvailable(bool available) {
    m_trayAvailable = available;
    UpdateTray();
}

bool CWatchController::BatchBusy() const {
    // A modal dialog may be the user about to start one (the resume question).
    return m_batchActive || m_host.view->IsQueryRunning() ||
           QApplication::activeModalWidget() != nullptr;
}

bool CWatchController::ListReady() const {
    const DomainTable& table = TheDomainTable();
    return table.IsAllocated() && table.count > 0 &&
           m_host.view->listModel()->GetItemCount() == table.count;
}

std::int32_t CWatchController::Today() const {
    const QDate date = QDateTime::fromSecsSinceEpoch(m_schedule.Now()).date();
    return static_cast<std::int32_t>(DaysFromCivil({date.year(), date.month(), date.day()}));
}

bool CWatchController::Poll() {
    if (m_poll.interval() != kPollMs && ListReady()) {
        m_poll.setInterval(kPollMs);
    }
    if (m_checkRunning ||
        m_schedule.Poll(BatchBusy(), ListReady()) != WatchSchedule::Decision::Start) {
        return false;
    }
    // A check asks every name again, from the first row; no resume question.
    DomainTable& table = TheDomainTable();
    table.startIndex = 0;
    // The "lastindex" the worker saves belongs to this list, as for the
    // user's batches.
    if (CCore* core = Core()) {
        const std::string list = WorkingListIdentity(table);
        if (core->getConfigStr(kLastListKey) != list) {
            core->saveConfigStr(kLastListKey, list);
        }
    }
    if (!PostToMainWindow(UM_REQUEST_QUERY)) {
        return false;
    }
    m_checkRunning = true;
    m_batchActive = true;
    ShowPane(QString());
    UpdateTray();
    emit checkStarted();
    return true;
}

void CWatchController::OnBatchRequested() {
    m_batchActive = true;
}

void CWatchController::OnBatchEnded() {
    m_batchActive = false;
    if (m_checkRunning) {
        m_checkRunning = false;
        FinishCheck();
    }
}

void CWatchController::FinishCheck() {
    // Stopped by the user or not, the check counts: the next one is a whole
    // period away rather than at the next poll.
    m_schedule.CheckEnded();
    m_settings.lastCheck = m_schedule.lastCheck();
    if (CCore* core = Core()) {
        SaveWatchLastCheck(*core, m_settings.lastCheck);
    }
    m_lastAlert =
        CollectWatchAlert(WatchedRowsOf(*m_host.view->listModel()), Today(), m_settings.alertDays);
    m_lastSummary = FromUtf8(WatchAlertSummary(m_lastAlert));
    UpdateTray();
    if (!m_lastAlert.empty()) {
        Alert(m_lastSummary, FromUtf8(WatchAlertDetails(m_lastAlert)));
    }
    emit checkEnded(m_lastSummary);
}

void CWatchController::Alert(const QString& summary, const QString& details) {
    ShowPane(QStringLiteral("监视提醒：") + summary);
    m_notifier->Notify(summary, details);
}

void CWatchController::OnNotifyFailed(const QString& reason) {
    // No notification service: the status bar has it now, the next start
    // tells it again, and a tray balloon where there is a tray.
    ShowPane(QStringLiteral("监视提醒：") + m_lastSummary + QStringLiteral("（未能发出桌面通知）"));
    m_alertPane->setToolTip(reason);
    if (CCore* core = Core()) {
        SavePendingAlert(*core, m_lastSummary.toStdString());
    }
    if (m_tray != nullptr && m_tray->isVisible()) {
        m_tray->showMessage(QStringLiteral("域名监视"), m_lastSummary);
    }
}

void CWatchController::ShowPane(const QString& text) {
    m_alertPane->setText(text);
    m_alertPane->setVisible(!text.isEmpty());
}

void CWatchController::TellPendingAlert() {
    CCore* core = Core();
    if (core == nullptr) {
        return;
    }
    const QString text = FromUtf8(LoadPendingAlert(*core));
    if (text.isEmpty()) {
        return;
    }
    SavePendingAlert(*core, std::string());
    ShowPane(QStringLiteral("上次监视的提醒：") + text);
    // Once the event loop runs and the window is up.
    QMetaObject::invokeMethod(
        this,
        [this, text] {
            InfoBox(m_host.window, (QStringLiteral("上次监视检查的提醒：\n") + text).toStdString());
        },
        Qt::QueuedConnection);
}

void CWatchController::OpenSettings() {
    CWatchDlg dialog(m_settings, m_schedule.NextCheckAt(), m_host.window);
    if (dialog.exec() == QDialog::Accepted) {
        ApplySettings(dialog.settings());
    }
}

void CWatchController::ApplySettings(const WatchSettings& given) {
    WatchSettings settings = ClampWatchSettings(given);
    // A new watch starts its period now: the list was just checked or is
    // about to be by the user, and a whole batch at once would surprise.
    if (settings.enabled && !m_settings.enabled && settings.lastCheck == 0) {
        settings.lastCheck = m_schedule.Now();
    }
    m_settings = settings;
    m_schedule.Configure(m_settings.enabled, m_settings.everyDays, m_settings.lastCheck);
    if (CCore* core = Core()) {
        SaveWatchSettings(*core, m_settings);
    }
    UpdateTray();
}

void CWatchController::OpenChart() {
    if (m_chart == nullptr) {
        m_chart = new CExpiryChartDlg(m_host.window);
        connect(m_chart, &CExpiryChartDlg::barPicked, this, &CWatchController::PickRows);
    }
    const QDate date = QDateTime::fromSecsSinceEpoch(m_schedule.Now()).date();
    m_chart->SetBuckets(BucketByExpiryMonth(WatchedRowsOf(*m_host.view->listModel()),
                                            CivilDate{date.year(), date.month(), date.day()},
                                            m_settings.alertDays),
                        m_settings.alertDays);
    m_chart->show();
    m_chart->raise();
    m_chart->activateWindow();
}

CExpiryChartDlg* CWatchController::chart() const {
    return m_chart.data();
}

void CWatchController::PickRows(const QStringList& domains, const QString& caption) {
    m_host.view->sortFilter()->SetPickedDomains(QSet<QString>(domains.begin(), domains.end()));
    m_host.filterBar->ShowPicked(caption);
}

void CWatchController::ShowAlertedRows() {
    BringWindowForward();
    QStringList domains;
    for (const std::string& domain : m_lastAlert.domains) {
        domains << FromUtf8(domain);
    }
    PickRows(domains, QStringLiteral("监视提醒（%1）").arg(domains.size()));
}

void CWatchController::BringWindowForward() {
    QMainWindow* window = m_host.window;
    QGuiApplication::setQuitOnLastWindowClosed(true);
    window->show();
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->raise();
    window->activateWindow();
}

QString CWatchController::TrayToolTip() const {
    if (!m_settings.enabled) {
        return QStringLiteral("zentrix：监视已关闭");
    }
    QString next;
    if (m_checkRunning) {
        next = QStringLiteral("正在检查");
    } else if (m_schedule.NextCheckAt() <= m_schedule.Now()) {
        next = QStringLiteral("列表就绪后立即进行");
    } else {
        next = WatchTimeText(m_schedule.NextCheckAt());
    }
    QString tip = QStringLiteral("zentrix：监视已开启，每 %1 天检查一次\n下次检查：%2")
                      .arg(m_settings.everyDays)
                      .arg(next);
    if (!m_lastSummary.isEmpty()) {
        tip += QStringLiteral("\n上次提醒：") + m_lastSummary;
    }
    return tip;
}

void CWatchController::UpdateTray() {
    if (!m_trayAvailable || !m_settings.enabled) {
        if (m_tray != nullptr) {
            m_tray->hide();
        }
        return;
    }
    if (m_tray == nullptr) {
        m_tray = new QSystemTrayIcon(this);
        m_tray->setObjectName(QStringLiteral("watchTray"));
        QIcon icon = QApplication::windowIcon();
        if (icon.isNull()) {
            icon = QApplication::style()->standardIcon(QStyle::SP_ComputerIcon);
        }
        m_tray->setIcon(icon);
        auto* menu = new QMenu(m_host.window);
        menu->setObjectName(QStringLiteral("watchTrayMenu"));
        connect(menu->addAction(QStringLiteral("显示窗口")), &QAction::triggered, this,
                &CWatchController::BringWindowForward);
        connect(menu->addAction(QStringLiteral("退出")), &QAction::triggered, this,
                &CWatchController::QuitFromTray);
        m_tray->setContextMenu(menu);
        connect(m_tray, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (reason == QSystemTrayIcon::Trigger ||
                        reason == QSystemTrayIcon::DoubleClick) {
                        BringWindowForward();
                    }
                });
    }
    m_tray->setToolTip(TrayToolTip());
    m_tray->show();
}

bool CWatchController::KeepWatchingInTray() {
    if (m_quitting || !m_settings.enabled || !m_trayAvailable || m_tray == nullptr ||
        m_host.window->isHidden()) {
        return false;
    }
    CCore* core = Core();
    if (core == nullptr ||
        core->msgboxConfirm(
            m_host.window,
            ToGbk(QStringLiteral("监视已开启。关闭窗口后是否在系统托盘中继续监视？"
                                 "\n选“否”退出程序，错过的检查在下次启动时进行。"))) !=
            CCore::IDYES) {
        return false;
    }
    // Hidden, not closed: the program, its batch and its timer go on.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    m_host.window->hide();
    UpdateTray();
    return true;
}

void CWatchController::QuitFromTray() {
    m_quitting = true;
    QGuiApplication::setQuitOnLastWindowClosed(true);
    if (!m_host.window->close()) {
        m_quitting = false;
        return;
    }
    // A hidden window closing is not the last one closing: quit ourselves.
    QCoreApplication::quit();
}
