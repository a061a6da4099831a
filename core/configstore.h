// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <mutex>
#include <string>

class ConfigFile;

// One CCore's link to its settings file, made on first use: by
// autoFileConfig, or by a getter or save that runs before it.
class ConfigStore {
public:
    ConfigStore() = default;
    ConfigStore(const ConfigStore&) = delete;
    ConfigStore& operator=(const ConfigStore&) = delete;

    // The file object, opened in the program folder if not yet linked.
    [[nodiscard]] std::shared_ptr<ConfigFile> file();

private:
    std::mutex m_mutex;
    std::shared_ptr<ConfigFile> m_file;
};
