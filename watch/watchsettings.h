// SPDX-License-Identifier: MIT
#pragma once

// The watch on the working list as zentrix.ini keeps it: whether it is on,
// every how many days the list is checked again, within how many days an
// expiry is worth an alert, when the last watch check ran, and an alert
// that no notification service could show (told at the next start).

#include <cstdint>
#include <string>

class CCore;

struct WatchSettings {
    static constexpr int kMinEveryDays = 1;
    static constexpr int kMaxEveryDays = 90;
    static constexpr int kDefaultEveryDays = 7;
    static constexpr int kMinAlertDays = 1;
    static constexpr int kMaxAlertDays = 3650;
    // Without red display (or with its days unset).
    static constexpr int kDefaultAlertDays = 30;

    bool enabled = false;
    int everyDays = kDefaultEveryDays;
    int alertDays = kDefaultAlertDays;
    std::int64_t lastCheck = 0; // Unix seconds; 0: never
};

// The alert days when none were saved: the red-display days while red
// display is on (and they are set), else kDefaultAlertDays.
[[nodiscard]] int DefaultAlertDays(bool redDisplay, int redDays);
// Values outside their ranges are brought inside.
[[nodiscard]] WatchSettings ClampWatchSettings(WatchSettings settings);

// Keys "watch", "watchdays", "watchalertdays", "watchlast"; a value never
// saved reads as its default.
[[nodiscard]] WatchSettings LoadWatchSettings(const CCore& core);
void SaveWatchSettings(CCore& core, const WatchSettings& settings);
void SaveWatchLastCheck(CCore& core, std::int64_t when);

// The alert waiting to be told at the next start (key "watchalert"), UTF-8;
// "" when none.
[[nodiscard]] std::string LoadPendingAlert(const CCore& core);
void SavePendingAlert(CCore& core, const std::string& utf8Text);
