#pragma once

// The red display: a row is drawn red when its expiry date lies within the
// given number of days from today, or already in the past. Text without a
// readable date is never red.

#include "core/ccore.h"

#include <string_view>

// Days since 1970-01-01 of a proleptic Gregorian date.
[[nodiscard]] long DaysFromCivil(const CivilDate& date);
[[nodiscard]] bool IsExpiringWithin(std::string_view expiryText, int days, const CivilDate& today);
// The local calendar date now.
[[nodiscard]] CivilDate LocalToday();
