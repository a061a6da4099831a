// SPDX-License-Identifier: MIT
#include "engine/store/sqlitedb.h"

#include <sqlite3.h>

#include <cstring>
#include <utility>

SqliteDb::~SqliteDb() {
    Close();
}

SqliteDb::SqliteDb(SqliteDb&& other) noexcept
    : m_db(std::exchange(other.m_db, nullptr)), m_openError(std::move(other.m_openError)) {}

SqliteDb& SqliteDb::operator=(SqliteDb&& other) noexcept {
    if (this != &other) {
        Close();
        m_db = std::exchange(other.m_db, nullptr);
        m_openError = std::move(other.m_openError);
    }
    return *this;
}

int SqliteDb::Open(const std::string& path, int flags) {
    Close();
    m_openError.clear();
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        if (db != nullptr) {
            m_db = db;
            m_openError = ErrorText();
            m_db = nullptr;
            sqlite3_close_v2(db);
        } else {
            m_openError = sqlite3_errstr(rc);
        }
        return rc;
    }
    sqlite3_extended_result_codes(db, 1);
    m_db = db;
    return SQLITE_OK;
}

void SqliteDb::Close() {
    if (m_db != nullptr) {
        // close_v2: statements still alive are finalized with their owners.
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

int SqliteDb::Exec(std::string_view sql) {
    if (m_db == nullptr) {
        return SQLITE_MISUSE;
    }
    const std::string text(sql);
    return sqlite3_exec(m_db, text.c_str(), nullptr, nullptr, nullptr);
}

std::int64_t SqliteDb::QueryInt(std::string_view sql, std::int64_t fallback, int* code) {
    SqliteStatement statement;
    int rc = statement.Prepare(*this, sql);
    std::int64_t value = fallback;
    if (rc == SQLITE_OK) {
        rc = statement.Step();
        if (rc == SQLITE_ROW) {
            value = statement.Int(0);
            rc = SQLITE_OK;
        } else if (rc == SQLITE_DONE) {
            rc = SQLITE_OK;
        }
    }
    if (code != nullptr) {
        *code = rc;
    }
    return value;
}

void SqliteDb::SetBusyTimeout(int milliseconds) {
    if (m_db != nullptr) {
        sqlite3_busy_timeout(m_db, milliseconds);
    }
}

std::string SqliteDb::ErrorText() const {
    if (m_db == nullptr) {
        return m_openError;
    }
    std::string text = sqlite3_errmsg(m_db);
    const int err = sqlite3_system_errno(m_db);
    if (err != 0) {
        text += ": ";
        text += std::strerror(err);
    }
    return text;
}

int SqliteDb::ErrorCode() const {
    return m_db != nullptr ? sqlite3_extended_errcode(m_db) : SQLITE_CANTOPEN;
}

SqliteStatement::~SqliteStatement() {
    Finalize();
}

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : m_stmt(std::exchange(other.m_stmt, nullptr)) {}

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept {
    if (this != &other) {
        Finalize();
        m_stmt = std::exchange(other.m_stmt, nullptr);
    }
    return *this;
}

int SqliteStatement::Prepare(SqliteDb& db, std::string_view sql) {
    Finalize();
    if (db.handle() == nullptr) {
        return SQLITE_MISUSE;
    }
    return sqlite3_prepare_v3(db.handle(), sql.data(), static_cast<int>(sql.size()),
                              SQLITE_PREPARE_PERSISTENT, &m_stmt, nullptr);
}

void SqliteStatement::Finalize() {
    if (m_stmt != nullptr) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
    }
}

void SqliteStatement::Reset() {
    if (m_stmt != nullptr) {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
}

void SqliteStatement::Bind(int index, std::int64_t value) {
    sqlite3_bind_int64(m_stmt, index, value);
}

void SqliteStatement::Bind(int index, std::string_view text) {
    // SQLITE_TRANSIENT: the caller's text may go before the statement runs.
    sqlite3_bind_text64(m_stmt, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

void SqliteStatement::BindBlob(int index, const void* data, std::size_t bytes) {
    sqlite3_bind_blob64(m_stmt, index, data, bytes, SQLITE_TRANSIENT);
}

void SqliteStatement::BindNull(int index) {
    sqlite3_bind_null(m_stmt, index);
}

int SqliteStatement::Step() {
    return m_stmt != nullptr ? sqlite3_step(m_stmt) : SQLITE_MISUSE;
}

int SqliteStatement::Run() {
    int rc = SQLITE_ROW;
    while (rc == SQLITE_ROW) {
        rc = Step();
    }
    return rc;
}

std::int64_t SqliteStatement::Int(int column) const {
    return sqlite3_column_int64(m_stmt, column);
}

std::string SqliteStatement::Text(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    if (text == nullptr) {
        return {};
    }
    return {text, static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, column))};
}

bool SqliteStatement::IsNull(int column) const {
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

std::string_view SqliteStatement::Blob(int column) const {
    const void* data = sqlite3_column_blob(m_stmt, column);
    if (data == nullptr) {
        return {};
    }
    return {static_cast<const char*>(data),
            static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, column))};
}
