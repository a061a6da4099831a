// SPDX-License-Identifier: MIT
#pragma once

// A store file that is no usable store is kept for whoever wants to look
// at it, under a name that says when it was put aside.

#include <ctime>
#include <string>

// "<path>.broken-YYYYMMDD-HHMMSS", in local time.
[[nodiscard]] std::string BrokenStoreName(const std::string& path, std::time_t when);

// Renames `path` to a free BrokenStoreName (a "-2", "-3" ... suffix when
// one second saw two), its write-ahead log along with it, and removes its
// shared-memory index (rebuilt from the two). `movedTo` gets the new name;
// false leaves the file where it was with the system's reason in `why`.
bool MoveStoreAside(const std::string& path, std::string& movedTo, std::string& why);
