// SPDX-License-Identifier: MIT
#pragma once

// What the desktop program tells the user on its own, outside any command:
// where the data folder now lives, settings that could not be saved (in the
// status line), and ZENTRIX_CONNECT_TO entries it cannot use.

class CMainFrame;

// Routes the core's notices to `frame`'s windows; they may come from any
// thread and are shown on the user-interface thread.
void InstallUserNoticeHandler(CMainFrame* frame);
void RemoveUserNoticeHandler();
// A warning naming every bad ZENTRIX_CONNECT_TO entry, shown once the
// event loop runs; nothing when all are good.
void WarnAboutConnectToAtStart();
