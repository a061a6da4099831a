// SPDX-License-Identifier: MIT
#include "platform/widgetmessagetarget.h"

#include "platform/windowmessage.h"

#include <QCoreApplication>
#include <QWidget>

CWidgetMessageTarget::CWidgetMessageTarget(QWidget* target)
    : m_target(target), m_queue(std::make_shared<PostedMessageQueue>()) {}

void CWidgetMessageTarget::PostMessage(unsigned message, std::uintptr_t wParam,
                                       std::intptr_t lParam) {
    const std::lock_guard lock(m_mutex);
    QWidget* target = m_target.data();
    if (target == nullptr) {
        return;
    }
    if (m_queue->Push({target, message, wParam, lParam})) {
        // The queue was empty: wake the user-interface thread once for it.
        QCoreApplication::postEvent(target, new PostedQueueEvent(m_queue));
    }
}

void CWidgetMessageTarget::Detach() {
    const std::lock_guard lock(m_mutex);
    m_target = nullptr;
    m_queue->Take(); // what was not yet delivered is dropped with the target
}
