// SPDX-License-Identifier: MIT
#pragma once

// Where a docked bar's floating frame goes when the bar is floated without a
// drag (a double-click): where the frame stood when the bar last floated, or,
// the first time, beside the bar on the side of its dock bar that faces the
// middle of the frame. Either way it is kept on the screen and never covers
// the strip of the main window above the dock site (its menu bar).

#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

struct FloatRequest {
    std::optional<QPoint> lastPos; // the frame's top-left when the bar last floated
    QRect bar;                     // the docked bar
    unsigned dockBarId = 0;        // the dock bar that holds it (AFX_IDW_DOCKBAR_*)
    QSize frame;                   // the floating frame's size
    QRect keepClear;               // the menu bar's strip; empty when none
    QRect screen;                  // the screen's free area; empty: no limit
};

// The floating frame's top-left corner; every rectangle in screen coordinates.
[[nodiscard]] QPoint FloatPosition(const FloatRequest& request);
