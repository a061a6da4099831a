#include "sidebar/barprofile.h"

#include <cstdio>
#include <fstream>
#include <sstream>

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
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::string line;
    std::string section;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos || section.empty()) {
            continue;
        }
        // A value that is not a whole number is passed over, not taken as 0.
        std::istringstream value(line.substr(eq + 1));
        int number = 0;
        if (value >> number && (value >> std::ws).eof()) {
            m_sections[section][line.substr(0, eq)] = number;
        }
    }
    return true;
}

bool CBarProfile::Save(const std::string& path) const {
    const std::string temp = path + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) {
            return false;
        }
        for (const auto& [section, keys] : m_sections) {
            out << '[' << section << "]\n";
            for (const auto& [key, value] : keys) {
                out << key << '=' << value << '\n';
            }
        }
        out.flush();
        if (!out) {
            std::remove(temp.c_str());
            return false;
        }
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
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
