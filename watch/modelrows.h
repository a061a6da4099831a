// SPDX-License-Identifier: MIT
#pragma once

// The list model's items as the watch's rules read them.

#include "watch/watchedrow.h"

#include <vector>

class CListCtrlModel;

[[nodiscard]] std::vector<WatchedRow> WatchedRowsOf(const CListCtrlModel& model);
