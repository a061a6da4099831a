#pragma once

// A file replaced all at once: the bytes go to a temporary file beside the
// target, which is flushed to disk and renamed over the target on Commit.
// Until then the old file (or no file) stays; a crash leaves one or the
// other, never a mixture. An uncommitted temporary file is removed.

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

    [[nodiscard]] const std::string& path() const { return m_path; }
    // errno of the first failure, 0 while all went well.
    [[nodiscard]] int error() const { return m_error; }
    // A readable reason for error(), e.g. "Permission denied".
    [[nodiscard]] std::string errorText() const;

private:
    bool Fail(int error);
    bool Flush();

    std::string m_path;
    std::string m_tempPath;
    std::string m_buffer;
    int m_fd = -1;
    int m_error = 0;
};

// Writes `bytes` as the whole new content of `path`, atomically.
[[nodiscard]] bool WriteFileAtomically(const std::string& path, std::string_view bytes,
                                       int* error = nullptr);
