// SPDX-License-Identifier: MIT
#include "sidebar/sidebarhost.h"

CSideBar::CSideBar(PanelFactory createPanel, QWidget* parent)
    : CGripperBar(parent), m_createPanel(std::move(createPanel)) {
    setObjectName(QStringLiteral("sideBar"));
}

int CSideBar::OnCreate() {
    if (CGripperBar::OnCreate() == -1) {
        return -1;
    }
    // Room for the sizing edges, drawn; the panel always fills the client area.
    m_edgeFlags = (m_edgeFlags & ~BAR_EDGE_ALL) | BAR_SHOW_EDGES | BAR_FIT_CHILD;
    m_panel = m_createPanel ? m_createPanel(this) : nullptr;
    if (m_panel == nullptr) {
        return -1;
    }
    m_panel->show();
    return 0;
}
