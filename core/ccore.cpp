// SPDX-License-Identifier: MIT
#include "core/ccore.h"

#include "core/apppath.h"
#include "core/configfile.h"
#include "core/configstore.h"
#include "core/text.h"

#include <atomic>
#include <sys/stat.h>

namespace {

std::atomic<CCoreDialogs*> g_dialogs{nullptr};

} // namespace

CCore::CCore() : m_config(std::make_unique<ConfigStore>()) {}

CCore::~CCore() = default;

void CCore::autoFileConfig() {
    (void)m_config->file();
}

std::string CCore::getAppPath() const {
    return resolveAppPath();
}

// Getters that run before autoFileConfig still see the saved values: the
// store links itself to the file on first use.
int CCore::getConfigInt(const std::string& key) const {
    int value = 0;
    return ParseInt(m_config->file()->value(key), value) ? value : 0;
}

void CCore::saveConfigInt(const std::string& key, int value) {
    m_config->file()->setValue(key, std::to_string(value));
}

bool CCore::getConfigB(const std::string& key) const {
    return getConfigInt(key) != 0;
}

void CCore::saveConfigB(const std::string& key, bool value) {
    saveConfigInt(key, value ? 1 : 0);
}

std::string CCore::getConfigStr(const std::string& key) const {
    return m_config->file()->value(key);
}

void CCore::saveConfigStr(const std::string& key, const std::string& value) {
    m_config->file()->setValue(key, value);
}

bool CCore::flushConfig() {
    return m_config->file()->flush();
}

int CCore::isFileExist(const std::string& path) {
    struct stat info {};
    return (!path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) ? 1 : 0;
}

void CCore::setDialogs(CCoreDialogs* dialogs) {
    g_dialogs.store(dialogs);
}

CCoreDialogs* CCore::dialogs() {
    return g_dialogs.load();
}

std::string CCore::fileTxtOpen() {
    CCoreDialogs* d = dialogs();
    return d != nullptr ? d->fileTxtOpen() : std::string();
}

std::string CCore::fileTxtSave(const std::string& proposedName) {
    CCoreDialogs* d = dialogs();
    return d != nullptr ? d->fileTxtSave(proposedName) : std::string();
}

std::string CCore::fileExportSave(const std::string& proposedName, int& type) {
    type = 0;
    CCoreDialogs* d = dialogs();
    return d != nullptr ? d->fileExportSave(proposedName, type) : std::string();
}

void CCore::msgboxInfo(void* owner, const std::string& text) {
    if (CCoreDialogs* d = dialogs(); d != nullptr)
        d->msgboxInfo(owner, text);
}

int CCore::msgboxConfirm(void* owner, const std::string& text) {
    CCoreDialogs* d = dialogs();
    return d != nullptr ? d->msgboxConfirm(owner, text) : IDNO;
}

void CCore::openUrl(const std::string& address) {
    if (CCoreDialogs* d = dialogs(); d != nullptr)
        d->openUrl(address);
}
