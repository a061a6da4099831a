// SPDX-License-Identifier: MIT
#pragma once

// A frame for the widget tests: a dock site 800 x 600 around a client
// widget, bars of the gripper family whose child fills them, and mouse
// events sent straight to a widget (as the captured mouse would deliver
// them), with screen coordinates.

#include "dock/dockbar.h"
#include "dock/docksite.h"
#include "sidebar/gripperbar.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>

#include <functional>
#include <memory>

// Processes events until pred holds or the deadline passes.
inline bool WaitUntil(const std::function<bool()>& pred, int timeoutMs = 3000) {
    QElapsedTimer timer;
    timer.start();
    while (!pred()) {
        if (timer.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Pending layouts are idle-time work: lets every one of them run.
inline void Settle(CDockSite* site) {
    WaitUntil([site] { return !site->IsLayoutPending(); });
    QCoreApplication::processEvents();
}

inline void SendMouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button,
                      Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(pos), QPointF(pos), QPointF(w->mapToGlobal(pos)), button, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

inline void Press(QWidget* w, QPoint pos) {
    SendMouse(w, QEvent::MouseButtonPress, pos, Qt::LeftButton, Qt::LeftButton);
}
inline void DragTo(QWidget* w, QPoint pos) {
    SendMouse(w, QEvent::MouseMove, pos, Qt::NoButton, Qt::LeftButton);
}
inline void HoverTo(QWidget* w, QPoint pos) {
    SendMouse(w, QEvent::MouseMove, pos, Qt::NoButton, Qt::NoButton);
}
inline void Release(QWidget* w, QPoint pos) {
    SendMouse(w, QEvent::MouseButtonRelease, pos, Qt::LeftButton, Qt::NoButton);
}
inline void DoubleClick(QWidget* w, QPoint pos) {
    Press(w, pos);
    Release(w, pos);
    SendMouse(w, QEvent::MouseButtonDblClick, pos, Qt::LeftButton, Qt::LeftButton);
    Release(w, pos);
}

// A gripper bar with edges shown and one child kept at its client size.
class TestBar : public CGripperBar {
public:
    QWidget* child = nullptr;

protected:
    int OnCreate() override {
        if (CGripperBar::OnCreate() == -1) {
            return -1;
        }
        m_edgeFlags = (m_edgeFlags & ~BAR_EDGE_ALL) | BAR_SHOW_EDGES | BAR_FIT_CHILD;
        child = new QWidget(this);
        child->setObjectName(QStringLiteral("child"));
        child->show();
        return 0;
    }
};

struct TestFrame {
    std::unique_ptr<CDockSite> site = std::make_unique<CDockSite>();
    QWidget* client = new QWidget;

    TestFrame() {
        site->setClientWidget(client);
        site->EnableDocking(CBRS_ALIGN_ANY);
        site->resize(800, 600);
        site->show();
    }

    TestBar* AddBar(unsigned dockBarId, const QString& title = QStringLiteral("侧边栏"),
                    const QRect* screenRect = nullptr) {
        auto* bar = new TestBar;
        bar->Create(title, site.get(), 0, WS_CHILD | WS_VISIBLE | CBRS_TOP);
        bar->EnableDocking(CBRS_ALIGN_ANY);
        site->DockControlBar(bar, dockBarId, screenRect);
        Settle(site.get());
        return bar;
    }
};
