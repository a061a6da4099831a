// SPDX-License-Identifier: MIT
#pragma once

// The geometry of the resizable bars as plain functions over plain
// rectangles, sizes and arrays: the client rectangle inside a bar's window,
// its sizing edges and their hit codes, the gripper and close box, the
// bookkeeping of a dock bar's rows, the sharing of a row's length, the limits
// and effect of an edge drag, and the corner sizing of a floating bar.
// Rectangles are half-open: right and bottom lie just outside.

#include "dock/dockids.h"

#include <cstddef>
#include <utility>
#include <vector>

struct BarPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const BarPoint&, const BarPoint&) = default;
};

struct BarSize {
    int cx = 0;
    int cy = 0;
    friend bool operator==(const BarSize&, const BarSize&) = default;
};

struct BarRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    [[nodiscard]] int Width() const { return right - left; }
    [[nodiscard]] int Height() const { return bottom - top; }
    [[nodiscard]] bool Contains(BarPoint p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    [[nodiscard]] BarRect Deflated(int l, int t, int r, int b) const {
        return {left + l, top + t, right - r, bottom - b};
    }
    friend bool operator==(const BarRect&, const BarRect&) = default;
};

// Bits of a bar's m_edgeFlags.
inline constexpr unsigned BAR_EDGE_LEFT = 0x01;
inline constexpr unsigned BAR_EDGE_RIGHT = 0x02;
inline constexpr unsigned BAR_EDGE_TOP = 0x04;
inline constexpr unsigned BAR_EDGE_BOTTOM = 0x08;
inline constexpr unsigned BAR_EDGE_ALL = 0x0F;
inline constexpr unsigned BAR_SHOW_EDGES = 0x10;
inline constexpr unsigned BAR_FIT_CHILD = 0x20;

inline constexpr int kCloseBoxSize = 11;

// Docked horizontally: in the top or bottom dock bar; vertically: in the left
// or right one; anything else is floating.
[[nodiscard]] bool IsHorzDockId(unsigned dockBarId);
[[nodiscard]] bool IsVertDockId(unsigned dockBarId);
[[nodiscard]] bool IsFloatDockId(unsigned dockBarId);

// ---- Row bookkeeping over a dock bar's entries (a null entry ends a row).

struct RowBounds {
    int first = -1; // just after the nearest empty entry below own
    int last = -1;  // just before the nearest empty entry above own
};

template <typename Entries>
[[nodiscard]] RowBounds FindRowBounds(const Entries& entries, int own) {
    RowBounds bounds;
    for (int i = own - 1; i >= 0; --i) {
        if (!entries[static_cast<std::size_t>(i)]) {
            bounds.first = i + 1;
            break;
        }
    }
    for (int i = own + 1; i < static_cast<int>(entries.size()); ++i) {
        if (!entries[static_cast<std::size_t>(i)]) {
            bounds.last = i - 1;
            break;
        }
    }
    return bounds;
}

// ---- The client rectangle, edges and hit codes.

// ComputeClient of the plain resizable bar: takes off the border (more when
// docked), adds the edge bit facing the middle of the frame to edgeFlags and,
// with BAR_SHOW_EDGES, takes off each sizing edge.
[[nodiscard]] BarRect ResizableClientRect(BarRect window, unsigned dockBarId, unsigned& edgeFlags,
                                          int edgeWidth);
// ComputeClient of the bar with a gripper: the above, less the gripper band
// when the gripper shows; closeOrigin is then set, relative to window's
// top-left corner.
[[nodiscard]] BarRect GripperClientRect(BarRect window, unsigned dockBarId, unsigned& edgeFlags,
                                        int edgeWidth, int gripperWidth, bool showsGripper,
                                        BarPoint& closeOrigin);

// Takes the gripper band off client (a bar docked horizontally has it at the
// left, otherwise along the top) and places the close box's origin, relative
// to window's top-left corner.
[[nodiscard]] BarRect GripperBand(BarRect window, BarRect client, unsigned dockBarId,
                                  int gripperWidth, BarPoint& closeOrigin);

// The edge bits a docked bar gets from its row: a sizing neighbour before it
// gives the left (top) edge, one after it the right (bottom) edge.
[[nodiscard]] unsigned RowEdgeFlags(bool horz, int ownInRow, int rowCount);

// 0 HTLEFT, 1 HTTOP, 2 HTRIGHT, 3 HTBOTTOM, else 0.
[[nodiscard]] int EdgeHitCode(int n);
// The rectangle of the sizing edge code in window; false when the bar has
// no such edge. Any code that is not an edge gives true and the whole
// (possibly inset) window.
[[nodiscard]] bool EdgeHitRect(BarRect window, int code, unsigned edgeFlags, int edgeWidth,
                               bool horz, BarRect& rect);
// The hit code of point: a docked bar's sizing edge, else HTCLIENT.
[[nodiscard]] int EdgeHitTest(BarRect window, BarPoint point, unsigned edgeFlags, int edgeWidth,
                              bool horz, bool floating);
// The close box's rectangle, given its origin relative to window's corner.
[[nodiscard]] BarRect CloseBoxRect(BarRect window, BarPoint closeOrigin);
// The two raised gripper strips beside (horz) or above the client rectangle.
[[nodiscard]] std::pair<BarRect, BarRect> GripperStrips(BarRect client, bool horz,
                                                        BarPoint closeOrigin, int gripperWidth);

// ---- Sharing a row's length.

// One real, visible bar of a row, in row order. Lengths run along the row.
struct RowBar {
    bool sizing = true;
    int minLength = 0; // a sizing bar's minimum, another bar's window length
    int length = 0;
    int thickness = 0;
    bool hold = false; // just shown: keep its length if the others can absorb
};

struct RowFit {
    // false: the row broke before own and nothing was sized.
    bool fitted = true;
    // Insert a row break after this bar of the row (-1: none).
    int breakAfter = -1;
    // The row ends before this bar (a break goes before it, -1: none).
    int breakBefore = -1;
};

// Shares total (the dock bar's length, already adjusted) among the bars of a
// row; own is this bar's position in row. Bars overlap their neighbours by 2.
[[nodiscard]] RowFit FitRowLength(int total, std::vector<RowBar>& row, int own);

// ---- Dragging an edge.

// A sizing bar of the row, its size as docked (horz: cx length, cy
// thickness; vert: cx thickness, cy length) and the minimum of that size.
struct RowMember {
    BarSize size;
    BarSize min;
};

struct DragLimits {
    int low = 0;
    int high = 0;
};

// The edge changes the row's thickness (else it lies between neighbours).
[[nodiscard]] bool EdgeRunsAcrossRow(int code, bool horz);
// Limits of the dragged edge's screen coordinate starting from pos; room is
// the free area's width (vert) or height (horz) minus 2.
[[nodiscard]] DragLimits EdgeDragLimits(int code, bool horz, int pos,
                                        const std::vector<RowMember>& row, int own, int room);
// Applies a move of the edge by delta to the sizes of the row.
void ApplyEdgeDrag(int code, bool horz, int delta, std::vector<RowMember>& row, int own);

// ---- A floating bar resized at a corner.

// New floating size from the cursor (where the frame's corner goes), the
// floating frame's rectangle and the bar's, all in screen coordinates; moves
// dragRect's left or top for the left or top corners. The result is raised
// to floatMin. Any other hit code leaves size as given (raised).
[[nodiscard]] BarSize FloatCornerSize(int hit, BarPoint cursor, BarRect frame, BarRect bar,
                                      BarSize floatSize, BarSize floatMin, BarRect& dragRect);
