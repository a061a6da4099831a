#pragma once

// Posted window messages on Qt: a queued event that carries the message number
// and its two parameters to a widget on the user-interface thread. Posting is
// safe from any thread; the pre-translation walk delivers it to the windows.

#include <QEvent>
#include <cstdint>

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

// Queues the message for `target` and returns at once; false when there is no
// target. Any thread, as long as `target` outlives the call.
bool PostWindowMessage(QWidget* target, unsigned message, std::uintptr_t wParam = 0,
                       std::intptr_t lParam = 0);
