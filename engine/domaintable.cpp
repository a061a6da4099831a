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
