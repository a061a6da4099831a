// SPDX-License-Identifier: MIT
#pragma once

// What the alerts and the metrics file read of one finished row: a small
// copy, so they need neither the table nor the store.

#include <cstdint>
#include <string>

struct WatchRow {
    std::string domain;         // the Unicode form, as the list shows it
    std::int32_t status = 0;    // QueryStatus's value
    std::string expiry;         // "YYYY-MM-DD" where the answer had a date
    std::int64_t checkedAt = 0; // when the row finished, Unix seconds
    std::uint8_t changes = 0;   // ChangeKind bits since the name's previous check
};
