// The embedded engine: one SQLite connection (WAL mode) on a file readable by its owner only.
#include "SqlConnection.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// Owner-only modes for the database and its companions: the file holds children's essays and
// their accounts. Creating the file ourselves (before SQLite does) sets the mode SQLite copies
// to the -wal and -shm files; chmod tightens files an older version left readable.
constexpr mode_t kPrivateMode = 0600;

void CreatePrivately(const std::string &path)
{
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kPrivateMode);
    if (fd >= 0) {
        ::fchmod(fd, kPrivateMode); // the umask may have taken bits away, never added: exact now
        ::close(fd);
    } else if (errno != EEXIST) {
        throw StoreError("cannot create " + path + ": " + std::strerror(errno));
    }
}

void TightenModes(const std::string &path)
{
    for (const char *suffix : {"", "-wal", "-shm", "-journal"}) {
        std::string file = path + suffix;
        struct stat info
        {
        };
        if (::stat(file.c_str(), &info) == 0 && (info.st_mode & 077) != 0)
            ::chmod(file.c_str(), info.st_mode & 0700);
    }
}

bool IsFilePath(const std::string &path)
{
    return !path.empty() && path != ":memory:" && path.rfind("file:", 0) != 0;
}

class SqliteCursor final : public SqlCursor
{
public:
    SqliteCursor(sqlite3 *db, const char *sql) : m_db(db)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr) != SQLITE_OK)
            throw StoreError(sqlite3_errmsg(db));
    }
    ~SqliteCursor() override { sqlite3_finalize(m_stmt); }

    void BindText(int index, const std::string &text) override
    {
        if (sqlite3_bind_text(m_stmt, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT) != SQLITE_OK)
            throw StoreError(sqlite3_errmsg(m_db));
    }
    void BindInt(int index, std::int64_t value) override
    {
        if (sqlite3_bind_int64(m_stmt, index, value) != SQLITE_OK)
            throw StoreError(sqlite3_errmsg(m_db));
    }
    bool Step() override
    {
        int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW)
            return true;
        if (rc == SQLITE_DONE) {
            m_changes = sqlite3_changes(m_db);
            return false;
        }
        throw StoreError(sqlite3_errmsg(m_db));
    }
    void Reset() override
    {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
    std::string_view TextView(int column) const override
    {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
        return text ? std::string_view(text, static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, column)))
                    : std::string_view();
    }
    std::int64_t Int(int column) const override { return sqlite3_column_int64(m_stmt, column); }
    // An INSERT ... RETURNING has changed its row once its first row is out.
    std::int64_t Changes() const override { return m_changes >= 0 ? m_changes : sqlite3_changes(m_db); }

private:
    sqlite3 *m_db;
    sqlite3_stmt *m_stmt = nullptr;
    std::int64_t m_changes = -1;
};

class SqliteConnection final : public SqlConnection
{
public:
    explicit SqliteConnection(const std::string &path)
    {
        if (IsFilePath(path))
            CreatePrivately(path);
        if (sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                            nullptr) != SQLITE_OK) {
            std::string message = m_db ? sqlite3_errmsg(m_db) : "out of memory";
            sqlite3_close(m_db);
            throw StoreError("cannot open " + path + ": " + message);
        }
        // Many workers write at once: wait for the lock rather than fail.
        sqlite3_busy_timeout(m_db, 30000);
        try {
            Exec("PRAGMA journal_mode=WAL");
            Exec("PRAGMA synchronous=NORMAL");
            // Deleted essays and replaced credentials are overwritten on disk, not merely unlinked.
            Exec("PRAGMA secure_delete=ON");
        } catch (...) {
            sqlite3_close(m_db);
            throw;
        }
        if (IsFilePath(path))
            TightenModes(path);
    }
    ~SqliteConnection() override { sqlite3_close(m_db); }

    SqlEngine Engine() const override { return SqlEngine::SQLite; }
    void Exec(const std::string &sql) override
    {
        char *error = nullptr;
        if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
            std::string message = error ? error : "SQLite error";
            sqlite3_free(error);
            throw StoreError(message);
        }
    }
    std::unique_ptr<SqlCursor> Prepare(const char *sql) override { return std::make_unique<SqliteCursor>(m_db, sql); }
    void Begin() override { Exec("BEGIN IMMEDIATE"); }
    void Commit() override { Exec("COMMIT"); }
    void Rollback() noexcept override { sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr); }

private:
    sqlite3 *m_db = nullptr;
};

} // namespace

std::unique_ptr<SqlConnection> OpenSqliteConnection(const std::string &path)
{
    return std::make_unique<SqliteConnection>(path);
}
