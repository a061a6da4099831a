// SPDX-License-Identifier: MIT
#include "sidebar/barprofile.h"

#include "core/atomicfile.h"
#include "core/readfile.h"
#include "core/text.h"

int CBarProfile::GetInt(const std::string& section, const std::string& key, int def) const {
    const auto s = m_sections.find(section);
    if (s == m_sections.end()) {
        return def;
    }
    const auto k = s->second.find(key);
    return k == s->second.end() ? def : k->second;
}

void CBarProfile::WriteInt(const std::string& section, const std::string& key, int value) {
    m_sections[section][key] = value;
}

bool CBarProfile::Load(const std::string& path) {
    m_sections.clear();
    std::string text;
    if (!ReadSmallFile(path, text)) {
        return false;
    }
    ReadKeyValueLines(
        text, [this](std::string_view section, std::string_view key, std::string_view value) {
            // A value that is not a whole number is passed over, not taken as 0.
            int number = 0;
            if (!section.empty() && ParseInt(value, number)) {
                m_sections[std::string(section)][std::string(key)] = number;
            }
        });
    return true;
}

bool CBarProfile::Save(const std::string& path) const {
    std::string text;
    for (const auto& [section, keys] : m_sections) {
        text += '[' + section + "]\n";
        for (const auto& [key, value] : keys) {
            text += key + '=' + std::to_string(value) + '\n';
        }
    }
    return WriteFileAtomically(path, text);
}

CBarProfile& CBarProfile::Instance() {
    static CBarProfile profile;
    return profile;
}

std::string BarProfileSection(const std::string& prefix, unsigned id) {
    std::string section = prefix + "-Bar-" + std::to_string(id);
    if (section.size() > 255) {
        section.resize(255);
    }
    return section;
}
