// SPDX-License-Identifier: MIT
#pragma once

// Reads a whole small file (settings, profiles, caches) without throwing.

#include <cstddef>
#include <string>

// The file's bytes, at most `maxBytes` of them; false (and `error` set to
// errno, or EFBIG when the file is longer) when it could not be read whole.
[[nodiscard]] bool ReadSmallFile(const std::string& path, std::string& out, int* error = nullptr,
                                 std::size_t maxBytes = 16 * 1024 * 1024);
