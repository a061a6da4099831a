// SPDX-License-Identifier: MIT
#include "formats/liststream.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

#include "formats/listreader.h"

ListNameStream::ListNameStream() = default;

ListNameStream::~ListNameStream() {
    Close();
}

void ListNameStream::Close() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

bool ListNameStream::Open(const std::string& path) {
    Close();
    m_reader.reset();
    m_error = 0;
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) {
        m_error = errno;
        return false;
    }
    // The first reading only tells the encoding: its bytes, not its lines.
    ListFormatScan scan;
    std::vector<char> piece(64 * 1024);
    std::uint64_t total = 0;
    for (;;) {
        const ssize_t n = ::read(m_fd, piece.data(), piece.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        total += static_cast<std::uint64_t>(std::max<ssize_t>(n, 0));
        if (n < 0 || total > kMaxListFileBytes) {
            m_error = n < 0 ? errno : EFBIG;
            Close();
            return false;
        }
        if (n == 0) {
            break;
        }
        scan.Feed(std::string_view(piece.data(), static_cast<std::size_t>(n)));
    }
    m_format = scan.Finish();
    return Rewind();
}

bool ListNameStream::Rewind() {
    if (m_fd < 0) {
        return false;
    }
    if (::lseek(m_fd, 0, SEEK_SET) != 0) {
        m_error = errno;
        Close();
        return false;
    }
    m_reader = std::make_unique<ListReader>(m_format);
    m_next = 0;
    m_read = 0;
    m_atEnd = false;
    m_error = 0;
    m_given = 0;
    return true;
}

bool ListNameStream::Next(std::string& name) {
    if (!m_reader) {
        return false;
    }
    std::vector<std::string>& names = m_reader->Chosen().names;
    while (m_next >= names.size()) {
        names.clear();
        m_next = 0;
        if (m_atEnd || m_error != 0) {
            return false;
        }
        m_error = ReadListPiece(m_fd, *m_reader, m_read, m_atEnd);
        if (m_error != 0) {
            return false;
        }
        if (m_atEnd) {
            m_reader->Finish();
        }
    }
    name = std::move(names[m_next++]);
    ++m_given;
    return true;
}

LoadResult ListNameStream::counts() const {
    LoadResult counts;
    if (m_reader) {
        counts = m_reader->Chosen().counts;
    }
    counts.stored = m_given;
    counts.format = m_format;
    counts.opened = m_atEnd && m_error == 0;
    counts.error = m_error;
    return counts;
}
