// SPDX-License-Identifier: MIT
#pragma once

// Helpers of the store's tests: checks made to order, and a look into the
// file with SQLite itself, as the sqlite3 command would see it.

#include <sqlite3.h>

#include <cstdint>
#include <ctime>
#include <string>

#include "engine/store/storedcheck.h"

inline constexpr std::int32_t kFound = 1;
inline constexpr std::int32_t kNotRegistered = 2;
inline constexpr std::int32_t kError = 3;

inline StoredCheck MakeCheck(const std::string& name, std::int64_t askedAt,
                             std::int32_t status = kFound, const std::string& answer = "") {
    StoredCheck check;
    check.domainAscii = name;
    check.domainUnicode = name;
    check.askedAt = askedAt;
    check.protocol = 1;
    check.server = "whois.example.test";
    check.status = status;
    if (status == kFound) {
        check.values.expiry = "2027-05-01";
        check.values.created = "2001-05-01";
        check.values.updated = "2025-04-02";
        check.values.owner = "Example Holdings";
        check.values.email = "hostmaster@example.test";
        check.values.phone = "+1.5555550100";
        check.values.registrar = "Example Registrar, Inc.";
    }
    check.answer = answer.empty() ? "Domain Name: " + name + "\r\n" : answer;
    return check;
}

inline std::int64_t NowSeconds() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

// The first column of the first row of `sql` run on the file, -1 on an error.
inline std::int64_t QueryFile(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    std::int64_t value = -1;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(db, 10000);
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW) {
            value = sqlite3_column_int64(statement, 0);
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return value;
}

// Runs statements on the file (creating it), true when all ran.
inline bool ExecFile(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    bool ok = sqlite3_open(path.c_str(), &db) == SQLITE_OK &&
              sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}
