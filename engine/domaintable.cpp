#include "engine/domaintable.h"

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

void DomainTable::Release() {
    m_rows.reset();
    details.Reset(0);
    count = 0;
}

DomainTable& TheDomainTable() {
    static DomainTable table;
    return table;
}
