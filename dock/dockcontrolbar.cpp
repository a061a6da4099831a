// SPDX-License-Identifier: MIT
#include "dock/dockcontrolbar.h"

#include "dock/dockbar.h"
#include "dock/dockcontext.h"
#include "dock/dockids.h"
#include "dock/docksite.h"

#include <QEvent>

CControlBar::CControlBar(QWidget* parent) : QWidget(parent) {}

CControlBar::~CControlBar() {
    if (m_dockBar) {
        m_dockBar->RemoveControlBar(this);
    }
}

QSize CControlBar::CalcFixedLayout(bool stretch, bool horz) {
    QSize size = sizeHint().expandedTo(QSize(0, 0));
    if (stretch) {
        if (horz) {
            size.setWidth(kStretchLength);
        } else {
            size.setHeight(kStretchLength);
        }
    }
    return size;
}

QSize CControlBar::CalcDynamicLayout(int /*length*/, unsigned mode) {
    return CalcFixedLayout((mode & LM_STRETCH) != 0, (mode & LM_HORZ) != 0);
}

void CControlBar::EnableDocking(unsigned alignMask) {
    m_dockAlignment = alignMask & CBRS_ALIGN_ANY;
    if (!m_dockContext) {
        m_dockContext = std::make_unique<CDockContext>(this);
    }
}

bool CControlBar::IsVisible() const {
    if (m_delayState == DelayHiding) {
        return false;
    }
    return m_delayState == DelayShowing || !isHidden();
}

bool CControlBar::IsFloating() const {
    return m_dockBar && m_dockBar->IsFloating();
}

void CControlBar::DelayShow(bool show) {
    const bool visibleNow = !isHidden();
    if (show == visibleNow) {
        m_delayState = DelayNone;
    } else {
        m_delayState = show ? DelayShowing : DelayHiding;
    }
}

void CControlBar::RecalcDelayShow() {
    const DelayState state = m_delayState;
    m_delayState = DelayNone;
    if (state == DelayShowing) {
        show();
    } else if (state == DelayHiding) {
        hide();
    }
}

bool CControlBar::event(QEvent* e) {
    if (e->type() == QEvent::ShowToParent || e->type() == QEvent::HideToParent) {
        if (m_dockSite) {
            m_dockSite->NotifyVisibility(this, e->type() == QEvent::ShowToParent);
        }
    }
    return QWidget::event(e);
}
