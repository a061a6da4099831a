// SPDX-License-Identifier: MIT
#include "dock/floatplacement.h"

#include "dock/dockids.h"

#include <algorithm>

namespace {

QPoint BesideTheDock(const QRect& bar, unsigned dockBarId, const QSize& frame) {
    switch (dockBarId) {
    case AFX_IDW_DOCKBAR_LEFT:
        return {bar.right() + 1, bar.top()};
    case AFX_IDW_DOCKBAR_RIGHT:
        return {bar.left() - frame.width(), bar.top()};
    case AFX_IDW_DOCKBAR_TOP:
        return {bar.left(), bar.bottom() + 1};
    case AFX_IDW_DOCKBAR_BOTTOM:
        return {bar.left(), bar.top() - frame.height()};
    default:
        return bar.topLeft();
    }
}

// Moves [start, start + length) back inside [low, high] where it sticks out;
// a span longer than the room starts at low.
int FitInto(int start, int length, int low, int high) {
    return std::max(low, std::min(start, high + 1 - length));
}

} // namespace

QPoint FloatPosition(const FloatRequest& request) {
    QPoint pos =
        request.lastPos.value_or(BesideTheDock(request.bar, request.dockBarId, request.frame));
    if (!request.screen.isEmpty()) {
        pos.setX(
            FitInto(pos.x(), request.frame.width(), request.screen.left(), request.screen.right()));
        pos.setY(FitInto(pos.y(), request.frame.height(), request.screen.top(),
                         request.screen.bottom()));
    }
    // The menu bar stays usable: the frame goes below it, even when that
    // takes its bottom off the screen.
    if (!request.keepClear.isEmpty() && QRect(pos, request.frame).intersects(request.keepClear)) {
        pos.setY(request.keepClear.bottom() + 1);
    }
    return pos;
}
