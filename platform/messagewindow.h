// SPDX-License-Identifier: MIT
#pragma once

// A window that takes part in the pre-translation walk. The walk calls
// PreTranslateMessage on the target window and then on each parent up to the
// main window. Receivers of posted messages act and return false, so every
// window on the way sees the message; returning true stops the walk (only the
// control panel does that, for Enter in its find box).

#include "platform/windowmessage.h"

class CMessageWindow {
public:
    virtual ~CMessageWindow() = default;
    virtual bool PreTranslateMessage(const Msg& msg) {
        static_cast<void>(msg);
        return false;
    }
};
