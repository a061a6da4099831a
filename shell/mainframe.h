#pragma once

// The main window: menu, inert accelerators, the three-pane status bar, the
// dock site with the list view as its client and the side bar docked left.
// It relays the control panel's requests to the view and writes the status
// texts of the message protocol.

#include "platform/messagewindow.h"

#include <QMainWindow>

class CDockSite;
class CMakeHtmlView;
class CSideBar;
class QAction;
class QLabel;

class CMainFrame final : public QMainWindow, public CMessageWindow {
    Q_OBJECT
public:
    static constexpr int ID_VIEW_SIDEBAR = 32785;
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

    void OnViewSideBar();
    void OnAppAbout();
    // The about box's text: product title, version, what the program does.
    [[nodiscard]] static QString AboutText();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool createMenus();
    bool createStatusBar();
    bool createSideBar();
    void createInertAccelerators();
    void UpdateSideBarCheck();

    CDockSite* m_dockSite = nullptr;
    CMakeHtmlView* m_view = nullptr;
    CSideBar* m_sideBar = nullptr;
    QAction* m_sideBarAction = nullptr;
    QAction* m_statusBarAction = nullptr;
    QLabel* m_panes[kPaneCount] = {};
};
