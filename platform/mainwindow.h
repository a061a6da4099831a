// SPDX-License-Identifier: MIT
#pragma once

// The main window of the user-interface thread, looked up when a message is
// posted to it. Gone windows read as none, so a late post is dropped.

#include <cstdint>

class QWidget;

void SetMainWindow(QWidget* window);
[[nodiscard]] QWidget* MainWindow();
// Posts to the main window; false when there is none.
bool PostToMainWindow(unsigned message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
