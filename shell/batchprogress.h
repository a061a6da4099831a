// SPDX-License-Identifier: MIT
#pragma once

// The text of the status bar's progress bar during a batch: rows done of
// all, rows a second, and the time left at that pace.

#include <QString>

// `done` counts from row 0 (a resumed batch starts at its start index);
// `finished` is what this batch finished in `seconds`. Without `timeLeft`
// the time left is not said (no row finished for a while, or stopped).
[[nodiscard]] QString BatchProgressText(int done, int total, int finished, double seconds,
                                        bool timeLeft = true);
// A pace this long without a finished row says nothing about the time left.
inline constexpr int kStalledMs = 5000;
// "5 秒", "2 分 05 秒", "1 小时 02 分".
[[nodiscard]] QString DurationText(long long seconds);
