// SPDX-License-Identifier: MIT
#pragma once

// The reason the system gave for a failed file operation, for the user.

#include <QString>

// Chinese text of an errno value ("权限不够" for EACCES); the system's own
// text for the rarer ones; empty for 0.
[[nodiscard]] QString SystemErrorText(int error);
