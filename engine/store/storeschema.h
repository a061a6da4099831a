// SPDX-License-Identifier: MIT
#pragma once

// The store's tables and how they move forward. The schema's version is
// SQLite's `PRAGMA user_version`; each step below takes a database from one
// version to the next, so a store made by any earlier version is brought up
// to date when it is opened, in one transaction, and never moved back.

#include <string>

class SqliteDb;

// The version this build writes.
[[nodiscard]] int StoreSchemaVersion();

struct MigrationResult {
    int code = 0;        // SQLite's result code: SQLITE_OK when the schema is current
    int fromVersion = 0; // what the file held before
    bool newer = false;  // made by a later version of the program (left as it is)
    std::string error;   // why it failed
};

// Brings `db` to StoreSchemaVersion(). Safe when several processes open a
// new file at once: the version is read again under the write lock.
[[nodiscard]] MigrationResult MigrateStore(SqliteDb& db);
