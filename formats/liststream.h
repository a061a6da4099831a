// SPDX-License-Identifier: MIT
#pragma once

// A list file's names in file order, a piece of the file at a time, for a
// list of any length: what is held stays bounded whatever the file's size.
// Opening reads the file once to learn its encoding (known only at its
// end); the names then come from a second reading.

#include <cstdint>
#include <memory>
#include <string>

#include "formats/listfile.h"

class ListReader;

class ListNameStream {
public:
    ListNameStream();
    ~ListNameStream();
    ListNameStream(const ListNameStream&) = delete;
    ListNameStream& operator=(const ListNameStream&) = delete;

    // False, with error() set to errno, when the file cannot be read.
    bool Open(const std::string& path);
    // Back to the first name, for another reading of the same file.
    bool Rewind();
    // The next name as LoadListFile would store it; false at the end of the
    // file, or when reading failed (error() then says why).
    bool Next(std::string& name);

    // What was skipped so far (all of it once Next said false); `stored`
    // counts the names given.
    [[nodiscard]] LoadResult counts() const;
    [[nodiscard]] ListFormat format() const { return m_format; }
    [[nodiscard]] int error() const { return m_error; }

private:
    void Close();

    int m_fd = -1;
    ListFormat m_format;
    std::unique_ptr<ListReader> m_reader;
    std::size_t m_next = 0; // the next of the reader's names to give
    std::uint64_t m_read = 0;
    bool m_atEnd = false;
    int m_error = 0;
    int32_t m_given = 0;
};
