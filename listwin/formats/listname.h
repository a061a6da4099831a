// SPDX-License-Identifier: MIT
#pragma once

// The name one line of a domain list gives a row: the line normalised, then
// judged. A name in another script is stored as its A-label, so the table,
// the server table and the wire only ever see ASCII.

#include <string>
#include <string_view>

#include "listwin/formats/listencoding.h"

enum class ListLineVerdict {
    Empty,        // nothing left after normalising: takes no row, not counted
    Name,         // `name` holds what the row stores
    Long,         // the stored form would not fit the domain field (40 bytes)
    Invalid,      // control bytes, or no A-label to be had
    InvalidBytes, // bytes the line's encoding does not have (GBK only)
};

// `line` is one line without its line feed, in `encoding` (Ascii reads as
// either). A byte below 0x20 or 0x7F left inside the name makes it invalid:
// such a name must never reach a server.
[[nodiscard]] ListLineVerdict ListNameFromLine(std::string_view line, ListEncoding encoding,
                                               std::string& name);

// A stored name as the list file of `format` writes it: the Unicode form in
// the file's own encoding (the A-label where GBK lacks a character of it),
// the stored name itself in an ASCII file.
[[nodiscard]] std::string ListFileSpelling(std::string_view stored, ListFormat format);
