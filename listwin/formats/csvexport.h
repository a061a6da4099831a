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
// text can end its field early; CR and LF stay inside the quotes. Fields 4
// to 9 hold text a remote server wrote: one beginning with '=', '+', '-' or
// '@' (after any blanks), or with TAB or CR, gets a leading "'" so a
// spreadsheet shows it as text instead of running it as a formula.
[[nodiscard]] std::string FormatCsvLine(const DomainRecord& row);

// Every row 0..count-1, in table order, replacing `path` atomically. False
// when the file could not be written (an older file at `path` stays).
[[nodiscard]] bool WriteCsvFile(const DomainTable& table, const std::string& path,
                                int* error = nullptr);
