// Thin layer over the SQLite C interface: connection, forward-only cursor, formatted SQL text,
// prepared statements with bound values, transactions, and the one exception type they throw.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <variant>

struct sqlite3;
struct sqlite3_stmt;

// The layer's own code, with the three details it comes with.
constexpr int kCppSqliteError = 1000;
constexpr const char *kDatabaseNotOpen = "Database not open";
constexpr const char *kNullStatement = "Null Virtual Machine pointer";
constexpr const char *kInvalidFieldIndex = "Invalid field index requested";
constexpr int kBusyTimeoutMs = 60000;

// Every failure of the layer. The message reads "<code name>[<code>]: <detail>"; it is held in
// SQLite's allocator so that it can be built with SQLite's own printf.
class CppSQLite3Exception
{
public:
    CppSQLite3Exception(int code, const char *detail);
    CppSQLite3Exception(const CppSQLite3Exception &other);
    CppSQLite3Exception &operator=(const CppSQLite3Exception &other);
    virtual ~CppSQLite3Exception();

    int code() const { return m_code; }
    const char *message() const { return m_message ? m_message : ""; }

    static const char *codeName(int code);

private:
    int m_code;
    char *m_message;  // sqlite3_mprintf, may be null when SQLite is out of memory
};

// One SQL text made by SQLite's printf. %s inserts its argument verbatim: only for texts that
// the program itself controls (column names from a fixed list, numbers); values go through
// SqlStatement instead.
class SqlFormatBuffer
{
public:
    SqlFormatBuffer() = default;
    SqlFormatBuffer(const SqlFormatBuffer &) = delete;
    SqlFormatBuffer &operator=(const SqlFormatBuffer &) = delete;
    ~SqlFormatBuffer();

    const char *format(const char *pattern, ...) __attribute__((format(printf, 2, 3)));
    void clear();
    const char *text() const { return m_text ? m_text : ""; }
    operator const char *() const { return text(); }

private:
    char *m_text = nullptr;
};

// A value bound to a "?" of a prepared statement.
using SqlValue = std::variant<std::nullptr_t, std::int64_t, std::string_view>;

struct StatementFinalizer
{
    void operator()(sqlite3_stmt *statement) const;
};

// A prepared statement with bound values: the sound way to pass anything that comes from the
// user or the service. Bound texts are stored as their bytes, unchanged.
class SqlStatement
{
public:
    SqlStatement(sqlite3 *db, std::string_view sql);

    // Binds value to the 1-based parameter index.
    void Bind(int index, const SqlValue &value);
    // Binds the values to parameters 1, 2, ... in order.
    void BindAll(std::initializer_list<SqlValue> values);
    // One step: true when a row is available, false when the statement is done.
    bool Step();
    // Steps to the end, then makes the statement ready for new values; returns the rows changed.
    int Run();
    void Reset();

    sqlite3_stmt *Handle() const { return m_statement.get(); }
    // Gives up ownership; the caller finalizes.
    sqlite3_stmt *Release() { return m_statement.release(); }

private:
    [[noreturn]] void Fail(int code) const;

    sqlite3 *m_db;
    std::unique_ptr<sqlite3_stmt, StatementFinalizer> m_statement;
};

// Forward-only cursor over the rows of one statement. Move assignment releases the cursor's own
// statement and takes over the other's, so one cursor variable can run a second query.
class CppSQLite3Query
{
public:
    CppSQLite3Query() = default;
    CppSQLite3Query(sqlite3 *db, sqlite3_stmt *statement, bool atEnd, bool ownsStatement);
    CppSQLite3Query(CppSQLite3Query &&other) noexcept;
    CppSQLite3Query &operator=(CppSQLite3Query &&other) noexcept;
    CppSQLite3Query(const CppSQLite3Query &) = delete;
    CppSQLite3Query &operator=(const CppSQLite3Query &) = delete;
    virtual ~CppSQLite3Query();

    bool atEnd() const { return m_atEnd; }
    int columnCount() const { return m_columnCount; }
    // NULL reads as the empty string / 0.
    std::string textAt(int column) const;
    std::int32_t intAt(int column) const;
    bool isNullAt(int column) const;
    void advance();
    void release();

private:
    void CheckStatement() const;
    void CheckColumn(int column) const;
    void ReleaseQuietly() noexcept;

    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_statement = nullptr;
    bool m_atEnd = true;
    int m_columnCount = 0;
    bool m_ownsStatement = false;
};

struct ConnectionCloser
{
    void operator()(sqlite3 *db) const;
};

// One connection to a database file. Every open hands SQLite the 60000 ms busy timeout.
class CppSQLite3DB
{
public:
    CppSQLite3DB() = default;
    CppSQLite3DB(const CppSQLite3DB &) = delete;
    CppSQLite3DB &operator=(const CppSQLite3DB &) = delete;
    virtual ~CppSQLite3DB() = default;

    // path: a native file path (UTF-8 on this platform), handed to SQLite unchanged. SQLite
    // creates a missing file. A failed open keeps no connection.
    void open(const std::string &path);
    void close();
    bool isOpen() const { return m_db != nullptr; }

    // Runs one or more statements; returns the rows changed by the last one.
    std::int32_t execute(const char *sql);
    // Prepares, steps once and returns the cursor on the first row (or at end).
    CppSQLite3Query query(const char *sql);

    // The same with values bound to the statement's "?" parameters, in order.
    std::int32_t Execute(std::string_view sql, std::initializer_list<SqlValue> values);
    CppSQLite3Query Query(std::string_view sql, std::initializer_list<SqlValue> values);
    SqlStatement Prepare(std::string_view sql);

    int busyTimeout() const { return m_busyTimeoutMs; }
    sqlite3 *Handle() const { return m_db.get(); }

private:
    sqlite3 *RequireOpen() const;

    std::unique_ptr<sqlite3, ConnectionCloser> m_db;
    std::int32_t m_busyTimeoutMs = kBusyTimeoutMs;
};

// Begins a transaction; rolls it back on destruction unless Commit() ran.
class SqlTransaction
{
public:
    explicit SqlTransaction(CppSQLite3DB &db);
    SqlTransaction(const SqlTransaction &) = delete;
    SqlTransaction &operator=(const SqlTransaction &) = delete;
    ~SqlTransaction();

    void Commit();

private:
    CppSQLite3DB &m_db;
    bool m_open = true;
};
