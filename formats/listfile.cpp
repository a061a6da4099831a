// SPDX-License-Identifier: MIT
#include "formats/listfile.h"

#include <cerrno>
#include <fcntl.h>

#include "core/atomicfile.h"
#include "engine/domaintable.h"
#include "engine/whois/whoisservers.h"
#include "formats/listname.h"
#include "formats/listreader.h"

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    [[nodiscard]] int get() const { return m_fd; }

private:
    int m_fd;
};

// Reads the whole file through `reader`; 0, or the errno that stopped it.
int ReadThrough(int fd, ListReader& reader) {
    std::uint64_t total = 0;
    for (bool atEnd = false; !atEnd;) {
        if (const int error = ReadListPiece(fd, reader, total, atEnd); error != 0) {
            return error;
        }
    }
    return 0;
}

} // namespace

bool LoadResult::complete() const {
    return (opened || error == ENOENT) && linesTooLong == 0 && linesWithBadBytes == 0 &&
           skippedOverCapacity == 0;
}

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

    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) {
        result.error = errno;
        table.count = 0;
        return result;
    }
    ListReader reader(static_cast<std::size_t>(DomainTable::kMaxRows));
    const int readError = ReadThrough(file.get(), reader);
    reader.Finish();

    ListReading& reading = reader.Chosen();
    result = reading.counts;
    result.format = reader.format();
    result.opened = readError == 0;
    result.error = readError;
    for (std::string& name : reading.names) {
        SetField(table.Row(result.stored).domain, name);
        ++result.stored;
    }
    table.count = result.stored;
    AssignWhoisServers(table);
    return result;
}

bool SaveListFile(const DomainTable& table, const std::string& path, ListFormat format,
                  int* error) {
    std::string bytes;
    if (format.encoding == ListEncoding::Utf8 && format.byteOrderMark) {
        bytes += kUtf8ByteOrderMark;
    }
    for (int32_t i = 0; i < table.count; ++i) {
        const DomainRecord& row = table.Row(i);
        if (row.removed != 0) {
            continue;
        }
        bytes += ListFileSpelling(FieldText(row.domain), format);
        bytes += "\r\n";
    }
    return WriteFileAtomically(path, bytes, error);
}
