#include "dock/dockcontext.h"

#include "dock/dockbar.h"
#include "dock/dockcontrolbar.h"
#include "dock/dockids.h"
#include "dock/docksite.h"
#include "dock/floatingframe.h"

#include <QApplication>
#include <QRubberBand>

CDockContext::CDockContext(CControlBar* bar) : m_pBar(bar) {}

CDockContext::~CDockContext() {
    delete m_rubberBand;
}

void CDockContext::StartDrag(const QPoint& screenPoint) {
    m_bDragging = true;
    m_bMoved = false;
    m_ptStart = screenPoint;
    m_ptGrab = screenPoint - m_pBar->mapToGlobal(QPoint(0, 0));
}

QRect CDockContext::TrackRect(const QPoint& screenPoint, unsigned* dockBarId) const {
    CDockSite* site = m_pBar->DockSite();
    CDockBar* target = site ? site->DockBarAt(screenPoint, m_pBar) : nullptr;
    *dockBarId = target ? target->GetDlgCtrlID() : AFX_IDW_DOCKBAR_FLOAT;
    const QPoint barCorner = screenPoint - m_ptGrab;
    if (target) {
        const bool horz = target->IsHorz();
        QSize size = m_pBar->CalcFixedLayout(false, horz);
        // A docked bar spans no more than the dock site.
        size = size.boundedTo(site->size());
        return QRect(barCorner, size);
    }
    const QSize size = m_pBar->CalcDynamicLayout(-1, LM_HORZ | LM_MRUWIDTH);
    const QPoint frameCorner =
        barCorner -
        QPoint(CFloatingFrame::kBorder, CFloatingFrame::kBorder + CFloatingFrame::kCaption);
    return QRect(frameCorner, size + QSize(2 * CFloatingFrame::kBorder,
                                           2 * CFloatingFrame::kBorder + CFloatingFrame::kCaption));
}

void CDockContext::Move(const QPoint& screenPoint) {
    if (!m_bDragging) {
        return;
    }
    if (!m_bMoved &&
        (screenPoint - m_ptStart).manhattanLength() < QApplication::startDragDistance()) {
        return;
    }
    m_bMoved = true;
    unsigned id = 0;
    const QRect r = TrackRect(screenPoint, &id);
    if (!m_rubberBand) {
        m_rubberBand = new QRubberBand(QRubberBand::Rectangle);
        m_rubberBand->setObjectName(QStringLiteral("dockDragTracker"));
    }
    m_rubberBand->setGeometry(r);
    m_rubberBand->show();
}

void CDockContext::EndDrag(const QPoint& screenPoint) {
    if (!m_bDragging) {
        return;
    }
    const bool moved = m_bMoved;
    CancelDrag();
    CDockSite* site = m_pBar->DockSite();
    if (!moved || !site) {
        return;
    }
    unsigned id = 0;
    const QRect r = TrackRect(screenPoint, &id);
    if (id == AFX_IDW_DOCKBAR_FLOAT) {
        site->FloatControlBar(m_pBar, r.topLeft());
    } else {
        site->DockControlBar(m_pBar, id, &r);
    }
}

void CDockContext::CancelDrag() {
    m_bDragging = false;
    m_bMoved = false;
    if (m_rubberBand) {
        m_rubberBand->hide();
    }
}

void CDockContext::ToggleDocking() {
    CancelDrag();
    CDockSite* site = m_pBar->DockSite();
    if (!site) {
        return;
    }
    if (m_pBar->IsFloating()) {
        unsigned id = m_uMRUDockID;
        if (!site->GetDockBar(id)) {
            id = AFX_IDW_DOCKBAR_LEFT;
        }
        site->DockControlBar(m_pBar, id, m_rectMRUDockPos.isValid() ? &m_rectMRUDockPos : nullptr);
        return;
    }
    // Float with the bar where it is on the screen now.
    const QPoint corner = m_pBar->mapToGlobal(QPoint(0, 0));
    site->FloatControlBar(m_pBar,
                          corner - QPoint(CFloatingFrame::kBorder,
                                          CFloatingFrame::kBorder + CFloatingFrame::kCaption));
}
