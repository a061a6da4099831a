// SPDX-License-Identifier: MIT
#include "cli/resumeplan.h"

ResumePlan PlanResume(const std::vector<std::string>& names,
                      const std::optional<ListPosition>& position,
                      const std::unordered_map<std::string, StoredCheck>& latest,
                      std::int64_t now) {
    ResumePlan plan;
    plan.startedAt = now;
    plan.done.assign(names.size(), 0);
    if (!position) {
        return plan;
    }
    plan.resumed = true;
    plan.startedAt = position->startedAt;
    plan.startIndex = static_cast<std::int32_t>(names.size());
    for (std::size_t index = 0; index < names.size(); ++index) {
        const auto found = latest.find(names[index]);
        if (found != latest.end() && found->second.askedAt >= position->startedAt) {
            plan.done[index] = 1;
            ++plan.doneCount;
        } else if (plan.startIndex == static_cast<std::int32_t>(names.size())) {
            plan.startIndex = static_cast<std::int32_t>(index);
        }
    }
    return plan;
}
