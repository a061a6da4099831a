// SPDX-License-Identifier: MIT
#include "engine/store/storeschema.h"

#include <sqlite3.h>

#include <array>
#include <string_view>

#include "engine/store/sqlitedb.h"

namespace {

// Step N takes the schema from version N to N + 1. Steps are only ever
// added at the end: a released step never changes, since stores in the
// field already went through it. Tables are created without IF NOT EXISTS,
// so a foreign database that happens to bear the name fails here instead of
// being written into.
constexpr std::array<std::string_view, 2> kSteps = {
    // 1: every check of a name, and each distinct answer once. The domain's
    // Unicode form is NULL when it is the A-label itself.
    R"sql(
CREATE TABLE answers (
    id INTEGER PRIMARY KEY,
    key BLOB NOT NULL UNIQUE,
    size INTEGER NOT NULL,
    body BLOB NOT NULL
);
CREATE TABLE checks (
    id INTEGER PRIMARY KEY,
    domain TEXT NOT NULL,
    domain_unicode TEXT,
    asked_at INTEGER NOT NULL,
    protocol INTEGER NOT NULL,
    server TEXT NOT NULL,
    status INTEGER NOT NULL,
    reason INTEGER NOT NULL,
    expiry TEXT NOT NULL,
    created TEXT NOT NULL,
    updated TEXT NOT NULL,
    owner TEXT NOT NULL,
    email TEXT NOT NULL,
    phone TEXT NOT NULL,
    registrar TEXT NOT NULL,
    answer_id INTEGER REFERENCES answers(id)
);
CREATE INDEX checks_by_domain ON checks(domain, asked_at);
CREATE INDEX checks_by_answer ON checks(answer_id);
)sql",
    // 2: what changed since the name's previous check, and where a batch
    // over a list stopped, per program and list.
    R"sql(
ALTER TABLE checks ADD COLUMN changes INTEGER NOT NULL DEFAULT 0;
CREATE TABLE positions (
    program TEXT NOT NULL,
    list_id TEXT NOT NULL,
    started_at INTEGER NOT NULL,
    next_index INTEGER NOT NULL,
    PRIMARY KEY (program, list_id)
);
)sql",
};

} // namespace

int StoreSchemaVersion() {
    return static_cast<int>(kSteps.size());
}

MigrationResult MigrateStore(SqliteDb& db) {
    MigrationResult result;
    int rc = SQLITE_OK;
    // A quick look without the write lock: the common case is a current store.
    const std::int64_t seen = db.QueryInt("PRAGMA user_version", 0, &rc);
    if (rc != SQLITE_OK) {
        result.code = rc;
        result.error = db.ErrorText();
        return result;
    }
    if (seen >= StoreSchemaVersion()) {
        result.fromVersion = static_cast<int>(seen);
        result.newer = seen > StoreSchemaVersion();
        return result;
    }
    rc = db.Exec("BEGIN IMMEDIATE");
    if (rc != SQLITE_OK) {
        result.code = rc;
        result.error = db.ErrorText();
        return result;
    }
    // Another process may have migrated while this one waited for the lock.
    const std::int64_t version = db.QueryInt("PRAGMA user_version", 0, &rc);
    result.fromVersion = static_cast<int>(version);
    for (auto step = version; rc == SQLITE_OK && step < StoreSchemaVersion(); ++step) {
        rc = db.Exec(kSteps[static_cast<std::size_t>(step)]);
    }
    if (rc == SQLITE_OK && version < StoreSchemaVersion()) {
        rc = db.Exec("PRAGMA user_version = " + std::to_string(StoreSchemaVersion()));
    }
    if (rc == SQLITE_OK) {
        rc = db.Exec("COMMIT");
    }
    if (rc != SQLITE_OK) {
        result.code = rc;
        result.error = db.ErrorText();
        db.Exec("ROLLBACK");
    }
    return result;
}
