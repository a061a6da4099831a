// SPDX-License-Identifier: MIT
#include "watch/modelrows.h"

#include "listwin/listctrlmodel.h"

std::vector<WatchedRow> WatchedRowsOf(const CListCtrlModel& model) {
    std::vector<WatchedRow> rows;
    rows.reserve(static_cast<std::size_t>(model.GetItemCount()));
    for (int i = 0; i < model.GetItemCount(); ++i) {
        const CListCtrlModel::Item& item = model.GetItem(i);
        WatchedRow row;
        row.domain = item.cells[ListColumn::Domain].toStdString();
        row.status = item.status;
        row.expiryDay =
            item.expiryDay == CListCtrlModel::kNoDay ? WatchedRow::kNoDay : item.expiryDay;
        row.changes = item.changes;
        rows.push_back(std::move(row));
    }
    return rows;
}
