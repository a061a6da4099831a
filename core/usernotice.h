// SPDX-License-Identifier: MIT
#pragma once

// What the core finds on its own that the user must be told: the data
// folder moved, settings that could not be saved. Each program shows these
// its own way (the desktop in its windows, the batch tool on standard
// error) through one process-wide handler; without one they go to standard
// error. The handler may be called on any thread.

#include <functional>
#include <string>

enum class UserNoticeKind {
    DataFolderMoved,  // `path`: the new data folder; `detail`: where the files were
    SettingsNotSaved, // `path`: the settings file; `detail`: the system's reason
};

struct UserNotice {
    UserNoticeKind kind = UserNoticeKind::SettingsNotSaved;
    std::string path;
    std::string detail;
};

using UserNoticeHandler = std::function<void(const UserNotice&)>;

// Installs the process's handler (an empty one restores standard error).
void SetUserNoticeHandler(UserNoticeHandler handler);
// Hands `notice` to the handler, or writes UserNoticeText on standard error.
void PostUserNotice(const UserNotice& notice);
// One English line, without the program's name or a line end.
[[nodiscard]] std::string UserNoticeText(const UserNotice& notice);
