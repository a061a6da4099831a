// SPDX-License-Identifier: MIT
#pragma once

// The side bar docked at the frame's left: a gripper bar whose whole client
// area is the control panel. The panel sits in a layer above this folder, so
// the frame hands in the function that creates it.

#include "sidebar/gripperbar.h"

#include <functional>

// Creates the panel as a child of `parent` (the bar); null when it fails.
using PanelFactory = std::function<QWidget*(QWidget* parent)>;

class CSideBar final : public CGripperBar {
    Q_OBJECT
public:
    explicit CSideBar(PanelFactory createPanel, QWidget* parent = nullptr);

    [[nodiscard]] QWidget* panel() const { return m_panel; }

protected:
    int OnCreate() override;

private:
    PanelFactory m_createPanel;
    QWidget* m_panel = nullptr;
};
