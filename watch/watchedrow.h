// SPDX-License-Identifier: MIT
#pragma once

// What the watch reads of one list row: the name as shown, the outcome, the
// expiry as a day number and what changed since the name's previous check.
// Plain data, so the alert and chart rules are pure functions.

#include <climits>
#include <cstdint>
#include <string>

struct WatchedRow {
    static constexpr std::int32_t kNoDay = INT32_MIN;

    std::string domain;              // UTF-8, as the list shows it
    std::int32_t status = -1;        // QueryStatus; -1 while not finished
    std::int32_t expiryDay = kNoDay; // days since 1970-01-01
    std::uint8_t changes = 0;        // bit (1 << ChangeKind) per change
};
