// SPDX-License-Identifier: MIT
// Two bars sharing a row, moving a bar between dock bars, and floating.

#include "docktestframe.h"

#include "dock/dockcontext.h"
#include "dock/floatingframe.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

TEST(Row, TwoBarsShareOneColumn) {
    TestFrame frame;
    CDockSite* site = frame.site.get();
    TestBar* first = frame.AddBar(AFX_IDW_DOCKBAR_LEFT, QStringLiteral("first"));
    // Dropped low in the first bar's column: the same row, after it.
    const QRect drop(first->mapToGlobal(QPoint(20, 500)), QSize(40, 40));
    TestBar* second = frame.AddBar(AFX_IDW_DOCKBAR_LEFT, QStringLiteral("second"), &drop);

    CDockBar* column = site->GetDockBar(AFX_IDW_DOCKBAR_LEFT);
    const std::vector<CControlBar*> expected{nullptr, first, second, nullptr};
    EXPECT_EQ(column->Entries(), expected);
    // The newcomer keeps its length; the first gives way. They overlap by 2.
    EXPECT_EQ(second->height(), 350);
    EXPECT_EQ(first->height(), 252);
    EXPECT_EQ(second->y(), 250);
    EXPECT_EQ(first->width(), second->width());
    EXPECT_EQ(first->m_edgeFlags & BAR_EDGE_ALL, BAR_EDGE_RIGHT | BAR_EDGE_BOTTOM);
    EXPECT_EQ(second->m_edgeFlags & BAR_EDGE_ALL, BAR_EDGE_RIGHT | BAR_EDGE_TOP);
    EXPECT_EQ(first->child->geometry(), first->ClientRect());
    EXPECT_EQ(second->child->geometry(), second->ClientRect());

    // The edge between them trades length pixel for pixel.
    const QPoint edge(100, first->height() - 4);
    ASSERT_EQ(first->HitTest(edge), HTBOTTOM);
    Press(first, edge);
    DragTo(first, edge + QPoint(0, 30));
    Release(first, edge + QPoint(0, 30));
    ASSERT_TRUE(WaitUntil([&] { return first->height() == 282; }));
    Settle(site);
    EXPECT_EQ(second->height(), 320);
    EXPECT_EQ(second->y(), 280);

    // Dragged far down, the second stops at its minimum length.
    Press(first, {100, first->height() - 4});
    DragTo(first, {100, 5000});
    Release(first, {100, 5000});
    ASSERT_TRUE(WaitUntil([&] { return second->height() == 32; }));
    Settle(site);
    EXPECT_EQ(first->height() + second->height() - 2, 600);

    // Hidden, the second leaves the column to the first; shown, it returns
    // in its place with its length.
    site->ShowControlBar(second, false, false);
    EXPECT_EQ(first->height(), 600);
    EXPECT_EQ(first->m_edgeFlags & BAR_EDGE_ALL, BAR_EDGE_RIGHT);
    site->ShowControlBar(second, true, false);
    Settle(site);
    EXPECT_EQ(second->height(), 32);
    EXPECT_EQ(second->y(), 568);
}

TEST(Row, TooShortARowBreaksAndTheBarMovesToANewRow) {
    TestFrame frame;
    CDockSite* site = frame.site.get();
    // Horizontally each bar needs 350: the 600 pixels of a narrow frame do
    // not hold two.
    site->resize(600, 500);
    TestBar* first = frame.AddBar(AFX_IDW_DOCKBAR_TOP, QStringLiteral("first"));
    const QRect drop(first->mapToGlobal(QPoint(500, 10)), QSize(20, 20));
    TestBar* second = frame.AddBar(AFX_IDW_DOCKBAR_TOP, QStringLiteral("second"), &drop);
    Settle(site);
    const std::vector<CControlBar*> expected{nullptr, first, nullptr, second, nullptr};
    EXPECT_EQ(site->GetDockBar(AFX_IDW_DOCKBAR_TOP)->Entries(), expected);
    EXPECT_EQ(first->width(), 604); // -2 to 602: its side borders hidden
    EXPECT_EQ(second->y(), first->height());
    EXPECT_GE(second->width(), 350);
}

TEST(Drag, GripperDragDocksAtTheRightOrFloats) {
    TestFrame frame;
    CDockSite* site = frame.site.get();
    TestBar* bar = frame.AddBar(AFX_IDW_DOCKBAR_LEFT);

    Press(bar, {100, 8});
    const QPoint right = site->mapToGlobal(QPoint(795, 300)) - bar->mapToGlobal(QPoint(0, 0));
    DragTo(bar, right);
    Release(bar, right);
    ASSERT_TRUE(WaitUntil([&] { return bar->DockBarId() == AFX_IDW_DOCKBAR_RIGHT; }));
    Settle(site);
    EXPECT_EQ(bar->m_edgeFlags & BAR_EDGE_ALL, BAR_EDGE_LEFT);
    EXPECT_EQ(bar->width(), 350);
    EXPECT_EQ(frame.client->geometry(), QRect(0, 0, 450, 600));

    // Dropped over the client, away from every dock zone: it floats there.
    Press(bar, {100, 8});
    const QPoint middle = site->mapToGlobal(QPoint(200, 300));
    DragTo(bar, middle - bar->mapToGlobal(QPoint(0, 0)));
    Release(bar, middle - bar->mapToGlobal(QPoint(0, 0)));
    ASSERT_TRUE(bar->IsFloating());
    EXPECT_EQ(bar->mapToGlobal(QPoint(100, 8)), middle);
    Settle(site);
    EXPECT_EQ(frame.client->geometry(), QRect(0, 0, 800, 600));
}

TEST(Float, DoubleClickFloatsBesideTheDockAndDocksBack) {
    TestFrame frame;
    CDockSite* site = frame.site.get();
    TestBar* bar = frame.AddBar(AFX_IDW_DOCKBAR_LEFT);
    const QPoint corner = bar->mapToGlobal(QPoint(0, 0));

    DoubleClick(bar, {100, 8});
    ASSERT_TRUE(bar->IsFloating());
    auto* floating = qobject_cast<CFloatingFrame*>(bar->window());
    ASSERT_NE(floating, nullptr);
    EXPECT_TRUE(floating->isVisible());
    EXPECT_EQ(floating->windowTitle(), QStringLiteral("侧边栏"));
    EXPECT_EQ(floating->pos(), corner + QPoint(350, 0));
    // Floating: no gripper, no edges; the border is 3, 5 at the top.
    EXPECT_EQ(bar->DockBarId(), AFX_IDW_DOCKBAR_FLOAT);
    EXPECT_FALSE(bar->ShowsGripper());
    EXPECT_EQ(bar->size(), QSize(350, 350));
    EXPECT_EQ(bar->ClientRect(), QRect(QPoint(3, 5), QPoint(346, 346)));
    EXPECT_EQ(bar->child->geometry(), bar->ClientRect());
    EXPECT_EQ(bar->HitTest({346, 100}), HTCLIENT);
    Settle(site);
    EXPECT_EQ(frame.client->geometry(), QRect(0, 0, 800, 600));

    QDir().mkpath(QStringLiteral(ZENTRIX_SCREENSHOT_DIR));
    floating->grab().save(QStringLiteral(ZENTRIX_SCREENSHOT_DIR "/dock-floating.png"));

    // The caption follows the bar's title.
    bar->setWindowTitle(QStringLiteral("新标题"));
    ASSERT_TRUE(WaitUntil([&] { return floating->windowTitle() == QStringLiteral("新标题"); }));

    // A double-click on the frame's caption docks it back where it was.
    const QPoint caption(40, CFloatingFrame::kBorder + 5);
    ASSERT_EQ(floating->HitTest(caption), HTCAPTION);
    DoubleClick(floating, caption);
    ASSERT_FALSE(bar->IsFloating());
    Settle(site);
    EXPECT_EQ(bar->DockBarId(), AFX_IDW_DOCKBAR_LEFT);
    EXPECT_EQ(bar->geometry(), QRect(0, 0, 350, 600));
    EXPECT_EQ(bar->child->geometry(), bar->ClientRect());
    EXPECT_EQ(frame.client->geometry().left(), 350);
}

TEST(Float, CornerSizingKeepsTheFloatingMinimum) {
    TestFrame frame;
    TestBar* bar = frame.AddBar(AFX_IDW_DOCKBAR_LEFT);
    DoubleClick(bar, {100, 8});
    auto* floating = qobject_cast<CFloatingFrame*>(bar->window());
    ASSERT_NE(floating, nullptr);
    const QSize extra(2 * CFloatingFrame::kBorder,
                      2 * CFloatingFrame::kBorder + CFloatingFrame::kCaption);

    {
        SCOPED_TRACE("bottom right, grown by 40 x 30");
        const QPoint grip(floating->width() - 2, floating->height() - 2);
        ASSERT_EQ(floating->HitTest(grip), HTBOTTOMRIGHT);
        const QPoint topLeft = floating->pos();
        Press(floating, grip);
        DragTo(floating, grip + QPoint(40, 30));
        Release(floating, grip + QPoint(40, 30));
        EXPECT_EQ(bar->size(), QSize(390, 380));
        EXPECT_EQ(floating->size(), QSize(390, 380) + extra);
        EXPECT_EQ(floating->pos(), topLeft);
        EXPECT_EQ(bar->DockContext()->m_frameHit, HTNOWHERE);
    }
    {
        SCOPED_TRACE("top left, shrunk past the minimum: the far corner stays");
        const QPoint farCorner = floating->geometry().bottomRight();
        Press(floating, {1, 1});
        DragTo(floating, {5000, 5000});
        Release(floating, {5000, 5000});
        EXPECT_EQ(bar->size(), QSize(37, 32));
        EXPECT_EQ(bar->m_floatSize, (BarSize{37, 32}));
        EXPECT_EQ(floating->size(), QSize(37, 32) + extra);
        EXPECT_EQ(floating->geometry().bottomRight(), farCorner);
        EXPECT_EQ(bar->child->geometry(), bar->ClientRect());
    }
    {
        SCOPED_TRACE("right side");
        const QPoint side(floating->width() - 2, floating->height() / 2 + 8);
        ASSERT_EQ(floating->HitTest(side), HTRIGHT);
        Press(floating, side);
        DragTo(floating, side + QPoint(100, 0));
        Release(floating, side + QPoint(100, 0));
        EXPECT_EQ(bar->size(), QSize(137, 32));
    }
}

TEST(Float, CloseBoxOfTheFrameHidesTheBarAndShowingBringsItBack) {
    TestFrame frame;
    CDockSite* site = frame.site.get();
    TestBar* bar = frame.AddBar(AFX_IDW_DOCKBAR_LEFT);
    DoubleClick(bar, {100, 8});
    auto* floating = qobject_cast<CFloatingFrame*>(bar->window());
    ASSERT_NE(floating, nullptr);
    const QPoint box = floating->CloseBoxRect().center();
    ASSERT_EQ(floating->HitTest(box), HTCLOSE);
    Press(floating, box);
    Release(floating, box);
    EXPECT_FALSE(bar->IsVisible());
    EXPECT_FALSE(floating->isVisible());
    site->ShowControlBar(bar, true, false);
    EXPECT_TRUE(floating->isVisible());
    EXPECT_TRUE(bar->IsFloating());
    EXPECT_FALSE(bar->isHidden());
}

} // namespace
