// SPDX-License-Identifier: MIT
#include "cli/batchreport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/domaintable.h"

std::string FormatDuration(double seconds) {
    char text[32];
    if (seconds < 60) {
        std::snprintf(text, sizeof text, "%.1f s", std::max(seconds, 0.0));
        return text;
    }
    const long whole = std::lround(seconds);
    if (whole < 3600) {
        std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    } else {
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60,
                      whole % 60);
    }
    return text;
}

std::string FormatProgress(int32_t done, int32_t total, int32_t queried, double elapsedSeconds) {
    std::string line = std::to_string(done) + " / " + std::to_string(total) + " rows";
    if (queried > 0 && elapsedSeconds > 0) {
        const double rate = queried / elapsedSeconds;
        char text[64];
        std::snprintf(text, sizeof text, "  %.1f rows/s  ", rate);
        line += text;
        line += FormatDuration((total - done) / rate) + " left";
    }
    return line;
}

std::string FormatLaneWait(const std::string& host, double seconds) {
    const long whole = std::max(1L, static_cast<long>(std::ceil(seconds)));
    return "waiting for " + host + " (" + std::to_string(whole) + " s)";
}

namespace {

// " (2 timed out, 1 rate limited)": each kind with a count, in the kinds'
// order from `first`, named by `name`; "" when none has a count.
template <std::size_t N, typename Name>
std::string CountedKinds(const std::array<int32_t, N>& counts, std::size_t first, Name name) {
    std::string text;
    for (std::size_t kind = first; kind < N; ++kind) {
        if (counts[kind] > 0) {
            text += (text.empty() ? " (" : ", ") + std::to_string(counts[kind]) + " " +
                    std::string(name(static_cast<int>(kind)));
        }
    }
    return text.empty() ? text : text + ")";
}

// Reason 0 is "no failure".
std::string ErrorReasons(const BatchSummary& s) {
    return CountedKinds(s.errorsByReason, 1, [](int reason) {
        return FailReasonEnglish(static_cast<FailReason>(reason));
    });
}

// "; 2 changed (1 renewed, 1 transferred)", "; 0 changed".
std::string Changes(const BatchSummary& s) {
    return "; " + std::to_string(s.changedRows) + " changed" +
           CountedKinds(s.changesByKind, 0,
                        [](int kind) { return ChangeKindKey(static_cast<ChangeKind>(kind)); });
}

} // namespace

std::string FormatSummary(const BatchSummary& s) {
    const int32_t queried = std::max(s.done - s.startIndex - s.doneBefore, 0);
    std::string line;
    if (s.interrupted) {
        line = "interrupted after " + std::to_string(s.done) + " of " + std::to_string(s.total) +
               " rows";
    } else {
        line = std::to_string(s.total) + " rows";
    }
    line += " in " + FormatDuration(s.elapsedSeconds);
    if (s.startIndex > 0) {
        line += ", resumed at row " + std::to_string(s.startIndex);
    }
    if (s.doneBefore > 0) {
        line += " (" + std::to_string(s.doneBefore) + " later rows finished before)";
    }
    line += ": " + std::to_string(s.byStatus[Found]) + " found, " +
            std::to_string(s.byStatus[NotRegistered]) + " not registered, " +
            std::to_string(s.byStatus[Error]) + " error" + ErrorReasons(s) + ", " +
            std::to_string(s.byStatus[NoServer]) + " no server";
    if (s.otherStatus > 0) {
        line += ", " + std::to_string(s.otherStatus) + " other";
    }
    if (queried != s.total) {
        line += " (" + std::to_string(queried) + " queried)";
    }
    if (s.compared) {
        line += Changes(s);
    }
    const int32_t skipped = s.skippedLong + s.skippedInvalid;
    line += "; " + std::to_string(skipped) + (skipped == 1 ? " name" : " names") + " skipped";
    if (skipped > 0) {
        line += " (" + std::to_string(s.skippedLong) + " longer than 40 bytes";
        if (s.skippedInvalid > 0) {
            line += ", " + std::to_string(s.skippedInvalid) + " invalid";
        }
        line += ")";
    }
    if (s.storeNotSaved) {
        line += "; NOT SAVED: the results store could not be written, --resume cannot go on "
                "from here";
    }
    return line;
}
