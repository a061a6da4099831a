// SPDX-License-Identifier: MIT
#pragma once

// An IMessageTarget that records every posted message, for tests of code that
// posts from another thread. Wait on it instead of sleeping.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <ostream>
#include <vector>

#include "core/messagetarget.h"

struct PostedMessage {
    unsigned message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
    friend bool operator==(const PostedMessage&, const PostedMessage&) = default;
    // Readable failure output in tests.
    friend void PrintTo(const PostedMessage& m, std::ostream* os) {
        *os << "{" << m.message << ", " << m.wParam << ", " << m.lParam << "}";
    }
};

class RecordingTarget : public IMessageTarget {
public:
    void PostMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override {
        std::lock_guard lock(m_mutex);
        m_messages.push_back({message, wParam, lParam});
        m_posted.notify_all();
    }

    [[nodiscard]] std::vector<PostedMessage> Messages() const {
        std::lock_guard lock(m_mutex);
        return m_messages;
    }

    void Clear() {
        std::lock_guard lock(m_mutex);
        m_messages.clear();
    }

    // True once a message with this number has been posted; false at the deadline.
    [[nodiscard]] bool WaitFor(unsigned message, std::chrono::milliseconds timeout) const {
        std::unique_lock lock(m_mutex);
        return m_posted.wait_for(lock, timeout, [&] {
            return std::any_of(m_messages.begin(), m_messages.end(),
                               [&](const PostedMessage& m) { return m.message == message; });
        });
    }

    // True once `done` holds for the messages posted so far; false at the deadline.
    template <typename Predicate>
    [[nodiscard]] bool WaitUntil(Predicate done, std::chrono::milliseconds timeout) const {
        std::unique_lock lock(m_mutex);
        return m_posted.wait_for(lock, timeout, [&] { return done(m_messages); });
    }

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_posted;
    std::vector<PostedMessage> m_messages;
};
