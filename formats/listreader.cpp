// SPDX-License-Identifier: MIT
#include "formats/listreader.h"

#include <cerrno>
#include <unistd.h>

#include "core/text.h"

namespace {

constexpr std::size_t kSampleBytes = 80;
constexpr std::size_t kPieceBytes = 64 * 1024;

} // namespace

void ListReading::Take(ListLineVerdict verdict, std::string& name, std::string_view line) {
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
        if (names.size() >= capacity) {
            ++counts.skippedOverCapacity;
            return;
        }
        names.push_back(std::move(name));
        return;
    }
}

void ListReading::TakeTooLongLine() {
    ++counts.skippedLong;
    ++counts.linesTooLong;
    KeepSample({});
}

void ListReading::KeepSample(std::string_view line) {
    if (counts.skippedSamples.size() < kSkippedSamples) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.remove_suffix(1);
        }
        counts.skippedSamples.emplace_back(line.substr(0, kSampleBytes));
    }
}

ListReader::ListReader(std::size_t capacity) {
    m_gbk.capacity = capacity;
    m_utf8.capacity = capacity;
}

ListReader::ListReader(ListFormat known) : m_known(known), m_format(known) {}

void ListReader::Feed(std::string_view bytes) {
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

void ListReader::Finish() {
    if (m_tooLong || !m_line.empty()) {
        EndLine();
    }
    m_format = m_known ? *m_known : m_scan.Finish();
}

ListReading& ListReader::Chosen() {
    return m_format.encoding == ListEncoding::Utf8 ? m_utf8 : m_gbk;
}

void ListReader::EndLine() {
    if (m_tooLong && m_known) {
        Chosen().TakeTooLongLine();
    } else if (m_tooLong) {
        m_gbk.TakeTooLongLine();
        m_utf8.TakeTooLongLine();
    } else {
        Judge(m_line);
    }
    m_line.clear();
    m_tooLong = false;
    m_firstLine = false;
}

void ListReader::Judge(std::string_view line) {
    std::string name;
    if (m_known) {
        ListReading& reading = Chosen();
        const bool ascii = IsAsciiText(line);
        if (!ascii && reading.encoding == ListEncoding::Utf8 && m_firstLine &&
            line.starts_with(kUtf8ByteOrderMark)) {
            line.remove_prefix(kUtf8ByteOrderMark.size());
        }
        reading.Take(ListNameFromLine(line, ascii ? ListEncoding::Ascii : reading.encoding, name),
                     name, line);
        return;
    }
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

int ReadListPiece(int fd, ListReader& reader, std::uint64_t& total, bool& atEnd) {
    char piece[kPieceBytes];
    for (;;) {
        const ssize_t n = ::read(fd, piece, sizeof piece);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return errno;
        }
        atEnd = n == 0;
        total += static_cast<std::uint64_t>(n);
        // A device without an end (/dev/zero) must not keep the reader going.
        if (total > kMaxListFileBytes) {
            return EFBIG;
        }
        reader.Feed(std::string_view(piece, static_cast<std::size_t>(n)));
        return 0;
    }
}
