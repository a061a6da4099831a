#include "core/configstore.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

constexpr const char* kFileName = "zentrix.ini";

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

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

} // namespace

std::string sanitizeConfigText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c != '=' && c != '\n' && c != '\r' && c != '\0')
            out += c;
    }
    return std::string(trimmed(out));
}

int configTextToInt(std::string_view text) {
    text = trimmed(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty())
        return 0;
    return value;
}

void ConfigStore::load(const std::string& folder) {
    const std::lock_guard lock(m_mutex);
    if (m_loaded)
        return;
    m_loaded = true;
    m_path = folder + kFileName;
    std::ifstream in(m_path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key{trimmed(std::string_view(line).substr(0, eq))};
        if (key.empty())
            continue;
        m_values[key] = std::string(trimmed(std::string_view(line).substr(eq + 1)));
    }
}

bool ConfigStore::isLoaded() const {
    const std::lock_guard lock(m_mutex);
    return m_loaded;
}

std::string ConfigStore::filePath() const {
    const std::lock_guard lock(m_mutex);
    return m_path;
}

std::string ConfigStore::value(std::string_view key) const {
    const std::string clean = sanitizeConfigText(key);
    const std::lock_guard lock(m_mutex);
    const auto it = m_values.find(clean);
    return it == m_values.end() ? std::string() : it->second;
}

bool ConfigStore::setValue(std::string_view key, std::string_view value) {
    const std::string cleanKey = sanitizeConfigText(key);
    if (cleanKey.empty())
        return false;
    std::string cleanValue = sanitizeConfigText(value);
    const std::lock_guard lock(m_mutex);
    const auto it = m_values.find(cleanKey);
    // The worker saves "lastindex" after every row; an unchanged value costs
    // no file write.
    if (it != m_values.end() && it->second == cleanValue)
        return true;
    m_values[cleanKey] = std::move(cleanValue);
    return writeFileLocked();
}

bool ConfigStore::writeFileLocked() const {
    if (m_path.empty())
        return false;
    std::string text;
    for (const auto& [key, value] : m_values) {
        text += key;
        text += '=';
        text += value;
        text += '\n';
    }
    // The temporary file sits beside the real one so that rename stays within
    // one file system and replaces it atomically. Its name is unique so that
    // another process sharing the folder never writes into our half-done file.
    std::string tmp = m_path + ".XXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0)
        return false;
    // No fsync: rename alone already leaves the old or the new file whatever
    // moment the process dies at, and that is the failure we guard against. A
    // power cut may lose the latest "lastindex", which only means a resume
    // starts a little earlier; an fsync per batch row would cost milliseconds.
    const bool written = writeAll(fd, text);
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || std::rename(tmp.c_str(), m_path.c_str()) != 0) {
        ::unlink(tmp.c_str());
        return false;
    }
    return true;
}
