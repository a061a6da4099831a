// SPDX-License-Identifier: MIT
#include "sidebar/bargeometry.h"

#include <algorithm>
#include <cstdlib>

bool IsHorzDockId(unsigned dockBarId) {
    return dockBarId == AFX_IDW_DOCKBAR_TOP || dockBarId == AFX_IDW_DOCKBAR_BOTTOM;
}

bool IsVertDockId(unsigned dockBarId) {
    return dockBarId == AFX_IDW_DOCKBAR_LEFT || dockBarId == AFX_IDW_DOCKBAR_RIGHT;
}

bool IsFloatDockId(unsigned dockBarId) {
    return !IsHorzDockId(dockBarId) && !IsVertDockId(dockBarId);
}

BarRect ResizableClientRect(BarRect window, unsigned dockBarId, unsigned& edgeFlags,
                            int edgeWidth) {
    BarRect rc = window.Deflated(3, 5, 3, 3);
    if (dockBarId != AFX_IDW_DOCKBAR_FLOAT) {
        rc = rc.Deflated(2, 0, 2, 2);
    }
    // The edge that faces the middle of the frame is always a sizing edge.
    switch (dockBarId) {
    case AFX_IDW_DOCKBAR_TOP:
        edgeFlags |= BAR_EDGE_BOTTOM;
        break;
    case AFX_IDW_DOCKBAR_LEFT:
        edgeFlags |= BAR_EDGE_RIGHT;
        break;
    case AFX_IDW_DOCKBAR_RIGHT:
        edgeFlags |= BAR_EDGE_LEFT;
        break;
    case AFX_IDW_DOCKBAR_BOTTOM:
        edgeFlags |= BAR_EDGE_TOP;
        break;
    default:
        break;
    }
    if (edgeFlags & BAR_SHOW_EDGES) {
        rc = rc.Deflated((edgeFlags & BAR_EDGE_LEFT) ? edgeWidth : 0,
                         (edgeFlags & BAR_EDGE_TOP) ? edgeWidth : 0,
                         (edgeFlags & BAR_EDGE_RIGHT) ? edgeWidth : 0,
                         (edgeFlags & BAR_EDGE_BOTTOM) ? edgeWidth : 0);
    }
    return rc;
}

BarRect GripperClientRect(BarRect window, unsigned dockBarId, unsigned& edgeFlags, int edgeWidth,
                          int gripperWidth, bool showsGripper, BarPoint& closeOrigin) {
    const BarRect rc = ResizableClientRect(window, dockBarId, edgeFlags, edgeWidth);
    if (!showsGripper) {
        return rc;
    }
    return GripperBand(window, rc, dockBarId, gripperWidth, closeOrigin);
}

BarRect GripperBand(BarRect window, BarRect client, unsigned dockBarId, int gripperWidth,
                    BarPoint& closeOrigin) {
    BarRect rc = client;
    if (IsHorzDockId(dockBarId)) {
        rc.left += gripperWidth;
        closeOrigin = {rc.left - 13, rc.top};
    } else {
        rc.top += gripperWidth;
        closeOrigin = {rc.right - 12, rc.top - 13};
    }
    closeOrigin.x -= window.left;
    closeOrigin.y -= window.top;
    return rc;
}

unsigned RowEdgeFlags(bool horz, int ownInRow, int rowCount) {
    unsigned flags = 0;
    if (ownInRow < 0) {
        return flags;
    }
    if (ownInRow > 0) {
        flags |= horz ? BAR_EDGE_LEFT : BAR_EDGE_TOP;
    }
    if (ownInRow < rowCount - 1) {
        flags |= horz ? BAR_EDGE_RIGHT : BAR_EDGE_BOTTOM;
    }
    return flags;
}

int EdgeHitCode(int n) {
    switch (n) {
    case 0:
        return HTLEFT;
    case 1:
        return HTTOP;
    case 2:
        return HTRIGHT;
    case 3:
        return HTBOTTOM;
    default:
        return 0;
    }
}

bool EdgeHitRect(BarRect window, int code, unsigned edgeFlags, int edgeWidth, bool horz,
                 BarRect& rect) {
    rect = window;
    if (edgeFlags & BAR_SHOW_EDGES) {
        rect = rect.Deflated(1, 1, 1, 1);
    }
    // Strips along the row give up their ends to the strips across it.
    switch (code) {
    case HTLEFT:
        if (!(edgeFlags & BAR_EDGE_LEFT)) {
            return false;
        }
        rect.right = rect.left + edgeWidth;
        if (horz) {
            rect = rect.Deflated(0, edgeWidth, 0, edgeWidth);
        }
        return true;
    case HTRIGHT:
        if (!(edgeFlags & BAR_EDGE_RIGHT)) {
            return false;
        }
        rect.left = rect.right - edgeWidth;
        if (horz) {
            rect = rect.Deflated(0, edgeWidth, 0, edgeWidth);
        }
        return true;
    case HTTOP:
        if (!(edgeFlags & BAR_EDGE_TOP)) {
            return false;
        }
        rect.bottom = rect.top + edgeWidth;
        if (!horz) {
            rect = rect.Deflated(edgeWidth, 0, edgeWidth, 0);
        }
        return true;
    case HTBOTTOM:
        if (!(edgeFlags & BAR_EDGE_BOTTOM)) {
            return false;
        }
        rect.top = rect.bottom - edgeWidth;
        if (!horz) {
            rect = rect.Deflated(edgeWidth, 0, edgeWidth, 0);
        }
        return true;
    default:
        return true;
    }
}

int EdgeHitTest(BarRect window, BarPoint point, unsigned edgeFlags, int edgeWidth, bool horz,
                bool floating) {
    if (!floating) {
        for (int n = 0; n < 4; ++n) {
            const int code = EdgeHitCode(n);
            BarRect rc;
            if (EdgeHitRect(window, code, edgeFlags, edgeWidth, horz, rc) && rc.Contains(point)) {
                return code;
            }
        }
    }
    return HTCLIENT;
}

BarRect CloseBoxRect(BarRect window, BarPoint closeOrigin) {
    const int x = window.left + closeOrigin.x;
    const int y = window.top + closeOrigin.y;
    return {x, y, x + kCloseBoxSize, y + kCloseBoxSize};
}

std::pair<BarRect, BarRect> GripperStrips(BarRect client, bool horz, BarPoint closeOrigin,
                                          int gripperWidth) {
    BarRect strip = client.Deflated(1, 1, 1, 1);
    if (horz) {
        strip.left -= gripperWidth;
        strip.right = strip.left + 3;
        strip.top = closeOrigin.y + 14;
        BarRect second = strip;
        second.left += 3;
        second.right += 3;
        return {strip, second};
    }
    strip.top -= gripperWidth;
    strip.bottom = strip.top + 3;
    strip.right = closeOrigin.x - 3;
    BarRect second = strip;
    second.top += 3;
    second.bottom += 3;
    return {strip, second};
}

RowFit FitRowLength(int total, std::vector<RowBar>& row, int own) {
    RowFit fit;
    int available = total;
    int actual = 0;
    int thickness = 0;
    int minimum = 2;
    int end = static_cast<int>(row.size());
    for (int i = 0; i < end; ++i) {
        const RowBar& bar = row[static_cast<std::size_t>(i)];
        minimum += bar.minLength - 2;
        if (minimum > total) {
            if (i < own) {
                fit.fitted = false;
                fit.breakAfter = i;
                return fit;
            }
            if (i == own) {
                row[static_cast<std::size_t>(i)].length = bar.minLength;
                return fit;
            }
            fit.breakBefore = i;
            end = i;
            break;
        }
        if (bar.sizing) {
            actual += bar.length - 2;
            thickness = std::max(thickness, bar.thickness);
        } else {
            available -= bar.minLength - 2;
        }
    }

    std::vector<RowBar*> sizing;
    for (int i = 0; i < end; ++i) {
        if (row[static_cast<std::size_t>(i)].sizing) {
            sizing.push_back(&row[static_cast<std::size_t>(i)]);
        }
    }
    int delta = available - actual;
    if (sizing.size() == 1) {
        if (delta != 0) {
            sizing.front()->hold = false;
            sizing.front()->length += delta;
        }
        return fit;
    }
    for (RowBar* bar : sizing) {
        bar->thickness = thickness;
    }
    // Hand the difference out one pixel at a time: held bars first keep
    // their length; once nobody else can take a pixel the holds go.
    bool honourHolds = true;
    while (delta != 0) {
        bool changed = false;
        for (RowBar* bar : sizing) {
            if (delta == 0) {
                break;
            }
            if ((delta < 0 && bar->length <= bar->minLength) || (honourHolds && bar->hold)) {
                continue;
            }
            const int step = delta > 0 ? 1 : -1;
            bar->length += step;
            delta -= step;
            changed = true;
        }
        if (!changed) {
            if (!honourHolds) {
                break; // every bar is at its minimum: nothing more can give
            }
            honourHolds = false;
            for (RowBar* bar : sizing) {
                bar->hold = false;
            }
        }
    }
    if (honourHolds) {
        for (RowBar* bar : sizing) {
            bar->hold = false;
        }
    }
    return fit;
}

namespace {

int& Length(BarSize& size, bool horz) {
    return horz ? size.cx : size.cy;
}
int& Thickness(BarSize& size, bool horz) {
    return horz ? size.cy : size.cx;
}
int Length(const BarSize& size, bool horz) {
    return horz ? size.cx : size.cy;
}
int Thickness(const BarSize& size, bool horz) {
    return horz ? size.cy : size.cx;
}

bool IsLowEdge(int code) {
    return code == HTLEFT || code == HTTOP;
}

} // namespace

bool EdgeRunsAcrossRow(int code, bool horz) {
    const bool vertical = code == HTLEFT || code == HTRIGHT;
    return horz ? !vertical : vertical;
}

DragLimits EdgeDragLimits(int code, bool horz, int pos, const std::vector<RowMember>& row, int own,
                          int room) {
    DragLimits limits{pos, pos};
    if (own < 0 || own >= static_cast<int>(row.size())) {
        return limits;
    }
    if (EdgeRunsAcrossRow(code, horz)) {
        int smallest = 0;
        for (const RowMember& m : row) {
            smallest = std::max(smallest, Thickness(m.min, horz));
        }
        const int excess = Thickness(row[static_cast<std::size_t>(own)].size, horz) - smallest;
        if (IsLowEdge(code)) {
            limits.low -= room;
            limits.high += excess;
        } else {
            limits.low -= excess;
            limits.high += room;
        }
        return limits;
    }
    const int split = IsLowEdge(code) ? own : own + 1;
    for (int i = 0; i < static_cast<int>(row.size()); ++i) {
        const RowMember& m = row[static_cast<std::size_t>(i)];
        const int excess = Length(m.size, horz) - Length(m.min, horz);
        if (i < split) {
            limits.low -= excess;
        } else {
            limits.high += excess;
        }
    }
    return limits;
}

void ApplyEdgeDrag(int code, bool horz, int delta, std::vector<RowMember>& row, int own) {
    const int count = static_cast<int>(row.size());
    if (delta == 0 || own < 0 || own >= count) {
        return;
    }
    if (EdgeRunsAcrossRow(code, horz)) {
        // Dragging the low edge outwards (negative delta) thickens the bar.
        const int thickness = Thickness(row[static_cast<std::size_t>(own)].size, horz) +
                              (IsLowEdge(code) ? -delta : delta);
        for (RowMember& m : row) {
            Thickness(m.size, horz) = thickness;
        }
        return;
    }
    const bool low = IsLowEdge(code);
    int grow = own;
    if (low && delta > 0) {
        grow = own - 1;
    } else if (!low && delta < 0) {
        grow = own + 1;
    }
    if (grow < 0 || grow >= count) {
        return;
    }
    // Towards lower indexes for the low edge, higher for the high edge; the
    // other way round when the growing bar is the neighbour.
    int step = low ? -1 : 1;
    if (grow != own) {
        step = -step;
    }
    int amount = std::abs(delta);
    Length(row[static_cast<std::size_t>(grow)].size, horz) += amount;
    for (int i = grow + step; i >= 0 && i < count && amount > 0; i += step) {
        RowMember& m = row[static_cast<std::size_t>(i)];
        const int give = std::min(amount, std::max(0, Length(m.size, horz) - Length(m.min, horz)));
        Length(m.size, horz) -= give;
        amount -= give;
    }
    // Whatever nobody could give back is taken from the growing bar again, so
    // the row's total stays the same.
    Length(row[static_cast<std::size_t>(grow)].size, horz) -= amount;
}

BarSize FloatCornerSize(int hit, BarPoint cursor, BarRect frame, BarRect bar, BarSize floatSize,
                        BarSize floatMin, BarRect& dragRect) {
    BarSize size = floatSize;
    if (hit == HTTOPLEFT || hit == HTBOTTOMLEFT) {
        size.cx = bar.Width() + frame.left - cursor.x;
        dragRect.left = std::min(cursor.x, frame.left + bar.Width() - floatMin.cx);
    }
    if (hit == HTTOPLEFT || hit == HTTOPRIGHT) {
        size.cy = bar.Height() + frame.top - cursor.y;
        dragRect.top = std::min(cursor.y, frame.top + bar.Height() - floatMin.cy);
    }
    if (hit == HTTOPRIGHT || hit == HTBOTTOMRIGHT) {
        size.cx = bar.Width() + cursor.x - frame.right;
    }
    if (hit == HTBOTTOMLEFT || hit == HTBOTTOMRIGHT) {
        size.cy = bar.Height() + cursor.y - frame.bottom;
    }
    size.cx = std::max(size.cx, floatMin.cx);
    size.cy = std::max(size.cy, floatMin.cy);
    return size;
}
