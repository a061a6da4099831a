// SPDX-License-Identifier: MIT
#pragma once

// The calendar for the red display: a row is drawn red when its expiry date
// lies within the given number of days from today, or already in the past;
// text without a readable date is never red. The list model keeps each
// row's expiry as a day number, so the rule is one subtraction.

#include "core/ccore.h" // DaysFromCivil, LocalToday

// How near a row's expiry is, for the colour of its days left.
enum class ExpiryBand {
    Expired, // the date is past
    Soon,    // within the red-display days
    Near,    // within twice those days
    Later,
};
// `daysLeft` from today to the expiry (negative when past); `redDays` as the
// red display takes them (a negative count is taken as none).
[[nodiscard]] ExpiryBand ExpiryBandOf(long daysLeft, int redDays);
