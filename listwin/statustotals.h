// SPDX-License-Identifier: MIT
#pragma once

// The rows of the list counted by outcome, as the status bar shows them
// after a batch: "成功 40 · 未注册 10 · 失败 4 · 无服务器 2".

#include <QString>

class CListCtrlModel;

struct StatusTotals {
    int found = 0;
    int notRegistered = 0;
    int failed = 0;
    int noServer = 0;
    int notAsked = 0; // rows without a result
};

[[nodiscard]] StatusTotals CountStatuses(const CListCtrlModel& model);
// The four outcomes always; the rows not asked only when there are some.
[[nodiscard]] QString StatusTotalsText(const StatusTotals& totals);
