#pragma once

// The docking context of one bar: moves it with the mouse (dragged by its
// gripper or border, dropped on a dock bar's zone to dock there, elsewhere
// to float), toggles it between docked and floating, and carries the state
// of a floating frame's resize that the bar's size request reads.

#include <QPoint>
#include <QRect>

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
    [[nodiscard]] bool IsDragging() const { return m_bDragging; }

    // Docked: floats the bar where it is on screen. Floating: docks it back
    // in the dock bar it last left, at the same place.
    void ToggleDocking();

    // A floating frame's resize: hit code of the border being dragged
    // (HTNOWHERE when none), the frame rectangle being dragged (screen), and
    // the cursor, where the outer corner of the frame should go.
    int m_nHitTest = 0;
    QRect m_rectFrameDragHorz;
    QPoint m_ptCursor;

    // Where the bar was last docked: dock bar ID and screen rectangle.
    unsigned m_uMRUDockID = 0;
    QRect m_rectMRUDockPos;

private:
    [[nodiscard]] QRect TrackRect(const QPoint& screenPoint, unsigned* dockBarId) const;

    CControlBar* m_pBar;
    bool m_bDragging = false;
    bool m_bMoved = false;
    QPoint m_ptStart;
    QPoint m_ptGrab; // grab point relative to the bar's top-left corner
    QRubberBand* m_rubberBand = nullptr;
};
