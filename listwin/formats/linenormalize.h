// SPDX-License-Identifier: MIT
#pragma once

// One line of an imported domain list turned into the name a row stores:
// outer white space trimmed, lower-cased, every "http://", "www." and "/"
// removed. In GBK text a double-byte character is stepped over whole, so
// its trail byte (0x40-0xFE, which includes 'A'-'Z', 'h', 'p', 't', 'w') is
// never lower-cased or taken as part of a removed text. In UTF-8 (and
// ASCII) text every byte below 0x80 is a character of its own.

#include <string>
#include <string_view>

#include "listwin/formats/listencoding.h"

[[nodiscard]] std::string NormalizeListLine(std::string_view line,
                                            ListEncoding encoding = ListEncoding::Gbk);
