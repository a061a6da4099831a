// SPDX-License-Identifier: MIT
#pragma once

// The list file's lines turned into names, fed a piece of the file at a
// time. The file's encoding is known only at its end (a file is UTF-8 only
// if all of it is), so a reader that does not know it yet keeps one reading
// per candidate and the caller picks one at the end; a reader told the
// format (a second reading of the same file) keeps just that one.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/listencoding.h"
#include "formats/listfile.h"
#include "formats/listname.h"

// What the lines give under one reading of the file's encoding: the names
// (at most `capacity`; those past it are counted) and what was skipped.
struct ListReading {
    explicit ListReading(ListEncoding encoding) : encoding(encoding) {}

    ListEncoding encoding;
    std::size_t capacity = std::numeric_limits<std::size_t>::max();
    std::vector<std::string> names;
    LoadResult counts;

    void Take(ListLineVerdict verdict, std::string& name, std::string_view line);
    void TakeTooLongLine();

private:
    // The first lines skipped, cut short, for the import's summary.
    void KeepSample(std::string_view line);
};

class ListReader {
public:
    // Both readings, each holding at most `capacity` names.
    explicit ListReader(std::size_t capacity);
    // The one reading of a file whose format is known, without a limit.
    explicit ListReader(ListFormat known);

    void Feed(std::string_view bytes);
    // The last line counts without a line end.
    void Finish();
    [[nodiscard]] ListFormat format() const { return m_format; }
    [[nodiscard]] ListReading& Chosen();

private:
    void EndLine();
    void Judge(std::string_view line);

    std::optional<ListFormat> m_known;
    ListFormatScan m_scan;
    ListFormat m_format;
    ListReading m_gbk = ListReading(ListEncoding::Gbk);
    ListReading m_utf8 = ListReading(ListEncoding::Utf8);
    std::string m_line;
    bool m_tooLong = false;
    bool m_firstLine = true;
};

// Reads up to `bytes` of `fd` into `reader`: 0 (nothing more to read: at the
// end when `atEnd`), or the errno that stopped it (EFBIG past the list
// file's size limit, counted by `total`).
int ReadListPiece(int fd, ListReader& reader, std::uint64_t& total, bool& atEnd);
