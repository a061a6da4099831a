// SPDX-License-Identifier: MIT
#pragma once

// The batch tool's stand-in for a window: messages posted from any thread
// wait in a queue until the main thread takes them.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>

#include "core/messagetarget.h"

struct PostedMessage {
    unsigned message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
};

class MessageQueue final : public IMessageTarget {
public:
    void PostMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;

    // The oldest message, or nothing when none arrived within `timeout`.
    [[nodiscard]] std::optional<PostedMessage> WaitFor(std::chrono::milliseconds timeout);
    [[nodiscard]] PostedMessage Wait();

private:
    std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<PostedMessage> m_messages;
};
