// SPDX-License-Identifier: MIT
#pragma once

// A small profile store for the bars' sizes: sections of integer keys, kept
// in memory and optionally read from and written to an INI-style file.

#include <map>
#include <string>

class CBarProfile {
public:
    [[nodiscard]] int GetInt(const std::string& section, const std::string& key, int def) const;
    void WriteInt(const std::string& section, const std::string& key, int value);

    // Reads path ("[section]" lines and "key=value" lines); false when it
    // cannot be read (the store is then left empty).
    bool Load(const std::string& path);
    // Writes the store to path through a temporary file and a rename.
    bool Save(const std::string& path) const;

    // The store LoadSizes and SaveSizes use.
    static CBarProfile& Instance();

private:
    std::map<std::string, std::map<std::string, int>> m_sections;
};

// "<prefix>-Bar-<id>", cut to 255 characters.
[[nodiscard]] std::string BarProfileSection(const std::string& prefix, unsigned id);
