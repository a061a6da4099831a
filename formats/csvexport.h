// SPDX-License-Identifier: MIT
#pragma once

// The CSV export: one line per row, nine quoted fields (server, domain,
// status text, expiry date, creation date, owner, e-mail, telephone,
// registrar), GBK bytes, CR LF after every line, no header.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/text.h"
#include "engine/store/checkvalues.h"

struct DomainRecord;
struct DomainTable;

enum class CsvEncoding {
    Gbk,         // the desktop program's own format
    Utf8WithBom, // the same lines in UTF-8 after a byte-order mark, for Excel
};

// One line, CR LF included. A double quote inside a field is doubled, so no
// text can end its field early; CR and LF stay inside the quotes. Field 2
// (the domain, from the user's list) and fields 4 to 9 (what a remote server
// wrote): one beginning with '=', '+', '-' or '@' (after any blanks), or with
// TAB or CR, gets a leading "'" so a spreadsheet shows it as text instead of
// running it as a formula.
// A row not yet asked (`finished` false) has an empty status field: its
// status code still reads "no server" although no server was asked.
[[nodiscard]] std::string FormatCsvLine(const DomainRecord& row, bool finished = true);
// The same with the fields 4 to 9 taken from `values` (UTF-8, whole: see
// ShownValues) in `encoding`: for GBK each character GBK lacks becomes "?",
// their number added to `*replaced` when given.
[[nodiscard]] std::string FormatCsvLine(const DomainRecord& row, bool finished,
                                        const CheckValues& values, CsvEncoding encoding,
                                        std::size_t* replaced = nullptr);

// Every row 0..count-1, in table order, replacing `path` atomically. False
// when the file could not be written (an older file at `path` stays).
// `replaced`, when given, gets the number of characters GBK lacked. With
// `rows`, only those table rows, in that order.
[[nodiscard]] bool WriteCsvFile(const DomainTable& table, const std::string& path,
                                int* error = nullptr, CsvEncoding encoding = CsvEncoding::Gbk,
                                std::size_t* replaced = nullptr,
                                const std::vector<std::int32_t>* rows = nullptr);

// A field of a free-form line: text from outside the program (`remote`)
// gets the same formula guard as the fixed lines.
struct CsvField {
    std::string text;
    bool remote = true;
};
// One line of quoted fields, CR LF included, quoted as FormatCsvLine does.
[[nodiscard]] std::string FormatCsvFields(const std::vector<CsvField>& fields);
// UTF-8 lines after a byte-order mark, replacing `path` atomically.
[[nodiscard]] bool WriteUtf8CsvLines(const std::vector<std::string>& lines, const std::string& path,
                                     int* error = nullptr);
