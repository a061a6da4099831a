// SPDX-License-Identifier: MIT
#pragma once

// The dock site: the central area of a frame window. Around its client widget
// (e.g. the list view) it keeps four dock bars, top, bottom, left and right,
// laid out in that order: the top and bottom ones take the whole width, the
// left and right ones the height between them, the client the rest.

#include <QPointer>
#include <QRect>
#include <QWidget>

#include "dock/idlecall.h"

#include <array>

class CControlBar;
class CDockBar;
class CDockTracker;
class CFloatingFrame;

class CDockSite : public QWidget {
    Q_OBJECT
public:
    explicit CDockSite(QWidget* parent = nullptr);
    ~CDockSite() override;

    // The widget that fills what the bars leave free.
    void setClientWidget(QWidget* client);

    // Creates the dock bars for the sides in alignMask (CBRS_ALIGN_* bits).
    void EnableDocking(unsigned alignMask);
    // The dock bar with this control ID (AFX_IDW_DOCKBAR_*), or null.
    [[nodiscard]] CDockBar* GetDockBar(unsigned dockBarId) const;

    // Docks bar in the dock bar dockBarId: in a new last row, or at the place
    // under screenRect's centre. Takes the bar out of wherever it was.
    void DockControlBar(CControlBar* bar, unsigned dockBarId, const QRect* screenRect = nullptr);
    // Floats bar in a floating frame whose top-left corner is at screenPos.
    void FloatControlBar(CControlBar* bar, const QPoint& screenPos);

    // Shows or hides bar. It keeps its place in its dock bar while hidden.
    // Without delay the layout is redone at once.
    void ShowControlBar(CControlBar* bar, bool show, bool delay);

    // Lays out all dock bars and the client now.
    void RecalcLayout();
    // Asks for one layout pass when the event loop is next idle; requests
    // made before it runs share it.
    void DelayRecalcLayout();
    [[nodiscard]] bool IsLayoutPending() const { return m_delayedLayout.IsPending(); }

    // The rectangle left to the client after all bars are placed, in this
    // widget's coordinates (the result of the last layout pass).
    [[nodiscard]] QRect FreeRect() const { return m_freeRect; }

    // Inverts rect (in this widget's coordinates) on the tracker overlay:
    // inverting the same rectangle twice leaves the screen as it was.
    void InvertTracker(const QRect& rect);
    [[nodiscard]] CDockTracker* Tracker() const { return m_tracker; }

    // The strip of the window above this site (its menu bar and tool bars),
    // in screen coordinates; empty when the site is the window's top.
    [[nodiscard]] QRect StripAbove() const;

    // The dock bar whose docking zone holds screenPoint and that bar may dock
    // in, or null (the bar floats there).
    [[nodiscard]] CDockBar* DockBarAt(const QPoint& screenPoint, const CControlBar* bar) const;

    // Called by a bar when it was shown or hidden.
    void NotifyVisibility(CControlBar* bar, bool visible);

signals:
    // A bar was shown or hidden (the View menu's check follows it).
    void controlBarVisibilityChanged(CControlBar* bar, bool visible);

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    std::array<CDockBar*, 4> m_dockBars{}; // top, bottom, left, right
    QPointer<QWidget> m_client;
    CDockTracker* m_tracker = nullptr;
    QRect m_freeRect;
    CIdleCall m_delayedLayout;
    bool m_inLayout = false;
};
