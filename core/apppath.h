#pragma once

#include <string>

// The folder where the list file and zentrix.ini live, ending in '/'.
// ZENTRIX_HOME wins; then the executable's folder when it is writable (portable
// use); then $XDG_DATA_HOME/zentrix/ (default ~/.local/share/zentrix/). The
// chosen folder is created when missing.
[[nodiscard]] std::string resolveAppPath();
