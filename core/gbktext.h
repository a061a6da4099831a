// SPDX-License-Identifier: MIT
#pragma once

// UTF-8 to GBK for a writer that tells the user what GBK could not hold.

#include <cstddef>
#include <string>

// CCore::UTF8_ANSI in place; adds to `replaced` the number of characters
// that became '?' (characters GBK lacks, ill-formed parts).
void Utf8ToGbk(std::string& text, std::size_t& replaced);
