// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

// What the choice of the data folder looks at; empty means unset.
struct AppPathInputs {
    std::string zentrixHome;  // $ZENTRIX_HOME
    std::string exeFolder;    // folder of /proc/self/exe
    bool exePortable = false; // a file "zentrix.portable" stands in exeFolder
    std::string xdgDataHome;  // $XDG_DATA_HOME
    std::string home;         // $HOME, else the password entry's folder
};

// The folder where the list file and zentrix.ini live, ending in '/'.
// ZENTRIX_HOME wins; then the executable's folder when "zentrix.portable"
// stands beside it (portable use); then $XDG_DATA_HOME/zentrix/ (default
// ~/.local/share/zentrix/). Never the executable's folder by accident: a
// build folder can be wiped, a system folder is not the user's. "" when
// none of these is known: never a shared temporary folder, where anyone
// could plant or read the user's files.
[[nodiscard]] std::string chooseAppPath(const AppPathInputs& in);

// Why this process has no data folder (one English sentence), "" when it
// has one. Each program checks this first and stops when it is not "".
[[nodiscard]] std::string dataFolderProblem();

// The name of the file that asks for portable use.
inline constexpr const char* kPortableMarker = "zentrix.portable";
// The files of the data folder that earlier versions kept beside the program.
inline constexpr const char* kListFileName = "_items.txt";
inline constexpr const char* kSettingsFileName = "zentrix.ini";

struct DataFolderMove {
    std::vector<std::string> copied; // file names now in the data folder
    int error = 0;                   // errno of a copy that failed
};

// Copies the list file and the settings found in `oldFolder` into
// `dataFolder` when the data folder holds neither yet; the old files stay.
// Both folders end in '/'. Nothing to copy gives an empty result.
[[nodiscard]] DataFolderMove MoveOldDataFiles(const std::string& oldFolder,
                                              const std::string& dataFolder);

// chooseAppPath on this process's environment; creates the folder when
// missing; "" when there is none (see dataFolderProblem). The first time in a process that it picks
// the user's data folder, it also brings over a list and settings left beside the executable by
// earlier versions (telling the user through PostUserNotice) and removes
// temporaries that killed processes left in the folder.
[[nodiscard]] std::string resolveAppPath();
