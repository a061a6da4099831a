// SPDX-License-Identifier: MIT
#include "dock/dockcontext.h"

#include "dock/dockbar.h"
#include "dock/dockcontrolbar.h"
#include "dock/dockids.h"
#include "dock/docksite.h"
#include "dock/floatingframe.h"
#include "dock/floatplacement.h"

#include <QApplication>
#include <QRubberBand>
#include <QScreen>

CDockContext::CDockContext(CControlBar* bar) : m_bar(bar) {}

CDockContext::~CDockContext() = default;

void CDockContext::StartDrag(const QPoint& screenPoint) {
    m_dragging = true;
    m_moved = false;
    m_start = screenPoint;
    m_grab = screenPoint - m_bar->mapToGlobal(QPoint(0, 0));
}

QRect CDockContext::TrackRect(const QPoint& screenPoint, unsigned* dockBarId) const {
    CDockSite* site = m_bar->DockSite();
    CDockBar* target = site ? site->DockBarAt(screenPoint, m_bar) : nullptr;
    *dockBarId = target ? target->GetDlgCtrlID() : AFX_IDW_DOCKBAR_FLOAT;
    const QPoint barCorner = screenPoint - m_grab;
    if (target) {
        const bool horz = target->IsHorz();
        QSize size = m_bar->CalcFixedLayout(false, horz);
        // A docked bar spans no more than the dock site.
        size = size.boundedTo(site->size());
        return QRect(barCorner, size);
    }
    const QSize size = m_bar->CalcDynamicLayout(-1, LM_HORZ | LM_MRUWIDTH);
    return QRect(barCorner - CFloatingFrame::BarOffset(), CFloatingFrame::SizeAround(size));
}

void CDockContext::Move(const QPoint& screenPoint) {
    if (!m_dragging) {
        return;
    }
    if (!m_moved && (screenPoint - m_start).manhattanLength() < QApplication::startDragDistance()) {
        return;
    }
    m_moved = true;
    unsigned id = 0;
    const QRect r = TrackRect(screenPoint, &id);
    if (!m_rubberBand) {
        m_rubberBand = std::make_unique<QRubberBand>(QRubberBand::Rectangle);
        m_rubberBand->setObjectName(QStringLiteral("dockDragTracker"));
    }
    m_rubberBand->setGeometry(r);
    m_rubberBand->show();
}

void CDockContext::EndDrag(const QPoint& screenPoint) {
    if (!m_dragging) {
        return;
    }
    const bool moved = m_moved;
    CancelDrag();
    CDockSite* site = m_bar->DockSite();
    if (!moved || !site) {
        return;
    }
    unsigned id = 0;
    const QRect r = TrackRect(screenPoint, &id);
    if (id == AFX_IDW_DOCKBAR_FLOAT) {
        site->FloatControlBar(m_bar, r.topLeft());
    } else {
        site->DockControlBar(m_bar, id, &r);
    }
}

void CDockContext::CancelDrag() {
    m_dragging = false;
    m_moved = false;
    if (m_rubberBand) {
        m_rubberBand->hide();
    }
}

void CDockContext::ToggleDocking() {
    CancelDrag();
    CDockSite* site = m_bar->DockSite();
    if (!site) {
        return;
    }
    if (m_bar->IsFloating()) {
        unsigned id = m_lastDockBarId;
        if (!site->GetDockBar(id)) {
            id = AFX_IDW_DOCKBAR_LEFT;
        }
        site->DockControlBar(m_bar, id, m_lastDockRect.isValid() ? &m_lastDockRect : nullptr);
        return;
    }
    FloatRequest request;
    request.lastPos = m_lastFloatPos;
    request.bar = QRect(m_bar->mapToGlobal(QPoint(0, 0)), m_bar->size());
    request.dockBarId = m_bar->DockBar() ? m_bar->DockBar()->GetDlgCtrlID() : 0;
    request.frame = CFloatingFrame::SizeAround(m_bar->CalcDynamicLayout(-1, LM_HORZ | LM_MRUWIDTH));
    request.keepClear = site->StripAbove();
    if (const QScreen* screen = site->screen()) {
        request.screen = screen->availableGeometry();
    }
    site->FloatControlBar(m_bar, FloatPosition(request));
}
