// SPDX-License-Identifier: MIT
#include "core/configfile.h"

#include "core/atomicfile.h"
#include "core/folderlock.h"
#include "core/readfile.h"
#include "core/text.h"
#include "core/usernotice.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <system_error>
#include <unistd.h>

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
        std::unique_lock lock(m_mutex);
        const auto it = m_values.find(cleanKey);
        if (it != m_values.end() && it->second == cleanValue)
            return; // the worker saves "lastindex" per row; often nothing changed
        m_values[cleanKey] = cleanValue;
        m_changed[std::move(cleanKey)] = std::move(cleanValue);
        ++m_version;
        if (!m_writer.joinable()) {
            try {
                m_writer = std::thread(&ConfigFile::writerLoop, this);
            } catch (const std::system_error&) {
                // No thread to be had: write here and now instead.
                writeChanges(lock);
                return;
            }
        }
    }
    m_wake.notify_one();
}

bool ConfigFile::flush() {
    std::unique_lock lock(m_mutex);
    if (!m_changed.empty() && m_writtenVersion >= m_version)
        ++m_version; // values a failed write left behind: try them again
    const std::uint64_t target = m_version;
    if (m_writtenVersion >= target)
        return m_lastError == 0;
    if (!m_writer.joinable()) {
        writeChanges(lock);
        return m_lastError == 0;
    }
    m_flushWanted = true;
    m_wake.notify_one();
    m_written.wait(lock, [&] { return m_writtenVersion >= target; });
    return m_lastError == 0;
}

int ConfigFile::lastError() const {
    const std::lock_guard lock(m_mutex);
    return m_lastError;
}

void ConfigFile::writerLoop() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [&] { return m_stop || m_version != m_writtenVersion; });
        if (m_version == m_writtenVersion) {
            // Stopping: values a failed write left behind get one more try.
            if (!m_changed.empty())
                writeChanges(lock);
            return;
        }
        m_flushWanted = false;
        writeChanges(lock);
        // Space the writes out; a flush or the end cuts the pause short.
        m_wake.wait_for(lock, kWriteInterval, [&] { return m_stop || m_flushWanted; });
    }
}

void ConfigFile::writeChanges(std::unique_lock<std::mutex>& lock) {
    const std::uint64_t version = m_version;
    const Values changes = m_changed;
    lock.unlock();
    const int error = changes.empty() ? 0 : mergeIntoFile(changes);
    lock.lock();
    // Told before a waiting flush returns, so the caller that sees the
    // failure finds the user already told. Only this writer changes
    // m_failureTold, so the lock may go meanwhile.
    if (error != 0 && !m_failureTold) {
        m_failureTold = true;
        lock.unlock();
        PostUserNotice({UserNoticeKind::SettingsNotSaved, m_path, SystemReason(error)});
        lock.lock();
    }
    if (error == 0) {
        m_failureTold = false;
        for (const auto& [key, value] : changes) {
            const auto it = m_changed.find(key);
            if (it != m_changed.end() && it->second == value)
                m_changed.erase(it); // a newer value stays for the next write
        }
    }
    m_writtenVersion = version;
    m_lastError = error;
    m_written.notify_all();
}

int ConfigFile::mergeIntoFile(const Values& changes) const {
    const FolderLock folderLock(FolderOf(m_path), kLockWait);
    if (folderLock.error() != 0)
        return folderLock.error();
    // The file as it is now, with what other processes saved since we read it.
    std::string text;
    int error = 0;
    if (!ReadSmallFile(m_path, text, &error) && error != ENOENT)
        return error; // replacing a file we cannot read would lose its keys
    Values merged;
    ReadKeyValueLines(text, [&](std::string_view, std::string_view key, std::string_view value) {
        merged[std::string(key)] = std::string(value);
    });
    for (const auto& [key, value] : changes)
        merged[key] = value;
    text.clear();
    for (const auto& [key, value] : merged) {
        text += key;
        text += '=';
        text += value;
        text += '\n';
    }
    // No fsync of our own beyond the writer's: the old or the new file is
    // what a crash leaves, never a mixture.
    return WriteFileAtomically(m_path, text, &error) ? 0 : error;
}
