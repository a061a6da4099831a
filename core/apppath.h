#pragma once

#include <string>

// What the choice of the program folder looks at; empty means unset.
struct AppPathInputs {
    std::string zentrixHome; // $ZENTRIX_HOME
    std::string exeFolder;   // folder of /proc/self/exe
    bool exeFolderWritable = false;
    std::string xdgDataHome; // $XDG_DATA_HOME
    std::string home;        // $HOME, else the password entry's folder
};

// The folder where the list file and zentrix.ini live, ending in '/'.
// ZENTRIX_HOME wins; then the executable's folder when it is writable (portable
// use); then $XDG_DATA_HOME/zentrix/ (default ~/.local/share/zentrix/).
[[nodiscard]] std::string chooseAppPath(const AppPathInputs& in);

// chooseAppPath on this process's environment; creates the folder when missing.
[[nodiscard]] std::string resolveAppPath();
