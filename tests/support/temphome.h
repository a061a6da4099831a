// SPDX-License-Identifier: MIT
#pragma once

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

// A fresh ZENTRIX_HOME for one test: created with mkdtemp, removed with all it
// holds afterwards, the previous value restored.
class TempHome {
public:
    TempHome() {
        if (const char* old = std::getenv("ZENTRIX_HOME"))
            m_previous = old;
        std::string pattern = (std::filesystem::temp_directory_path() / "zentrix-core-XXXXXX");
        if (::mkdtemp(pattern.data()) != nullptr)
            m_dir = pattern;
        ::setenv("ZENTRIX_HOME", m_dir.c_str(), 1);
    }
    ~TempHome() {
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
        if (m_previous)
            ::setenv("ZENTRIX_HOME", m_previous->c_str(), 1);
        else
            ::unsetenv("ZENTRIX_HOME");
    }
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    // The folder, without a trailing '/'.
    [[nodiscard]] const std::string& dir() const { return m_dir; }
    [[nodiscard]] std::string iniPath() const { return m_dir + "/zentrix.ini"; }

private:
    std::string m_dir;
    std::optional<std::string> m_previous;
};
