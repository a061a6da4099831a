// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

// The settings file: "key=value" lines, read once when opened. One object per
// file and process, shared by every CCore that uses the file, so that two
// instances neither see stale values nor write over each other's keys.
//
// A write changes only the keys this process saved: under an exclusive
// `flock` on the file's folder it reads the file again, puts its own keys in
// and replaces the file through the atomic writer. Another zentrix process
// saving other keys meanwhile keeps its values.
//
// Writing happens on a small writer thread: a save costs the caller a map
// update, not a file replacement. On ext4 a rename over an existing file
// costs from 0.15 to over 1 ms, and the batch worker saves "lastindex" after
// every row at thousands of rows per second. Saves that arrive while a write
// is under way are collected into the next one, and writes are at least
// kWriteInterval apart, so the file trails the values by at most that much.
//
// A write that fails is told to the user once (PostUserNotice), and again
// only after a write has succeeded in between; the values stay pending and
// go with the next write.
class ConfigFile {
public:
    static constexpr auto kWriteInterval = std::chrono::milliseconds(20);
    // How long a write waits for another process's write to end.
    static constexpr auto kLockWait = std::chrono::seconds(5);

    // The process's object for the file at `path`, reading it on first use.
    [[nodiscard]] static std::shared_ptr<ConfigFile> open(const std::string& path);

    explicit ConfigFile(std::string path);
    ~ConfigFile(); // writes what is pending
    ConfigFile(const ConfigFile&) = delete;
    ConfigFile& operator=(const ConfigFile&) = delete;

    // The stored text of `key`; empty when it was never saved.
    [[nodiscard]] std::string value(std::string_view key) const;
    void setValue(std::string_view key, std::string_view value);
    // Waits until the file holds every value set so far; false when the last
    // write failed (the values still hold in memory for this run).
    bool flush();
    // errno of the last write, 0 when it succeeded.
    [[nodiscard]] int lastError() const;

    [[nodiscard]] const std::string& path() const { return m_path; }

private:
    using Values = std::map<std::string, std::string, std::less<>>;

    void writerLoop();
    // Writes one batch of changed keys; reports a failure when it is new.
    void writeChanges(std::unique_lock<std::mutex>& lock);
    // The merge itself, without m_mutex held: errno, or 0.
    [[nodiscard]] int mergeIntoFile(const Values& changes) const;

    const std::string m_path;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;    // the writer waits for work
    std::condition_variable m_written; // flush waits for the writer
    Values m_values;
    Values m_changed;                   // saved here, not yet in the file
    std::uint64_t m_version = 0;        // bumped by every change
    std::uint64_t m_writtenVersion = 0; // the version the file holds (or failed to)
    int m_lastError = 0;
    bool m_failureTold = false;
    bool m_flushWanted = false;
    bool m_stop = false;
    std::thread m_writer; // started by the first change
};

// Keys and values are single-line texts without '=' or surrounding blanks:
// strip what would break the file's shape.
[[nodiscard]] std::string sanitizeConfigText(std::string_view text);
