// SPDX-License-Identifier: MIT
#include "platform/mainwindow.h"

#include "platform/windowmessage.h"

#include <QPointer>
#include <QWidget>

namespace {
QPointer<QWidget>& mainWindowRef() {
    static QPointer<QWidget> window;
    return window;
}
} // namespace

void SetMainWindow(QWidget* window) {
    mainWindowRef() = window;
}

QWidget* MainWindow() {
    return mainWindowRef().data();
}

bool PostToMainWindow(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    return PostWindowMessage(MainWindow(), message, wParam, lParam);
}
