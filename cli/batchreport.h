// SPDX-License-Identifier: MIT
#pragma once

// The texts zentrix-batch writes on standard error: the progress line that
// is rewritten in place, and the summary at the end.

#include <array>
#include <cstdint>
#include <string>

#include "engine/failreason.h"
#include "engine/store/storedcheck.h"

// "1:02:03", "2:03" or "7.5 s".
[[nodiscard]] std::string FormatDuration(double seconds);

// "120 / 1000 rows  35.2 rows/s  0:25 left". `queried` rows of this run took
// `elapsedSeconds`; the rate and the time left come from them.
[[nodiscard]] std::string FormatProgress(int32_t done, int32_t total, int32_t queried,
                                         double elapsedSeconds);

// "waiting for whois.example (15 s)": a server's lane paused after it
// refused; the seconds are rounded up.
[[nodiscard]] std::string FormatLaneWait(const std::string& host, double seconds);

struct BatchSummary {
    int32_t total = 0;      // rows in the list
    int32_t startIndex = 0; // the first row queried
    int32_t done = 0;       // rows written: every row before this one is finished
    int32_t doneBefore = 0; // rows at or after startIndex that the interrupted run finished
    std::array<int32_t, 4> byStatus{}; // rows queried this run, by status code
    // Error rows of this run by their reason (FailReason's value).
    std::array<int32_t, kFailReasonCount> errorsByReason{};
    int32_t otherStatus = 0;
    int32_t skippedLong = 0;
    int32_t skippedInvalid = 0; // control bytes, bad bytes, no A-label
    bool interrupted = false;
    double elapsedSeconds = 0;
    // Rows of this run compared with their names' stored checks (the store
    // was used), those that changed, and the changes by kind (ChangeKind's
    // value; one row may change in several ways).
    bool compared = false;
    int32_t changedRows = 0;
    std::array<int32_t, kChangeKindCount> changesByKind{};
    bool storeNotSaved = false; // the results and the resume position could not be kept
};

// One line, without its line end.
[[nodiscard]] std::string FormatSummary(const BatchSummary& summary);
