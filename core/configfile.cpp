#include "core/configfile.h"

#include "core/readfile.h"
#include "core/text.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <system_error>
#include <unistd.h>

namespace {

bool writeAll(int fd, const std::string& data) {
    const char* p = data.data();
    size_t left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

} // namespace

std::string sanitizeConfigText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c != '=' && c != '\n' && c != '\r' && c != '\0')
            out += c;
    }
    return std::string(TrimBlanks(out));
}

namespace {

// The live file objects by path. At exit (std::exit included, where the
// CCore objects on the stack are never destroyed) it writes what is pending.
class Registry {
public:
    Registry() = default;
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;
    ~Registry() {
        const std::lock_guard lock(m_mutex);
        for (auto& [path, weak] : m_files) {
            if (const auto file = weak.lock())
                file->flush();
        }
    }

    std::shared_ptr<ConfigFile> open(const std::string& path) {
        const std::lock_guard lock(m_mutex);
        std::erase_if(m_files, [](const auto& entry) { return entry.second.expired(); });
        std::weak_ptr<ConfigFile>& slot = m_files[path];
        if (auto file = slot.lock())
            return file;
        // The last user of an earlier object for this path wrote it out in its
        // destructor, so reading the file again sees every value.
        auto file = std::make_shared<ConfigFile>(path);
        slot = file;
        return file;
    }

private:
    std::mutex m_mutex;
    std::map<std::string, std::weak_ptr<ConfigFile>> m_files;
};

} // namespace

std::shared_ptr<ConfigFile> ConfigFile::open(const std::string& path) {
    static Registry registry;
    return registry.open(path);
}

ConfigFile::ConfigFile(std::string path) : m_path(std::move(path)) {
    std::string text;
    (void)ReadSmallFile(m_path, text); // a file not there yet holds no values
    ReadKeyValueLines(text, [this](std::string_view, std::string_view key, std::string_view value) {
        m_values[std::string(key)] = std::string(value);
    });
}

ConfigFile::~ConfigFile() {
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_writer.joinable())
        m_writer.join(); // the writer writes what is pending before it ends
}

std::string ConfigFile::value(std::string_view key) const {
    const std::string clean = sanitizeConfigText(key);
    const std::lock_guard lock(m_mutex);
    const auto it = m_values.find(clean);
    return it == m_values.end() ? std::string() : it->second;
}

void ConfigFile::setValue(std::string_view key, std::string_view value) {
    std::string cleanKey = sanitizeConfigText(key);
    if (cleanKey.empty())
        return;
    std::string cleanValue = sanitizeConfigText(value);
    {
        const std::lock_guard lock(m_mutex);
        const auto it = m_values.find(cleanKey);
        if (it != m_values.end() && it->second == cleanValue)
            return; // the worker saves "lastindex" per row; often nothing changed
        m_values[std::move(cleanKey)] = std::move(cleanValue);
        ++m_version;
        if (!m_writer.joinable()) {
            try {
                m_writer = std::thread(&ConfigFile::writerLoop, this);
            } catch (const std::system_error&) {
                // No thread to be had: write here and now instead.
                m_lastWriteOk = writeFile(textLocked());
                m_writtenVersion = m_version;
                return;
            }
        }
    }
    m_wake.notify_one();
}

bool ConfigFile::flush() {
    std::unique_lock lock(m_mutex);
    const std::uint64_t target = m_version;
    if (m_writtenVersion >= target)
        return m_lastWriteOk;
    m_flushWanted = true;
    m_wake.notify_one();
    m_written.wait(lock, [&] { return m_writtenVersion >= target; });
    return m_lastWriteOk;
}

void ConfigFile::writerLoop() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [&] { return m_stop || m_version != m_writtenVersion; });
        if (m_version == m_writtenVersion)
            return; // stopping with nothing pending
        const std::uint64_t version = m_version;
        const std::string text = textLocked();
        m_flushWanted = false;
        lock.unlock();
        const bool ok = writeFile(text);
        lock.lock();
        m_writtenVersion = version;
        m_lastWriteOk = ok;
        m_written.notify_all();
        // Space the writes out; a flush or the end cuts the pause short.
        m_wake.wait_for(lock, kWriteInterval, [&] { return m_stop || m_flushWanted; });
    }
}

std::string ConfigFile::textLocked() const {
    std::string text;
    for (const auto& [key, value] : m_values) {
        text += key;
        text += '=';
        text += value;
        text += '\n';
    }
    return text;
}

bool ConfigFile::writeFile(const std::string& text) const {
    // The temporary file sits beside the real one so that rename stays within
    // one file system and replaces it atomically; its unique name keeps
    // another process sharing the folder out of our half-written file.
    std::string tmp = m_path + ".XXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0)
        return false;
    // No fsync: rename alone leaves the old or the new file whenever the
    // process dies, which is the failure we guard against. A power cut may
    // lose the latest "lastindex"; a resume then starts a few rows earlier.
    const bool written = writeAll(fd, text);
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || std::rename(tmp.c_str(), m_path.c_str()) != 0) {
        ::unlink(tmp.c_str());
        return false;
    }
    return true;
}
