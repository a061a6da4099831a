// SPDX-License-Identifier: MIT
#pragma once

// The watch on the working list, in the desktop program. A timer polls the
// schedule; a due check starts as a normal batch through the main window's
// message (the list fills and the progress bar shows it), from the first
// row, and never while another batch runs. When the check ends, what it
// found goes out as one desktop notification (a click on it shows those
// rows); without a notification service the status bar carries it and the
// next start repeats it. A tray icon shows the watch and its next check.
//
// The main frame calls OnBatchRequested / OnBatchEnded from its message
// walk and KeepWatchingInTray from its close event.

#include "watch/watchalert.h"
#include "watch/watchschedule.h"
#include "watch/watchsettings.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

class CDesktopNotifier;
class CExpiryChartDlg;
class CListFilterBar;
class CMakeHtmlView;
class CCore;
class QLabel;
class QMainWindow;
class QMenu;
class QSystemTrayIcon;

struct WatchHost {
    QMainWindow* window = nullptr;
    CMakeHtmlView* view = nullptr;
    CListFilterBar* filterBar = nullptr;
};

class CWatchController final : public QObject {
    Q_OBJECT
public:
    static constexpr int kPollMs = 15 * 1000;
    // Until the list is first ready: a check overdue at start starts soon.
    static constexpr int kFirstPollMs = 1000;

    // The core object (the table's) must exist: the settings are read now.
    explicit CWatchController(const WatchHost& host, QObject* parent = nullptr);
    ~CWatchController() override;

    // "到期分布" in the view menu, "监视..." in the tools menu.
    void AddMenuItems(QMenu* viewMenu, QMenu* toolsMenu);

    // A batch was asked for (the user's or a check) / has ended.
    void OnBatchRequested();
    void OnBatchEnded();
    // Starts a check when one is due and nothing is in the way; true when it did.
    bool Poll();
    // The main window is closing: with a watch on and a tray, asks whether to
    // keep watching there; true when the window was hidden instead.
    bool KeepWatchingInTray();

    void OpenSettings();
    // Saves `settings` and plans the next check by them.
    void ApplySettings(const WatchSettings& settings);
    void OpenChart();
    // Brings the window forward with the filter on the last alert's names.
    void ShowAlertedRows();
    // Shows `domains` alone in the list, the filter's choice captioned `caption`.
    void PickRows(const QStringList& domains, const QString& caption);

    [[nodiscard]] const WatchSettings& settings() const { return m_settings; }
    [[nodiscard]] const WatchSchedule& schedule() const { return m_schedule; }
    [[nodiscard]] bool isCheckRunning() const { return m_checkRunning; }
    [[nodiscard]] const WatchAlert& lastAlert() const { return m_lastAlert; }
    [[nodiscard]] QLabel* alertPane() const { return m_alertPane; }
    // The chart window once opened; null before.
    [[nodiscard]] CExpiryChartDlg* chart() const;
    [[nodiscard]] QSystemTrayIcon* tray() const { return m_tray; }
    // "监视已开启\n下次检查：2026-12-14 09:30" and the like.
    [[nodiscard]] QString TrayToolTip() const;

    // Seams for tests: the clock, the notifier (taken over), whether the
    // desktop has a tray.
    void SetClock(WatchSchedule::Clock clock);
    void SetNotifier(CDesktopNotifier* notifier);
    void SetTrayAvailable(bool available);

signals:
    void checkStarted();
    // A check ended; `summary` is "" when nothing was worth an alert.
    void checkEnded(const QString& summary);

private:
    [[nodiscard]] CCore* Core() const;
    [[nodiscard]] bool BatchBusy() const;
    [[nodiscard]] bool ListReady() const;
    [[nodiscard]] std::int32_t Today() const;
    void FinishCheck();
    void Alert(const QString& summary, const QString& details);
    void OnNotifyFailed(const QString& reason);
    void ShowPane(const QString& text);
    void TellPendingAlert();
    void UpdateTray();
    void BringWindowForward();
    void QuitFromTray();

    WatchHost m_host;
    WatchSettings m_settings;
    WatchSchedule m_schedule;
    WatchAlert m_lastAlert;
    QString m_lastSummary;
    QTimer m_poll;
    CDesktopNotifier* m_notifier = nullptr;
    QPointer<CExpiryChartDlg> m_chart;
    QSystemTrayIcon* m_tray = nullptr;
    QLabel* m_alertPane = nullptr;
    bool m_batchActive = false;  // asked for and not yet ended
    bool m_checkRunning = false; // the running batch is a check
    bool m_trayAvailable = false;
    bool m_quitting = false;
};
