// SPDX-License-Identifier: MIT
#pragma once

// A resizable bar with a gripper band (two raised strips) and an 11 x 11
// close button while docked; the close button hides the bar through the dock
// site.

#include "sidebar/resizablebar.h"

struct BarCloseBox {
    bool pressed = false;
    bool hot = false;
    BarPoint origin; // top-left corner, relative to the bar's window
};

class CGripperBar : public CResizableBar {
    Q_OBJECT
public:
    explicit CGripperBar(QWidget* parent = nullptr);

    // The gripper and close button show exactly when the bar is not floating.
    [[nodiscard]] virtual bool ShowsGripper() const;
    // Re-evaluates the close button's look from the last known cursor.
    void OnUpdateCmdUI() override;
    [[nodiscard]] int HitTest(const QPoint& pos) const override;
    // The close button's rectangle in widget coordinates.
    [[nodiscard]] QRect CloseBoxRect() const;

    int m_gripperWidth = 12;
    BarCloseBox m_closeBox;

protected:
    void ComputeClient(BarRect& rect, unsigned dockBarId) override;
    void PaintGripper(QPainter& painter, const QRect& client) override;
    void OnNcLButtonDown(int hit, const QPoint& screenPoint) override;
    void OnNcLButtonUp(int hit, const QPoint& screenPoint) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;

private:
    void PaintCloseBox(QPainter& painter);
    void TrackCursor(const QPoint& pos, bool leftDown);

    QPoint m_cursor{-1, -1}; // last cursor position seen, widget coordinates
    bool m_leftDown = false;
    bool m_closePressStarted = false;
};
