#include "core/atomicfile.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kBufferBytes = 64 * 1024;

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
    return m_error == 0 ? "" : std::strerror(m_error);
}

bool AtomicFile::Open() {
    if (m_fd >= 0 || m_error != 0) {
        return m_fd >= 0;
    }
    if (m_path.empty()) {
        return Fail(ENOENT);
    }
    struct stat target {};
    const bool exists = ::stat(m_path.c_str(), &target) == 0;
    if (exists && S_ISDIR(target.st_mode)) {
        return Fail(EISDIR);
    }
    if (exists && ::access(m_path.c_str(), W_OK) != 0) {
        return Fail(errno);
    }
    // A replaced file keeps its permissions; a new one gets the umask's.
    const mode_t mode = exists ? (target.st_mode & 07777) : 0666;

    static std::atomic<unsigned> serial{0};
    const std::string stem = DirectoryOf(m_path) + "/." + BaseNameOf(m_path) + ".tmp-" +
                             std::to_string(::getpid()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = stem + std::to_string(serial.fetch_add(1));
        const int fd =
            ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode & 0666);
        if (fd >= 0) {
            m_fd = fd;
            m_tempPath = std::move(candidate);
            if (exists) {
                ::fchmod(m_fd, mode);
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
    return m_buffer.size() < kBufferBytes || Flush();
}

bool AtomicFile::Commit() {
    if (m_fd < 0 || m_error != 0) {
        Discard();
        return Fail(EBADF);
    }
    bool ok = Flush();
    if (ok && ::fsync(m_fd) != 0) {
        ok = Fail(errno);
    }
    if (::close(m_fd) != 0 && ok) {
        ok = Fail(errno);
    }
    m_fd = -1;
    if (ok && ::rename(m_tempPath.c_str(), m_path.c_str()) != 0) {
        ok = Fail(errno);
    }
    if (!ok) {
        Discard();
        return false;
    }
    m_tempPath.clear();
    SyncDirectory(DirectoryOf(m_path));
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
