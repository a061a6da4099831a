#include "platform/widgetmessagetarget.h"

#include "platform/windowmessage.h"

#include <QWidget>

CWidgetMessageTarget::CWidgetMessageTarget(QWidget* target) : m_target(target) {}

void CWidgetMessageTarget::PostMessage(unsigned message, std::uintptr_t wParam,
                                       std::intptr_t lParam) {
    const std::lock_guard lock(m_mutex);
    PostWindowMessage(m_target.data(), message, wParam, lParam);
}

void CWidgetMessageTarget::Detach() {
    const std::lock_guard lock(m_mutex);
    m_target = nullptr;
}
