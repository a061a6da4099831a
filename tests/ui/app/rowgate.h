// SPDX-License-Identifier: MIT
#pragma once

#include <condition_variable>
#include <mutex>

// Lets the worker's queries through one by one, as many as allowed.
class RowGate {
public:
    void Allow(int rows) {
        {
            const std::lock_guard lock(m_mutex);
            m_allowed = rows;
        }
        m_changed.notify_all();
    }
    void Pass() {
        std::unique_lock lock(m_mutex);
        const int me = m_asked++;
        m_changed.wait(lock, [&] { return me < m_allowed; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_allowed = 0;
    int m_asked = 0;
};
