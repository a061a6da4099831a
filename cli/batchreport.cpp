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

// " (2 timed out, 1 rate limited)", in the order of the reasons; "" when no
// error has a reason.
std::string ErrorReasons(const BatchSummary& s) {
    std::string text;
    for (int reason = 1; reason < kFailReasonCount; ++reason) {
        const int32_t count = s.errorsByReason[static_cast<std::size_t>(reason)];
        if (count > 0) {
            text += (text.empty() ? " (" : ", ") + std::to_string(count) + " " +
                    std::string(FailReasonEnglish(static_cast<FailReason>(reason)));
        }
    }
    return text.empty() ? text : text + ")";
}

// "; 2 changed (1 renewed, 1 transferred)", "; 0 changed".
std::string Changes(const BatchSummary& s) {
    std::string text = "; " + std::to_string(s.changedRows) + " changed";
    std::string kinds;
    for (int kind = 0; kind < kChangeKindCount; ++kind) {
        const int32_t count = s.changesByKind[static_cast<std::size_t>(kind)];
        if (count > 0) {
            kinds += (kinds.empty() ? " (" : ", ") + std::to_string(count) + " " +
                     std::string(ChangeKindKey(static_cast<ChangeKind>(kind)));
        }
    }
    return kinds.empty() ? text : text + kinds + ")";
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
