// SPDX-License-Identifier: MIT
// Where a double-click floats a docked bar: the rule over plain rectangles,
// then a bar docked in a main window under its menu bar.

#include "docktestframe.h"

#include "dock/dockcontext.h"
#include "dock/floatingframe.h"
#include "dock/floatplacement.h"

#include <QMainWindow>
#include <QMenuBar>

#include <gtest/gtest.h>

namespace {

TEST(FloatPosition, Rule) {
    const QSize frame(200, 300);
    const QRect screen(0, 0, 1000, 800);
    const QRect strip(100, 100, 600, 30); // a menu bar: y 100 to 129
    // Where the bar is docked: its rectangle on the screen and its side.
    struct Docked {
        QRect bar;
        unsigned dockBarId;
    };
    const Docked left{QRect(100, 130, 350, 500), AFX_IDW_DOCKBAR_LEFT};
    const Docked right{QRect(600, 130, 100, 500), AFX_IDW_DOCKBAR_RIGHT};
    const Docked top{QRect(100, 130, 600, 40), AFX_IDW_DOCKBAR_TOP};
    const Docked bottom{QRect(100, 700, 600, 40), AFX_IDW_DOCKBAR_BOTTOM};
    const Docked shortBottom{QRect(100, 300, 600, 40), AFX_IDW_DOCKBAR_BOTTOM};
    const Docked leftOffScreen{QRect(700, 130, 350, 500), AFX_IDW_DOCKBAR_LEFT};
    struct Case {
        const char* name;
        std::optional<QPoint> lastPos;
        Docked docked;
        QRect keepClear;
        QPoint expected;
    } const cases[] = {
        {"left, never floated: right of the bar", {}, left, strip, {450, 130}},
        {"right: left of the bar", {}, right, strip, {400, 130}},
        {"top: below the bar", {}, top, strip, {100, 170}},
        {"bottom: above the bar", {}, bottom, strip, {100, 400}},
        {"bottom of a short window: below the menu bar, not over it",
         {},
         shortBottom,
         strip,
         {100, 130}},
        {"where it last floated", QPoint(520, 410), left, strip, {520, 410}},
        {"last floated over the menu bar: just below it", QPoint(300, 90), left, strip, {300, 130}},
        {"last floated beside the window, clear of its menu bar: stays",
         QPoint(750, 90),
         left,
         strip,
         {750, 90}},
        {"off the screen's right side: moved back onto it", {}, leftOffScreen, QRect(), {800, 130}},
        {"off the screen's bottom: moved up", QPoint(50, 700), left, QRect(), {50, 500}},
        {"moved up onto the screen, but not over the menu bar",
         QPoint(300, 700),
         left,
         QRect(100, 100, 600, 450),
         {300, 550}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FloatRequest request;
        request.lastPos = c.lastPos;
        request.bar = c.docked.bar;
        request.dockBarId = c.docked.dockBarId;
        request.frame = frame;
        request.keepClear = c.keepClear;
        request.screen = screen;
        const QPoint pos = FloatPosition(request);
        EXPECT_EQ(pos, c.expected);
        if (!c.keepClear.isEmpty()) {
            EXPECT_FALSE(QRect(pos, frame).intersects(c.keepClear));
        }
    }
}

TEST(FloatPosition, AFrameLargerThanTheScreenShowsItsTopLeft) {
    FloatRequest request;
    request.bar = QRect(0, 0, 100, 100);
    request.dockBarId = AFX_IDW_DOCKBAR_LEFT;
    request.frame = QSize(2000, 2000);
    request.screen = QRect(10, 20, 800, 600);
    EXPECT_EQ(FloatPosition(request), QPoint(10, 20));
}

// A main window with a menu bar over the dock site, as the program has.
class UnderAMenuBar : public ::testing::Test {
protected:
    UnderAMenuBar() {
        window.menuBar()->addMenu(QStringLiteral("查看(&V)"));
        window.setCentralWidget(site);
        site->setClientWidget(new QWidget(site));
        site->EnableDocking(CBRS_ALIGN_ANY);
        window.setGeometry(20, 20, 760, 540);
        window.show();
        bar->Create(QStringLiteral("侧边栏"), site, 0, WS_CHILD | WS_VISIBLE | CBRS_TOP);
        bar->EnableDocking(CBRS_ALIGN_ANY);
        site->DockControlBar(bar, AFX_IDW_DOCKBAR_LEFT);
        Settle(site);
    }

    [[nodiscard]] QRect MenuBarOnScreen() const {
        const QMenuBar* menu = window.menuBar();
        return QRect(menu->mapToGlobal(QPoint(0, 0)), menu->size());
    }

    [[nodiscard]] CFloatingFrame* Floating() const {
        return qobject_cast<CFloatingFrame*>(bar->window());
    }

    // Double-clicks the gripper band of the docked bar.
    void FloatByGripper() {
        ASSERT_FALSE(bar->IsFloating());
        DoubleClick(bar, {100, 8});
        ASSERT_TRUE(bar->IsFloating());
        ASSERT_NE(Floating(), nullptr);
        ASSERT_TRUE(Floating()->isVisible());
    }

    // Double-clicks the floating frame's caption.
    void DockByCaption() {
        CFloatingFrame* floating = Floating();
        ASSERT_NE(floating, nullptr);
        DoubleClick(floating, {40, CFloatingFrame::kBorder + 5});
        ASSERT_FALSE(bar->IsFloating());
        Settle(site);
    }

    // Moves the floating frame by its caption so its top-left lands at topLeft.
    void DragFrameTo(const QPoint& topLeft) {
        CFloatingFrame* floating = Floating();
        const QPoint caption(40, CFloatingFrame::kBorder + 5);
        const QPoint grabbed = floating->mapToGlobal(caption);
        Press(floating, caption);
        DragTo(floating, caption + (topLeft - floating->pos()));
        Release(floating, floating->mapFromGlobal(grabbed));
        ASSERT_EQ(floating->pos(), topLeft);
    }

    QMainWindow window;
    CDockSite* site = new CDockSite(&window);
    TestBar* bar = new TestBar;
};

TEST_F(UnderAMenuBar, TheFirstFloatGoesBesideTheDockBelowTheMenuBar) {
    const QRect docked(bar->mapToGlobal(QPoint(0, 0)), bar->size());
    ASSERT_EQ(docked.top(), site->mapToGlobal(QPoint(0, 0)).y());
    FloatByGripper();
    const QRect frame = Floating()->geometry();
    EXPECT_EQ(frame.topLeft(), QPoint(docked.right() + 1, docked.top()));
    EXPECT_FALSE(frame.intersects(MenuBarOnScreen()));
    EXPECT_EQ(bar->size(), QSize(350, 350));
}

TEST_F(UnderAMenuBar, LaterFloatsReturnWhereItLastFloated) {
    FloatByGripper();
    const QPoint moved = Floating()->pos() + QPoint(60, 90);
    DragFrameTo(moved);
    DockByCaption();
    EXPECT_EQ(bar->DockBarId(), AFX_IDW_DOCKBAR_LEFT);

    FloatByGripper();
    EXPECT_EQ(Floating()->pos(), moved);
    // Docked back by a drag onto the left side, it still remembers.
    const QPoint last(moved.x() - 20, moved.y() + 10);
    DragFrameTo(last);
    const QPoint grip = bar->mapToGlobal(QPoint(40, 40));
    const QPoint leftSide = site->mapToGlobal(QPoint(5, 300));
    Press(bar, bar->mapFromGlobal(grip));
    DragTo(bar, bar->mapFromGlobal(leftSide));
    Release(bar, bar->mapFromGlobal(leftSide));
    ASSERT_FALSE(bar->IsFloating());
    Settle(site);
    FloatByGripper();
    EXPECT_EQ(Floating()->pos(), last);
}

TEST_F(UnderAMenuBar, NeverReturnsOverTheMenuBar) {
    FloatByGripper();
    const QRect menu = MenuBarOnScreen();
    ASSERT_FALSE(menu.isEmpty());
    DragFrameTo(QPoint(menu.left() + 100, menu.top()));
    ASSERT_TRUE(Floating()->geometry().intersects(menu));
    DockByCaption();

    FloatByGripper();
    EXPECT_FALSE(Floating()->geometry().intersects(menu));
    EXPECT_EQ(Floating()->pos(), QPoint(menu.left() + 100, site->mapToGlobal(QPoint(0, 0)).y()));
}

} // namespace
