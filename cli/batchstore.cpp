// SPDX-License-Identifier: MIT
#include "cli/batchstore.h"

#include <filesystem>
#include <system_error>

std::string BatchStore::PathFor(const std::string& storeFile, const std::string& dataFolder) {
    return storeFile.empty() ? dataFolder + std::string(kResultStoreFileName) : storeFile;
}

BatchStore::BatchStore(const std::string& path) : m_store(ResultStore::Open(path)) {}

ResumePlan BatchStore::Begin(const std::string& listPath, const std::vector<std::string>& names,
                             bool resume, std::int64_t now) {
    // One list whatever way its path is spelt ("names.txt", "./names.txt").
    std::error_code error;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(listPath, error);
    m_listId = ListIdentity(error ? listPath : canonical.string(), names);

    std::unordered_map<std::string, StoredCheck> latest = m_store->Latest(names);
    std::optional<ListPosition> position;
    if (resume) {
        position = m_store->Position(kBatchProgramKey, m_listId);
    }
    ResumePlan plan = PlanResume(names, position, latest, now);
    m_startedAt = plan.startedAt;
    for (std::size_t index = 0; index < names.size(); ++index) {
        if (plan.done[index] == 0 || m_finished.count(names[index]) != 0) {
            continue;
        }
        // The check that run made is the row; the one before it, its previous.
        const auto found = latest.find(names[index]);
        m_finished.emplace(names[index], found->second);
        std::vector<StoredCheck> history = m_store->History(names[index], 2);
        if (history.size() == 2) {
            m_beforeFinished.emplace(names[index], std::move(history[1]));
        }
    }
    m_latest = std::move(latest);
    m_store->SavePosition(kBatchProgramKey, m_listId, {m_startedAt, plan.startIndex});
    return plan;
}

namespace {

const StoredCheck* Find(const std::unordered_map<std::string, StoredCheck>& checks,
                        const std::string& name) {
    const auto found = checks.find(name);
    return found == checks.end() ? nullptr : &found->second;
}

} // namespace

const StoredCheck* BatchStore::Previous(const std::string& name) const {
    return Find(m_latest, name);
}

const StoredCheck* BatchStore::Finished(const std::string& name) const {
    return Find(m_finished, name);
}

const StoredCheck* BatchStore::BeforeFinished(const std::string& name) const {
    return Find(m_beforeFinished, name);
}

bool BatchStore::End(bool complete, std::int32_t nextIndex) {
    if (!m_listId.empty()) {
        if (complete) {
            m_store->ForgetPosition(kBatchProgramKey, m_listId);
        } else {
            m_store->SavePosition(kBatchProgramKey, m_listId, {m_startedAt, nextIndex});
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
