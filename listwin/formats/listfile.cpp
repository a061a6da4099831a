#include "listwin/formats/listfile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

#include "core/atomicfile.h"
#include "engine/domaintable.h"
#include "engine/whoisservers.h"
#include "listwin/formats/linenormalize.h"

namespace {

constexpr std::size_t kMaxDomainBytes = sizeof(DomainRecord::domain) - 1;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

void StoreLine(DomainTable& table, std::string_view line, LoadResult& result) {
    // A C-string reader ends a line at a NUL byte; so does this one.
    line = line.substr(0, line.find('\0'));
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    const std::string name = NormalizeListLine(line);
    if (name.empty()) {
        return;
    }
    if (name.size() > kMaxDomainBytes) {
        ++result.skippedLong;
        return;
    }
    if (result.stored >= DomainTable::kMaxRows) {
        ++result.skippedOverCapacity;
        return;
    }
    SetField(table.Row(result.stored).domain, name);
    ++result.stored;
}

} // namespace

LoadResult LoadListFile(DomainTable& table, const std::string& path) {
    LoadResult result;
    // A new block comes zero-filled; only a block in use needs clearing
    // (which touches every page of it, a cost a short batch run notices).
    if (!table.IsAllocated()) {
        if (!table.Allocate()) {
            result.error = ENOMEM;
            return result;
        }
    } else {
        table.Clear();
    }

    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        result.error = errno;
        return result;
    }
    std::string line;
    char chunk[64 * 1024];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
        std::string_view rest(chunk, n);
        for (auto lf = rest.find('\n'); lf != std::string_view::npos; lf = rest.find('\n')) {
            line.append(rest.substr(0, lf));
            StoreLine(table, line, result);
            line.clear();
            rest.remove_prefix(lf + 1);
        }
        line.append(rest);
    }
    if (std::ferror(file.get())) {
        result.error = errno != 0 ? errno : EIO;
    } else {
        // The last line counts without a line end.
        if (!line.empty()) {
            StoreLine(table, line, result);
        }
        result.opened = true;
    }
    table.count = result.stored;
    AssignWhoisServers(table);
    return result;
}

bool SaveListFile(const DomainTable& table, const std::string& path, int* error) {
    std::string bytes;
    for (int32_t i = 0; i < table.count; ++i) {
        const DomainRecord& row = table.Row(i);
        if (row.removed != 0) {
            continue;
        }
        bytes.append(row.domain, ::strnlen(row.domain, sizeof row.domain));
        bytes += "\r\n";
    }
    return WriteFileAtomically(path, bytes, error);
}
