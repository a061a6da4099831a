// SPDX-License-Identifier: MIT
// The client rectangle, sizing edges, hit codes, gripper strips and close box
// of a bar, per docking side.

#include "sidebar/bargeometry.h"

#include <gtest/gtest.h>

#include <span>

namespace {

// Where a bar is docked and its window there.
struct Docked {
    unsigned dockBarId;
    BarRect window;
};

// Alone on each side, 350 wide or 60 high; floating, 200 by 100.
const Docked kLeft{AFX_IDW_DOCKBAR_LEFT, {0, 0, 350, 600}};
const Docked kRight{AFX_IDW_DOCKBAR_RIGHT, {0, 0, 350, 600}};
const Docked kTop{AFX_IDW_DOCKBAR_TOP, {0, 0, 800, 60}};
const Docked kBottom{AFX_IDW_DOCKBAR_BOTTOM, {0, 0, 800, 60}};
const Docked kFloating{AFX_IDW_DOCKBAR_FLOAT, {0, 0, 200, 100}};

struct ClientCase {
    const char* name;
    Docked docked;
    unsigned flagsIn;
    BarRect client;
    unsigned flagsOut;
};

const ClientCase kResizableClients[] = {
    // A bar docked alone at the left, 350 wide: border 5 all round plus its
    // right sizing edge.
    {"left with edges", kLeft, BAR_SHOW_EDGES, {5, 5, 340, 595}, BAR_SHOW_EDGES | BAR_EDGE_RIGHT},
    {"right with edges", kRight, BAR_SHOW_EDGES, {10, 5, 345, 595}, BAR_SHOW_EDGES | BAR_EDGE_LEFT},
    {"top with edges", kTop, BAR_SHOW_EDGES, {5, 5, 795, 50}, BAR_SHOW_EDGES | BAR_EDGE_BOTTOM},
    {"bottom with edges", kBottom, BAR_SHOW_EDGES, {5, 10, 795, 55}, BAR_SHOW_EDGES | BAR_EDGE_TOP},
    // Without BAR_SHOW_EDGES the edge is hit-testable but takes no room.
    {"left without edges", kLeft, 0, {5, 5, 345, 595}, BAR_EDGE_RIGHT},
    // Neighbours in the row add their edges on both sides.
    {"top between neighbours",
     {AFX_IDW_DOCKBAR_TOP, {0, 0, 400, 60}},
     BAR_SHOW_EDGES | BAR_EDGE_LEFT | BAR_EDGE_RIGHT,
     {10, 5, 390, 50},
     BAR_SHOW_EDGES | BAR_EDGE_LEFT | BAR_EDGE_RIGHT | BAR_EDGE_BOTTOM},
    // Floating: only the frame border, no edges.
    {"floating", kFloating, BAR_SHOW_EDGES, {3, 5, 197, 97}, BAR_SHOW_EDGES},
    {"window away from origin",
     {AFX_IDW_DOCKBAR_LEFT, {20, 30, 370, 630}},
     BAR_SHOW_EDGES,
     {25, 35, 360, 625},
     BAR_SHOW_EDGES | BAR_EDGE_RIGHT},
};

TEST(ClientRect, ResizableBarPerDockSide) {
    for (const ClientCase& c : kResizableClients) {
        SCOPED_TRACE(c.name);
        unsigned flags = c.flagsIn;
        EXPECT_EQ(ResizableClientRect(c.docked.window, c.docked.dockBarId, flags, 5), c.client);
        EXPECT_EQ(flags, c.flagsOut);
    }
}

struct GripperCase {
    const char* name;
    Docked docked;
    bool showsGripper;
    BarRect client;
    BarPoint closeOrigin;
};

const GripperCase kGripperClients[] = {
    // Docked vertically: the band lies along the top, the box at its right.
    {"left", kLeft, true, {5, 17, 340, 595}, {328, 4}},
    {"right", kRight, true, {10, 17, 345, 595}, {333, 4}},
    // Docked horizontally: the band lies at the left, the box at its top.
    {"top", kTop, true, {17, 5, 795, 50}, {4, 5}},
    {"bottom", kBottom, true, {17, 10, 795, 55}, {4, 10}},
    // The origin is relative to the window's corner, wherever it is.
    {"left, moved window",
     {AFX_IDW_DOCKBAR_LEFT, {40, 70, 390, 670}},
     true,
     {45, 87, 380, 665},
     {328, 4}},
    {"floating has no gripper", kFloating, false, {3, 5, 197, 97}, {-1, -1}},
};

TEST(ClientRect, GripperBarPerDockSide) {
    for (const GripperCase& c : kGripperClients) {
        SCOPED_TRACE(c.name);
        unsigned flags = BAR_SHOW_EDGES;
        BarPoint origin{-1, -1};
        EXPECT_EQ(GripperClientRect(c.docked.window, c.docked.dockBarId, flags, 5, 12,
                                    c.showsGripper, origin),
                  c.client);
        EXPECT_EQ(origin, c.closeOrigin);
    }
}

TEST(ClientRect, CloseBoxIsElevenSquareAtTheOrigin) {
    EXPECT_EQ(CloseBoxRect({100, 50, 450, 650}, {328, 4}), (BarRect{428, 54, 439, 65}));
}

TEST(ClientRect, GripperStripsBesideOrAboveTheClient) {
    // Vertical: two 3-pixel strips across the top band, ending left of the box.
    auto [v1, v2] = GripperStrips({5, 17, 340, 595}, false, {328, 4}, 12);
    EXPECT_EQ(v1, (BarRect{6, 6, 325, 9}));
    EXPECT_EQ(v2, (BarRect{6, 9, 325, 12}));
    // Horizontal: two upright strips in the left band, below the box.
    auto [h1, h2] = GripperStrips({17, 5, 795, 50}, true, {4, 5}, 12);
    EXPECT_EQ(h1, (BarRect{6, 19, 9, 49}));
    EXPECT_EQ(h2, (BarRect{9, 19, 12, 49}));
}

TEST(Edges, HitCodesInTheirFixedOrder) {
    const int expected[] = {HTLEFT, HTTOP, HTRIGHT, HTBOTTOM, 0, 0};
    for (int n = 0; n < 6; ++n) {
        EXPECT_EQ(EdgeHitCode(n), expected[n]) << n;
    }
    EXPECT_EQ(EdgeHitCode(-1), 0);
}

struct EdgeRectCase {
    const char* name;
    unsigned flags;
    int code;
    bool exists;
    BarRect rect;
};

// Of a bar 350 by 600 in a vertical row.
const EdgeRectCase kVerticalEdgeRects[] = {
    // Shown edges are inset by one pixel on every side.
    {"shown right", BAR_SHOW_EDGES | BAR_EDGE_RIGHT, HTRIGHT, true, {344, 1, 349, 599}},
    {"missing left", BAR_SHOW_EDGES | BAR_EDGE_RIGHT, HTLEFT, false, {}},
    {"missing top", BAR_SHOW_EDGES | BAR_EDGE_RIGHT, HTTOP, false, {}},
    {"hidden bottom", BAR_EDGE_RIGHT | BAR_EDGE_BOTTOM, HTBOTTOM, true, {5, 595, 345, 600}},
    {"not an edge gives the inset window", BAR_SHOW_EDGES, HTCLIENT, true, {1, 1, 349, 599}},
};

// In a horizontal row: along the row the strips give their ends to the
// strips across it.
const EdgeRectCase kHorizontalEdgeRects[] = {
    {"hidden left", BAR_EDGE_LEFT | BAR_EDGE_BOTTOM, HTLEFT, true, {0, 5, 5, 595}},
    {"hidden bottom", BAR_EDGE_LEFT | BAR_EDGE_BOTTOM, HTBOTTOM, true, {0, 595, 350, 600}},
};

void ExpectEdgeRects(std::span<const EdgeRectCase> cases, bool horz) {
    SCOPED_TRACE(horz ? "horizontal" : "vertical");
    for (const EdgeRectCase& c : cases) {
        SCOPED_TRACE(c.name);
        BarRect rect;
        EXPECT_EQ(EdgeHitRect({0, 0, 350, 600}, c.code, c.flags, 5, horz, rect), c.exists);
        if (c.exists) {
            EXPECT_EQ(rect, c.rect);
        }
    }
}

TEST(Edges, EdgeRectangles) {
    ExpectEdgeRects(kVerticalEdgeRects, false);
    ExpectEdgeRects(kHorizontalEdgeRects, true);
}

struct HitCase {
    const char* name;
    unsigned flags;
    bool horz;
    bool floating;
    BarPoint point;
    int code;
};

const HitCase kHits[] = {
    {"on the right edge", BAR_SHOW_EDGES | BAR_EDGE_RIGHT, false, false, {346, 300}, HTRIGHT},
    {"inset pixel is client", BAR_SHOW_EDGES | BAR_EDGE_RIGHT, false, false, {349, 300}, HTCLIENT},
    {"gripper band is client", BAR_SHOW_EDGES | BAR_EDGE_RIGHT, false, false, {100, 10}, HTCLIENT},
    {"floating has no edges", BAR_SHOW_EDGES | BAR_EDGE_RIGHT, false, true, {346, 300}, HTCLIENT},
    // In a horizontal row the bottom strip owns the corner.
    {"corner, horizontal", BAR_EDGE_LEFT | BAR_EDGE_BOTTOM, true, false, {2, 598}, HTBOTTOM},
    // In a vertical row the left strip owns the corner, and comes first.
    {"corner, vertical", BAR_EDGE_LEFT | BAR_EDGE_TOP, false, false, {2, 2}, HTLEFT},
};

TEST(Edges, HitTesting) {
    for (const HitCase& c : kHits) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(EdgeHitTest({0, 0, 350, 600}, c.point, c.flags, 5, c.horz, c.floating), c.code);
    }
}

TEST(Edges, RowNeighboursGiveEdges) {
    EXPECT_EQ(RowEdgeFlags(true, 0, 1), 0u);
    EXPECT_EQ(RowEdgeFlags(true, 0, 2), BAR_EDGE_RIGHT);
    EXPECT_EQ(RowEdgeFlags(true, 1, 2), BAR_EDGE_LEFT);
    EXPECT_EQ(RowEdgeFlags(false, 1, 3), BAR_EDGE_TOP | BAR_EDGE_BOTTOM);
    EXPECT_EQ(RowEdgeFlags(false, -1, 3), 0u);
}

} // namespace
