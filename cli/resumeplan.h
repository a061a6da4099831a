// SPDX-License-Identifier: MIT
#pragma once

// Where a batch over a list starts: afresh, or going on with an interrupted
// batch over the same list. Pure logic over what the results store holds.

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/store/resultstore.h"

struct ResumePlan {
    bool resumed = false;        // a position of this list was found
    std::int64_t startedAt = 0;  // when the batch began (the interrupted one's start)
    std::int32_t startIndex = 0; // the first row to ask
    std::vector<char> done;      // by index: the interrupted batch finished the row
    std::int32_t doneCount = 0;
};

// A fresh batch starts at `now` with nothing done. A resumed one keeps the
// interrupted batch's start, and a row counts as done when its name's latest
// stored check is not older than that start: rows that finished out of
// order are found too, and a row whose check never reached the store (a
// kill before the store's next commit) is asked again. The position's row
// index is not trusted on its own for the same reason.
[[nodiscard]] ResumePlan PlanResume(const std::vector<std::string>& names,
                                    const std::optional<ListPosition>& position,
                                    const std::unordered_map<std::string, StoredCheck>& latest,
                                    std::int64_t now);
