// SPDX-License-Identifier: MIT
#include "core/configstore.h"

#include "core/apppath.h"
#include "core/configfile.h"

std::shared_ptr<ConfigFile> ConfigStore::file() {
    const std::lock_guard lock(m_mutex);
    if (!m_file)
        m_file = ConfigFile::open(resolveAppPath() + "zentrix.ini");
    return m_file;
}
