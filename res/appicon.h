// SPDX-License-Identifier: MIT
#pragma once

// The program's icon, from the PNGs compiled into the program: the window
// icon of every window.

#include <QIcon>

[[nodiscard]] QIcon AppIcon();
