// SPDX-License-Identifier: MIT
#pragma once

// The docking context of one bar: moves it with the mouse (dragged by its
// gripper or border, dropped on a dock bar's zone to dock there, elsewhere
// to float), toggles it between docked and floating, and carries the state
// of a floating frame's resize that the bar's size request reads.

#include <QPoint>
#include <QRect>

#include <memory>
#include <optional>

class CControlBar;
class QRubberBand;

class CDockContext {
public:
    explicit CDockContext(CControlBar* bar);
    ~CDockContext();
    CDockContext(const CDockContext&) = delete;
    CDockContext& operator=(const CDockContext&) = delete;

    // Starts moving the bar from screenPoint; the bar's mouse moves and the
    // release are then passed to Move and EndDrag.
    void StartDrag(const QPoint& screenPoint);
    void Move(const QPoint& screenPoint);
    // Drops the bar at screenPoint (a press released without moving past
    // the drag distance leaves everything as it was).
    void EndDrag(const QPoint& screenPoint);
    void CancelDrag();
    [[nodiscard]] bool IsDragging() const { return m_dragging; }

    // Docked: floats the bar where it last floated, or beside its dock the
    // first time, never over the menu bar. Floating: docks it back in the
    // dock bar it last left, at the same place.
    void ToggleDocking();

    // A floating frame's resize: hit code of the border being dragged
    // (HTNOWHERE when none), the frame rectangle being dragged (screen), and
    // the cursor, where the outer corner of the frame should go.
    int m_frameHit = 0;
    QRect m_frameDragRect;
    QPoint m_frameCursor;

    // Where the bar was last docked: dock bar ID and screen rectangle.
    unsigned m_lastDockBarId = 0;
    QRect m_lastDockRect;
    // Where its floating frame stood (top-left, screen) when it last floated.
    std::optional<QPoint> m_lastFloatPos;

private:
    [[nodiscard]] QRect TrackRect(const QPoint& screenPoint, unsigned* dockBarId) const;

    CControlBar* m_bar;
    bool m_dragging = false;
    bool m_moved = false;
    QPoint m_start;
    QPoint m_grab;                             // grab point relative to the bar's top-left corner
    std::unique_ptr<QRubberBand> m_rubberBand; // a window of its own, made on the first drag
};
