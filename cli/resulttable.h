// SPDX-License-Identifier: MIT
#pragma once

// The results as a person at a terminal reads them: one line per row with
// the domain (its Unicode form), status, expiry, registrar, owner and the
// reason of a failure, in UTF-8, each column cut to fit the terminal's
// width. Widths are counted in terminal columns: a CJK character takes two.
// Rows come as they finish, so the columns are fixed by the width alone.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/failreason.h"

struct CheckValues;
struct DomainRecord;

// One line's texts, UTF-8.
struct ResultTableRow {
    std::string domain;
    std::string status;
    std::string expiry;
    std::string registrar;
    std::string owner;
    std::string reason;
};

inline constexpr int kResultTableColumns = 6;
inline constexpr int kResultTableGap = 2; // blanks between two columns

struct ResultTableLayout {
    std::array<int, kResultTableColumns> widths{}; // in the order of ResultTableRow
    int lineWidth = 0;                             // no line is wider than this
};

// The columns for a terminal `columns` wide, the domain column as wide as
// the list's longest name (`longestDomain` columns; 0: a usual width, and
// at most 40): each as wide as its usual content where there is room; else
// the free-text columns give way first (down to a floor each), and a line is
// cut at `columns` whatever is left.
[[nodiscard]] ResultTableLayout ResultTableLayoutFor(int columns, int longestDomain = 0);

// The terminal's width: the one the terminal reports (0 when unknown), else
// $COLUMNS (`columnsVariable`, null when unset) when it is a number, else 80.
[[nodiscard]] int TerminalColumns(int reported, const char* columnsVariable);

// The columns `utf8` takes on a terminal: 2 for East Asian wide and
// full-width characters, 0 for combining marks, 1 for the rest (what
// SafeTerminalText puts in place of a control or a bad byte included).
[[nodiscard]] int DisplayWidth(std::string_view utf8);

// `text` with everything a terminal would act on instead of showing made
// harmless: control characters (an escape sequence's ESC, CR, LF, C1
// controls), bidirectional overrides and bytes that are not UTF-8 each
// become '?'. A server's answer must never move the cursor or recolour
// the screen.
[[nodiscard]] std::string SafeTerminalText(std::string_view text);

// `utf8` (made safe) cut to at most `columns` columns; a text that did not
// fit ends in '~'. Never splits a character.
[[nodiscard]] std::string CutToColumns(std::string_view utf8, int columns);

// The header line and one row's line, each ended by '\n', no trailing blanks.
[[nodiscard]] std::string FormatResultTableHeader(const ResultTableLayout& layout);
[[nodiscard]] std::string FormatResultTableLine(const ResultTableRow& row,
                                                const ResultTableLayout& layout);

// A finished row's texts: the UTF-8 `values` where the query left them, else
// the row's own GBK fields; the status in English as the summary words it
// ("found", "not registered", "error", "no server"), empty for a row not
// asked in this run (`finished` false); the reason of a failure.
[[nodiscard]] ResultTableRow ResultTableRowFor(const DomainRecord& row, bool finished,
                                               FailReason reason, const CheckValues& values);
