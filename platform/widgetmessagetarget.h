#pragma once

// The engine's message target for a widget: the worker posts through it from
// its own thread. After Detach (or once the widget is gone) posts are dropped.

#include "core/messagetarget.h"

#include <QPointer>
#include <mutex>

class QWidget;

class CWidgetMessageTarget final : public IMessageTarget {
public:
    explicit CWidgetMessageTarget(QWidget* target);
    void PostMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
    // Call from the widget's destructor, before the widget goes.
    void Detach();

private:
    std::mutex m_mutex;
    QPointer<QWidget> m_target;
};
