// SPDX-License-Identifier: MIT
#include "platform/windowmessage.h"

#include <QCoreApplication>
#include <QWidget>

PostedMessageEvent::PostedMessageEvent(unsigned message, std::uintptr_t wParam,
                                       std::intptr_t lParam)
    : QEvent(eventType()), m_message(message), m_wParam(wParam), m_lParam(lParam) {}

QEvent::Type PostedMessageEvent::eventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

bool PostedMessageQueue::Push(const Msg& msg) {
    const std::lock_guard lock(m_mutex);
    m_messages.push_back(msg);
    return m_messages.size() == 1;
}

std::vector<Msg> PostedMessageQueue::Take() {
    const std::lock_guard lock(m_mutex);
    std::vector<Msg> messages;
    messages.swap(m_messages);
    return messages;
}

PostedQueueEvent::PostedQueueEvent(std::shared_ptr<PostedMessageQueue> queue)
    : QEvent(eventType()), m_queue(std::move(queue)) {}

QEvent::Type PostedQueueEvent::eventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

bool PostWindowMessage(QWidget* target, unsigned message, std::uintptr_t wParam,
                       std::intptr_t lParam) {
    if (target == nullptr) {
        return false;
    }
    QCoreApplication::postEvent(target, new PostedMessageEvent(message, wParam, lParam));
    return true;
}
