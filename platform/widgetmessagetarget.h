// SPDX-License-Identifier: MIT
#pragma once

// The engine's message target for a widget: the worker posts through it from
// its own thread. After Detach (or once the widget is gone) posts are dropped.
//
// Messages wait in a queue of the target; the user-interface thread is woken
// once for everything queued since it last looked, and each message then
// takes the pre-translation walk in the order posted. A worker that reports
// thousands of rows a second so costs one wake-up per turn of the event
// loop, not one per row, and the loop keeps time for timers and painting.

#include "core/messagetarget.h"

#include <QPointer>
#include <memory>
#include <mutex>

class QWidget;
struct PostedMessageQueue;

class CWidgetMessageTarget final : public IMessageTarget {
public:
    explicit CWidgetMessageTarget(QWidget* target);
    void PostMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
    // Call from the widget's destructor, before the widget goes.
    void Detach();

private:
    std::mutex m_mutex;
    QPointer<QWidget> m_target;
    std::shared_ptr<PostedMessageQueue> m_queue;
};
