// SPDX-License-Identifier: MIT
#pragma once

// The working list file: one domain per line, in UTF-8 or GBK (see
// listencoding.h). Loading rebuilds the whole table from it; saving writes
// the rows that are not removed, in the format the file was read in.

#include <cstdint>
#include <string>
#include <vector>

#include "formats/listencoding.h"

struct DomainTable;

// A line longer than this is skipped as it is read, never held whole.
inline constexpr std::size_t kMaxListLineBytes = 4096;
// Reading stops here (EFBIG): a list of 20000 names never comes near it, and
// a device without an end (/dev/zero) must not keep the program reading.
inline constexpr std::uint64_t kMaxListFileBytes = std::uint64_t{2} << 30;

inline constexpr std::size_t kSkippedSamples = 5;

struct LoadResult {
    int32_t stored = 0;              // rows now in the table
    int32_t skippedLong = 0;         // names over 40 bytes, lines over 4 KiB
    int32_t skippedOverCapacity = 0; // names past the table's last row
    int32_t skippedInvalid = 0;      // control bytes, bad bytes, no A-label
    int32_t linesTooLong = 0;        // of skippedLong: lines over 4 KiB
    int32_t linesWithBadBytes = 0;   // of skippedInvalid: bytes GBK does not have
    bool opened = false;             // the file was opened and read to its end
    int error = 0;                   // errno when !opened
    ListFormat format;               // what the bytes read were
    // The first lines skipped as too long or invalid, in the file's encoding
    // and cut to 80 bytes (a line over 4 KiB is kept empty).
    std::vector<std::string> skippedSamples;

    // True when the table holds everything of the file that a row can hold:
    // read to its end (or not there at all), no line too long to read, no
    // bytes its encoding lacks, nothing past the last row. Only then may the
    // list be written back from the table without losing a line of the file.
    [[nodiscard]] bool complete() const;
};

// Zero-fills the table (allocating its block if it has none), stores every
// name the lines give (see listname.h) in file order and assigns the rows'
// WHOIS servers. Skipped names are counted, never cut. A file that cannot be
// opened loads an empty table. Memory stays bounded whatever the file holds.
LoadResult LoadListFile(DomainTable& table, const std::string& path);

// Writes every row not removed, one per line ended by CR LF, in table order,
// replacing the file atomically; names are spelt as `format` writes them (a
// UTF-8 file keeps its byte-order mark). False, and `error` set to errno,
// when it could not be written (the old file stays).
bool SaveListFile(const DomainTable& table, const std::string& path, ListFormat format = {},
                  int* error = nullptr);
