// SPDX-License-Identifier: MIT
#pragma once

// A window that accepts posted messages from any thread. Qt-free, so the
// engine's worker can post without knowing about widgets.

#include <cstdint>

class IMessageTarget {
public:
    virtual ~IMessageTarget() = default;
    // Queues the message for the target's thread and returns at once.
    virtual void PostMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
};
