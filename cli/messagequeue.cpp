// SPDX-License-Identifier: MIT
#include "cli/messagequeue.h"

void MessageQueue::PostMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    {
        const std::lock_guard lock(m_mutex);
        m_messages.push_back({message, wParam, lParam});
    }
    m_posted.notify_one();
}

std::optional<PostedMessage> MessageQueue::WaitFor(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    if (!m_posted.wait_for(lock, timeout, [this] { return !m_messages.empty(); })) {
        return std::nullopt;
    }
    const PostedMessage next = m_messages.front();
    m_messages.pop_front();
    return next;
}

PostedMessage MessageQueue::Wait() {
    std::unique_lock lock(m_mutex);
    m_posted.wait(lock, [this] { return !m_messages.empty(); });
    const PostedMessage next = m_messages.front();
    m_messages.pop_front();
    return next;
}
