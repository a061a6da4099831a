// SPDX-License-Identifier: MIT
#pragma once

// Where a batch over a list starts: afresh, or going on with an interrupted
// batch over the same list. Pure logic over what the results store holds.

#include <cstdint>
#include <optional>

#include "engine/store/resultstore.h"

struct ResumeStart {
    bool resumed = false;       // a position of this list was found
    std::int64_t startedAt = 0; // when the batch began (the interrupted one's start)
};

// A fresh batch starts at `now`; a resumed one keeps the interrupted
// batch's start.
[[nodiscard]] ResumeStart StartOf(const std::optional<ListPosition>& position, std::int64_t now);

// Whether the interrupted batch finished a row, given its name's latest
// stored check: one not older than that batch's start. Rows that finished
// out of order are found too, and a row whose check never reached the
// store (a kill before the store's next commit) is asked again; the
// position's row index is not trusted on its own for the same reason.
[[nodiscard]] bool FinishedBefore(const StoredCheck* latest, const ResumeStart& start);
