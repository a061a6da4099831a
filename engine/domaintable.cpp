// SPDX-License-Identifier: MIT
#include "engine/domaintable.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

const char* QueryStatusListText(int32_t status) {
    switch (status) {
    case NoServer:
        return "无whois服务器";
    case Found:
        return "成功";
    case NotRegistered:
        return "域名未注册";
    case Error:
        return "ERR!";
    default:
        return "";
    }
}

const char* QueryStatusExportText(int32_t status) {
    return status == Error ? "" : QueryStatusListText(status);
}

void RowBlockDeleter::operator()(DomainRecord* rows) const {
    std::free(rows);
}

bool DomainTable::Allocate() {
    // calloc: the block must start zero-filled, and the OS hands out zero pages.
    m_rows.reset(static_cast<DomainRecord*>(std::calloc(kMaxRows, sizeof(DomainRecord))));
    count = 0;
    findCursor = 0;
    details.Reset(m_rows != nullptr ? kMaxRows : 0);
    return m_rows != nullptr;
}

void DomainTable::Clear() {
    if (m_rows) {
        std::memset(static_cast<void*>(m_rows.get()), 0, sizeof(DomainRecord) * kMaxRows);
    }
    details.Reset(m_rows != nullptr ? kMaxRows : 0);
    count = 0;
}

int32_t DomainTable::RemoveMarkedRows() {
    if (!m_rows) {
        return 0;
    }
    std::vector<int32_t> gone;
    int32_t kept = 0;
    for (int32_t i = 0; i < count; ++i) {
        if (m_rows[i].removed != 0) {
            gone.push_back(i);
            continue;
        }
        if (kept != i) {
            std::memcpy(static_cast<void*>(&m_rows[kept]), &m_rows[i], sizeof(DomainRecord));
        }
        ++kept;
    }
    if (kept < count) {
        std::memset(static_cast<void*>(&m_rows[kept]), 0,
                    sizeof(DomainRecord) * static_cast<std::size_t>(count - kept));
    }
    details.EraseRows(gone);
    count = kept;
    return static_cast<int32_t>(gone.size());
}

bool DomainTable::IsFinished(int32_t index) const {
    if (!m_rows || index < 0 || index >= count) {
        return false;
    }
    return m_rows[index].answered != 0 || details.Finished(index);
}

void DomainTable::Release() {
    m_rows.reset();
    details.Reset(0);
    count = 0;
}

DomainTable& TheDomainTable() {
    static DomainTable table;
    return table;
}

int32_t DomainTable::BatchBase() const {
    if (batchRows.empty()) {
        return std::clamp<int32_t>(startIndex, 0, std::max<int32_t>(count, 0));
    }
    return std::max<int32_t>(count - static_cast<int32_t>(batchRows.size()), 0);
}

bool DomainTable::InNextBatch(int32_t index) const {
    if (index < std::max<int32_t>(startIndex, 0) || index >= count) {
        return false;
    }
    return batchRows.empty() || std::binary_search(batchRows.begin(), batchRows.end(), index);
}

std::vector<TakenRow> DomainTable::CopyMarkedRows() const {
    std::vector<TakenRow> taken;
    for (int32_t i = 0; m_rows && i < count; ++i) {
        if (m_rows[i].removed == 0) {
            continue;
        }
        TakenRow& row = taken.emplace_back();
        row.index = i;
        std::memcpy(static_cast<void*>(&row.record), &m_rows[i], sizeof(DomainRecord));
        row.record.removed = 0;
        row.hasOutcome = details.Finished(i);
        if (row.hasOutcome) {
            row.outcome = details.Outcome(i);
        }
    }
    return taken;
}

bool DomainTable::PutBackRows(const std::vector<TakenRow>& rows) {
    if (!m_rows || rows.empty()) {
        return false;
    }
    const auto total = static_cast<std::size_t>(count) + rows.size();
    if (total > static_cast<std::size_t>(kMaxRows)) {
        return false;
    }
    std::vector<int32_t> places;
    for (const TakenRow& row : rows) {
        if (row.index < 0 || static_cast<std::size_t>(row.index) >= total ||
            (!places.empty() && row.index <= places.back())) {
            return false;
        }
        places.push_back(row.index);
    }
    // From the end: each kept row moves down by the taken rows before it.
    auto next = rows.rbegin();
    int32_t from = count - 1;
    for (auto to = static_cast<int32_t>(total) - 1; to >= 0; --to) {
        if (next != rows.rend() && next->index == to) {
            std::memcpy(static_cast<void*>(&m_rows[to]), &next->record, sizeof(DomainRecord));
            ++next;
        } else {
            std::memmove(static_cast<void*>(&m_rows[to]), &m_rows[from], sizeof(DomainRecord));
            --from;
        }
    }
    details.InsertRows(places);
    for (const TakenRow& row : rows) {
        if (row.hasOutcome) {
            details.Set(row.index, row.outcome);
        }
    }
    count = static_cast<int32_t>(total);
    return true;
}
