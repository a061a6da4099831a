// SPDX-License-Identifier: MIT
#include "sidebar/gripperbar.h"

#include "dock/docksite.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

QRect ToQt(const BarRect& r) {
    return QRect(r.left, r.top, r.Width(), r.Height());
}

} // namespace

CGripperBar::CGripperBar(QWidget* parent) : CResizableBar(parent) {}

bool CGripperBar::ShowsGripper() const {
    return !IsFloatingBar();
}

void CGripperBar::ComputeClient(BarRect& rect, unsigned dockBarId) {
    rect = GripperClientRect(rect, dockBarId, m_edgeFlags, m_edgeWidth, m_gripperWidth,
                             ShowsGripper(), m_closeBox.origin);
}

QRect CGripperBar::CloseBoxRect() const {
    return ToQt(::CloseBoxRect({0, 0, width(), height()}, m_closeBox.origin));
}

int CGripperBar::HitTest(const QPoint& pos) const {
    const int hit = CResizableBar::HitTest(pos);
    if (hit == HTCLIENT && ShowsGripper() && CloseBoxRect().contains(pos)) {
        return HTCLOSE;
    }
    return hit;
}

void CGripperBar::PaintGripper(QPainter& painter, const QRect& client) {
    if (!ShowsGripper()) {
        return;
    }
    const QPalette& pal = palette();
    const auto [first, second] =
        GripperStrips({client.left(), client.top(), client.left() + client.width(),
                       client.top() + client.height()},
                      IsHorzDocked(), m_closeBox.origin, m_gripperWidth);
    Draw3dRect(painter, ToQt(first), pal.light().color(), pal.dark().color());
    Draw3dRect(painter, ToQt(second), pal.light().color(), pal.dark().color());
    PaintCloseBox(painter);
}

void CGripperBar::PaintCloseBox(QPainter& painter) {
    const QPalette& pal = palette();
    const QRect box = CloseBoxRect();
    if (m_closeBox.pressed) {
        Draw3dRect(painter, box, pal.dark().color(), pal.light().color());
    } else if (m_closeBox.hot) {
        Draw3dRect(painter, box, pal.light().color(), pal.dark().color());
    }
    // The cross: two diagonals two pixels thick, 6 x 6, inside the box.
    const QColor text = pal.buttonText().color();
    const int x = box.left() + 2;
    const int y = box.top() + 2;
    for (int i = 0; i < 6; ++i) {
        painter.fillRect(x + i, y + i, 2, 1, text);
        painter.fillRect(x + 5 - i, y + i, 2, 1, text);
    }
}

void CGripperBar::OnUpdateCmdUI() {
    if (!ShowsGripper()) {
        return;
    }
    const bool over = rect().contains(m_cursor) && HitTest(m_cursor) == HTCLOSE;
    const bool pressed = over && m_leftDown;
    const bool hot = over && !m_leftDown;
    if (pressed != m_closeBox.pressed || hot != m_closeBox.hot) {
        m_closeBox.pressed = pressed;
        m_closeBox.hot = hot;
        update(CloseBoxRect());
    }
}

void CGripperBar::TrackCursor(const QPoint& pos, bool leftDown) {
    m_cursor = pos;
    m_leftDown = leftDown;
    OnUpdateCmdUI();
}

void CGripperBar::mouseMoveEvent(QMouseEvent* e) {
    TrackCursor(e->position().toPoint(), (e->buttons() & Qt::LeftButton) != 0);
    CResizableBar::mouseMoveEvent(e);
}

void CGripperBar::mousePressEvent(QMouseEvent* e) {
    m_closePressStarted = false;
    if (e->button() == Qt::LeftButton) {
        TrackCursor(e->position().toPoint(), true);
    }
    CResizableBar::mousePressEvent(e);
}

void CGripperBar::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        TrackCursor(e->position().toPoint(), false);
    }
    CResizableBar::mouseReleaseEvent(e);
    m_closePressStarted = false;
}

void CGripperBar::leaveEvent(QEvent* e) {
    m_cursor = QPoint(-1, -1);
    OnUpdateCmdUI();
    CResizableBar::leaveEvent(e);
}

void CGripperBar::OnNcLButtonDown(int hit, const QPoint& screenPoint) {
    if (hit == HTCLOSE) {
        m_closePressStarted = true;
        return;
    }
    CResizableBar::OnNcLButtonDown(hit, screenPoint);
}

void CGripperBar::OnNcLButtonUp(int hit, const QPoint& screenPoint) {
    // Only a press that began on the close box may end in hiding the bar.
    if (hit == HTCLOSE && m_closePressStarted && DockSite()) {
        m_closePressStarted = false;
        DockSite()->ShowControlBar(this, false, false);
        m_cursor = QPoint(-1, -1);
        m_closeBox.pressed = m_closeBox.hot = false;
    }
    CResizableBar::OnNcLButtonUp(hit, screenPoint);
}
