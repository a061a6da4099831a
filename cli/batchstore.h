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

    // The list's path as its identity names it: one list whatever way its
    // path is spelt ("names.txt", "./names.txt").
    [[nodiscard]] static std::string ListPathKey(const std::string& listPath);

    explicit BatchStore(const std::string& path);

    [[nodiscard]] ResultStore& store() { return *m_store; }

    // Where this list's batch starts (`listId`: ListIdentity's text); with
    // `resume`, where its interrupted batch stopped. Keeps the new batch's
    // position.
    [[nodiscard]] ResumeStart Begin(const std::string& listId, bool resume, std::int64_t now);

    // What the store holds for one name of the list.
    struct NameChecks {
        std::optional<StoredCheck> previous; // to compare with: its latest check before the batch
        std::optional<StoredCheck> finished; // the interrupted batch's check: the row is done
    };
    // For a piece of the list's names, in their order (read as the rows come,
    // so only a piece of a long list is held at once).
    [[nodiscard]] std::vector<NameChecks> ChecksOf(const std::vector<std::string>& names) const;

    // A batch that finished every row forgets its position; any other keeps
    // where it stopped. Waits until every write is done; false when the
    // store could not keep everything (the position included).
    [[nodiscard]] bool End(bool complete, std::int32_t nextIndex);

    // Hands each notice not yet shown to `show` (English text).
    void TakeNotices(const std::function<void(const std::string&)>& show);

private:
    std::unique_ptr<ResultStore> m_store;
    std::string m_listId;
    ResumeStart m_start;
};
