// SPDX-License-Identifier: MIT
#pragma once

// A thin RAII face over the SQLite C API: a connection and its prepared
// statements. Errors stay in-band as SQLite's result codes; nothing throws.

#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

class SqliteDb {
public:
    SqliteDb() = default;
    ~SqliteDb();
    SqliteDb(const SqliteDb&) = delete;
    SqliteDb& operator=(const SqliteDb&) = delete;
    SqliteDb(SqliteDb&& other) noexcept;
    SqliteDb& operator=(SqliteDb&& other) noexcept;

    // Opens `path` (":memory:" for a database without a file); `flags` as
    // sqlite3_open_v2's. On failure the result code is returned and
    // ErrorText() says why; the connection is closed again.
    int Open(const std::string& path, int flags);
    void Close();
    [[nodiscard]] bool IsOpen() const { return m_db != nullptr; }
    [[nodiscard]] sqlite3* handle() const { return m_db; }

    // Runs one or more statements that return no rows worth reading.
    int Exec(std::string_view sql);
    // The first column of the first row of `sql` as an integer; `fallback`
    // when there is no row or an error (the code goes to `*code`).
    std::int64_t QueryInt(std::string_view sql, std::int64_t fallback, int* code = nullptr);
    void SetBusyTimeout(int milliseconds);

    // The last error: SQLite's message, with the system's reason where the
    // operating system gave one ("disk I/O error: No space left on device").
    [[nodiscard]] std::string ErrorText() const;
    // The extended code of the last error.
    [[nodiscard]] int ErrorCode() const;

private:
    sqlite3* m_db = nullptr;
    std::string m_openError; // why the last Open failed (no handle left to ask)
};

class SqliteStatement {
public:
    SqliteStatement() = default;
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;
    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement& operator=(SqliteStatement&& other) noexcept;

    int Prepare(SqliteDb& db, std::string_view sql);
    [[nodiscard]] bool IsPrepared() const { return m_stmt != nullptr; }
    void Finalize();

    // Resets the statement and clears its bindings, ready for the next run.
    void Reset();
    // Parameters count from 1, as in SQLite.
    void Bind(int index, std::int64_t value);
    void Bind(int index, std::string_view text);
    void BindBlob(int index, const void* data, std::size_t bytes);
    void BindNull(int index);
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int Step();
    // Steps to the end; SQLITE_DONE or the error code.
    int Run();

    [[nodiscard]] std::int64_t Int(int column) const;
    [[nodiscard]] std::string Text(int column) const;
    [[nodiscard]] bool IsNull(int column) const;
    [[nodiscard]] std::string_view Blob(int column) const;

private:
    sqlite3_stmt* m_stmt = nullptr;
};

// Resets a statement when a scope ends, so an early return never leaves it
// holding a read lock.
class StatementScope {
public:
    explicit StatementScope(SqliteStatement& statement) : m_statement(statement) {
        m_statement.Reset();
    }
    ~StatementScope() { m_statement.Reset(); }
    StatementScope(const StatementScope&) = delete;
    StatementScope& operator=(const StatementScope&) = delete;

private:
    SqliteStatement& m_statement;
};
