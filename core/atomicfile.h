// SPDX-License-Identifier: MIT
#pragma once

// A file replaced all at once: the bytes go to a temporary file beside the
// target, which is flushed to disk and renamed over the target on Commit.
// Until then the old file (or no file) stays; a crash leaves one or the
// other, never a mixture.
//
// - A path that is a symbolic link writes the file the link points to; the
//   link stays a link.
// - A replaced file keeps its permission bits; a new file is created 0644
//   (less what the umask takes away).
// - The temporary file is named ".NAME.tmp-PID-N" beside the target and is
//   removed on every failure path. One left behind by a process that was
//   killed (its PID no longer runs) is removed by the next writer of the same
//   target, or by RemoveStaleTemporaries.
// - Every failure keeps the system's reason (errno) for the caller to show.
// - A target that exists but is no regular file (a device, a pipe) is written
//   directly: there is nothing to replace atomically.

#include <string>
#include <string_view>

class AtomicFile {
public:
    explicit AtomicFile(std::string path);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file. Fails (false, error() set) when the target
    // is a directory, an existing target is not writable, or the folder does
    // not take new files: so a caller learns it before producing the bytes.
    bool Open();
    bool Write(std::string_view bytes);
    // Flushes, syncs and renames over the target; false leaves the target as
    // it was.
    bool Commit();
    // Drops the temporary file; the target stays as it was.
    void Discard();

    // The path as given (a link stays the name the caller knows).
    [[nodiscard]] const std::string& path() const { return m_path; }
    // errno of the first failure, 0 while all went well.
    [[nodiscard]] int error() const { return m_error; }
    // A readable reason for error(), e.g. "Permission denied".
    [[nodiscard]] std::string errorText() const;

private:
    bool Fail(int error);
    bool Flush();

    std::string m_path;
    std::string m_target; // m_path with its symbolic links followed
    std::string m_tempPath;
    std::string m_buffer;
    int m_fd = -1;
    int m_error = 0;
    bool m_direct = false; // writing a device or pipe in place
};

// Writes `bytes` as the whole new content of `path`, atomically.
[[nodiscard]] bool WriteFileAtomically(const std::string& path, std::string_view bytes,
                                       int* error = nullptr);

// Streams the file `from` into an atomic replacement of `to`. False (and
// `error` set) when `from` cannot be read whole or `to` cannot be written;
// `to` then stays as it was.
[[nodiscard]] bool CopyFileAtomically(const std::string& from, const std::string& to,
                                      int* error = nullptr);

// Removes the temporary files in `folder` left by processes that no longer
// run. Returns how many were removed.
int RemoveStaleTemporaries(const std::string& folder);

// The system's reason for an errno value: "Permission denied".
[[nodiscard]] std::string SystemReason(int error);
