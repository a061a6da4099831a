// SPDX-License-Identifier: MIT
#include "cli/watchalerts.h"

#include "core/ccore.h"
#include "engine/domaintable.h"
#include "engine/store/storedcheck.h"

std::optional<long> DaysToExpiry(const WatchRow& row, long today) {
    if (row.status != Found || row.expiry.empty()) {
        return std::nullopt;
    }
    const std::optional<CivilDate> date = ReadStoredDate(row.expiry);
    if (!date) {
        return std::nullopt;
    }
    return DaysFromCivil(*date) - today;
}

namespace {

std::string ExpiryNote(const WatchRow& row, long days) {
    if (days < 0) {
        return "expired " + row.expiry + " (" + std::to_string(-days) +
               (days == -1 ? " day ago)" : " days ago)");
    }
    if (days == 0) {
        return "expires " + row.expiry + " (today)";
    }
    return "expires " + row.expiry + " (in " + std::to_string(days) +
           (days == 1 ? " day)" : " days)");
}

std::string ChangeNote(std::uint8_t changes) {
    std::string note = "changed: ";
    bool first = true;
    for (const ChangeKind kind : ChangeKindsOf(changes)) {
        note += first ? "" : ", ";
        note += ChangeKindKey(kind);
        first = false;
    }
    return note;
}

} // namespace

std::vector<std::string> AlertLines(const std::vector<WatchRow>& rows, int withinDays, long today) {
    std::vector<std::string> lines;
    for (const WatchRow& row : rows) {
        std::string line;
        if (const auto days = DaysToExpiry(row, today); days && *days <= withinDays) {
            line = ExpiryNote(row, *days);
        }
        if (row.changes != 0) {
            line += (line.empty() ? "" : "; ") + ChangeNote(row.changes);
        }
        if (!line.empty()) {
            lines.push_back(row.domain + ": " + line);
        }
    }
    return lines;
}
