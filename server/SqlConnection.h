// One connection to the service's database engine (SQLite file or PostgreSQL server) and the
// statements run on it, so the store's SQL is written once where the two dialects agree.
//
// Statements are written with "?" placeholders, bound by position from 1. Text is UTF-8.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

// Thrown for any database failure; the service turns it into a failure answer.
class StoreError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

enum class SqlEngine
{
    SQLite,
    PostgreSQL,
};

// Which engine a --db value names: a libpq connection URI ("postgresql://..." or
// "postgres://...") is PostgreSQL, anything else a SQLite file.
SqlEngine EngineOf(const std::string &target);

// One engine's prepared statement (see SqlStatement).
class SqlCursor
{
public:
    virtual ~SqlCursor() = default;
    virtual void BindText(int index, const std::string &text) = 0;
    virtual void BindInt(int index, std::int64_t value) = 0;
    virtual bool Step() = 0;
    virtual void Reset() = 0;
    virtual std::string_view TextView(int column) const = 0;
    virtual std::int64_t Int(int column) const = 0;
    virtual std::int64_t Changes() const = 0;
};

class SqlConnection
{
public:
    // Opens a connection to the database a --db value names (see EngineOf). A SQLite file is
    // created when missing.
    static std::unique_ptr<SqlConnection> Open(const std::string &target);
    virtual ~SqlConnection() = default;

    virtual SqlEngine Engine() const = 0;
    // Runs statements without parameters or results (schema, transactions).
    virtual void Exec(const std::string &sql) = 0;
    virtual std::unique_ptr<SqlCursor> Prepare(const char *sql) = 0;
    // Starts a write transaction: SQLite takes its single write lock at once, so the reads
    // that follow see what the write will be based on.
    virtual void Begin() = 0;
    // Throws unless the transaction really committed (PostgreSQL answers a COMMIT of a failed
    // transaction with a rollback, which must not pass as a stored write).
    virtual void Commit() = 0;
    virtual void Rollback() noexcept = 0;
};

// A prepared statement owned for one use; binds by position starting at 1.
class SqlStatement
{
public:
    SqlStatement(SqlConnection &connection, const char *sql) : m_cursor(connection.Prepare(sql)) {}
    SqlStatement(const SqlStatement &) = delete;
    SqlStatement &operator=(const SqlStatement &) = delete;

    SqlStatement &Bind(int index, const std::string &text)
    {
        m_cursor->BindText(index, text);
        return *this;
    }
    SqlStatement &Bind(int index, std::int64_t value)
    {
        m_cursor->BindInt(index, value);
        return *this;
    }
    // True while a row is available.
    bool Step() { return m_cursor->Step(); }
    // Ready to run again with new values (prepared once, run for many rows).
    void Reset() { m_cursor->Reset(); }
    std::string Text(int column) const { return std::string(m_cursor->TextView(column)); }
    std::string_view TextView(int column) const { return m_cursor->TextView(column); } // valid until the next Step()
    std::int64_t Int(int column) const { return m_cursor->Int(column); }
    // Rows changed by the last run of an INSERT, UPDATE or DELETE.
    std::int64_t Changes() const { return m_cursor->Changes(); }

private:
    std::unique_ptr<SqlCursor> m_cursor;
};

// Engine-specific opening, defined beside each engine's connection.
std::unique_ptr<SqlConnection> OpenSqliteConnection(const std::string &path);
std::unique_ptr<SqlConnection> OpenPostgresConnection(const std::string &uri);
