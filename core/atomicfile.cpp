// SPDX-License-Identifier: MIT
#include "core/atomicfile.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kBufferBytes = 64 * 1024;
constexpr int kMaxLinkHops = 40; // as the kernel's own limit for a path
constexpr std::string_view kTempMark = ".tmp-";

std::string DirectoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Follows `path` through symbolic links to the file they name (which need
// not exist yet: a dangling link creates its target). Empty and `error` set
// when a link cannot be read or the chain does not end.
std::string FollowLinks(std::string path, int& error) {
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0) {
            if (errno == ENOENT) {
                return path;
            }
            error = errno;
            return {};
        }
        if (!S_ISLNK(info.st_mode)) {
            return path;
        }
        std::string target(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1,
                           '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n < 0) {
            error = errno;
            return {};
        }
        if (static_cast<std::size_t>(n) >= target.size()) {
            error = ENAMETOOLONG; // the link changed while it was read
            return {};
        }
        target.resize(static_cast<std::size_t>(n));
        path = target.front() == '/' ? target : DirectoryOf(path) + "/" + target;
    }
    error = ELOOP;
    return {};
}

// The process id in a temporary file's name ".NAME.tmp-PID-N", or 0 when
// `name` is not one; `stem` (".NAME") must match when given.
pid_t TemporaryOwner(std::string_view name, std::string_view stem) {
    const auto mark = name.rfind(kTempMark);
    if (name.size() < 2 || name.front() != '.' || mark == std::string_view::npos || mark == 0) {
        return 0;
    }
    if (!stem.empty() && name.substr(0, mark) != stem) {
        return 0;
    }
    const std::string_view rest = name.substr(mark + kTempMark.size());
    const auto dash = rest.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash + 1 == rest.size() ||
        rest.find_first_not_of("0123456789-") != std::string_view::npos ||
        rest.find('-', dash + 1) != std::string_view::npos || dash > 9) {
        return 0;
    }
    pid_t pid = 0;
    for (const char c : rest.substr(0, dash)) {
        pid = pid * 10 + (c - '0');
    }
    return pid;
}

bool ProcessIsGone(pid_t pid) {
    return pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH;
}

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

// Removes the temporaries in `folder` (of the target ".NAME" when `stem` is
// given) whose process is gone.
int RemoveTemporariesOfGoneProcesses(const std::string& folder, std::string_view stem) {
    const std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
    if (!dir) {
        return 0;
    }
    int removed = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        const pid_t owner = TemporaryOwner(entry->d_name, stem);
        if (owner == 0 || owner == ::getpid() || !ProcessIsGone(owner)) {
            continue;
        }
        struct stat info {};
        if (::fstatat(::dirfd(dir.get()), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode) && ::unlinkat(::dirfd(dir.get()), entry->d_name, 0) == 0) {
            ++removed;
        }
    }
    return removed;
}

// Makes the rename itself durable; a folder that cannot be synced (some
// file systems refuse) costs only durability, not correctness.
void SyncDirectory(const std::string& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

std::string SystemReason(int error) {
    return error == 0 ? std::string() : std::string(std::strerror(error));
}

AtomicFile::AtomicFile(std::string path) : m_path(std::move(path)) {}

AtomicFile::~AtomicFile() {
    Discard();
}

bool AtomicFile::Fail(int error) {
    if (m_error == 0) {
        m_error = error;
    }
    return false;
}

std::string AtomicFile::errorText() const {
    return SystemReason(m_error);
}

bool AtomicFile::Open() {
    if (m_fd >= 0 || m_error != 0) {
        return m_fd >= 0;
    }
    if (m_path.empty()) {
        return Fail(ENOENT);
    }
    int linkError = 0;
    m_target = FollowLinks(m_path, linkError);
    if (m_target.empty()) {
        return Fail(linkError);
    }
    struct stat target {};
    const bool exists = ::stat(m_target.c_str(), &target) == 0;
    if (exists && S_ISDIR(target.st_mode)) {
        return Fail(EISDIR);
    }
    if (exists && ::access(m_target.c_str(), W_OK) != 0) {
        return Fail(errno);
    }
    if (exists && !S_ISREG(target.st_mode)) {
        // A device or a pipe ("-o /dev/null") is written as it is: renaming a
        // file over it would replace the device itself.
        m_fd = ::open(m_target.c_str(), O_WRONLY | O_CLOEXEC);
        if (m_fd < 0) {
            return Fail(errno);
        }
        m_direct = true;
        return true;
    }

    const std::string folder = DirectoryOf(m_target);
    std::string stem(1, '.'); // not "." + string: GCC 12 -O3 warns wrongly of overlap
    stem += BaseNameOf(m_target);
    RemoveTemporariesOfGoneProcesses(folder, stem);

    static std::atomic<unsigned> serial{0};
    const std::string prefix =
        folder + "/" + stem + std::string(kTempMark) + std::to_string(::getpid()) + "-";
    // An existing file's bytes never sit in a file more open than the file
    // itself: the temporary starts private and takes the target's bits.
    const mode_t createMode = exists ? 0600 : 0644;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = prefix + std::to_string(serial.fetch_add(1));
        const int fd =
            ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, createMode);
        if (fd >= 0) {
            m_fd = fd;
            m_tempPath = std::move(candidate);
            if (exists && ::fchmod(m_fd, target.st_mode & 07777) != 0) {
                const int error = errno;
                Discard();
                return Fail(error);
            }
            return true;
        }
        if (errno != EEXIST) {
            return Fail(errno);
        }
    }
    return Fail(EEXIST);
}

bool AtomicFile::Flush() {
    std::size_t done = 0;
    while (done < m_buffer.size()) {
        const ssize_t n = ::write(m_fd, m_buffer.data() + done, m_buffer.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return Fail(n < 0 ? errno : EIO);
        }
        done += static_cast<std::size_t>(n);
    }
    m_buffer.clear();
    return true;
}

bool AtomicFile::Write(std::string_view bytes) {
    if (m_fd < 0 || m_error != 0) {
        return Fail(EBADF);
    }
    m_buffer.append(bytes);
    if (m_buffer.size() < kBufferBytes || Flush()) {
        return true;
    }
    Discard(); // a full disk should not also keep a half-written temporary
    return false;
}

bool AtomicFile::Commit() {
    if (m_fd < 0 || m_error != 0) {
        Discard();
        return Fail(EBADF);
    }
    bool ok = Flush();
    if (ok && !m_direct && ::fsync(m_fd) != 0) {
        ok = Fail(errno);
    }
    if (::close(m_fd) != 0 && ok) {
        ok = Fail(errno);
    }
    m_fd = -1;
    if (m_direct) {
        return ok;
    }
    if (ok && ::rename(m_tempPath.c_str(), m_target.c_str()) != 0) {
        ok = Fail(errno);
    }
    if (!ok) {
        Discard();
        return false;
    }
    m_tempPath.clear();
    SyncDirectory(DirectoryOf(m_target));
    return true;
}

void AtomicFile::Discard() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_tempPath.empty()) {
        ::unlink(m_tempPath.c_str());
        m_tempPath.clear();
    }
    m_buffer.clear();
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, int* error) {
    AtomicFile file(path);
    const bool ok = file.Open() && file.Write(bytes) && file.Commit();
    if (error != nullptr) {
        *error = file.error();
    }
    return ok;
}

bool CopyFileAtomically(const std::string& from, const std::string& to, int* error) {
    int code = 0;
    const auto finish = [&](bool ok) {
        if (error != nullptr) {
            *error = code;
        }
        return ok;
    };
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        code = errno;
        return finish(false);
    }
    AtomicFile out(to);
    bool ok = out.Open();
    char buffer[64 * 1024];
    while (ok) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            code = errno;
            ok = false;
            break;
        }
        if (n == 0) {
            break;
        }
        ok = out.Write(std::string_view(buffer, static_cast<std::size_t>(n)));
    }
    ::close(in);
    if (!ok) {
        out.Discard();
        if (code == 0) {
            code = out.error();
        }
        return finish(false);
    }
    if (!out.Commit()) {
        code = out.error();
        return finish(false);
    }
    return finish(true);
}

int RemoveStaleTemporaries(const std::string& folder) {
    return RemoveTemporariesOfGoneProcesses(folder, {});
}
