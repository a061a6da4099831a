// SPDX-License-Identifier: MIT
#include "cli/resumeplan.h"

ResumeStart StartOf(const std::optional<ListPosition>& position, std::int64_t now) {
    if (!position) {
        return {false, now};
    }
    return {true, position->startedAt};
}

bool FinishedBefore(const StoredCheck* latest, const ResumeStart& start) {
    return start.resumed && latest != nullptr && latest->askedAt >= start.startedAt;
}
