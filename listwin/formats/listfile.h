#pragma once

// The working list file: one domain per line, GBK bytes. Loading rebuilds
// the whole table from it; saving writes the rows that are not removed.

#include <cstdint>
#include <string>

struct DomainTable;

struct LoadResult {
    int32_t stored = 0;              // rows now in the table
    int32_t skippedLong = 0;         // normalised names over 40 bytes
    int32_t skippedOverCapacity = 0; // names past the table's last row
    bool opened = false;             // the file was opened and read to its end
    int error = 0;                   // errno when !opened
};

// Zero-fills the table (allocating its block if it has none), stores every
// non-empty normalised line as the domain of the next row and assigns the
// rows' WHOIS servers. A name longer than 40 bytes is skipped, not cut (a
// cut name is another domain); lines past the table's capacity are counted,
// not stored. A file that cannot be opened loads an empty table.
LoadResult LoadListFile(DomainTable& table, const std::string& path);

// Writes "domain\r\n" for every row not removed, in table order, replacing
// the file atomically. False when it could not be written (the old file
// stays; errno in `error`).
bool SaveListFile(const DomainTable& table, const std::string& path, int* error = nullptr);
