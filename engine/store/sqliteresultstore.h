// SPDX-License-Identifier: MIT
#pragma once

// The results store on SQLite (see resultstore.h for its promises).
//
// What a crash can lose: checks are queued in memory and committed by the
// writer thread at most a second after the first of them was added (sooner
// when 500 are waiting or someone calls Flush). The journal is a write-ahead
// log with synchronous=NORMAL: a committed transaction survives the process
// being killed; a power cut may take the last transactions back.
//
// Two writers (the desktop and a zentrix-batch run): each transaction takes
// the write lock at its start (BEGIN IMMEDIATE) and waits for it in short
// turns with no end, so rows are never dropped because the other process was
// writing; readers never wait for writers.
//
// One connection serves the writer thread and every reader, one at a time.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

#include "engine/store/resultstore.h"
#include "engine/store/sqlitedb.h"

// Ways to open a store that only tests and benchmarks use.
struct StoreOpenOptions {
    // Opens the file read-only, as a read-only folder or file would leave it.
    bool readOnly = false;
};

class SqliteResultStore final : public ResultStore {
public:
    // Never null; see ResultStore::Open.
    [[nodiscard]] static std::unique_ptr<SqliteResultStore>
    OpenWith(const std::string& path, StoreRetention retention, StoreOpenOptions options = {});
    ~SqliteResultStore() override;
    SqliteResultStore(const SqliteResultStore&) = delete;
    SqliteResultStore& operator=(const SqliteResultStore&) = delete;

    void Add(StoredCheck check) override;
    void Flush() override;
    [[nodiscard]] bool Writable() const override;
    [[nodiscard]] std::vector<Notice> TakeNotices() override;
    [[nodiscard]] std::unordered_map<std::string, StoredCheck>
    Latest(const std::vector<std::string>& domainsAscii) const override;
    [[nodiscard]] std::vector<StoredCheck> History(std::string_view domainAscii,
                                                   std::size_t limit = 20) const override;
    [[nodiscard]] std::string LatestAnswer(std::string_view domainAscii) const override;
    void Prune(std::int64_t now) override;
    void SavePosition(std::string_view program, std::string_view listId,
                      ListPosition position) override;
    [[nodiscard]] std::optional<ListPosition> Position(std::string_view program,
                                                       std::string_view listId) const override;
    void ForgetPosition(std::string_view program, std::string_view listId) override;

    // True when the store lives in its file (false: in memory, nothing kept).
    [[nodiscard]] bool OnDisk() const { return m_onDisk; }
    // Checks the writer has committed to the file since the store opened.
    [[nodiscard]] std::uint64_t Committed() const;
    // Called on the writer thread after each commit with Committed().
    void SetCommitListener(std::function<void(std::uint64_t committed)> listener);
    // Lets the file grow by at most `pages` more pages, as a full disk would.
    bool LimitGrowth(int pages);

private:
    // A position saved, or forgotten (nullopt), for the writer to store.
    void QueuePosition(std::string_view program, std::string_view listId,
                       std::optional<ListPosition> position);

    explicit SqliteResultStore(std::string path, StoreRetention retention);

    enum class NoticeKind { MovedAside, NotWritable, NotOpened, COUNT };
    void Notify(NoticeKind kind, Notice notice);

    // Opening: the file as it is, then (when it is no store) a fresh file in
    // its place, then a database in memory.
    enum class OpenOutcome { Ready, NotAStore, Failed };
    void OpenStore(const StoreOpenOptions& options);
    OpenOutcome TryOpenFile(const StoreOpenOptions& options, std::string& why);
    bool OpenInMemory();
    int PrepareStatements();

    // The writer thread and one transaction of its work.
    using PositionKey = std::pair<std::string, std::string>;
    using PositionOps = std::map<PositionKey, std::optional<ListPosition>>;
    void WriterLoop();
    void WriteBatch(std::vector<StoredCheck>& checks, const PositionOps& positions);
    int TryWriteBatch(std::vector<StoredCheck>& checks, const PositionOps& positions,
                      std::int64_t now, std::string& why, bool& locked);
    int StoreCheck(StoredCheck& check);
    int ApplyRetention(const std::vector<std::string>& names, std::int64_t now);
    int DropAnswers(SqliteStatement& deleting, std::vector<std::int64_t>& answerIds);
    // The text of answer `id`, its base read first where it has one.
    int LoadAnswer(std::int64_t id, std::string& text, bool isBase = false) const;
    // The id of `text` in the answers, stored now when it is new.
    int StoreAnswer(const std::string& domainAscii, const std::string& text,
                    std::int64_t& answerId);
    // Takes the write lock; false when the store is being closed and the
    // lock stayed with another process for too long, or on an error.
    bool BeginWrite(std::unique_lock<std::mutex>& db, int& rc);
    void WriteFailed(const std::string& why);

    const std::string m_path;
    const StoreRetention m_retention;
    bool m_onDisk = false;
    std::atomic<bool> m_writable{false};

    // The connection and its statements, one user at a time.
    mutable std::mutex m_dbMutex;
    mutable SqliteDb m_db;
    struct Statements {
        SqliteStatement begin, beginRead, commit, rollback;
        SqliteStatement findAnswer, insertAnswer, insertCheck, previousState;
        SqliteStatement baseCandidate, answerBody;
        SqliteStatement trimCount, trimAge, dropAnswer;
        SqliteStatement latest, history, latestAnswer;
        SqliteStatement pruneAge, pruneCount, pruneAnswers, prunePositions;
        SqliteStatement savePosition, getPosition, forgetPosition;
    };
    mutable Statements m_sql;

    // The queue between Add and the writer thread.
    mutable std::mutex m_queueMutex;
    std::condition_variable m_wakeWriter;
    std::condition_variable m_batchDone;
    std::deque<StoredCheck> m_queue;
    PositionOps m_positionOps;      // saved or forgotten, not yet taken
    PositionOps m_positionsWriting; // taken by the writer, not yet committed
    std::size_t m_positionOpCount = 0;
    std::chrono::steady_clock::time_point m_firstQueuedAt;
    std::uint64_t m_added = 0;       // operations queued since the store opened
    std::uint64_t m_finished = 0;    // of those, committed or given up
    std::uint64_t m_flushTarget = 0; // Flush waits until m_finished reaches it
    bool m_stopping = false;
    std::function<void(std::uint64_t)> m_commitListener;
    std::atomic<std::uint64_t> m_committed{0};
    std::thread m_writer;
    bool m_writerRunning = false;

    std::mutex m_noticeMutex;
    std::vector<Notice> m_notices;
    bool m_noticeGiven[static_cast<int>(NoticeKind::COUNT)] = {};
};
