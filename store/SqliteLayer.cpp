// The SQLite access layer: every failure becomes a CppSQLite3Exception carrying SQLite's code.
#include "SqliteLayer.h"

#include <sqlite3.h>

#include <cstdarg>
#include <iterator>
#include <limits>
#include <type_traits>
#include <utility>

namespace {

const char *ErrorText(sqlite3 *db)
{
    const char *text = db ? sqlite3_errmsg(db) : nullptr;
    return text ? text : "";
}

// Steps a freshly prepared statement once and hands it to a cursor; a failed step finalizes it.
CppSQLite3Query FirstRow(sqlite3 *db, sqlite3_stmt *statement)
{
    if (!statement)  // the text held no statement (blank or only a comment)
        return CppSQLite3Query(db, nullptr, true, false);
    const int result = sqlite3_step(statement);
    if (result == SQLITE_DONE)
        return CppSQLite3Query(db, statement, true, true);
    if (result == SQLITE_ROW)
        return CppSQLite3Query(db, statement, false, true);
    const int code = sqlite3_finalize(statement);
    throw CppSQLite3Exception(code, ErrorText(db));
}

}  // namespace

// ---- CppSQLite3Exception

CppSQLite3Exception::CppSQLite3Exception(int code, const char *detail)
    : m_code(code), m_message(sqlite3_mprintf("%s[%d]: %s", codeName(code), code, detail ? detail : ""))
{
}

CppSQLite3Exception::CppSQLite3Exception(const CppSQLite3Exception &other)
    : m_code(other.m_code), m_message(other.m_message ? sqlite3_mprintf("%s", other.m_message) : nullptr)
{
}

CppSQLite3Exception &CppSQLite3Exception::operator=(const CppSQLite3Exception &other)
{
    if (this != &other) {
        char *copy = other.m_message ? sqlite3_mprintf("%s", other.m_message) : nullptr;
        sqlite3_free(m_message);
        m_code = other.m_code;
        m_message = copy;
    }
    return *this;
}

CppSQLite3Exception::~CppSQLite3Exception() { sqlite3_free(m_message); }

const char *CppSQLite3Exception::codeName(int code)
{
    static const char *const kNames[] = {
        "SQLITE_OK",       "SQLITE_ERROR",    "SQLITE_INTERNAL", "SQLITE_PERM",     "SQLITE_ABORT",
        "SQLITE_BUSY",     "SQLITE_LOCKED",   "SQLITE_NOMEM",    "SQLITE_READONLY", "SQLITE_INTERRUPT",
        "SQLITE_IOERR",    "SQLITE_CORRUPT",  "SQLITE_NOTFOUND", "SQLITE_FULL",     "SQLITE_CANTOPEN",
        "SQLITE_PROTOCOL", "SQLITE_EMPTY",    "SQLITE_SCHEMA",   "SQLITE_TOOBIG",   "SQLITE_CONSTRAINT",
        "SQLITE_MISMATCH", "SQLITE_MISUSE",   "SQLITE_NOLFS",    "SQLITE_AUTH",     "SQLITE_FORMAT",
        "SQLITE_RANGE",
    };
    if (code >= 0 && code < static_cast<int>(std::size(kNames)))
        return kNames[code];
    switch (code) {
    case 100: return "SQLITE_ROW";
    case 101: return "SQLITE_DONE";
    case kCppSqliteError: return "CPPSQLITE_ERROR";
    default: return "UNKNOWN_ERROR";
    }
}

// ---- SqlFormatBuffer

SqlFormatBuffer::~SqlFormatBuffer() { clear(); }

const char *SqlFormatBuffer::format(const char *pattern, ...)
{
    clear();
    va_list arguments;
    va_start(arguments, pattern);
    m_text = sqlite3_vmprintf(pattern, arguments);
    va_end(arguments);
    return text();
}

void SqlFormatBuffer::clear()
{
    sqlite3_free(m_text);
    m_text = nullptr;
}

// ---- SqlStatement

void StatementFinalizer::operator()(sqlite3_stmt *statement) const { sqlite3_finalize(statement); }

SqlStatement::SqlStatement(sqlite3 *db, std::string_view sql) : m_db(db)
{
    if (!db)
        throw CppSQLite3Exception(kCppSqliteError, kDatabaseNotOpen);
    if (sql.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        throw CppSQLite3Exception(SQLITE_TOOBIG, "");
    sqlite3_stmt *statement = nullptr;
    const int result = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &statement, nullptr);
    m_statement.reset(statement);
    if (result != SQLITE_OK)
        throw CppSQLite3Exception(result, ErrorText(db));
    if (!statement)
        throw CppSQLite3Exception(kCppSqliteError, kNullStatement);
}

void SqlStatement::Bind(int index, const SqlValue &value)
{
    sqlite3_stmt *statement = m_statement.get();
    const int result = std::visit(
        [&](const auto &v) -> int {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::nullptr_t>)
                return sqlite3_bind_null(statement, index);
            else if constexpr (std::is_same_v<T, std::int64_t>)
                return sqlite3_bind_int64(statement, index, v);
            else
                return sqlite3_bind_text64(statement, index, v.data(), v.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
        },
        value);
    if (result != SQLITE_OK)
        Fail(result);
}

void SqlStatement::BindAll(std::initializer_list<SqlValue> values)
{
    int index = 1;
    for (const SqlValue &value : values)
        Bind(index++, value);
}

bool SqlStatement::Step()
{
    const int result = sqlite3_step(m_statement.get());
    if (result == SQLITE_ROW)
        return true;
    if (result == SQLITE_DONE)
        return false;
    sqlite3_reset(m_statement.get());
    Fail(result);
}

int SqlStatement::Run()
{
    while (Step()) {
    }
    Reset();
    return sqlite3_changes(m_db);
}

void SqlStatement::Reset()
{
    sqlite3_reset(m_statement.get());
    sqlite3_clear_bindings(m_statement.get());
}

void SqlStatement::Fail(int code) const { throw CppSQLite3Exception(code, ErrorText(m_db)); }

// ---- CppSQLite3Query

CppSQLite3Query::CppSQLite3Query(sqlite3 *db, sqlite3_stmt *statement, bool atEnd, bool ownsStatement)
    : m_db(db), m_statement(statement), m_atEnd(atEnd),
      m_columnCount(statement ? sqlite3_column_count(statement) : 0), m_ownsStatement(ownsStatement)
{
}

CppSQLite3Query::CppSQLite3Query(CppSQLite3Query &&other) noexcept
    : m_db(other.m_db), m_statement(std::exchange(other.m_statement, nullptr)), m_atEnd(other.m_atEnd),
      m_columnCount(other.m_columnCount), m_ownsStatement(other.m_ownsStatement)
{
}

CppSQLite3Query &CppSQLite3Query::operator=(CppSQLite3Query &&other) noexcept
{
    if (this != &other) {
        ReleaseQuietly();
        m_db = other.m_db;
        m_statement = std::exchange(other.m_statement, nullptr);
        m_atEnd = other.m_atEnd;
        m_columnCount = other.m_columnCount;
        m_ownsStatement = other.m_ownsStatement;
    }
    return *this;
}

CppSQLite3Query::~CppSQLite3Query() { ReleaseQuietly(); }

void CppSQLite3Query::CheckStatement() const
{
    if (!m_statement)
        throw CppSQLite3Exception(kCppSqliteError, kNullStatement);
}

void CppSQLite3Query::CheckColumn(int column) const
{
    CheckStatement();
    if (column < 0 || column > m_columnCount - 1)
        throw CppSQLite3Exception(kCppSqliteError, kInvalidFieldIndex);
}

bool CppSQLite3Query::isNullAt(int column) const
{
    CheckColumn(column);
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

std::string CppSQLite3Query::textAt(int column) const
{
    if (isNullAt(column))
        return {};
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
    // Stored bytes exactly, embedded zero bytes included.
    return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(m_statement, column))) : std::string();
}

std::int32_t CppSQLite3Query::intAt(int column) const
{
    if (isNullAt(column))
        return 0;
    return sqlite3_column_int(m_statement, column);
}

void CppSQLite3Query::advance()
{
    CheckStatement();
    const int result = sqlite3_step(m_statement);
    if (result == SQLITE_DONE) {
        m_atEnd = true;
    } else if (result != SQLITE_ROW) {
        const int code = sqlite3_finalize(std::exchange(m_statement, nullptr));
        throw CppSQLite3Exception(code, ErrorText(m_db));
    }
}

void CppSQLite3Query::release()
{
    if (m_ownsStatement && m_statement) {
        const int code = sqlite3_finalize(std::exchange(m_statement, nullptr));
        if (code != SQLITE_OK)
            throw CppSQLite3Exception(code, ErrorText(m_db));
    }
}

void CppSQLite3Query::ReleaseQuietly() noexcept
{
    try {
        release();
    } catch (const CppSQLite3Exception &) {
        // Finalizing reports the statement's last error again; the statement is gone either way.
    }
}

// ---- CppSQLite3DB

void ConnectionCloser::operator()(sqlite3 *db) const
{
    // close_v2 also ends a connection whose statements are still alive, once they are finalized.
    sqlite3_close_v2(db);
}

void CppSQLite3DB::open(const std::string &path)
{
    close();
    sqlite3 *db = nullptr;
    const int result = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    std::unique_ptr<sqlite3, ConnectionCloser> handle(db);
    if (result != SQLITE_OK)
        throw CppSQLite3Exception(result, ErrorText(db));
    sqlite3_busy_timeout(db, m_busyTimeoutMs);
    m_db = std::move(handle);
}

void CppSQLite3DB::close() { m_db.reset(); }

sqlite3 *CppSQLite3DB::RequireOpen() const
{
    if (!m_db)
        throw CppSQLite3Exception(kCppSqliteError, kDatabaseNotOpen);
    return m_db.get();
}

std::int32_t CppSQLite3DB::execute(const char *sql)
{
    sqlite3 *db = RequireOpen();
    char *error = nullptr;
    const int result = sqlite3_exec(db, sql, nullptr, nullptr, &error);
    if (result != SQLITE_OK) {
        CppSQLite3Exception failure(result, error);
        sqlite3_free(error);
        throw failure;
    }
    return sqlite3_changes(db);
}

CppSQLite3Query CppSQLite3DB::query(const char *sql)
{
    sqlite3 *db = RequireOpen();
    sqlite3_stmt *statement = nullptr;
    const int result = sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    if (result != SQLITE_OK)
        throw CppSQLite3Exception(result, "");
    return FirstRow(db, statement);
}

SqlStatement CppSQLite3DB::Prepare(std::string_view sql) { return SqlStatement(RequireOpen(), sql); }

std::int32_t CppSQLite3DB::Execute(std::string_view sql, std::initializer_list<SqlValue> values)
{
    SqlStatement statement = Prepare(sql);
    statement.BindAll(values);
    return statement.Run();
}

CppSQLite3Query CppSQLite3DB::Query(std::string_view sql, std::initializer_list<SqlValue> values)
{
    SqlStatement statement = Prepare(sql);
    statement.BindAll(values);
    return FirstRow(m_db.get(), statement.Release());
}

// ---- SqlTransaction

SqlTransaction::SqlTransaction(CppSQLite3DB &db) : m_db(db) { m_db.execute("begin transaction;"); }

SqlTransaction::~SqlTransaction()
{
    if (!m_open)
        return;
    try {
        m_db.execute("rollback transaction;");
    } catch (const CppSQLite3Exception &) {
        // Nothing to undo when SQLite already rolled back on its own (or the connection closed).
    }
}

void SqlTransaction::Commit()
{
    m_db.execute("commit transaction;");
    m_open = false;
}
