// SPDX-License-Identifier: MIT
#include "formats/listfile.h"

#include <cerrno>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>
#include <vector>

#include "core/atomicfile.h"
#include "engine/domaintable.h"
#include "engine/whois/whoisservers.h"
#include "formats/listname.h"

namespace {

constexpr std::size_t kSampleBytes = 80;

// What the lines give under one reading of the file's encoding. The
// encoding is known only at the end (a file is UTF-8 only if all of it is),
// so the loader keeps one result per candidate and picks one then; a result
// holds at most a table's worth of short names.
struct Reading {
    ListEncoding encoding;
    std::vector<std::string> names;
    LoadResult counts;

    void Take(ListLineVerdict verdict, std::string& name, std::string_view line) {
        switch (verdict) {
        case ListLineVerdict::Empty:
            return;
        case ListLineVerdict::Long:
            ++counts.skippedLong;
            KeepSample(line);
            return;
        case ListLineVerdict::InvalidBytes:
            ++counts.linesWithBadBytes;
            ++counts.skippedInvalid;
            KeepSample(line);
            return;
        case ListLineVerdict::Invalid:
            ++counts.skippedInvalid;
            KeepSample(line);
            return;
        case ListLineVerdict::Name:
            if (names.size() >= static_cast<std::size_t>(DomainTable::kMaxRows)) {
                ++counts.skippedOverCapacity;
                return;
            }
            names.push_back(std::move(name));
            return;
        }
    }
    void TakeTooLongLine() {
        ++counts.skippedLong;
        ++counts.linesTooLong;
        KeepSample({});
    }
    // The first lines skipped, cut short, for the import's summary.
    void KeepSample(std::string_view line) {
        if (counts.skippedSamples.size() < kSkippedSamples) {
            while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
                line.remove_suffix(1);
            }
            counts.skippedSamples.emplace_back(line.substr(0, kSampleBytes));
        }
    }
};

class ListReader {
public:
    void Feed(std::string_view bytes) {
        m_scan.Feed(bytes);
        while (!bytes.empty()) {
            const auto lf = bytes.find('\n');
            const std::string_view piece = bytes.substr(0, lf);
            if (!m_tooLong) {
                if (m_line.size() + piece.size() > kMaxListLineBytes) {
                    m_tooLong = true; // from here on the line's bytes are only passed over
                    m_line.clear();
                } else {
                    m_line.append(piece);
                }
            }
            if (lf == std::string_view::npos) {
                return;
            }
            EndLine();
            bytes.remove_prefix(lf + 1);
        }
    }

    // The last line counts without a line end.
    void Finish() {
        if (m_tooLong || !m_line.empty()) {
            EndLine();
        }
        m_format = m_scan.Finish();
    }

    [[nodiscard]] ListFormat format() const { return m_format; }
    [[nodiscard]] Reading& Chosen() {
        return m_format.encoding == ListEncoding::Utf8 ? m_utf8 : m_gbk;
    }

private:
    void EndLine() {
        if (m_tooLong) {
            m_gbk.TakeTooLongLine();
            m_utf8.TakeTooLongLine();
        } else {
            Judge(m_line);
        }
        m_line.clear();
        m_tooLong = false;
        m_firstLine = false;
    }

    void Judge(std::string_view line) {
        std::string name;
        if (IsAsciiText(line)) {
            const ListLineVerdict verdict = ListNameFromLine(line, ListEncoding::Ascii, name);
            std::string copy = name;
            m_gbk.Take(verdict, name, line);
            m_utf8.Take(verdict, copy, line);
            return;
        }
        m_gbk.Take(ListNameFromLine(line, ListEncoding::Gbk, name), name, line);
        if (!m_scan.MayBeUtf8()) {
            return; // that reading is out; no need to keep it up
        }
        // The mark opens the file, not its first name.
        if (m_firstLine && line.starts_with(kUtf8ByteOrderMark)) {
            line.remove_prefix(kUtf8ByteOrderMark.size());
        }
        name.clear();
        m_utf8.Take(ListNameFromLine(line, ListEncoding::Utf8, name), name, line);
    }

    ListFormatScan m_scan;
    ListFormat m_format;
    Reading m_gbk{ListEncoding::Gbk, {}, {}};
    Reading m_utf8{ListEncoding::Utf8, {}, {}};
    std::string m_line;
    bool m_tooLong = false;
    bool m_firstLine = true;
};

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
    std::vector<char> chunk(64 * 1024);
    std::uint64_t total = 0;
    for (;;) {
        const ssize_t n = ::read(fd, chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return errno;
        }
        if (n == 0) {
            return 0;
        }
        total += static_cast<std::uint64_t>(n);
        if (total > kMaxListFileBytes) {
            return EFBIG;
        }
        reader.Feed(std::string_view(chunk.data(), static_cast<std::size_t>(n)));
    }
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
    ListReader reader;
    const int readError = ReadThrough(file.get(), reader);
    reader.Finish();

    Reading& reading = reader.Chosen();
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
