// SPDX-License-Identifier: MIT
#include "dock/docktracker.h"

#include <QPainter>

#include <algorithm>

CDockTracker::CDockTracker(QWidget* site) : QWidget(site) {
    setObjectName(QStringLiteral("dockTracker"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    hide();
}

void CDockTracker::Invert(const QRect& rect) {
    const auto it = std::find(m_rects.begin(), m_rects.end(), rect);
    if (it != m_rects.end()) {
        m_rects.erase(it);
    } else {
        m_rects.push_back(rect);
    }
    setVisible(!m_rects.empty());
    update();
}

void CDockTracker::paintEvent(QPaintEvent* /*e*/) {
    QPainter painter(this);
    // A halftone of the text colour over whatever lies below.
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    for (const QRect& r : m_rects) {
        painter.fillRect(r, QBrush(Qt::white, Qt::Dense4Pattern));
    }
}
