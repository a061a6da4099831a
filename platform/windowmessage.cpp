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

bool PostWindowMessage(QWidget* target, unsigned message, std::uintptr_t wParam,
                       std::intptr_t lParam) {
    if (target == nullptr) {
        return false;
    }
    QCoreApplication::postEvent(target, new PostedMessageEvent(message, wParam, lParam));
    return true;
}
