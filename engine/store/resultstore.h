// SPDX-License-Identifier: MIT
#pragma once

// The results store: every check of every name, kept in an SQLite database
// (results.sqlite3 in the data folder) that the desktop program and any
// number of zentrix-batch runs share. Writes are queued and committed by the
// store's own thread, one transaction per second or per 500 rows, so the
// thread that finished a row never waits for the disk. A store that cannot
// be opened is moved aside and made afresh; one that cannot be written keeps
// the batch going and says why, once. Thread-safe.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/store/storedcheck.h"

inline constexpr std::string_view kResultStoreFileName = "results.sqlite3";

// How much history is kept: at most `checksPerName` checks of a name, and
// none older than `maxAgeSeconds`.
struct StoreRetention {
    int checksPerName = 20;
    std::int64_t maxAgeSeconds = 2 * 365 * 86400;
};

// Where an interrupted batch over one list stopped: rows of that list
// finished at or after `startedAt` need not be asked again.
struct ListPosition {
    std::int64_t startedAt = 0; // when the batch began, Unix seconds
    std::int32_t nextIndex = 0; // the first row not finished
};

class ResultStore {
public:
    // Opens (or creates) the store at `path`. Never null: a file that is not a
    // usable store is renamed to "<path>.broken-YYYYMMDD-HHMMSS" and a fresh
    // one made; a store that cannot be made at all works without a disk
    // (nothing is kept) and says so in a notice. An empty path gives such a
    // store without a notice.
    [[nodiscard]] static std::unique_ptr<ResultStore> Open(const std::string& path,
                                                           StoreRetention retention = {});
    virtual ~ResultStore() = default; // commits what is queued first

    // Queues a finished row; returns at once.
    virtual void Add(StoredCheck check) = 0;
    // Blocks until every check added before the call is committed (or failed).
    virtual void Flush() = 0;
    // False once a write failed (disk full, read-only folder, ...).
    [[nodiscard]] virtual bool Writable() const = 0;
    // What the user should be told, each text once (moved aside, cannot be
    // written, with the system's reason), in English and Chinese.
    struct Notice {
        std::string english;
        std::string chinese;
    };
    [[nodiscard]] virtual std::vector<Notice> TakeNotices() = 0;

    // The latest committed check of each name asked for, by A-label, without
    // the answer; names never checked are absent.
    [[nodiscard]] virtual std::unordered_map<std::string, StoredCheck>
    Latest(const std::vector<std::string>& domainsAscii) const = 0;
    // A name's checks, newest first, at most `limit`, without the answers.
    [[nodiscard]] virtual std::vector<StoredCheck> History(std::string_view domainAscii,
                                                           std::size_t limit = 20) const = 0;
    // The answer of a name's latest check ("" when none).
    [[nodiscard]] virtual std::string LatestAnswer(std::string_view domainAscii) const = 0;

    // Applies the retention rule now (it is also applied as checks are added).
    virtual void Prune(std::int64_t now) = 0;

    // Resume positions, kept per program ("desktop", "batch") and list identity.
    virtual void SavePosition(std::string_view program, std::string_view listId,
                              ListPosition position) = 0;
    [[nodiscard]] virtual std::optional<ListPosition> Position(std::string_view program,
                                                               std::string_view listId) const = 0;
    virtual void ForgetPosition(std::string_view program, std::string_view listId) = 0;
};

// A list's identity: its path and a hash of its names in order, as text.
[[nodiscard]] std::string ListIdentity(std::string_view path,
                                       const std::vector<std::string>& domainsAscii);

// The same, a name at a time, for a list read as a stream.
class ListIdentityHash {
public:
    void Add(std::string_view domainAscii);
    [[nodiscard]] std::string Identity(std::string_view path) const;

private:
    // FNV-1a, 64 bits: stable across builds and machines, which std::hash is not.
    std::uint64_t m_hash = 14695981039346656037ULL;
    std::size_t m_count = 0;
};
