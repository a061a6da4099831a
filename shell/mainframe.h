// SPDX-License-Identifier: MIT
#pragma once

// The main window: menu, inert accelerators, the three-pane status bar with
// the batch's progress bar, the count of expiring rows and of the rows the
// last batch found changed, the dock site with the filter bar and the list
// view as its client, and the side bar docked left. It relays the control
// panel's requests to the view, writes the status texts of the message
// protocol, and imports dropped files and clipboard text.

#include "platform/messagewindow.h"

#include <QElapsedTimer>
#include <QList>
#include <QMainWindow>
#include <QUrl>
#include <cstdint>

class CDockSite;
class CListFilterBar;
class CMakeHtmlView;
class CSideBar;
class CWatchController;
class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QTimer;

class CMainFrame final : public QMainWindow, public CMessageWindow {
    Q_OBJECT
public:
    static constexpr int ID_VIEW_SIDEBAR = 32785;
    static constexpr int ID_IMPORT_CLIPBOARD = 32790;
    static constexpr int ID_OPTIONS = 32791;
    static constexpr int ID_IMPORT_FILE = 32792;
    static constexpr int ID_EXPORT = 32793;
    static constexpr int ID_START_STOP = 32794;
    static constexpr int kPaneCount = 3;

    CMainFrame();
    ~CMainFrame() override;

    // Builds the view, status bar and side bar; false when one fails.
    bool OnCreate();
    bool PreTranslateMessage(const Msg& msg) override;

    [[nodiscard]] CMakeHtmlView* GetActiveView() const { return m_view; }
    [[nodiscard]] CSideBar* sideBar() const { return m_sideBar; }
    [[nodiscard]] CDockSite* dockSite() const { return m_dockSite; }
    [[nodiscard]] QString PaneText(int pane) const;
    void SetPaneText(int pane, const QString& text);
    [[nodiscard]] QLabel* Pane(int pane) const;
    [[nodiscard]] QProgressBar* progressBar() const { return m_progress; }
    [[nodiscard]] QLabel* expiryPane() const { return m_expiryPane; }
    [[nodiscard]] QLabel* changedPane() const { return m_changedPane; }
    // "显示 3 / 56" while a filter is on.
    [[nodiscard]] QLabel* shownPane() const { return m_shownPane; }
    // The rows by outcome, after a batch.
    [[nodiscard]] QLabel* totalsPane() const { return m_totalsPane; }
    // The zentrix.ini key of the side bar's width.
    static constexpr const char* kSideBarWidthKey = "sidebarwidth";
    [[nodiscard]] CListFilterBar* filterBar() const { return m_filterBar; }
    [[nodiscard]] CWatchController* watch() const { return m_watch; }

    void OnViewSideBar();
    void OnAppAbout();
    void OnImportFile();
    void OnUndoDelete();
    void OnImportClipboard();
    void OnOptions();
    // Imports the first local file among `urls`; false when none was taken.
    bool ImportDroppedFiles(const QList<QUrl>& urls);
    // The smallest size at which the side bar and three list columns show
    // (at their widths, or their first widths if wider).
    [[nodiscard]] QSize MinimumFrameSize() const;
    // Sets it; once the list has its columns.
    void UpdateMinimumSize();
    // The about box's text: product title, version, what the program does.
    [[nodiscard]] static QString AboutText();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool createMenus();
    bool createStatusBar();
    bool createSideBar();
    bool createWatch();
    void createInertAccelerators();
    void UpdateSideBarCheck();
    void ShowProgress(std::intptr_t done);
    void ShowExpiring(int count, int days, bool shown);
    void ShowChanged(int changed);
    void ShowShownCount(int shown, int total, bool filtering);
    // Import is refused while a batch runs (the worker writes the table).
    [[nodiscard]] bool RefuseImportDuringBatch();
    // Whether the user agrees to stop the running batch and quit.
    [[nodiscard]] bool ConfirmQuitDuringBatch();

    CDockSite* m_dockSite = nullptr;
    CMakeHtmlView* m_view = nullptr;
    CSideBar* m_sideBar = nullptr;
    QAction* m_sideBarAction = nullptr;
    QAction* m_statusBarAction = nullptr;
    QLabel* m_panes[kPaneCount] = {};
    QLabel* m_expiryPane = nullptr;
    QLabel* m_changedPane = nullptr;
    QLabel* m_shownPane = nullptr;
    QLabel* m_totalsPane = nullptr;
    QProgressBar* m_progress = nullptr;
    // Refreshes the time left while a batch runs, so a stall blanks it.
    QTimer* m_progressTick = nullptr;
    QElapsedTimer m_sinceLastRow;
    std::intptr_t m_lastDone = 0;
    bool m_batchActive = false;
    CListFilterBar* m_filterBar = nullptr;
    QMenu* m_viewMenu = nullptr;
    QMenu* m_toolsMenu = nullptr;
    CWatchController* m_watch = nullptr;
    QElapsedTimer m_batchClock;
    int m_batchStart = 0;
};
