#pragma once

// The client area of the main window: a report list that mirrors the domain
// table row for row. It starts the batch worker, fills the result columns of
// finished rows, runs the quick find and marks checked rows for deletion, all
// on posted messages (PreTranslateMessage), and offers the context menu.

#include "engine/querythread.h"
#include "listwin/listctrlmodel.h"
#include "platform/messagewindow.h"

#include <QTableView>
#include <memory>

class CWidgetMessageTarget;
class QMenu;

class CMakeHtmlView final : public QTableView, public CMessageWindow {
    Q_OBJECT
public:
    // Context menu commands.
    static constexpr int ID_OPEN_WEBPAGE = 32786;
    static constexpr int ID_CHECK_ALL = 32787;
    static constexpr int ID_UNCHECK_ALL = 32788;

    explicit CMakeHtmlView(QWidget* parent = nullptr);
    ~CMakeHtmlView() override;

    // Grid lines, check boxes, full-row select, the ten columns.
    void OnInitialUpdate();
    bool PreTranslateMessage(const Msg& msg) override;

    // Non-zero when the worker was started.
    int StartQueryThread();
    // Asks a running worker to stop and waits for it; the table and the core
    // object may be released afterwards.
    void StopQueryThread();
    [[nodiscard]] bool IsQueryRunning() const;
    // Where the worker sends its questions; empty: the TCP client.
    void SetTransport(WhoisTransport transport) { m_transport = std::move(transport); }

    void OnOpenWebPage();
    void OnCheckAll();
    void OnUncheckAll();
    // The context menu shown on a right click over an item (menu 130).
    [[nodiscard]] std::unique_ptr<QMenu> CreateContextMenu();

    // Takes the red-display flag and days from the table again and repaints.
    void RefreshRedDisplay();
    // The same for every list view (the control panel calls this).
    static void RefreshAllRedDisplays();
    // Stops the workers of every list view (before the table is released).
    static void StopAllQueryThreads();

    [[nodiscard]] CListCtrlModel* listModel() const { return m_model; }
    [[nodiscard]] int shownRowCount() const { return m_shownRows; }
    [[nodiscard]] int contextRow() const { return m_contextRow; }

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void Reload();
    void ShowFinishedRows(std::intptr_t upTo);
    void QuickFind();
    void MarkCheckedRows();

    CListCtrlModel* m_model = nullptr;
    std::unique_ptr<CWidgetMessageTarget> m_target;
    std::unique_ptr<CQueryThread> m_thread;
    WhoisTransport m_transport;
    int m_shownRows = 0;
    int m_contextRow = -1;
};
