// SPDX-License-Identifier: MIT
// A gripper bar docked alone at the left of the test frame: its client area,
// dragging its sizing edge, its close button, show and hide.

#include "docktestframe.h"

#include "dock/docktracker.h"
#include "sidebar/barprofile.h"

#include <QDir>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

class DockedBar : public ::testing::Test {
protected:
    TestFrame frame;
    TestBar* bar = frame.AddBar(AFX_IDW_DOCKBAR_LEFT);
    CDockSite* site = frame.site.get();
};

TEST_F(DockedBar, FillsItsColumnAndItsChildFillsTheClientArea) {
    EXPECT_EQ(bar->geometry(), QRect(0, 0, 350, 600));
    EXPECT_EQ(bar->m_edgeFlags & BAR_EDGE_ALL, BAR_EDGE_RIGHT);
    // Border 5 on every side, the 5-pixel edge at the right, the 12-pixel
    // gripper band at the top.
    EXPECT_EQ(bar->ClientRect(), QRect(QPoint(5, 17), QPoint(339, 594)));
    EXPECT_EQ(bar->child->geometry(), bar->ClientRect());
    EXPECT_EQ(frame.client->geometry(), QRect(350, 0, 450, 600));
    EXPECT_EQ(site->FreeRect(), frame.client->geometry());
    EXPECT_EQ(bar->CloseBoxRect(), QRect(328, 4, 11, 11));
}

TEST_F(DockedBar, HitCodesOverTheBar) {
    EXPECT_EQ(bar->HitTest({346, 300}), HTRIGHT);
    EXPECT_EQ(bar->HitTest({100, 8}), HTCLIENT); // the gripper band
    EXPECT_EQ(bar->HitTest({2, 300}), HTCLIENT); // the border
    EXPECT_EQ(bar->HitTest({333, 9}), HTCLOSE);
}

TEST_F(DockedBar, RightEdgeDragStaysWithinItsLimits) {
    struct Case {
        const char* name;
        int releaseX; // in bar coordinates
        int width;
    } const cases[] = {
        {"shrink a little", 300, 304},
        {"shrink past the minimum stops at 33", -200, 33},
        {"grow past the free area stops at its width - 2", 2000, 798},
        {"grow a little", 400, 404},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int before = bar->width();
        const QPoint grab(before - 4, 300);
        ASSERT_EQ(bar->HitTest(grab), HTRIGHT);
        Press(bar, grab);
        ASSERT_TRUE(bar->IsResizing());
        DragTo(bar, {c.releaseX, 300});
        // Without live resizing only the tracker moves until the release.
        EXPECT_EQ(site->Tracker()->Rects().size(), 1u);
        EXPECT_EQ(bar->width(), before);
        Release(bar, {c.releaseX, 300});
        EXPECT_TRUE(site->Tracker()->Rects().empty());
        ASSERT_TRUE(WaitUntil([&] { return bar->width() == c.width; })) << bar->width();
        Settle(site);
        EXPECT_EQ(bar->child->geometry(), bar->ClientRect());
        EXPECT_EQ(frame.client->geometry().left(), c.width);
    }
}

TEST_F(DockedBar, TrackerMovesWithTheMouseAndLeavesNothingBehind) {
    Press(bar, {346, 300});
    const QRect first = site->Tracker()->Rects().at(0);
    // Across the row the tracker spans the dock bar's height less 1 each end.
    EXPECT_EQ(first, QRect(344, 1, 5, 598));
    DragTo(bar, {366, 300});
    ASSERT_EQ(site->Tracker()->Rects().size(), 1u);
    EXPECT_EQ(site->Tracker()->Rects().at(0), first.translated(20, 0));
    Release(bar, {366, 300});
    EXPECT_TRUE(site->Tracker()->Rects().empty());
    EXPECT_FALSE(site->Tracker()->isVisible());
}

TEST_F(DockedBar, RightButtonOrHidingEndsTheDrag) {
    Press(bar, {346, 300});
    DragTo(bar, {300, 300});
    SendMouse(bar, QEvent::MouseButtonPress, {300, 300}, Qt::RightButton,
              Qt::LeftButton | Qt::RightButton);
    EXPECT_FALSE(bar->IsResizing());
    EXPECT_TRUE(site->Tracker()->Rects().empty());
    ASSERT_TRUE(WaitUntil([&] { return bar->width() == 304; }));

    Press(bar, {bar->width() - 4, 300});
    site->ShowControlBar(bar, false, false);
    EXPECT_FALSE(bar->IsResizing());
    EXPECT_TRUE(site->Tracker()->Rects().empty());
}

TEST_F(DockedBar, CloseButtonLooksAndHides) {
    QSignalSpy visibility(site, &CDockSite::controlBarVisibilityChanged);
    const QPoint box = bar->CloseBoxRect().center();
    const QPoint off(200, 8);

    HoverTo(bar, box);
    EXPECT_TRUE(bar->m_closeBox.hot);
    EXPECT_FALSE(bar->m_closeBox.pressed);

    Press(bar, box);
    EXPECT_TRUE(bar->m_closeBox.pressed);
    EXPECT_FALSE(bar->m_closeBox.hot);

    DragTo(bar, off); // moving off while pressed: flat
    EXPECT_FALSE(bar->m_closeBox.pressed);
    EXPECT_FALSE(bar->m_closeBox.hot);
    DragTo(bar, box);
    EXPECT_TRUE(bar->m_closeBox.pressed);
    EXPECT_FALSE(bar->isHidden());

    Release(bar, box);
    EXPECT_TRUE(bar->isHidden());
    EXPECT_FALSE(bar->m_closeBox.pressed);
    ASSERT_EQ(visibility.count(), 1);
    EXPECT_EQ(visibility.at(0).at(1).toBool(), false);
    // The layout was redone at once: the client has the whole frame.
    EXPECT_EQ(frame.client->geometry(), QRect(0, 0, 800, 600));
}

TEST_F(DockedBar, ReleaseOverTheBoxAfterAPressElsewhereDoesNotHide) {
    const QPoint box = bar->CloseBoxRect().center();
    Press(bar, {2, 300}); // the border: starts moving the bar
    DragTo(bar, box);
    Release(bar, box);
    EXPECT_FALSE(bar->isHidden());
}

TEST_F(DockedBar, ShowControlBarRestoresItInPlace) {
    // Give it a size of its own first.
    Press(bar, {346, 300});
    DragTo(bar, {296, 300});
    Release(bar, {296, 300});
    ASSERT_TRUE(WaitUntil([&] { return bar->width() == 300; }));
    Settle(site);
    const QRect before = bar->geometry();
    QSignalSpy visibility(site, &CDockSite::controlBarVisibilityChanged);

    site->ShowControlBar(bar, false, false);
    EXPECT_TRUE(bar->isHidden());
    EXPECT_EQ(frame.client->geometry(), QRect(0, 0, 800, 600));
    EXPECT_EQ(bar->DockBar()->FindBar(bar), 1); // it keeps its place

    site->ShowControlBar(bar, true, true); // delayed: at the next idle time
    ASSERT_TRUE(WaitUntil([&] { return !bar->isHidden(); }));
    Settle(site);
    EXPECT_EQ(bar->geometry(), before);
    EXPECT_EQ(bar->child->geometry(), bar->ClientRect());
    EXPECT_EQ(frame.client->geometry().left(), 300);
    ASSERT_EQ(visibility.count(), 2);
    EXPECT_EQ(visibility.at(1).at(1).toBool(), true);
}

TEST_F(DockedBar, CloseMessageIsIgnored) {
    EXPECT_FALSE(bar->close());
    EXPECT_FALSE(bar->isHidden());
}

TEST_F(DockedBar, SizesRoundTripThroughTheProfile) {
    bar->m_vertSize = {120, 400};
    bar->SaveSizes(QStringLiteral("Test"));
    bar->m_vertSize = {350, 350};
    CBarProfile::Instance().WriteInt(BarProfileSection("Test", 0), "sizeHorzCX", 10);
    bar->LoadSizes(QStringLiteral("Test"));
    EXPECT_EQ(bar->m_vertSize, (BarSize{120, 400}));
    EXPECT_EQ(bar->m_horzSize.cx, 350); // raised to its minimum
}

TEST_F(DockedBar, ScreenshotShowsGripperCloseBoxAndRaisedEdge) {
    const QImage image = site->grab().toImage();
    // The raised right edge: light on its left side, dark on its right.
    const QRgb light = bar->palette().light().color().rgb();
    const QRgb dark = bar->palette().dark().color().rgb();
    EXPECT_EQ(image.pixel(344, 300), light);
    EXPECT_EQ(image.pixel(348, 300), dark);
    // The two gripper strips start at the top of the band.
    EXPECT_EQ(image.pixel(100, 6), light);
    EXPECT_EQ(image.pixel(100, 9), light);
    EXPECT_EQ(image.pixel(100, 11), dark);
    // The cross is drawn in the button-text colour inside the box.
    EXPECT_EQ(image.pixel(330, 6), bar->palette().buttonText().color().rgb());
    QDir().mkpath(QStringLiteral(ZENTRIX_SCREENSHOT_DIR));
    image.save(QStringLiteral(ZENTRIX_SCREENSHOT_DIR "/dock-left-bar.png"));
}

} // namespace

namespace {

TEST(LiveResize, OffByDefaultOnWhenAskedTheLayoutFollowsTheMouse) {
    {
        TestFrame frame;
        EXPECT_FALSE(frame.AddBar(AFX_IDW_DOCKBAR_LEFT)->IsLiveResize());
    }
    qputenv("ZENTRIX_LIVE_RESIZE", "1");
    TestFrame frame;
    TestBar* bar = frame.AddBar(AFX_IDW_DOCKBAR_LEFT);
    qputenv("ZENTRIX_LIVE_RESIZE", "0");
    ASSERT_TRUE(bar->IsLiveResize());
    Press(bar, {346, 300});
    DragTo(bar, {306, 300});
    // No tracker: the bar itself follows before the button is released.
    EXPECT_TRUE(frame.site->Tracker()->Rects().empty());
    ASSERT_TRUE(WaitUntil([&] { return bar->width() == 310; }));
    EXPECT_EQ(bar->child->geometry(), bar->ClientRect());
    Release(bar, {306, 300});
    EXPECT_FALSE(bar->IsResizing());
}

} // namespace
