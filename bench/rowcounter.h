// SPDX-License-Identifier: MIT
#pragma once

// A worker's message target that only counts the rows reported finished.

#include "core/messages.h"
#include "core/messagetarget.h"

#include <atomic>
#include <cstdint>

class RowCounter : public IMessageTarget {
public:
    void PostMessage(unsigned message, std::uintptr_t, std::intptr_t) override {
        if (message == UM_ROW_DONE) {
            rowsDone.fetch_add(1);
        }
    }
    std::atomic<int> rowsDone{0};
};
