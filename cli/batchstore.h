// SPDX-License-Identifier: MIT
#pragma once

// zentrix-batch's share of the results store: the list's own resume
// position (kept under the program "batch", never the desktop's), the
// checks its names had before the batch, and the store's notices, each
// printed once on standard error.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "cli/resumeplan.h"
#include "engine/store/resultstore.h"

inline constexpr std::string_view kBatchProgramKey = "batch";

class BatchStore {
public:
    // The file --store names, else results.sqlite3 in `dataFolder` (ending in '/').
    [[nodiscard]] static std::string PathFor(const std::string& storeFile,
                                             const std::string& dataFolder);

    explicit BatchStore(const std::string& path);

    [[nodiscard]] ResultStore& store() { return *m_store; }

    // Reads what the store holds for the list's names and where this list's
    // batch stopped (when `resume`), and keeps the new batch's position.
    [[nodiscard]] ResumePlan Begin(const std::string& listPath,
                                   const std::vector<std::string>& names, bool resume,
                                   std::int64_t now);
    // The name's latest check before the batch; none: never checked.
    [[nodiscard]] const StoredCheck* Previous(const std::string& name) const;
    // For a row the interrupted batch finished: that check, and the one
    // before it (the name's previous).
    [[nodiscard]] const StoredCheck* Finished(const std::string& name) const;
    [[nodiscard]] const StoredCheck* BeforeFinished(const std::string& name) const;

    // A batch that finished every row forgets its position; any other keeps
    // where it stopped. Waits until every write is done; false when the
    // store could not keep everything (the position included).
    [[nodiscard]] bool End(bool complete, std::int32_t nextIndex);

    // Hands each notice not yet shown to `show` (English text).
    void TakeNotices(const std::function<void(const std::string&)>& show);

private:
    std::unique_ptr<ResultStore> m_store;
    std::string m_listId;
    std::int64_t m_startedAt = 0;
    std::unordered_map<std::string, StoredCheck> m_latest;   // before the batch
    std::unordered_map<std::string, StoredCheck> m_finished; // the interrupted batch's
    std::unordered_map<std::string, StoredCheck> m_beforeFinished;
};
