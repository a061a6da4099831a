// SPDX-License-Identifier: MIT
#pragma once

// One line of an imported domain list turned into the name a row stores:
// outer white space trimmed, lower-cased, and what a pasted web address puts
// around a name taken off: a leading "http://" or "https://", a trailing
// path, query, fragment or port, a trailing dot, then a leading "www." when
// a name with a dot follows it ("www.com" is a name of its own). Nothing
// inside the name is touched: "glowww.com" stays "glowww.com".
//
// In GBK text a double-byte character is stepped over whole, so its trail
// byte (0x40-0xFE, which includes 'A'-'Z') is never lower-cased. In UTF-8
// (and ASCII) text every byte below 0x80 is a character of its own.

#include <string>
#include <string_view>

#include "formats/listencoding.h"

[[nodiscard]] std::string NormalizeListLine(std::string_view line,
                                            ListEncoding encoding = ListEncoding::Gbk);
