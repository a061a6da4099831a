// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <string>

// An exclusive flock on a folder, so that one zentrix process at a time
// reads, merges and replaces a file in it. The folder, not the file: the
// file is replaced by rename, and a lock on the old file would not hold the
// new one. Two objects lock each other out within one process too.
class FolderLock {
public:
    // Waits at most `wait` for another holder: one holds it only while it
    // writes a few lines, and a stopped one must not stop us for ever.
    FolderLock(const std::string& folder, std::chrono::milliseconds wait);
    ~FolderLock(); // closing drops the lock
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // 0 when held, else the errno of the failure.
    [[nodiscard]] int error() const { return m_locked ? 0 : m_error; }

private:
    int m_fd = -1;
    int m_error = 0;
    bool m_locked = false;
};

// The folder of a file's path: "a/b.txt" -> "a", "b.txt" -> ".", "/b" -> "/".
[[nodiscard]] std::string FolderOf(const std::string& path);
