// SPDX-License-Identifier: MIT
#include "cli/resulttable.h"

#include <algorithm>

#include "core/ccore.h"
#include "core/text.h"
#include "engine/domaintable.h"
#include "engine/net/idn.h"
#include "engine/store/checkvalues.h"

namespace {

constexpr int kDefaultColumns = 80;
constexpr std::string_view kCutMark = "~"; // ASCII: one column in every terminal
constexpr std::string_view kUnsafe = "?";

struct Column {
    std::string_view title;
    int usual; // enough for most values
    int floor; // what it keeps when the terminal is narrow
};
// "not registered" and "YYYY-MM-DD" keep their whole width; the free texts
// give way, the domain last.
constexpr std::array<Column, kResultTableColumns> kColumns{{
    {"DOMAIN", 30, 22},
    {"STATUS", 14, 14},
    {"EXPIRY", 10, 10},
    {"REGISTRAR", 24, 9},
    {"OWNER", 24, 5},
    {"REASON", 16, 9}, // "timed out"
}};

// Code points a terminal shows two columns wide (East Asian Wide and
// Fullwidth): Hangul, CJK, kana, full-width forms, the common emoji blocks.
struct Range {
    char32_t first;
    char32_t last;
};
constexpr Range kWide[] = {
    {0x1100, 0x115F},   {0x2E80, 0x303E},   {0x3041, 0x33FF},   {0x3400, 0x4DBF},
    {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},   {0xA960, 0xA97F},   {0xAC00, 0xD7A3},
    {0xF900, 0xFAFF},   {0xFE10, 0xFE19},   {0xFE30, 0xFE6F},   {0xFF00, 0xFF60},
    {0xFFE0, 0xFFE6},   {0x1F300, 0x1F64F}, {0x1F900, 0x1F9FF}, {0x20000, 0x2FFFD},
    {0x30000, 0x3FFFD},
};
// Combining marks and zero-width characters: drawn on the character before.
constexpr Range kZeroWidth[] = {
    {0x0300, 0x036F}, {0x200B, 0x200D}, {0x20D0, 0x20FF}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F},
};
// What makes a terminal act or reorder instead of show: C1 controls,
// directional marks and overrides, line and paragraph separators.
constexpr Range kUnsafeRanges[] = {
    {0x80, 0x9F},
    {0x200E, 0x200F},
    {0x2028, 0x202E},
    {0x2066, 0x2069},
};

bool InRanges(char32_t c, const auto& ranges) {
    return std::any_of(std::begin(ranges), std::end(ranges),
                       [c](const Range& r) { return c >= r.first && c <= r.last; });
}

char32_t Decode(std::string_view text, std::size_t pos, std::size_t length) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
    switch (length) {
    case 1:
        return byte(0);
    case 2:
        return (char32_t{byte(0)} & 0x1F) << 6 | (byte(1) & 0x3F);
    case 3:
        return (char32_t{byte(0)} & 0x0F) << 12 | (char32_t{byte(1)} & 0x3F) << 6 |
               (byte(2) & 0x3F);
    default:
        return (char32_t{byte(0)} & 0x07) << 18 | (char32_t{byte(1)} & 0x3F) << 12 |
               (char32_t{byte(2)} & 0x3F) << 6 | (byte(3) & 0x3F);
    }
}

// Calls `each(bytes, columns)` for every character of safe text.
template <typename Each>
void ForEachCharacter(std::string_view safe, Each each) {
    for (std::size_t pos = 0; pos < safe.size();) {
        const Utf8Char c = Utf8CharAt(safe, pos);
        const char32_t code = c.valid ? Decode(safe, pos, c.length) : U'?';
        const int columns = InRanges(code, kWide) ? 2 : InRanges(code, kZeroWidth) ? 0 : 1;
        each(safe.substr(pos, c.length), columns);
        pos += c.length;
    }
}

void AppendCell(std::string& line, std::string_view text, int width) {
    const std::string cell = CutToColumns(text, width);
    line += cell;
    line.append(static_cast<std::size_t>(std::max(0, width - DisplayWidth(cell))), ' ');
}

// Blanks that only pad the last columns are dropped before the line is cut,
// so a cut mark always stands for text.
std::string FinishLine(std::string line, const ResultTableLayout& layout) {
    line.erase(line.find_last_not_of(' ') + 1);
    line = CutToColumns(line, layout.lineWidth);
    line.erase(line.find_last_not_of(' ') + 1);
    return line + '\n';
}

std::string_view StatusEnglish(int32_t status) {
    switch (status) {
    case NoServer:
        return "no server";
    case Found:
        return "found";
    case NotRegistered:
        return "not registered";
    case Error:
        return "error";
    default:
        return {};
    }
}

std::string OrRowText(const std::string& value, std::string_view gbk) {
    return value.empty() ? CCore::ANSI_UTF8(gbk) : value;
}

} // namespace

ResultTableLayout ResultTableLayoutFor(int columns, int longestDomain) {
    constexpr int kLongestDomainColumn = 40; // the domain field's bytes
    std::array<Column, kResultTableColumns> wanted = kColumns;
    if (longestDomain > 0) {
        wanted[0].usual = std::clamp(longestDomain, static_cast<int>(wanted[0].title.size()),
                                     kLongestDomainColumn);
        wanted[0].floor = std::min(wanted[0].usual, 24); // a name cut is a name lost
    }
    ResultTableLayout layout;
    layout.lineWidth = std::max(columns, 1);
    int needed = kResultTableGap * (kResultTableColumns - 1);
    for (int i = 0; i < kResultTableColumns; ++i) {
        layout.widths[i] = wanted[i].usual;
        needed += wanted[i].usual;
    }
    // One column at a time from the one with most to spare, so the free
    // texts shrink evenly; the domain has the highest floor.
    while (needed > layout.lineWidth) {
        int widest = -1;
        int spare = 0;
        for (int i = 0; i < kResultTableColumns; ++i) {
            if (layout.widths[i] - wanted[i].floor > spare) {
                spare = layout.widths[i] - wanted[i].floor;
                widest = i;
            }
        }
        if (widest < 0) {
            break; // every column at its floor: the line is cut at the edge
        }
        --layout.widths[widest];
        --needed;
    }
    return layout;
}

int TerminalColumns(int reported, const char* columnsVariable) {
    if (reported > 0) {
        return reported;
    }
    int columns = 0;
    if (columnsVariable != nullptr && ParseInt(columnsVariable, columns) && columns > 0) {
        return columns;
    }
    return kDefaultColumns;
}

std::string SafeTerminalText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const Utf8Char c = Utf8CharAt(text, pos);
        const std::string_view bytes = text.substr(pos, c.length);
        pos += c.length;
        if (!c.valid || HasControlByte(bytes) ||
            InRanges(Decode(bytes, 0, c.length), kUnsafeRanges)) {
            out += kUnsafe;
        } else {
            out += bytes;
        }
    }
    return out;
}

int DisplayWidth(std::string_view utf8) {
    int width = 0;
    ForEachCharacter(SafeTerminalText(utf8),
                     [&](std::string_view, int columns) { width += columns; });
    return width;
}

std::string CutToColumns(std::string_view utf8, int columns) {
    std::string safe = SafeTerminalText(utf8);
    if (DisplayWidth(safe) <= columns) {
        return safe;
    }
    const int room = columns - static_cast<int>(kCutMark.size());
    if (room < 0) {
        return {};
    }
    std::string out;
    int used = 0;
    bool full = false;
    ForEachCharacter(safe, [&](std::string_view bytes, int width) {
        full = full || used + width > room;
        if (!full) {
            out += bytes;
            used += width;
        }
    });
    return out + std::string(kCutMark);
}

std::string FormatResultTableHeader(const ResultTableLayout& layout) {
    std::string line;
    for (int i = 0; i < kResultTableColumns; ++i) {
        if (i > 0) {
            line.append(kResultTableGap, ' ');
        }
        AppendCell(line, kColumns[i].title, layout.widths[i]);
    }
    return FinishLine(std::move(line), layout);
}

std::string FormatResultTableLine(const ResultTableRow& row, const ResultTableLayout& layout) {
    const std::array<const std::string*, kResultTableColumns> cells{
        &row.domain, &row.status, &row.expiry, &row.registrar, &row.owner, &row.reason};
    std::string line;
    for (int i = 0; i < kResultTableColumns; ++i) {
        if (i > 0) {
            line.append(kResultTableGap, ' ');
        }
        AppendCell(line, *cells[i], layout.widths[i]);
    }
    return FinishLine(std::move(line), layout);
}

ResultTableRow ResultTableRowFor(const DomainRecord& row, bool finished, FailReason reason,
                                 const CheckValues& values) {
    ResultTableRow out;
    out.domain = ToUnicodeName(CCore::ANSI_UTF8(FieldText(row.domain)));
    if (!finished) {
        return out;
    }
    out.status = StatusEnglish(row.status);
    out.expiry = OrRowText(values.expiry, FieldText(row.expiryDate));
    out.registrar = OrRowText(values.registrar, FieldText(row.registrar));
    out.owner = OrRowText(values.owner, FieldText(row.owner));
    // "no server" is the status already.
    const bool failed =
        row.status == Error || (row.status == NoServer && reason != FailReason::NoServer);
    out.reason = failed ? std::string(FailReasonEnglish(reason)) : std::string();
    return out;
}
