// The store's shared helpers: prepared statements, write transactions, the rows' time text.
#include "PlatformStore.h"

#include <sqlite3.h>

#include <ctime>

std::string NowText(long secondsAgo)
{
    std::time_t now = std::time(nullptr) - secondsAgo;
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

// ---- SqlStatement ----

SqlStatement::SqlStatement(sqlite3 *db, const char *sql) : m_db(db)
{
    if (sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr) != SQLITE_OK)
        throw StoreError(sqlite3_errmsg(db));
}

SqlStatement::~SqlStatement()
{
    sqlite3_finalize(m_stmt);
}

SqlStatement &SqlStatement::Bind(int index, const std::string &text)
{
    if (sqlite3_bind_text(m_stmt, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT) != SQLITE_OK)
        throw StoreError(sqlite3_errmsg(m_db));
    return *this;
}

SqlStatement &SqlStatement::Bind(int index, std::int64_t value)
{
    if (sqlite3_bind_int64(m_stmt, index, value) != SQLITE_OK)
        throw StoreError(sqlite3_errmsg(m_db));
    return *this;
}

bool SqlStatement::Step()
{
    int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    throw StoreError(sqlite3_errmsg(m_db));
}

void SqlStatement::Reset()
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

std::string_view SqlStatement::TextView(int column) const
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
    return text ? std::string_view(text, static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, column))) : std::string_view();
}

std::string SqlStatement::Text(int column) const
{
    const unsigned char *text = sqlite3_column_text(m_stmt, column);
    if (!text)
        return {};
    return std::string(reinterpret_cast<const char *>(text), sqlite3_column_bytes(m_stmt, column));
}

std::int64_t SqlStatement::Int(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

// ---- WriteTransaction ----

WriteTransaction::WriteTransaction(PlatformStore &store) : m_store(store)
{
    m_store.Exec("BEGIN IMMEDIATE");
}

WriteTransaction::~WriteTransaction()
{
    if (!m_done)
        sqlite3_exec(m_store.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void WriteTransaction::Commit()
{
    m_store.Exec("COMMIT");
    m_done = true;
}
