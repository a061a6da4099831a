// SPDX-License-Identifier: MIT
#include "cli/batchstore.h"

#include <filesystem>
#include <system_error>

std::string BatchStore::PathFor(const std::string& storeFile, const std::string& dataFolder) {
    return storeFile.empty() ? dataFolder + std::string(kResultStoreFileName) : storeFile;
}

std::string BatchStore::ListPathKey(const std::string& listPath) {
    std::error_code error;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(listPath, error);
    return error ? listPath : canonical.string();
}

BatchStore::BatchStore(const std::string& path) : m_store(ResultStore::Open(path)) {}

ResumeStart BatchStore::Begin(const std::string& listId, bool resume, std::int64_t now) {
    m_listId = listId;
    std::optional<ListPosition> position;
    if (resume) {
        position = m_store->Position(kBatchProgramKey, m_listId);
    }
    m_start = StartOf(position, now);
    m_store->SavePosition(kBatchProgramKey, m_listId, {m_start.startedAt, 0});
    return m_start;
}

std::vector<BatchStore::NameChecks>
BatchStore::ChecksOf(const std::vector<std::string>& names) const {
    std::unordered_map<std::string, StoredCheck> latest = m_store->Latest(names);
    std::vector<NameChecks> checks(names.size());
    for (std::size_t at = 0; at < names.size(); ++at) {
        const auto found = latest.find(names[at]);
        if (found == latest.end()) {
            continue;
        }
        NameChecks& row = checks[at];
        if (!FinishedBefore(&found->second, m_start)) {
            row.previous = found->second;
            continue;
        }
        // The check that run made is the row; the one before it, its previous.
        row.finished = found->second;
        std::vector<StoredCheck> history = m_store->History(names[at], 2);
        if (history.size() == 2) {
            row.previous = std::move(history[1]);
        }
    }
    return checks;
}

bool BatchStore::End(bool complete, std::int32_t nextIndex) {
    if (!m_listId.empty()) {
        if (complete) {
            m_store->ForgetPosition(kBatchProgramKey, m_listId);
        } else {
            m_store->SavePosition(kBatchProgramKey, m_listId, {m_start.startedAt, nextIndex});
        }
    }
    m_store->Flush();
    return m_store->Writable();
}

void BatchStore::TakeNotices(const std::function<void(const std::string&)>& show) {
    for (const ResultStore::Notice& notice : m_store->TakeNotices()) {
        show(notice.english);
    }
}
