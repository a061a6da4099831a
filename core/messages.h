// SPDX-License-Identifier: MIT
#pragma once

// Private window messages between control panel, main frame, list view and
// batch worker. A leaf header: it includes nothing, so any poster may use it.

inline constexpr unsigned WM_USER = 0x0400;

// To the main frame.
inline constexpr unsigned UM_REQUEST_QUERY = WM_USER + 11;   // 1035
inline constexpr unsigned UM_QUERY_FINISHED = WM_USER + 12;  // 1036
inline constexpr unsigned UM_IMPORT_FINISHED = WM_USER + 13; // 1037
inline constexpr unsigned UM_PROGRESS = WM_USER + 14;        // 1038, lParam = start + rows finished
inline constexpr unsigned UM_REQUEST_FIND = WM_USER + 15;    // 1039
inline constexpr unsigned UM_REQUEST_DELETE = WM_USER + 16;  // 1040
inline constexpr unsigned UM_REQUEST_STOP = WM_USER + 17;    // 1041, the stop button
// From the main frame to the list view.
inline constexpr unsigned UM_RELOAD_LIST = WM_USER + 21;    // 1045
inline constexpr unsigned UM_START_WORKER = WM_USER + 22;   // 1046
inline constexpr unsigned UM_FIND = WM_USER + 23;           // 1047
inline constexpr unsigned UM_DELETE_CHECKED = WM_USER + 24; // 1048
inline constexpr unsigned UM_STOP_WORKER = WM_USER + 25;    // 1049
// To the control panel.
inline constexpr unsigned UM_PANEL_QUERY_ENDED = WM_USER + 31;   // 1055
inline constexpr unsigned UM_PANEL_DELETE_DONE = WM_USER + 32;   // 1056
inline constexpr unsigned UM_PANEL_QUERY_STARTED = WM_USER + 33; // 1057, a batch it did not start
// table.batchRows holds the rows to ask again; the panel starts the batch.
inline constexpr unsigned UM_PANEL_START_ROWS = WM_USER + 34; // 1058
// From the batch worker to the list view.
inline constexpr unsigned UM_ROW_DONE = WM_USER + 101;    // 1125, lParam = the finished row's index
inline constexpr unsigned UM_WORKER_EXIT = WM_USER + 102; // 1126, lParam = 0, or -1: no session
