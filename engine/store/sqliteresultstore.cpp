// SPDX-License-Identifier: MIT
#include "engine/store/sqliteresultstore.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <exception>
#include <set>

#include "engine/store/answercodec.h"
#include "engine/store/storefile.h"
#include "engine/store/storeschema.h"

namespace {

using Clock = std::chrono::steady_clock;

// A transaction at most this long after its first check was queued, or as
// soon as this many wait.
constexpr auto kCommitEvery = std::chrono::seconds(1);
constexpr std::size_t kCommitRows = 500;
// The most a writer takes in one transaction when it fell behind.
constexpr std::size_t kMostRows = 5000;
// Readers, schema steps and pruning wait this long for another process.
constexpr int kBusyTimeoutMs = 10000;
// The writer waits for the write lock in turns this long, letting this
// process's readers in between.
constexpr int kWriterTurnMs = 200;
// How long the writer waits for another process's write lock before it
// gives the batch up: a zentrix writer holds it for well under a second, so
// this is a program that keeps a transaction open (a sqlite3 shell left in
// BEGIN). Closing the store waits less.
constexpr auto kLockPatience = std::chrono::seconds(60);
constexpr auto kCloseWait = std::chrono::seconds(10);

// A read transaction: one snapshot, and the log's read lock taken once;
// committed when it goes, if it began.
class ReadSnapshot {
public:
    ReadSnapshot(SqliteStatement& begin, SqliteStatement& commit) : m_commit(commit) {
        const StatementScope scope(begin);
        m_open = begin.Step() == SQLITE_DONE;
    }
    ~ReadSnapshot() {
        if (m_open) {
            const StatementScope scope(m_commit);
            m_commit.Step();
        }
    }
    ReadSnapshot(const ReadSnapshot&) = delete;
    ReadSnapshot& operator=(const ReadSnapshot&) = delete;

private:
    SqliteStatement& m_commit;
    bool m_open = false;
};

int Primary(int rc) {
    return rc & 0xFF;
}

bool IsNotAStore(int rc) {
    return Primary(rc) == SQLITE_NOTADB || Primary(rc) == SQLITE_CORRUPT;
}

std::int64_t Now() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

// The columns every reader of checks reads, in ReadCheck's order.
#define CHECK_COLUMNS                                                                              \
    "domain, domain_unicode, asked_at, protocol, server, status, reason, expiry, created, "        \
    "updated, owner, email, phone, registrar, changes"

StoredCheck ReadCheck(const SqliteStatement& row) {
    StoredCheck check;
    check.domainAscii = row.Text(0);
    check.domainUnicode = row.IsNull(1) ? check.domainAscii : row.Text(1);
    check.askedAt = row.Int(2);
    check.protocol = static_cast<std::uint8_t>(row.Int(3));
    check.server = row.Text(4);
    check.status = static_cast<std::int32_t>(row.Int(5));
    check.reason = static_cast<std::uint8_t>(row.Int(6));
    check.values.expiry = row.Text(7);
    check.values.created = row.Text(8);
    check.values.updated = row.Text(9);
    check.values.owner = row.Text(10);
    check.values.email = row.Text(11);
    check.values.phone = row.Text(12);
    check.values.registrar = row.Text(13);
    check.changes = static_cast<std::uint8_t>(row.Int(14));
    return check;
}

// "Newest" everywhere: the latest time asked, and of two checks in one
// second the one stored last.
constexpr const char* kNewestFirst = " ORDER BY asked_at DESC, id DESC";

struct StatementText {
    SqliteStatement* statement;
    std::string sql;
};

} // namespace

std::unique_ptr<ResultStore> ResultStore::Open(const std::string& path, StoreRetention retention) {
    return SqliteResultStore::OpenWith(path, retention);
}

std::unique_ptr<SqliteResultStore> SqliteResultStore::OpenWith(const std::string& path,
                                                               StoreRetention retention,
                                                               StoreOpenOptions options) {
    std::unique_ptr<SqliteResultStore> store(new SqliteResultStore(path, retention));
    try {
        store->OpenStore(options);
    } catch (const std::exception& error) {
        // Out of memory while opening: a store without a disk still works.
        store->m_db.Close();
        store->m_onDisk = false;
        store->m_writable = false;
        store->OpenInMemory();
        store->Notify(NoticeKind::NotOpened,
                      {"The results store " + path + " could not be opened (" + error.what() +
                           "); the results of this run are not kept.",
                       "结果库 " + path + " 无法打开（" + error.what() + "），本次结果不会保存。"});
    }
    try {
        store->m_writer = std::thread([raw = store.get()] { raw->WriterLoop(); });
        store->m_writerRunning = true;
    } catch (const std::exception&) {
        // No thread to write with: Add drops rows from the disk side at once.
        store->m_writable = false;
    }
    return store;
}

SqliteResultStore::SqliteResultStore(std::string path, StoreRetention retention)
    : m_path(std::move(path)), m_retention(retention) {}

SqliteResultStore::~SqliteResultStore() {
    {
        const std::lock_guard lock(m_queueMutex);
        m_stopping = true;
    }
    m_wakeWriter.notify_all();
    if (m_writer.joinable()) {
        m_writer.join();
    }
}

void SqliteResultStore::Notify(NoticeKind kind, Notice notice) {
    const std::lock_guard lock(m_noticeMutex);
    bool& given = m_noticeGiven[static_cast<int>(kind)];
    if (!given) {
        given = true;
        m_notices.push_back(std::move(notice));
    }
}

std::vector<ResultStore::Notice> SqliteResultStore::TakeNotices() {
    const std::lock_guard lock(m_noticeMutex);
    return std::exchange(m_notices, {});
}

bool SqliteResultStore::Writable() const {
    return m_writable;
}

// ---------------------------------------------------------------- opening

void SqliteResultStore::OpenStore(const StoreOpenOptions& options) {
    if (m_path.empty()) {
        OpenInMemory(); // asked for: nothing to tell
        return;
    }
    std::string why;
    OpenOutcome outcome = TryOpenFile(options, why);
    if (outcome == OpenOutcome::NotAStore) {
        m_db.Close();
        std::string movedTo;
        std::string moveWhy;
        if (MoveStoreAside(m_path, movedTo, moveWhy)) {
            Notify(NoticeKind::MovedAside,
                   {"The results store " + m_path + " could not be read (" + why +
                        "); it was moved to " + movedTo + " and a new one was made.",
                    "结果库 " + m_path + " 无法读取（" + why + "），已移至 " + movedTo +
                        "，并新建了一个。"});
            outcome = TryOpenFile(options, why);
        } else {
            why += "; " + moveWhy;
            outcome = OpenOutcome::Failed;
        }
    }
    if (outcome == OpenOutcome::Ready) {
        m_onDisk = true;
        m_writable = !options.readOnly;
        return;
    }
    m_db.Close();
    Notify(NoticeKind::NotOpened,
           {"The results store " + m_path + " could not be opened (" + why +
                "); the results of this run are not kept.",
            "结果库 " + m_path + " 无法打开（" + why + "），本次结果不会保存。"});
    OpenInMemory();
}

SqliteResultStore::OpenOutcome SqliteResultStore::TryOpenFile(const StoreOpenOptions& options,
                                                              std::string& why) {
    const int flags =
        SQLITE_OPEN_FULLMUTEX |
        (options.readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    int rc = m_db.Open(m_path, flags);
    auto failed = [&](int code) {
        why = m_db.ErrorText();
        if (why.empty()) {
            why = sqlite3_errstr(code);
        }
        return IsNotAStore(code) ? OpenOutcome::NotAStore : OpenOutcome::Failed;
    };
    if (rc != SQLITE_OK) {
        return failed(rc);
    }
    m_db.SetBusyTimeout(kBusyTimeoutMs);
    // Reading the header is the first touch of the file: garbage shows here.
    const std::int64_t version = m_db.QueryInt("PRAGMA user_version", 0, &rc);
    if (rc != SQLITE_OK) {
        return failed(rc);
    }
    if (version < 0) {
        why = "unknown schema version " + std::to_string(version);
        return OpenOutcome::NotAStore;
    }
    // A damaged page anywhere (a file cut short, bytes overwritten).
    if (m_db.QueryInt("PRAGMA page_count", 0, &rc) > 0 && rc == SQLITE_OK) {
        SqliteStatement check;
        rc = check.Prepare(m_db, "PRAGMA quick_check(1)");
        if (rc == SQLITE_OK) {
            rc = check.Step();
        }
        if (rc == SQLITE_ROW) {
            const std::string verdict = check.Text(0);
            if (verdict != "ok") {
                why = verdict;
                return OpenOutcome::NotAStore;
            }
            rc = SQLITE_OK;
        }
    }
    if (rc != SQLITE_OK) {
        return failed(rc);
    }
    if (!options.readOnly) {
        const MigrationResult migration = MigrateStore(m_db);
        if (migration.code != SQLITE_OK) {
            why = migration.error;
            // SQLITE_ERROR from a step: tables of another program's database.
            const bool foreign = Primary(migration.code) == SQLITE_ERROR;
            return foreign || IsNotAStore(migration.code) ? OpenOutcome::NotAStore
                                                          : OpenOutcome::Failed;
        }
    }
    // Only now that the file is known to be ours: a foreign file moved aside
    // keeps its bytes.
    if (!options.readOnly) {
        SqliteStatement mode;
        rc = mode.Prepare(m_db, "PRAGMA journal_mode=WAL");
        if (rc == SQLITE_OK) {
            rc = mode.Step();
            rc = rc == SQLITE_ROW ? SQLITE_OK : rc;
        }
        if (rc != SQLITE_OK) {
            return failed(rc);
        }
        // With a write-ahead log NORMAL keeps every committed transaction
        // through a crash of the process; only a power cut can undo the last.
        m_db.Exec("PRAGMA synchronous=NORMAL");
    }
    rc = PrepareStatements();
    if (rc != SQLITE_OK) {
        why = m_db.ErrorText();
        // A later version's store is left alone; anything else lacks our tables.
        return version > StoreSchemaVersion() || Primary(rc) != SQLITE_ERROR
                   ? OpenOutcome::Failed
                   : OpenOutcome::NotAStore;
    }
    return OpenOutcome::Ready;
}

bool SqliteResultStore::OpenInMemory() {
    m_onDisk = false;
    m_writable = false;
    if (m_db.Open(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX) != SQLITE_OK ||
        MigrateStore(m_db).code != SQLITE_OK || PrepareStatements() != SQLITE_OK) {
        m_db.Close();
        return false;
    }
    return true;
}

int SqliteResultStore::PrepareStatements() {
    const std::string latestSql =
        std::string("SELECT " CHECK_COLUMNS " FROM checks WHERE domain = ?1") + kNewestFirst +
        " LIMIT 1";
    const StatementText all[] = {
        {&m_sql.begin, "BEGIN IMMEDIATE"},
        {&m_sql.beginRead, "BEGIN"},
        {&m_sql.commit, "COMMIT"},
        {&m_sql.rollback, "ROLLBACK"},
        {&m_sql.findAnswer, "SELECT id FROM answers WHERE key = ?1"},
        {&m_sql.insertAnswer,
         "INSERT INTO answers (key, size, body, base_id) VALUES (?1, ?2, ?3, ?4)"},
        {&m_sql.baseCandidate,
         std::string("SELECT id, base_id FROM answers WHERE id = (SELECT answer_id FROM checks "
                     "WHERE domain = ?1 AND answer_id IS NOT NULL") +
             kNewestFirst + " LIMIT 1)"},
        {&m_sql.answerBody, "SELECT size, body, base_id FROM answers WHERE id = ?1"},
        {&m_sql.insertCheck,
         "INSERT INTO checks (" CHECK_COLUMNS ", answer_id) VALUES "
         "(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16)"},
        // The previous check that says whether the name is registered.
        {&m_sql.previousState,
         std::string("SELECT " CHECK_COLUMNS " FROM checks WHERE domain = ?1 AND status IN "
                     "(1, 2) AND asked_at <= ?2") +
             kNewestFirst + " LIMIT 1"},
        {&m_sql.trimCount, std::string("DELETE FROM checks WHERE id IN (SELECT id FROM checks "
                                       "WHERE domain = ?1") +
                               kNewestFirst + " LIMIT -1 OFFSET ?2) RETURNING answer_id"},
        {&m_sql.trimAge,
         "DELETE FROM checks WHERE domain = ?1 AND asked_at < ?2 RETURNING answer_id"},
        // An answer goes when no check keeps it and no answer is kept against it.
        {&m_sql.dropAnswer,
         "DELETE FROM answers WHERE id = ?1 AND NOT EXISTS (SELECT 1 FROM checks WHERE "
         "answer_id = ?1) AND NOT EXISTS (SELECT 1 FROM answers WHERE base_id = ?1) "
         "RETURNING base_id"},
        {&m_sql.latest, latestSql},
        {&m_sql.history, std::string("SELECT " CHECK_COLUMNS " FROM checks WHERE domain = ?1") +
                             kNewestFirst + " LIMIT ?2"},
        {&m_sql.latestAnswer,
         std::string("SELECT answer_id FROM checks WHERE domain = ?1") + kNewestFirst + " LIMIT 1"},
        {&m_sql.pruneAge, "DELETE FROM checks WHERE asked_at < ?1"},
        {&m_sql.pruneCount,
         std::string("DELETE FROM checks WHERE id IN (SELECT id FROM (SELECT id, row_number() "
                     "OVER (PARTITION BY domain") +
             kNewestFirst + ") AS n FROM checks) WHERE n > ?1)"},
        {&m_sql.pruneAnswers,
         "DELETE FROM answers WHERE NOT EXISTS (SELECT 1 FROM checks WHERE answer_id = "
         "answers.id) AND NOT EXISTS (SELECT 1 FROM answers AS kept WHERE kept.base_id = "
         "answers.id)"},
        {&m_sql.prunePositions, "DELETE FROM positions WHERE started_at < ?1"},
        {&m_sql.savePosition,
         "INSERT INTO positions (program, list_id, started_at, next_index) VALUES "
         "(?1, ?2, ?3, ?4) ON CONFLICT (program, list_id) DO UPDATE SET "
         "started_at = excluded.started_at, next_index = excluded.next_index"},
        {&m_sql.getPosition,
         "SELECT started_at, next_index FROM positions WHERE program = ?1 AND list_id = ?2"},
        {&m_sql.forgetPosition, "DELETE FROM positions WHERE program = ?1 AND list_id = ?2"},
    };
    for (const StatementText& entry : all) {
        const int rc = entry.statement->Prepare(m_db, entry.sql);
        if (rc != SQLITE_OK) {
            return rc;
        }
    }
    return SQLITE_OK;
}

// ---------------------------------------------------------------- writing

void SqliteResultStore::Add(StoredCheck check) {
    if (check.askedAt == 0) {
        // A check without a time would fall to the age rule at once.
        check.askedAt = Now();
    }
    bool wake = false;
    {
        const std::lock_guard lock(m_queueMutex);
        ++m_added;
        if (!m_writerRunning) {
            ++m_finished;
            return;
        }
        if (m_queue.empty()) {
            m_firstQueuedAt = Clock::now();
            wake = true;
        }
        m_queue.push_back(std::move(check));
        wake = wake || m_queue.size() >= kCommitRows;
    }
    if (wake) {
        m_wakeWriter.notify_one();
    }
}

void SqliteResultStore::Flush() {
    std::unique_lock lock(m_queueMutex);
    if (!m_writerRunning) {
        return;
    }
    const std::uint64_t target = m_added;
    m_flushTarget = std::max(m_flushTarget, target);
    m_wakeWriter.notify_one();
    m_batchDone.wait(lock, [&] { return m_finished >= target; });
}

void SqliteResultStore::SavePosition(std::string_view program, std::string_view listId,
                                     ListPosition position) {
    QueuePosition(program, listId, position);
}

void SqliteResultStore::ForgetPosition(std::string_view program, std::string_view listId) {
    QueuePosition(program, listId, std::nullopt);
}

void SqliteResultStore::QueuePosition(std::string_view program, std::string_view listId,
                                      std::optional<ListPosition> position) {
    {
        const std::lock_guard lock(m_queueMutex);
        ++m_added;
        if (!m_writerRunning) {
            ++m_finished;
            return;
        }
        if (m_queue.empty() && m_positionOps.empty()) {
            m_firstQueuedAt = Clock::now();
        }
        m_positionOps[{std::string(program), std::string(listId)}] = position;
        ++m_positionOpCount;
    }
    m_wakeWriter.notify_one();
}

void SqliteResultStore::WriterLoop() {
    std::unique_lock lock(m_queueMutex);
    for (;;) {
        m_wakeWriter.wait(lock,
                          [&] { return m_stopping || !m_queue.empty() || !m_positionOps.empty(); });
        if (m_queue.empty() && m_positionOps.empty()) {
            break; // stopping with nothing left
        }
        m_wakeWriter.wait_until(lock, m_firstQueuedAt + kCommitEvery, [&] {
            return m_stopping || m_finished < m_flushTarget || m_queue.size() >= kCommitRows;
        });
        const std::size_t take = std::min(m_queue.size(), kMostRows);
        std::vector<StoredCheck> checks(std::make_move_iterator(m_queue.begin()),
                                        std::make_move_iterator(m_queue.begin() + take));
        m_queue.erase(m_queue.begin(), m_queue.begin() + static_cast<std::ptrdiff_t>(take));
        m_positionsWriting = std::exchange(m_positionOps, {});
        const std::size_t operations = take + std::exchange(m_positionOpCount, 0);
        // What stays waits at most a second from now.
        m_firstQueuedAt = Clock::now();
        const PositionOps positions = m_positionsWriting;
        lock.unlock();

        try {
            WriteBatch(checks, positions);
        } catch (const std::exception& error) {
            // Out of memory mid-batch: these rows are lost to the disk only.
            WriteFailed(error.what());
        }

        lock.lock();
        m_positionsWriting.clear();
        m_finished += operations;
        const auto listener = m_commitListener;
        lock.unlock();
        m_batchDone.notify_all();
        if (listener) {
            listener(m_committed.load());
        }
        lock.lock();
    }
}

void SqliteResultStore::WriteFailed(const std::string& why) {
    m_writable = false;
    if (!m_onDisk) {
        return; // told already: nothing is kept
    }
    Notify(NoticeKind::NotWritable,
           {"The results store " + m_path + " cannot be written (" + why +
                "); results stay in the list and the outputs but are not kept.",
            "结果库 " + m_path + " 无法写入（" + why + "），结果仍在列表和导出中，但不会保存。"});
}

void SqliteResultStore::WriteBatch(std::vector<StoredCheck>& checks, const PositionOps& positions) {
    if (!m_db.IsOpen()) {
        return;
    }
    int rc = SQLITE_OK;
    std::string why;
    for (;;) {
        bool locked = false;
        rc = TryWriteBatch(checks, positions, Now(), why, locked);
        // Busy after the lock was taken (a checkpoint of another process):
        // the whole batch again, its changes read anew. Busy before it means
        // the lock never came: given up.
        if (!locked || (Primary(rc) != SQLITE_BUSY && Primary(rc) != SQLITE_LOCKED)) {
            break;
        }
        const std::lock_guard lock(m_queueMutex);
        if (m_stopping) {
            break;
        }
    }
    if (rc == SQLITE_OK) {
        if (m_onDisk) {
            m_committed += checks.size();
        }
        return;
    }
    WriteFailed(why);
}

bool SqliteResultStore::BeginWrite(std::unique_lock<std::mutex>& db, int& rc) {
    const auto started = Clock::now();
    m_db.SetBusyTimeout(kWriterTurnMs);
    for (;;) {
        {
            const StatementScope scope(m_sql.begin);
            rc = m_sql.begin.Step();
        }
        if (rc == SQLITE_DONE) {
            rc = SQLITE_OK;
            break;
        }
        if (Primary(rc) != SQLITE_BUSY) {
            break;
        }
        // Between turns this process's readers get the connection.
        db.unlock();
        bool stopping = false;
        {
            const std::lock_guard lock(m_queueMutex);
            stopping = m_stopping;
        }
        db.lock();
        if (Clock::now() - started >= (stopping ? kCloseWait : kLockPatience)) {
            break;
        }
    }
    m_db.SetBusyTimeout(kBusyTimeoutMs);
    return rc == SQLITE_OK;
}

int SqliteResultStore::TryWriteBatch(std::vector<StoredCheck>& checks, const PositionOps& positions,
                                     std::int64_t now, std::string& why, bool& locked) {
    std::unique_lock db(m_dbMutex);
    int rc = SQLITE_OK;
    if (!BeginWrite(db, rc)) {
        why = m_db.ErrorText();
        return rc;
    }
    locked = true;
    std::vector<std::string> names;
    names.reserve(checks.size());
    for (StoredCheck& check : checks) {
        rc = StoreCheck(check);
        if (rc != SQLITE_OK) {
            break;
        }
        names.push_back(check.domainAscii);
    }
    if (rc == SQLITE_OK) {
        std::sort(names.begin(), names.end());
        names.erase(std::unique(names.begin(), names.end()), names.end());
        rc = ApplyRetention(names, now);
    }
    for (auto it = positions.begin(); rc == SQLITE_OK && it != positions.end(); ++it) {
        SqliteStatement& statement = it->second ? m_sql.savePosition : m_sql.forgetPosition;
        const StatementScope scope(statement);
        statement.Bind(1, it->first.first);
        statement.Bind(2, it->first.second);
        if (it->second) {
            statement.Bind(3, it->second->startedAt);
            statement.Bind(4, std::int64_t{it->second->nextIndex});
        }
        rc = statement.Run();
        rc = rc == SQLITE_DONE ? SQLITE_OK : rc;
    }
    if (rc == SQLITE_OK) {
        const StatementScope scope(m_sql.commit);
        rc = m_sql.commit.Step();
        rc = rc == SQLITE_DONE ? SQLITE_OK : rc;
    }
    if (rc != SQLITE_OK) {
        // The reason first: the rollback's own outcome replaces it.
        why = m_db.ErrorText();
        const StatementScope scope(m_sql.rollback);
        m_sql.rollback.Step();
    }
    return rc;
}

int SqliteResultStore::LoadAnswer(std::int64_t id, std::string& text, bool isBase) const {
    std::int64_t size = 0;
    std::string body;
    std::int64_t baseId = 0;
    {
        const StatementScope scope(m_sql.answerBody);
        m_sql.answerBody.Bind(1, id);
        const int rc = m_sql.answerBody.Step();
        if (rc != SQLITE_ROW) {
            return rc == SQLITE_DONE ? SQLITE_NOTFOUND : rc;
        }
        size = m_sql.answerBody.Int(0);
        body = m_sql.answerBody.Blob(1);
        baseId = m_sql.answerBody.IsNull(2) ? 0 : m_sql.answerBody.Int(2);
    }
    std::string base;
    // A base is always kept whole: one level, never a chain.
    if (baseId != 0 && !isBase) {
        if (const int rc = LoadAnswer(baseId, base, true); rc != SQLITE_OK) {
            return rc;
        }
    }
    text = size > 0 ? DecompressAnswer(body, static_cast<std::size_t>(size), base) : std::string();
    return SQLITE_OK;
}

int SqliteResultStore::StoreAnswer(const std::string& domainAscii, const std::string& text,
                                   std::int64_t& answerId) {
    const std::string key = AnswerKey(text);
    {
        const StatementScope scope(m_sql.findAnswer);
        m_sql.findAnswer.BindBlob(1, key.data(), key.size());
        const int rc = m_sql.findAnswer.Step();
        if (rc == SQLITE_ROW) {
            answerId = m_sql.findAnswer.Int(0);
            return SQLITE_OK;
        }
        if (rc != SQLITE_DONE) {
            return rc;
        }
    }
    // The base: the one the name's last answer was kept against, or that
    // answer itself when it is whole.
    std::int64_t baseId = 0;
    {
        const StatementScope scope(m_sql.baseCandidate);
        m_sql.baseCandidate.Bind(1, domainAscii);
        const int rc = m_sql.baseCandidate.Step();
        if (rc == SQLITE_ROW) {
            baseId = m_sql.baseCandidate.IsNull(1) ? m_sql.baseCandidate.Int(0)
                                                   : m_sql.baseCandidate.Int(1);
        } else if (rc != SQLITE_DONE) {
            return rc;
        }
    }
    std::string base;
    if (baseId != 0) {
        if (const int rc = LoadAnswer(baseId, base, true);
            rc != SQLITE_OK && rc != SQLITE_NOTFOUND) {
            return rc;
        }
    }
    std::string body;
    if (!base.empty()) {
        body = CompressAnswer(text, base);
        // Where the differences are most of it (another registry, another
        // owner), this answer becomes the base of the next ones.
        if (body.empty() || body.size() * 5 > text.size()) {
            std::string whole = CompressAnswer(text);
            if (body.empty() || whole.size() < body.size() * 2) {
                body = std::move(whole);
                base.clear();
            }
        }
    } else {
        body = CompressAnswer(text);
    }
    const StatementScope scope(m_sql.insertAnswer);
    m_sql.insertAnswer.BindBlob(1, key.data(), key.size());
    m_sql.insertAnswer.Bind(2, static_cast<std::int64_t>(text.size()));
    m_sql.insertAnswer.BindBlob(3, body.data(), body.size());
    if (!base.empty()) {
        m_sql.insertAnswer.Bind(4, baseId);
    } else {
        m_sql.insertAnswer.BindNull(4);
    }
    const int rc = m_sql.insertAnswer.Run();
    if (rc != SQLITE_DONE) {
        return rc;
    }
    answerId = sqlite3_last_insert_rowid(m_db.handle());
    return SQLITE_OK;
}

int SqliteResultStore::StoreCheck(StoredCheck& check) {
    // The answer, once per distinct text.
    std::int64_t answerId = 0;
    if (!check.answer.empty()) {
        if (const int rc = StoreAnswer(check.domainAscii, check.answer, answerId);
            rc != SQLITE_OK) {
            return rc;
        }
    }

    // What changed since the previous check that stated the name's state.
    check.changes = 0;
    if (check.status == 1 || check.status == 2) {
        const StatementScope scope(m_sql.previousState);
        m_sql.previousState.Bind(1, check.domainAscii);
        m_sql.previousState.Bind(2, check.askedAt);
        const int rc = m_sql.previousState.Step();
        if (rc == SQLITE_ROW) {
            check.changes = ChangeBits(ChangesBetween(ReadCheck(m_sql.previousState), check));
        } else if (rc != SQLITE_DONE) {
            return rc;
        }
    }

    SqliteStatement& insert = m_sql.insertCheck;
    const StatementScope scope(insert);
    insert.Bind(1, check.domainAscii);
    if (check.domainUnicode.empty() || check.domainUnicode == check.domainAscii) {
        insert.BindNull(2);
    } else {
        insert.Bind(2, check.domainUnicode);
    }
    insert.Bind(3, check.askedAt);
    insert.Bind(4, std::int64_t{check.protocol});
    insert.Bind(5, check.server);
    insert.Bind(6, std::int64_t{check.status});
    insert.Bind(7, std::int64_t{check.reason});
    insert.Bind(8, check.values.expiry);
    insert.Bind(9, check.values.created);
    insert.Bind(10, check.values.updated);
    insert.Bind(11, check.values.owner);
    insert.Bind(12, check.values.email);
    insert.Bind(13, check.values.phone);
    insert.Bind(14, check.values.registrar);
    insert.Bind(15, std::int64_t{check.changes});
    if (answerId != 0) {
        insert.Bind(16, answerId);
    } else {
        insert.BindNull(16);
    }
    const int rc = insert.Run();
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

int SqliteResultStore::DropAnswers(SqliteStatement& deleting,
                                   std::vector<std::int64_t>& answerIds) {
    int rc = SQLITE_OK;
    while ((rc = deleting.Step()) == SQLITE_ROW) {
        if (!deleting.IsNull(0)) {
            answerIds.push_back(deleting.Int(0));
        }
    }
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

int SqliteResultStore::ApplyRetention(const std::vector<std::string>& names, std::int64_t now) {
    std::vector<std::int64_t> answerIds;
    const std::int64_t oldest = now - m_retention.maxAgeSeconds;
    for (const std::string& name : names) {
        {
            const StatementScope scope(m_sql.trimCount);
            m_sql.trimCount.Bind(1, name);
            m_sql.trimCount.Bind(2, std::int64_t{std::max(m_retention.checksPerName, 1)});
            if (const int rc = DropAnswers(m_sql.trimCount, answerIds); rc != SQLITE_OK) {
                return rc;
            }
        }
        const StatementScope scope(m_sql.trimAge);
        m_sql.trimAge.Bind(1, name);
        m_sql.trimAge.Bind(2, oldest);
        if (const int rc = DropAnswers(m_sql.trimAge, answerIds); rc != SQLITE_OK) {
            return rc;
        }
    }
    std::sort(answerIds.begin(), answerIds.end());
    answerIds.erase(std::unique(answerIds.begin(), answerIds.end()), answerIds.end());
    std::vector<std::int64_t> bases;
    for (const std::int64_t id : answerIds) {
        const StatementScope scope(m_sql.dropAnswer);
        m_sql.dropAnswer.Bind(1, id);
        if (const int rc = DropAnswers(m_sql.dropAnswer, bases); rc != SQLITE_OK) {
            return rc;
        }
    }
    // A base whose last answer kept against it went just now.
    std::sort(bases.begin(), bases.end());
    bases.erase(std::unique(bases.begin(), bases.end()), bases.end());
    for (const std::int64_t id : bases) {
        const StatementScope scope(m_sql.dropAnswer);
        m_sql.dropAnswer.Bind(1, id);
        std::vector<std::int64_t> none;
        if (const int rc = DropAnswers(m_sql.dropAnswer, none); rc != SQLITE_OK) {
            return rc;
        }
    }
    return SQLITE_OK;
}

void SqliteResultStore::Prune(std::int64_t now) {
    Flush();
    std::unique_lock db(m_dbMutex);
    if (!m_db.IsOpen()) {
        return;
    }
    int rc = SQLITE_OK;
    if (!BeginWrite(db, rc)) {
        const std::string why = m_db.ErrorText();
        db.unlock();
        WriteFailed(why);
        return;
    }
    // Answers twice: the first pass frees the bases the second removes.
    SqliteStatement* steps[] = {&m_sql.pruneAge, &m_sql.pruneCount, &m_sql.pruneAnswers,
                                &m_sql.pruneAnswers, &m_sql.prunePositions};
    for (SqliteStatement* step : steps) {
        const StatementScope scope(*step);
        if (step == &m_sql.pruneCount) {
            step->Bind(1, std::int64_t{std::max(m_retention.checksPerName, 1)});
        } else if (step != &m_sql.pruneAnswers) {
            step->Bind(1, now - m_retention.maxAgeSeconds);
        }
        rc = step->Run();
        if (rc != SQLITE_DONE) {
            break;
        }
        rc = SQLITE_OK;
    }
    if (rc == SQLITE_OK) {
        const StatementScope scope(m_sql.commit);
        rc = m_sql.commit.Step();
        rc = rc == SQLITE_DONE ? SQLITE_OK : rc;
    }
    if (rc != SQLITE_OK) {
        const std::string why = m_db.ErrorText();
        {
            const StatementScope scope(m_sql.rollback);
            m_sql.rollback.Step();
        }
        db.unlock();
        WriteFailed(why);
    }
}

// ---------------------------------------------------------------- reading

std::unordered_map<std::string, StoredCheck>
SqliteResultStore::Latest(const std::vector<std::string>& domainsAscii) const {
    std::unordered_map<std::string, StoredCheck> found;
    const std::lock_guard db(m_dbMutex);
    if (!m_db.IsOpen()) {
        return found;
    }
    found.reserve(domainsAscii.size());
    const ReadSnapshot snapshot(m_sql.beginRead, m_sql.commit);
    for (const std::string& name : domainsAscii) {
        const StatementScope scope(m_sql.latest);
        m_sql.latest.Bind(1, name);
        if (m_sql.latest.Step() == SQLITE_ROW) {
            found.insert_or_assign(name, ReadCheck(m_sql.latest));
        }
    }
    return found;
}

std::vector<StoredCheck> SqliteResultStore::History(std::string_view domainAscii,
                                                    std::size_t limit) const {
    std::vector<StoredCheck> checks;
    const std::lock_guard db(m_dbMutex);
    if (!m_db.IsOpen() || limit == 0) {
        return checks;
    }
    const StatementScope scope(m_sql.history);
    m_sql.history.Bind(1, domainAscii);
    m_sql.history.Bind(2, static_cast<std::int64_t>(std::min<std::size_t>(limit, INT32_MAX)));
    while (m_sql.history.Step() == SQLITE_ROW) {
        checks.push_back(ReadCheck(m_sql.history));
    }
    return checks;
}

std::string SqliteResultStore::LatestAnswer(std::string_view domainAscii) const {
    const std::lock_guard db(m_dbMutex);
    if (!m_db.IsOpen()) {
        return {};
    }
    // One snapshot: the check, its answer and the answer's base.
    const ReadSnapshot snapshot(m_sql.beginRead, m_sql.commit);
    std::string text;
    std::int64_t answerId = 0;
    {
        const StatementScope scope(m_sql.latestAnswer);
        m_sql.latestAnswer.Bind(1, domainAscii);
        if (m_sql.latestAnswer.Step() == SQLITE_ROW && !m_sql.latestAnswer.IsNull(0)) {
            answerId = m_sql.latestAnswer.Int(0);
        }
    }
    if (answerId != 0 && LoadAnswer(answerId, text) != SQLITE_OK) {
        text.clear();
    }
    return text;
}

std::optional<ListPosition> SqliteResultStore::Position(std::string_view program,
                                                        std::string_view listId) const {
    const PositionKey key{std::string(program), std::string(listId)};
    {
        // Saved or forgotten but not yet committed: the latest word counts.
        const std::lock_guard lock(m_queueMutex);
        if (const auto it = m_positionOps.find(key); it != m_positionOps.end()) {
            return it->second;
        }
        if (const auto it = m_positionsWriting.find(key); it != m_positionsWriting.end()) {
            return it->second;
        }
    }
    const std::lock_guard db(m_dbMutex);
    if (!m_db.IsOpen()) {
        return std::nullopt;
    }
    const StatementScope scope(m_sql.getPosition);
    m_sql.getPosition.Bind(1, program);
    m_sql.getPosition.Bind(2, listId);
    if (m_sql.getPosition.Step() != SQLITE_ROW) {
        return std::nullopt;
    }
    return ListPosition{m_sql.getPosition.Int(0),
                        static_cast<std::int32_t>(m_sql.getPosition.Int(1))};
}

// ---------------------------------------------------------------- seams

std::uint64_t SqliteResultStore::Committed() const {
    return m_committed.load();
}

void SqliteResultStore::SetCommitListener(std::function<void(std::uint64_t)> listener) {
    const std::lock_guard lock(m_queueMutex);
    m_commitListener = std::move(listener);
}

bool SqliteResultStore::LimitGrowth(int pages) {
    const std::lock_guard db(m_dbMutex);
    int rc = SQLITE_OK;
    const std::int64_t count = m_db.QueryInt("PRAGMA page_count", 0, &rc);
    if (rc != SQLITE_OK) {
        return false;
    }
    m_db.QueryInt("PRAGMA max_page_count = " + std::to_string(count + pages), 0, &rc);
    return rc == SQLITE_OK;
}
