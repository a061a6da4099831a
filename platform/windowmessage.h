// SPDX-License-Identifier: MIT
#pragma once

// Posted window messages on Qt: a queued event that carries the message number
// and its two parameters to a widget on the user-interface thread. Posting is
// safe from any thread; the pre-translation walk delivers it to the windows.

#include <QEvent>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

class QWidget;

// Key-down of Enter, as the walk reports it to PreTranslateMessage.
inline constexpr unsigned WM_KEYDOWN = 0x0100;
inline constexpr std::uintptr_t VK_RETURN = 0x0D;

// What a window sees in PreTranslateMessage: the target window and the message.
struct Msg {
    QWidget* hwnd = nullptr;
    unsigned message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
};

class PostedMessageEvent final : public QEvent {
public:
    PostedMessageEvent(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);

    [[nodiscard]] static QEvent::Type eventType();
    [[nodiscard]] unsigned message() const { return m_message; }
    [[nodiscard]] std::uintptr_t wParam() const { return m_wParam; }
    [[nodiscard]] std::intptr_t lParam() const { return m_lParam; }

private:
    unsigned m_message;
    std::uintptr_t m_wParam;
    std::intptr_t m_lParam;
};

// Messages another thread queued for windows, delivered together: one
// PostedQueueEvent wakes the user-interface thread for all of them.
struct PostedMessageQueue {
    // True when the queue was empty (so the one who pushed must wake).
    bool Push(const Msg& msg);
    // Everything queued so far, in order; the queue is empty afterwards.
    std::vector<Msg> Take();

private:
    std::mutex m_mutex;
    std::vector<Msg> m_messages;
};

class PostedQueueEvent final : public QEvent {
public:
    explicit PostedQueueEvent(std::shared_ptr<PostedMessageQueue> queue);

    [[nodiscard]] static QEvent::Type eventType();
    [[nodiscard]] PostedMessageQueue& queue() const { return *m_queue; }

private:
    std::shared_ptr<PostedMessageQueue> m_queue;
};

// Queues the message for `target` and returns at once; false when there is no
// target. Any thread, as long as `target` outlives the call.
bool PostWindowMessage(QWidget* target, unsigned message, std::uintptr_t wParam = 0,
                       std::intptr_t lParam = 0);
