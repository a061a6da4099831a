// SPDX-License-Identifier: MIT
#include "dock/docksite.h"

#include "dock/dockbar.h"
#include "dock/dockcontext.h"
#include "dock/dockcontrolbar.h"
#include "dock/dockids.h"
#include "dock/docktracker.h"
#include "dock/floatingframe.h"

#include <QTimer>

namespace {

// Order of layout: top and bottom take the whole width first.
constexpr std::array<unsigned, 4> kDockIds{AFX_IDW_DOCKBAR_TOP, AFX_IDW_DOCKBAR_BOTTOM,
                                           AFX_IDW_DOCKBAR_LEFT, AFX_IDW_DOCKBAR_RIGHT};
constexpr std::array<unsigned, 4> kAlign{CBRS_ALIGN_TOP, CBRS_ALIGN_BOTTOM, CBRS_ALIGN_LEFT,
                                         CBRS_ALIGN_RIGHT};
// An empty dock bar still catches a dropped bar this close to its side.
constexpr int kDockZone = 20;

} // namespace

CDockSite::CDockSite(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("dockSite"));
    m_tracker = new CDockTracker(this);
}

CDockSite::~CDockSite() {
    // The bars outlive this object's own part while QWidget deletes the
    // children; they must not report to it any more.
    for (CControlBar* bar : findChildren<CControlBar*>()) {
        bar->SetDockSite(nullptr);
    }
}

void CDockSite::setClientWidget(QWidget* client) {
    m_client = client;
    if (client) {
        client->setParent(this);
        client->lower();
        client->show();
    }
    DelayRecalcLayout();
}

void CDockSite::EnableDocking(unsigned alignMask) {
    for (std::size_t i = 0; i < kDockIds.size(); ++i) {
        if ((alignMask & kAlign[i]) && !m_dockBars[i]) {
            m_dockBars[i] = new CDockBar(kDockIds[i], false, this);
            m_dockBars[i]->show();
        }
    }
    m_tracker->raise();
    DelayRecalcLayout();
}

CDockBar* CDockSite::GetDockBar(unsigned dockBarId) const {
    for (std::size_t i = 0; i < kDockIds.size(); ++i) {
        if (kDockIds[i] == dockBarId) {
            return m_dockBars[i];
        }
    }
    return nullptr;
}

namespace {

CFloatingFrame* FrameOf(const CControlBar* bar) {
    CDockBar* dockBar = bar->DockBar();
    if (!dockBar || !dockBar->IsFloating()) {
        return nullptr;
    }
    return qobject_cast<CFloatingFrame*>(dockBar->parentWidget());
}

} // namespace

void CDockSite::DockControlBar(CControlBar* bar, unsigned dockBarId, const QRect* screenRect) {
    CDockBar* target = GetDockBar(dockBarId);
    if (!bar || !target) {
        return;
    }
    CFloatingFrame* oldFrame = FrameOf(bar);
    if (oldFrame && bar->DockContext()) {
        bar->DockContext()->m_lastFloatPos = oldFrame->pos();
    }
    bar->SetDockSite(this);
    if (bar->DockBar() && bar->DockBar() != target) {
        bar->DockBar()->RemoveControlBar(bar);
    }
    target->DockControlBar(bar, screenRect);
    if (oldFrame) {
        oldFrame->hide();
        oldFrame->deleteLater();
    }
    DelayRecalcLayout();
}

void CDockSite::FloatControlBar(CControlBar* bar, const QPoint& screenPos) {
    if (!bar) {
        return;
    }
    bar->SetDockSite(this);
    if (CFloatingFrame* frame = FrameOf(bar)) {
        frame->move(screenPos);
        return;
    }
    if (CDockBar* from = bar->DockBar()) {
        // Remember where it was docked, for the way back.
        if (CDockContext* ctx = bar->DockContext()) {
            ctx->m_lastDockBarId = from->GetDlgCtrlID();
            ctx->m_lastDockRect = QRect(bar->mapToGlobal(QPoint(0, 0)), bar->size());
        }
        from->RemoveControlBar(bar);
    }
    auto* frame = new CFloatingFrame(this);
    frame->DockBar()->DockControlBar(bar, nullptr);
    frame->RecalcLayout();
    frame->move(screenPos);
    frame->setVisible(bar->IsVisible());
    DelayRecalcLayout();
}

void CDockSite::ShowControlBar(CControlBar* bar, bool show, bool delay) {
    if (!bar) {
        return;
    }
    bar->DelayShow(show);
    if (CFloatingFrame* frame = FrameOf(bar)) {
        // A floating frame shows and hides with its bar.
        bar->RecalcDelayShow();
        frame->RecalcLayout();
        frame->setVisible(show);
        return;
    }
    if (delay) {
        DelayRecalcLayout();
    } else {
        RecalcLayout();
    }
}

void CDockSite::RecalcLayout() {
    if (m_inLayout) {
        return;
    }
    m_inLayout = true;
    m_delayedLayout.Done();
    QRect free = rect();
    for (std::size_t i = 0; i < m_dockBars.size(); ++i) {
        CDockBar* bar = m_dockBars[i];
        if (!bar) {
            continue;
        }
        const QSize size = bar->Layout(free, false);
        switch (kDockIds[i]) {
        case AFX_IDW_DOCKBAR_TOP:
            bar->setGeometry(free.left(), free.top(), free.width(), size.height());
            free.setTop(free.top() + size.height());
            break;
        case AFX_IDW_DOCKBAR_BOTTOM:
            bar->setGeometry(free.left(), free.bottom() + 1 - size.height(), free.width(),
                             size.height());
            free.setBottom(free.bottom() - size.height());
            break;
        case AFX_IDW_DOCKBAR_LEFT:
            bar->setGeometry(free.left(), free.top(), size.width(), free.height());
            free.setLeft(free.left() + size.width());
            break;
        default:
            bar->setGeometry(free.right() + 1 - size.width(), free.top(), size.width(),
                             free.height());
            free.setRight(free.right() - size.width());
            break;
        }
    }
    m_freeRect = free;
    if (m_client) {
        m_client->setGeometry(free);
    }
    m_tracker->setGeometry(rect());
    m_inLayout = false;
}

void CDockSite::DelayRecalcLayout() {
    m_delayedLayout.Request(this, [this] { RecalcLayout(); });
}

void CDockSite::InvertTracker(const QRect& rect) {
    m_tracker->setGeometry(this->rect());
    m_tracker->Invert(rect);
    m_tracker->raise();
}

QRect CDockSite::StripAbove() const {
    const QWidget* top = window();
    const QPoint windowCorner = top->mapToGlobal(QPoint(0, 0));
    const int siteTop = mapToGlobal(QPoint(0, 0)).y();
    return QRect(windowCorner, QSize(top->width(), siteTop - windowCorner.y()));
}

CDockBar* CDockSite::DockBarAt(const QPoint& screenPoint, const CControlBar* bar) const {
    const QPoint p = mapFromGlobal(screenPoint);
    if (!rect().contains(p)) {
        return nullptr;
    }
    const unsigned allowed = bar ? bar->GetDockingAlignment() : CBRS_ALIGN_ANY;
    for (std::size_t i = 0; i < m_dockBars.size(); ++i) {
        CDockBar* dockBar = m_dockBars[i];
        if (!dockBar || !(allowed & kAlign[i])) {
            continue;
        }
        QRect zone = dockBar->geometry();
        switch (kDockIds[i]) {
        case AFX_IDW_DOCKBAR_TOP:
            zone.setHeight(std::max(zone.height(), kDockZone));
            break;
        case AFX_IDW_DOCKBAR_BOTTOM:
            zone.setTop(std::min(zone.top(), zone.bottom() + 1 - kDockZone));
            break;
        case AFX_IDW_DOCKBAR_LEFT:
            zone.setWidth(std::max(zone.width(), kDockZone));
            break;
        default:
            zone.setLeft(std::min(zone.left(), zone.right() + 1 - kDockZone));
            break;
        }
        if (zone.contains(p)) {
            return dockBar;
        }
    }
    return nullptr;
}

void CDockSite::NotifyVisibility(CControlBar* bar, bool visible) {
    emit controlBarVisibilityChanged(bar, visible);
}

void CDockSite::resizeEvent(QResizeEvent* /*e*/) {
    RecalcLayout();
}
