// SPDX-License-Identifier: MIT
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/offlineregistry.h"
#include "tests/support/scratchdir.h"

// A fresh ZENTRIX_HOME holding an RDAP bootstrap that names only loopback
// (the built-in one names the real registries' servers), both set in the
// environment, for fixtures that run whole batches.
class LoopbackHome {
public:
    // Makes /tmp/PREFIX-XXXXXX and points the environment at it; false when
    // the folder cannot be made.
    [[nodiscard]] bool Create(const std::string& prefix) {
        std::string pattern = "/tmp/" + prefix + "-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            return false;
        }
        m_dir = pattern;
        ::setenv("ZENTRIX_HOME", m_dir.c_str(), 1);
        const std::string bootstrap = m_dir + "/bootstrap.json";
        WriteBytes(bootstrap, LoopbackBootstrap());
        ::setenv("ZENTRIX_RDAP_BOOTSTRAP", bootstrap.c_str(), 1);
        return true;
    }

    // Clears the environment and removes the folder with all it holds.
    void Remove() {
        ::unsetenv("ZENTRIX_HOME");
        ::unsetenv("ZENTRIX_RDAP_BOOTSTRAP");
        std::filesystem::remove_all(m_dir);
    }

private:
    std::string m_dir;
};
