#pragma once

#include <map>
#include <mutex>
#include <string>
#include <string_view>

// The settings file: "key=value" lines in <folder>zentrix.ini, read once and
// rewritten whole (temporary file + rename) whenever a value changes. One
// instance may be used from several threads.
class ConfigStore {
public:
    ConfigStore() = default;
    ConfigStore(const ConfigStore&) = delete;
    ConfigStore& operator=(const ConfigStore&) = delete;

    // Reads the file of `folder` (ending in '/') unless already loaded.
    void load(const std::string& folder);
    [[nodiscard]] bool isLoaded() const;

    // The stored text of `key`; empty when it was never saved.
    [[nodiscard]] std::string value(std::string_view key) const;
    // Stores and writes through to the file; false when the file could not be
    // written (the value still holds for this run).
    bool setValue(std::string_view key, std::string_view value);

    [[nodiscard]] std::string filePath() const;

private:
    [[nodiscard]] bool writeFileLocked() const;

    mutable std::mutex m_mutex;
    bool m_loaded = false;
    std::string m_path;
    std::map<std::string, std::string, std::less<>> m_values;
};

// Keys and values are single-line texts without '=' or surrounding blanks:
// strip what would break the file's shape.
[[nodiscard]] std::string sanitizeConfigText(std::string_view text);
// Decimal text to int; 0 for anything else (blanks around it are allowed).
[[nodiscard]] int configTextToInt(std::string_view text);
