// SPDX-License-Identifier: MIT
#include "core/usernotice.h"

#include <cerrno>
#include <cstdio>
#include <mutex>

namespace {

std::mutex g_mutex;
UserNoticeHandler g_handler;

} // namespace

void SetUserNoticeHandler(UserNoticeHandler handler) {
    const std::lock_guard lock(g_mutex);
    g_handler = std::move(handler);
}

void PostUserNotice(const UserNotice& notice) {
    UserNoticeHandler handler;
    {
        const std::lock_guard lock(g_mutex);
        handler = g_handler;
    }
    if (handler) {
        handler(notice);
        return;
    }
    std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, UserNoticeText(notice).c_str());
}

std::string UserNoticeText(const UserNotice& notice) {
    switch (notice.kind) {
    case UserNoticeKind::DataFolderMoved:
        return "the list and settings found in " + notice.detail + " were copied to " +
               notice.path + ", where they live from now on";
    case UserNoticeKind::SettingsNotSaved:
        return "cannot save settings to " + notice.path + ": " + notice.detail;
    }
    return {};
}
