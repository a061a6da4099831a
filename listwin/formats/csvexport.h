// SPDX-License-Identifier: MIT
#pragma once

// The CSV export: one line per row, nine quoted fields (server, domain,
// status text, expiry date, creation date, owner, e-mail, telephone,
// registrar), GBK bytes, CR LF after every line, no header.

#include <string>
#include <string_view>

#include "core/text.h"

struct DomainRecord;
struct DomainTable;

// One line, CR LF included. A double quote inside a field is doubled, so no
// text can end its field early; CR and LF stay inside the quotes. Field 2
// (the domain, from the user's list) and fields 4 to 9 (what a remote server
// wrote): one beginning with '=', '+', '-' or '@' (after any blanks), or with
// TAB or CR, gets a leading "'" so a spreadsheet shows it as text instead of
// running it as a formula.
// A row not yet asked (`finished` false) has an empty status field: its
// status code still reads "no server" although no server was asked.
[[nodiscard]] std::string FormatCsvLine(const DomainRecord& row, bool finished = true);

enum class CsvEncoding {
    Gbk,         // the desktop program's own format
    Utf8WithBom, // the same lines in UTF-8 after a byte-order mark, for Excel
};

// Every row 0..count-1, in table order, replacing `path` atomically. False
// when the file could not be written (an older file at `path` stays).
[[nodiscard]] bool WriteCsvFile(const DomainTable& table, const std::string& path,
                                int* error = nullptr, CsvEncoding encoding = CsvEncoding::Gbk);
