// The reference service's SQLite database opened: schema, upgrades, file modes, settings.
#include "PlatformStore.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

const char *const kSchema = R"SQL(
CREATE TABLE IF NOT EXISTS settings(key TEXT PRIMARY KEY, value TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS users(
  id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE, pwd_md5 TEXT NOT NULL, user_no TEXT NOT NULL,
  true_name TEXT NOT NULL DEFAULT '', school TEXT NOT NULL DEFAULT '', phone TEXT NOT NULL DEFAULT '',
  email TEXT NOT NULL DEFAULT '', status TEXT NOT NULL DEFAULT '', ut TEXT NOT NULL DEFAULT '',
  disabled INTEGER NOT NULL DEFAULT 0, registered INTEGER NOT NULL DEFAULT 1, pwd_hash TEXT NOT NULL DEFAULT '');
CREATE TABLE IF NOT EXISTS sessions(
  id INTEGER PRIMARY KEY, digest TEXT NOT NULL UNIQUE, user_id INTEGER NOT NULL, device_code TEXT NOT NULL,
  signed_in TEXT NOT NULL);
CREATE INDEX IF NOT EXISTS sessions_by_user ON sessions(user_id, id);
CREATE TABLE IF NOT EXISTS mainpage(
  id INTEGER PRIMARY KEY, name TEXT NOT NULL, class TEXT NOT NULL, type TEXT NOT NULL, con TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS keywords(id INTEGER PRIMARY KEY, keyword TEXT NOT NULL, hits INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS works(
  id INTEGER PRIMARY KEY, title TEXT NOT NULL, source TEXT NOT NULL, author TEXT NOT NULL, text TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS corpus(
  id INTEGER PRIMARY KEY, keyword_id INTEGER NOT NULL, work_id INTEGER NOT NULL, brief TEXT NOT NULL,
  hits INTEGER NOT NULL DEFAULT 0);
CREATE INDEX IF NOT EXISTS corpus_by_keyword ON corpus(keyword_id);
CREATE TABLE IF NOT EXISTS corpus_likes(
  corpus_id INTEGER NOT NULL, user_id INTEGER NOT NULL, PRIMARY KEY(corpus_id, user_id)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS compositions(
  id INTEGER PRIMARY KEY AUTOINCREMENT, user_id INTEGER NOT NULL, title TEXT NOT NULL,
  content TEXT NOT NULL, from_type INTEGER NOT NULL, from_id INTEGER NOT NULL,
  create_time TEXT NOT NULL, update_time TEXT NOT NULL);
CREATE INDEX IF NOT EXISTS compositions_by_user ON compositions(user_id, create_time);
CREATE TABLE IF NOT EXISTS activities(
  id INTEGER PRIMARY KEY, theme TEXT NOT NULL, url_path TEXT NOT NULL, status TEXT NOT NULL,
  is_meg TEXT NOT NULL, round INTEGER NOT NULL, title TEXT NOT NULL, desc TEXT NOT NULL,
  times TEXT NOT NULL, supinfo TEXT NOT NULL, deadline TEXT NOT NULL, finalists TEXT NOT NULL,
  page TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS topics(
  mid INTEGER PRIMARY KEY, activity_id INTEGER NOT NULL, title TEXT NOT NULL, desc TEXT NOT NULL,
  writer TEXT NOT NULL, type TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS entries(
  id INTEGER PRIMARY KEY, user_id INTEGER NOT NULL, activity_id INTEGER NOT NULL, round INTEGER NOT NULL,
  match_id INTEGER NOT NULL, title TEXT NOT NULL, content TEXT NOT NULL, comp_id INTEGER NOT NULL,
  create_time TEXT NOT NULL, UNIQUE(user_id, activity_id, round));
CREATE TABLE IF NOT EXISTS messages(
  id INTEGER PRIMARY KEY, user_id INTEGER NOT NULL, content TEXT NOT NULL, url TEXT NOT NULL,
  delivered INTEGER NOT NULL DEFAULT 0);
CREATE INDEX IF NOT EXISTS messages_by_user ON messages(user_id, delivered);
CREATE TABLE IF NOT EXISTS scores(id INTEGER PRIMARY KEY, user_id INTEGER NOT NULL, score TEXT NOT NULL, create_time TEXT NOT NULL);
CREATE INDEX IF NOT EXISTS scores_by_user ON scores(user_id, create_time);
CREATE TABLE IF NOT EXISTS ideas(id INTEGER PRIMARY KEY, user_id INTEGER NOT NULL, content TEXT NOT NULL, create_time TEXT NOT NULL);
CREATE INDEX IF NOT EXISTS ideas_by_user ON ideas(user_id, create_time);
CREATE TABLE IF NOT EXISTS shares(
  id INTEGER PRIMARY KEY, webid TEXT NOT NULL, url TEXT NOT NULL, title TEXT NOT NULL,
  summary TEXT NOT NULL, arrived TEXT NOT NULL);
)SQL";

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

} // namespace

PlatformStore::PlatformStore(const std::string &path) : m_path(path)
{
    if (IsFilePath(path))
        CreatePrivately(path);
    if (sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr) !=
        SQLITE_OK) {
        std::string message = m_db ? sqlite3_errmsg(m_db) : "out of memory";
        sqlite3_close(m_db);
        m_db = nullptr;
        throw StoreError("cannot open " + path + ": " + message);
    }
    // Many workers write at once: wait for the lock rather than fail.
    sqlite3_busy_timeout(m_db, 30000);
    Exec("PRAGMA journal_mode=WAL");
    Exec("PRAGMA synchronous=NORMAL");
    LimitJournal();
    // Deleted essays and replaced credentials are overwritten on disk, not merely unlinked.
    Exec("PRAGMA secure_delete=ON");
    Exec(kSchema);
    UpgradeSchema();
    if (IsFilePath(path))
        TightenModes(path);
    // Essay ids start at 10001: the client reads a save's answer as an id only when it is none of
    // the short status codes ("0", "1", "-1".., and "2", "3", "4" of the common statuses). The
    // sequence (AUTOINCREMENT) never hands out the id of a deleted essay again, so a writing
    // screen that still holds a deleted essay's id cannot overwrite another essay.
    Exec("INSERT INTO sqlite_sequence(name, seq) SELECT 'compositions', 10000 "
         "WHERE NOT EXISTS (SELECT 1 FROM sqlite_sequence WHERE name = 'compositions')");
}

void PlatformStore::UpgradeSchema()
{
    // Databases from before passwords were hashed lack the hash column.
    bool hasHash = false;
    SqlStatement columns(m_db, "PRAGMA table_info(users)");
    while (columns.Step())
        hasHash = hasHash || columns.Text(1) == "pwd_hash";
    if (!hasHash)
        Exec("ALTER TABLE users ADD COLUMN pwd_hash TEXT NOT NULL DEFAULT ''");
}

PlatformStore::~PlatformStore()
{
    sqlite3_close(m_db);
}

void PlatformStore::Exec(const std::string &sql)
{
    char *error = nullptr;
    if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::string message = error ? error : "SQLite error";
        sqlite3_free(error);
        throw StoreError(message);
    }
}

bool PlatformStore::IsSeeded()
{
    return !Setting("seeded").empty();
}

std::string PlatformStore::Setting(const std::string &key)
{
    SqlStatement s(m_db, "SELECT value FROM settings WHERE key = ?");
    s.Bind(1, key);
    return s.Step() ? s.Text(0) : std::string();
}

void PlatformStore::SetSetting(const std::string &key, const std::string &value)
{
    SqlStatement s(m_db, "INSERT INTO settings(key, value) VALUES(?, ?) "
                         "ON CONFLICT(key) DO UPDATE SET value = excluded.value");
    s.Bind(1, key).Bind(2, value).Step();
}
