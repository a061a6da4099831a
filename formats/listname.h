// SPDX-License-Identifier: MIT
#pragma once

// The name one line of a domain list gives a row: the line normalised, then
// judged. A name in another script is stored as its A-label, so the table,
// the server table and the wire only ever see ASCII.

#include <string>
#include <string_view>

#include "formats/listencoding.h"

enum class ListLineVerdict {
    Empty,        // nothing left after normalising: takes no row, not counted
    Name,         // `name` holds what the row stores
    Long,         // the stored form would not fit the domain field (40 bytes)
    Invalid,      // control bytes, no A-label to be had, or not a host name's syntax
    InvalidBytes, // bytes the line's encoding does not have (GBK only)
};

// `line` is one line without its line feed, in `encoding` (Ascii reads as
// either). The stored form must be a host name (IsHostNameSyntax: letters,
// digits and hyphens in dot-separated labels) of at most 40 bytes, the
// domain field's width; a longer one is Long (a cut name would be another
// domain), anything else Invalid: such a name must never reach a server.
[[nodiscard]] ListLineVerdict ListNameFromLine(std::string_view line, ListEncoding encoding,
                                               std::string& name);

// A stored name as the list file of `format` writes it: the Unicode form in
// the file's own encoding (the A-label where GBK lacks a character of it),
// the stored name itself in an ASCII file.
[[nodiscard]] std::string ListFileSpelling(std::string_view stored, ListFormat format);
