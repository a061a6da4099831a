// SPDX-License-Identifier: MIT
#include "dock/floatingframe.h"

#include "dock/dockbar.h"
#include "dock/dockcontext.h"
#include "dock/dockcontrolbar.h"
#include "dock/dockids.h"
#include "dock/docksite.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

namespace {

// Along a border, this much next to a corner still sizes the corner.
constexpr int kCornerGrip = 12;
constexpr int kBoxSize = 11;

Qt::CursorShape CursorFor(int hit) {
    switch (hit) {
    case HTLEFT:
    case HTRIGHT:
        return Qt::SizeHorCursor;
    case HTTOP:
    case HTBOTTOM:
        return Qt::SizeVerCursor;
    case HTTOPLEFT:
    case HTBOTTOMRIGHT:
        return Qt::SizeFDiagCursor;
    case HTTOPRIGHT:
    case HTBOTTOMLEFT:
        return Qt::SizeBDiagCursor;
    default:
        return Qt::ArrowCursor;
    }
}

bool IsSizingHit(int hit) {
    return hit >= HTLEFT && hit <= HTBOTTOMRIGHT;
}

} // namespace

CFloatingFrame::CFloatingFrame(CDockSite* site)
    : QWidget(site, Qt::Tool | Qt::FramelessWindowHint), m_site(site) {
    setObjectName(QStringLiteral("floatingFrame"));
    setMouseTracking(true);
    m_dockBar = new CDockBar(AFX_IDW_DOCKBAR_FLOAT, true, this);
    m_dockBar->move(BarOffset());
}

CControlBar* CFloatingFrame::Bar() const {
    for (CControlBar* bar : m_dockBar->Entries()) {
        if (bar) {
            return bar;
        }
    }
    return nullptr;
}

void CFloatingFrame::RecalcLayout() {
    m_delayedLayout.Done();
    CControlBar* bar = Bar();
    if (!bar) {
        return;
    }
    const QSize inner = m_dockBar->Layout(QRect(QPoint(0, 0), size()), false);
    m_dockBar->setGeometry(QRect(BarOffset(), inner));
    resize(SizeAround(inner));
    setWindowTitle(bar->windowTitle());
    update();
}

void CFloatingFrame::DelayRecalcLayout() {
    m_delayedLayout.Request(this, [this] { RecalcLayout(); });
}

QRect CFloatingFrame::CloseBoxRect() const {
    return QRect(width() - kBorder - kBoxSize - 2, kBorder + (kCaption - kBoxSize) / 2, kBoxSize,
                 kBoxSize);
}

int CFloatingFrame::HitTest(const QPoint& pos) const {
    if (!rect().contains(pos)) {
        return HTNOWHERE;
    }
    const bool left = pos.x() < kBorder;
    const bool right = pos.x() >= width() - kBorder;
    const bool top = pos.y() < kBorder;
    const bool bottom = pos.y() >= height() - kBorder;
    const bool nearLeft = pos.x() < kCornerGrip;
    const bool nearRight = pos.x() >= width() - kCornerGrip;
    const bool nearTop = pos.y() < kCornerGrip;
    const bool nearBottom = pos.y() >= height() - kCornerGrip;
    if (left || right || top || bottom) {
        if ((left && nearTop) || (top && nearLeft)) {
            return HTTOPLEFT;
        }
        if ((right && nearTop) || (top && nearRight)) {
            return HTTOPRIGHT;
        }
        if ((left && nearBottom) || (bottom && nearLeft)) {
            return HTBOTTOMLEFT;
        }
        if ((right && nearBottom) || (bottom && nearRight)) {
            return HTBOTTOMRIGHT;
        }
        return left ? HTLEFT : right ? HTRIGHT : top ? HTTOP : HTBOTTOM;
    }
    if (CloseBoxRect().contains(pos)) {
        return HTCLOSE;
    }
    if (pos.y() < kBorder + kCaption) {
        return HTCAPTION;
    }
    return HTCLIENT;
}

void CFloatingFrame::paintEvent(QPaintEvent* /*e*/) {
    QPainter p(this);
    const QPalette& pal = palette();
    p.fillRect(rect(), pal.button());
    // Raised outer frame.
    const QRect r = rect().adjusted(0, 0, -1, -1);
    p.setPen(pal.light().color());
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(pal.dark().color());
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    // Caption band with the bar's title.
    const QRect caption(kBorder, kBorder, width() - 2 * kBorder, kCaption);
    p.fillRect(caption, pal.highlight());
    p.setPen(pal.highlightedText().color());
    QFont f = font();
    f.setPixelSize(kCaption - 4);
    p.setFont(f);
    p.drawText(caption.adjusted(3, 0, -(kBoxSize + 4), 0), Qt::AlignVCenter | Qt::AlignLeft,
               windowTitle());
    // Close box: a drawn cross.
    const QRect box = CloseBoxRect();
    p.setPen(QPen(pal.highlightedText().color(), 1.5));
    p.drawLine(box.topLeft() + QPoint(2, 2), box.bottomRight() - QPoint(2, 2));
    p.drawLine(box.topRight() + QPoint(-2, 2), box.bottomLeft() + QPoint(2, -2));
}

void CFloatingFrame::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        return;
    }
    const QPoint global = e->globalPosition().toPoint();
    m_pressHit = HitTest(e->position().toPoint());
    m_pressOffset = global - pos();
    if (IsSizingHit(m_pressHit)) {
        const QRect g = geometry();
        // The corner or side that follows the cursor, as a point; right and
        // bottom lie just outside the frame.
        const int x =
            (m_pressHit == HTLEFT || m_pressHit == HTTOPLEFT || m_pressHit == HTBOTTOMLEFT)
                ? g.left()
                : g.left() + g.width();
        const int y = (m_pressHit == HTTOP || m_pressHit == HTTOPLEFT || m_pressHit == HTTOPRIGHT)
                          ? g.top()
                          : g.top() + g.height();
        m_grabOffset = global - QPoint(x, y);
        if (CControlBar* bar = Bar(); bar && bar->DockContext()) {
            bar->DockContext()->m_frameHit = m_pressHit;
            bar->DockContext()->m_frameDragRect = g;
        }
    }
}

void CFloatingFrame::mouseMoveEvent(QMouseEvent* e) {
    const QPoint global = e->globalPosition().toPoint();
    if (!(e->buttons() & Qt::LeftButton)) {
        setCursor(CursorFor(HitTest(e->position().toPoint())));
        return;
    }
    if (m_pressHit == HTCAPTION) {
        move(global - m_pressOffset);
    } else if (IsSizingHit(m_pressHit)) {
        ResizeTo(global);
    }
}

void CFloatingFrame::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        return;
    }
    const int pressed = m_pressHit;
    m_pressHit = HTNOWHERE;
    if (CControlBar* bar = Bar(); bar && bar->DockContext()) {
        bar->DockContext()->m_frameHit = HTNOWHERE;
    }
    if (pressed == HTCLOSE && HitTest(e->position().toPoint()) == HTCLOSE) {
        if (CControlBar* bar = Bar()) {
            m_site->ShowControlBar(bar, false, false);
        }
    }
}

void CFloatingFrame::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && HitTest(e->position().toPoint()) == HTCAPTION) {
        m_pressHit = HTNOWHERE;
        if (CControlBar* bar = Bar(); bar && bar->DockContext()) {
            bar->DockContext()->ToggleDocking();
        }
    }
}

void CFloatingFrame::closeEvent(QCloseEvent* e) {
    // Closing the window hides the bar; the frame stays for its return.
    e->ignore();
    if (CControlBar* bar = Bar()) {
        m_site->ShowControlBar(bar, false, false);
    }
}

void CFloatingFrame::ResizeTo(const QPoint& screenPoint) {
    CControlBar* bar = Bar();
    if (!bar) {
        return;
    }
    CDockContext* ctx = bar->DockContext();
    const QPoint p = screenPoint - m_grabOffset;
    const QRect f = geometry();
    const QRect b(bar->mapToGlobal(QPoint(0, 0)), bar->size());
    const QSize extra = SizeAround(QSize(0, 0));
    QRect next = f;
    switch (m_pressHit) {
    case HTLEFT: {
        const QSize s = bar->CalcDynamicLayout(b.width() + f.left() - p.x(), LM_HORZ);
        next.setLeft(f.left() + f.width() - (s.width() + extra.width()));
        break;
    }
    case HTRIGHT:
        bar->CalcDynamicLayout(b.width() + p.x() - (f.left() + f.width()), LM_HORZ);
        break;
    case HTTOP: {
        const QSize s = bar->CalcDynamicLayout(b.height() + f.top() - p.y(), LM_HORZ | LM_LENGTHY);
        next.setTop(f.top() + f.height() - (s.height() + extra.height()));
        break;
    }
    case HTBOTTOM:
        bar->CalcDynamicLayout(b.height() + p.y() - (f.top() + f.height()), LM_HORZ | LM_LENGTHY);
        break;
    default:
        // Corners: the bar derives its size from the cursor and moves the
        // drag rectangle's left or top side.
        if (ctx) {
            ctx->m_frameCursor = p;
            ctx->m_frameDragRect = f;
            bar->CalcDynamicLayout(0, LM_HORZ);
            next.moveTopLeft(ctx->m_frameDragRect.topLeft());
        }
        break;
    }
    const QSize s = bar->CalcDynamicLayout(-1, LM_HORZ | LM_MRUWIDTH);
    setGeometry(QRect(next.topLeft(), s + extra));
    RecalcLayout();
}
