// SPDX-License-Identifier: MIT
#pragma once

// The pre-translation walk of the message loop, as one application-wide event
// filter: a posted message aimed at a window is shown to PreTranslateMessage of
// that window and then of each parent up to the main window; an Enter key press
// takes the same walk before the focused widget sees it.

#include "platform/windowmessage.h"

#include <QObject>

class CPreTranslateFilter final : public QObject {
    Q_OBJECT
public:
    // Installs the one filter on the application (idempotent).
    static void Install();

    // Walks from msg.hwnd up the parents, then the main window if the chain
    // did not reach it (a floating bar); true when a window claimed the message.
    static bool Walk(const Msg& msg);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
};
