// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QTimer>

// A call made once at the next idle time, however often it is asked for
// before then. Done() marks it made, so a pass that ran meanwhile makes the
// pending one moot.
class CIdleCall {
public:
    template <class Function>
    void Request(QObject* owner, Function run) {
        if (m_pending) {
            return;
        }
        m_pending = true;
        // Bound to `owner`: the call is dropped with it.
        QTimer::singleShot(0, owner, [this, run] {
            if (m_pending) {
                run();
            }
        });
    }
    void Done() { m_pending = false; }
    [[nodiscard]] bool IsPending() const { return m_pending; }

private:
    bool m_pending = false;
};
