// SPDX-License-Identifier: MIT
// Row bookkeeping, sharing a row's length, edge-drag limits and their effect,
// and a floating bar's corner sizing.

#include "sidebar/bargeometry.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace {

TEST(RowBounds, FoundBetweenTheNearestBreaks) {
    // {break, A, B, break, C, break}
    const std::vector<int> entries{0, 0xA0000, 0xB0000, 0, 0xC0000, 0};
    struct Case {
        const char* name;
        int own;
        int first;
        int last;
    } const cases[] = {
        {"first of two", 1, 1, 2},
        {"second of two", 2, 1, 2},
        {"alone in its row", 4, 4, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RowBounds b = FindRowBounds(entries, c.own);
        EXPECT_EQ(b.first, c.first);
        EXPECT_EQ(b.last, c.last);
    }
    // Without a break on one side that side stays -1.
    const std::vector<int> open{0xA0000, 0xB0000};
    EXPECT_EQ(FindRowBounds(open, 0).first, -1);
    EXPECT_EQ(FindRowBounds(open, 0).last, -1);
}

int RowSpan(const std::vector<RowBar>& row) {
    // Neighbours overlap by 2 pixels.
    int span = 2;
    for (const RowBar& b : row) {
        span += b.length - 2;
    }
    return span;
}

// The bars' lengths, first to last.
std::vector<int> Lengths(const std::vector<RowBar>& row) {
    std::vector<int> lengths;
    for (const RowBar& b : row) {
        lengths.push_back(b.length);
    }
    return lengths;
}

TEST(RowSharing, BarAloneFillsItsColumn) {
    // Docked at the left in a 600-pixel column: total is the height - 2.
    std::vector<RowBar> row{{true, 32, 350, 350, false}};
    const RowFit fit = FitRowLength(598, row, 0);
    EXPECT_TRUE(fit.fitted);
    EXPECT_EQ(row[0].length, 600);
}

TEST(RowSharing, TwoBarsSharePixelByPixel) {
    std::vector<RowBar> row{{true, 32, 350, 200, false}, {true, 32, 350, 260, false}};
    ASSERT_TRUE(FitRowLength(598, row, 0).fitted);
    EXPECT_EQ(Lengths(row), (std::vector<int>{301, 301}));
    EXPECT_EQ(RowSpan(row), 600);
    // One thickness for the whole row: the thickest.
    EXPECT_EQ(row[0].thickness, 260);
    EXPECT_EQ(row[1].thickness, 260);
    // An odd difference: the first bar takes the extra pixel.
    ASSERT_TRUE(FitRowLength(599, row, 0).fitted);
    EXPECT_EQ(Lengths(row), (std::vector<int>{302, 301}));
}

TEST(RowSharing, JustShownBarKeepsItsLengthWhileOthersCanGive) {
    std::vector<RowBar> row{{true, 32, 400, 100, false}, {true, 32, 250, 100, true}};
    ASSERT_TRUE(FitRowLength(598, row, 0).fitted);
    EXPECT_EQ(Lengths(row), (std::vector<int>{352, 250}));
    EXPECT_FALSE(row[0].hold);
    EXPECT_FALSE(row[1].hold);
}

TEST(RowSharing, HoldGivesWayWhenTheOthersAreAtTheirMinimum) {
    std::vector<RowBar> row{{true, 100, 120, 100, false}, {true, 32, 550, 100, true}};
    ASSERT_TRUE(FitRowLength(598, row, 0).fitted);
    EXPECT_EQ(Lengths(row), (std::vector<int>{100, 502}));
    EXPECT_EQ(RowSpan(row), 600);
}

TEST(RowSharing, OtherBarsKeepTheirWindowLength) {
    // A plain tool bar 100 wide between two sizing bars.
    std::vector<RowBar> row{
        {true, 350, 350, 40, false}, {false, 100, 100, 24, false}, {true, 350, 350, 40, false}};
    ASSERT_TRUE(FitRowLength(1002, row, 0).fitted);
    EXPECT_EQ(row[1].length, 100);
    EXPECT_EQ(RowSpan(row), 1004);
    EXPECT_GE(row[0].length, 350);
    EXPECT_GE(row[2].length, 350);
}

TEST(RowSharing, RowTooShortForTheMinimumsBreaks) {
    // Horizontally each sizing bar needs 350; a 600-wide dock bar takes one.
    {
        SCOPED_TRACE("bars after this one move to a new row");
        std::vector<RowBar> row{{true, 350, 350, 40, false}, {true, 350, 350, 40, false}};
        const RowFit fit = FitRowLength(602, row, 0);
        EXPECT_TRUE(fit.fitted);
        EXPECT_EQ(fit.breakBefore, 1);
        EXPECT_EQ(row[0].length, 604);
        EXPECT_EQ(row[1].length, 350);
    }
    {
        SCOPED_TRACE("this bar itself overflows: it takes its minimum");
        std::vector<RowBar> row{{false, 300, 300, 24, false}, {true, 350, 500, 40, false}};
        const RowFit fit = FitRowLength(602, row, 1);
        EXPECT_TRUE(fit.fitted);
        EXPECT_EQ(row[1].length, 350);
    }
    {
        SCOPED_TRACE("an earlier bar overflows: break after it, size nothing");
        std::vector<RowBar> row{{false, 300, 300, 24, false},
                                {false, 400, 400, 24, false},
                                {true, 350, 500, 40, false}};
        const RowFit fit = FitRowLength(602, row, 2);
        EXPECT_FALSE(fit.fitted);
        EXPECT_EQ(fit.breakAfter, 1);
        EXPECT_EQ(row[2].length, 500);
    }
}

TEST(RowSharing, NeverBelowTheMinimumWhileTheTotalStays) {
    for (int total = 700; total <= 1400; total += 37) {
        SCOPED_TRACE(total);
        std::vector<RowBar> row{{true, 350, 900, 40, false}, {true, 350, 351, 40, true}};
        ASSERT_TRUE(FitRowLength(total, row, 0).fitted);
        EXPECT_GE(row[0].length, 350);
        EXPECT_GE(row[1].length, 350);
        EXPECT_EQ(RowSpan(row), total + 2);
    }
}

TEST(DragLimits, BarAloneAtTheLeft) {
    // Right edge at x = 350: shrinks to 33 wide, grows by the free width - 2.
    const std::vector<RowMember> row{{{350, 600}, {33, 32}}};
    const DragLimits lim = EdgeDragLimits(HTRIGHT, false, 350, row, 0, 798);
    EXPECT_EQ(lim.low, 33);
    EXPECT_EQ(lim.high, 350 + 798);
}

TEST(DragLimits, AcrossTheRowStopsAtTheThickestMinimum) {
    // Bottom dock bar, top edge at y = 500; the neighbour needs 60.
    const std::vector<RowMember> row{{{400, 100}, {350, 32}}, {{400, 100}, {350, 60}}};
    const DragLimits lim = EdgeDragLimits(HTTOP, true, 500, row, 0, 300);
    EXPECT_EQ(lim.low, 200);
    EXPECT_EQ(lim.high, 540);
}

TEST(DragLimits, BetweenNeighboursEachSideGivesItsExcess) {
    const std::vector<RowMember> row{{{500, 40}, {350, 32}}, {{600, 40}, {350, 32}}};
    const DragLimits right = EdgeDragLimits(HTRIGHT, true, 498, row, 0, 0);
    EXPECT_EQ(right.low, 498 - 150);
    EXPECT_EQ(right.high, 498 + 250);
    const DragLimits left = EdgeDragLimits(HTLEFT, true, 498, row, 1, 0);
    EXPECT_EQ(left.low, 498 - 150);
    EXPECT_EQ(left.high, 498 + 250);
}

int TotalLength(const std::vector<RowMember>& row) {
    return std::accumulate(row.begin(), row.end(), 0,
                           [](int sum, const RowMember& m) { return sum + m.size.cx; });
}

TEST(EdgeDrag, AcrossTheRowEveryBarTakesTheThickness) {
    std::vector<RowMember> row{{{350, 600}, {33, 32}}, {{350, 200}, {33, 32}}};
    ApplyEdgeDrag(HTRIGHT, false, 25, row, 0);
    EXPECT_EQ(row[0].size.cx, 375);
    EXPECT_EQ(row[1].size.cx, 375);
    ApplyEdgeDrag(HTLEFT, false, 25, row, 0); // right dock bar: left edge inwards
    EXPECT_EQ(row[0].size.cx, 350);
}

TEST(EdgeDrag, BetweenNeighboursLengthMovesPixelForPixel) {
    struct Case {
        const char* name;
        int code;
        int own;
        int delta;
        int first;
        int second;
    } const cases[] = {
        {"right edge of the first, outwards", HTRIGHT, 0, 30, 530, 570},
        {"right edge of the first, inwards", HTRIGHT, 0, -30, 470, 630},
        {"left edge of the second, right", HTLEFT, 1, 30, 530, 570},
        {"left edge of the second, left", HTLEFT, 1, -30, 470, 630},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<RowMember> row{{{500, 40}, {350, 32}}, {{600, 40}, {350, 32}}};
        ApplyEdgeDrag(c.code, true, c.delta, row, c.own);
        EXPECT_EQ(row[0].size.cx, c.first);
        EXPECT_EQ(row[1].size.cx, c.second);
    }
}

TEST(EdgeDrag, ShrinkingPassesOnToFartherBars) {
    std::vector<RowMember> row{
        {{400, 40}, {350, 32}}, {{400, 40}, {350, 32}}, {{600, 40}, {350, 32}}};
    ApplyEdgeDrag(HTRIGHT, true, 200, row, 0);
    EXPECT_EQ(row[0].size.cx, 600);
    EXPECT_EQ(row[1].size.cx, 350);
    EXPECT_EQ(row[2].size.cx, 450);
}

TEST(EdgeDrag, AnyDragWithinTheLimitsKeepsMinimumsAndTotal) {
    const std::vector<RowMember> start{
        {{420, 40}, {350, 32}}, {{500, 40}, {350, 32}}, {{390, 40}, {350, 32}}};
    for (int code : {HTLEFT, HTRIGHT}) {
        const int own = 1;
        const DragLimits lim = EdgeDragLimits(code, true, 1000, start, own, 0);
        for (int pos = lim.low; pos <= lim.high; ++pos) {
            std::vector<RowMember> row = start;
            ApplyEdgeDrag(code, true, pos - 1000, row, own);
            ASSERT_EQ(TotalLength(row), TotalLength(start)) << code << " " << pos;
            for (const RowMember& m : row) {
                ASSERT_GE(m.size.cx, 350) << code << " " << pos;
            }
        }
    }
}

TEST(FloatingCorner, SizeFollowsTheCursorAndKeepsTheMinimum) {
    const BarRect frame{100, 100, 300, 250};
    const BarRect bar{104, 120, 296, 246}; // 192 x 126
    const BarSize min{37, 32};
    struct Case {
        const char* name;
        int hit;
        BarPoint cursor;
        BarSize size;
        BarRect drag;
    } const cases[] = {
        {"bottom right grows", HTBOTTOMRIGHT, {320, 270}, {212, 146}, frame},
        {"bottom right shrinks past the minimum", HTBOTTOMRIGHT, {110, 105}, {37, 32}, frame},
        {"top left grows and moves", HTTOPLEFT, {90, 80}, {202, 146}, {90, 80, 300, 250}},
        {"top left shrinks to the minimum", HTTOPLEFT, {290, 240}, {37, 32}, {255, 194, 300, 250}},
        {"top right", HTTOPRIGHT, {310, 90}, {202, 136}, {100, 90, 300, 250}},
        {"bottom left", HTBOTTOMLEFT, {95, 260}, {197, 136}, {95, 100, 300, 250}},
        {"a side is not a corner, only raised", HTRIGHT, {500, 500}, {50, 32}, frame},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BarRect drag = frame;
        const BarSize size = FloatCornerSize(c.hit, c.cursor, frame, bar, {50, 10}, min, drag);
        EXPECT_EQ(size, c.size);
        EXPECT_EQ(drag, c.drag);
    }
}

} // namespace
