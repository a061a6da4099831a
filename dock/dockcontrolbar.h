// SPDX-License-Identifier: MIT
#pragma once

// The base of every bar the docking layer holds: a widget that answers the
// layout's size requests, lives in a dock bar (docked or inside a floating
// frame) and shows or hides itself at the next layout pass when asked to.

#include <QSize>
#include <QWidget>

#include <memory>

class CDockBar;
class CDockContext;
class CDockSite;

class CControlBar : public QWidget {
    Q_OBJECT
public:
    explicit CControlBar(QWidget* parent = nullptr);
    ~CControlBar() override;

    // Size of the bar when docked; stretch asks for the full length of the
    // dock bar, horz for a bar in the top or bottom dock bar.
    [[nodiscard]] virtual QSize CalcFixedLayout(bool stretch, bool horz);
    // Size for a layout with the LM_* bits of mode. The base answers
    // CalcFixedLayout(mode & LM_STRETCH, mode & LM_HORZ).
    [[nodiscard]] virtual QSize CalcDynamicLayout(int length, unsigned mode);
    // Called when the bar may need to refresh what it shows of its state.
    virtual void OnUpdateCmdUI() {}

    // Control ID (0 when none) and the bar style (CBRS_* bits).
    [[nodiscard]] unsigned GetDlgCtrlID() const { return m_id; }
    void SetDlgCtrlID(unsigned id) { m_id = id; }
    [[nodiscard]] unsigned GetBarStyle() const { return m_barStyle; }
    void SetBarStyle(unsigned style) { m_barStyle = style; }
    // Which dock bars the bar may dock in (CBRS_ALIGN_* bits); creates its
    // docking context.
    void EnableDocking(unsigned alignMask);
    [[nodiscard]] unsigned GetDockingAlignment() const { return m_dockAlignment; }

    // Visible, counting a pending delayed show or hide.
    [[nodiscard]] bool IsVisible() const;
    // Floating: held by the dock bar of a floating frame.
    [[nodiscard]] bool IsFloating() const;
    // Marks the bar to be shown or hidden at the next layout pass.
    void DelayShow(bool show);
    // Carries out a pending DelayShow now.
    void RecalcDelayShow();
    [[nodiscard]] bool HasDelayedShow() const { return m_delayState != DelayNone; }

    [[nodiscard]] CDockBar* DockBar() const { return m_dockBar; }
    [[nodiscard]] CDockSite* DockSite() const { return m_dockSite; }
    [[nodiscard]] CDockContext* DockContext() const { return m_dockContext.get(); }

    // Set by the dock bar that takes the bar, and by the dock site.
    void SetDockBar(CDockBar* dockBar) { m_dockBar = dockBar; }
    void SetDockSite(CDockSite* site) { m_dockSite = site; }

protected:
    bool event(QEvent* e) override;

    unsigned m_id = 0;
    unsigned m_barStyle = 0;
    unsigned m_dockAlignment = 0;
    CDockBar* m_dockBar = nullptr;
    CDockSite* m_dockSite = nullptr;
    std::unique_ptr<CDockContext> m_dockContext;

private:
    enum DelayState { DelayNone, DelayShowing, DelayHiding };
    DelayState m_delayState = DelayNone;
};
