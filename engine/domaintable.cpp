#include "engine/domaintable.h"

#include <cstdlib>
#include <cstring>
#include <new>

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

std::size_t GbkCutLength(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) {
        return text.size();
    }
    // Walk character by character so a trail byte is never taken for a lead.
    std::size_t pos = 0;
    while (pos < maxBytes) {
        const auto byte = static_cast<unsigned char>(text[pos]);
        const std::size_t width = (byte >= 0x81 && byte <= 0xFE && pos + 1 < text.size()) ? 2 : 1;
        if (pos + width > maxBytes) {
            break;
        }
        pos += width;
    }
    return pos;
}

void SetField(char* field, std::size_t width, std::string_view value) {
    if (width == 0) {
        return;
    }
    const std::size_t n = GbkCutLength(value, width - 1);
    std::memcpy(field, value.data(), n);
    std::memset(field + n, 0, width - n);
}

bool DomainTable::Allocate() {
    Release();
    rows = static_cast<DomainRecord*>(std::calloc(kMaxRows, sizeof(DomainRecord)));
    count = 0;
    findCursor = 0;
    return rows != nullptr;
}

void DomainTable::Clear() {
    if (rows != nullptr) {
        std::memset(static_cast<void*>(rows), 0, sizeof(DomainRecord) * kMaxRows);
    }
    count = 0;
}

void DomainTable::Release() {
    std::free(rows);
    rows = nullptr;
    count = 0;
}

DomainTable& TheDomainTable() {
    static DomainTable table;
    return table;
}
