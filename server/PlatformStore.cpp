// The reference service's SQLite database: schema and every query, all with bound parameters.
#include "PlatformStore.h"

#include "PasswordHash.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <set>

namespace {

const char *const kSchema = R"SQL(
CREATE TABLE IF NOT EXISTS settings(key TEXT PRIMARY KEY, value TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS users(
  id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE, pwd_md5 TEXT NOT NULL, user_no TEXT NOT NULL,
  true_name TEXT NOT NULL DEFAULT '', school TEXT NOT NULL DEFAULT '', phone TEXT NOT NULL DEFAULT '',
  email TEXT NOT NULL DEFAULT '', status TEXT NOT NULL DEFAULT '', ut TEXT NOT NULL DEFAULT '',
  disabled INTEGER NOT NULL DEFAULT 0, registered INTEGER NOT NULL DEFAULT 1, pwd_hash TEXT NOT NULL DEFAULT '');
CREATE TABLE IF NOT EXISTS signins(user_id INTEGER PRIMARY KEY, device_code TEXT NOT NULL, signed_in TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS mainpage(
  id INTEGER PRIMARY KEY, name TEXT NOT NULL, class TEXT NOT NULL, type TEXT NOT NULL, con TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS keywords(id INTEGER PRIMARY KEY, keyword TEXT NOT NULL, hits INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS works(
  id INTEGER PRIMARY KEY, title TEXT NOT NULL, source TEXT NOT NULL, author TEXT NOT NULL, text TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS corpus(
  id INTEGER PRIMARY KEY, keyword_id INTEGER NOT NULL, work_id INTEGER NOT NULL, brief TEXT NOT NULL,
  hits INTEGER NOT NULL DEFAULT 0);
CREATE INDEX IF NOT EXISTS corpus_by_keyword ON corpus(keyword_id);
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

UserRow ReadUser(const SqlStatement &s)
{
    UserRow u;
    u.id = s.Int(0);
    u.name = s.Text(1);
    u.passwordHash = s.Text(2);
    u.userNo = s.Text(3);
    u.trueName = s.Text(4);
    u.school = s.Text(5);
    u.phone = s.Text(6);
    u.email = s.Text(7);
    u.status = s.Text(8);
    u.userType = s.Text(9);
    u.disabled = s.Int(10) != 0;
    u.registered = s.Int(11) != 0;
    return u;
}

const char *const kUserColumns = "SELECT id, name, pwd_hash, user_no, true_name, school, phone, email, status, ut, disabled, "
                                 "registered FROM users ";

ActivityRow ReadActivity(const SqlStatement &s)
{
    ActivityRow a;
    a.id = s.Int(0);
    a.theme = s.Text(1);
    a.urlPath = s.Text(2);
    a.status = s.Text(3);
    a.isMeg = s.Text(4);
    a.round = static_cast<int>(s.Int(5));
    a.title = s.Text(6);
    a.desc = s.Text(7);
    a.times = s.Text(8);
    a.supinfo = s.Text(9);
    a.deadline = s.Text(10);
    a.finalists = s.Text(11);
    a.page = s.Text(12);
    return a;
}

const char *const kActivityColumns = "SELECT id, theme, url_path, status, is_meg, round, title, desc, times, supinfo, deadline, "
                                     "finalists, page FROM activities ";

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

// ---- PlatformStore ----

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

std::optional<UserRow> PlatformStore::UserByName(const std::string &name)
{
    SqlStatement s(m_db, (std::string(kUserColumns) + "WHERE name = ?").c_str());
    s.Bind(1, name);
    if (!s.Step())
        return std::nullopt;
    return ReadUser(s);
}

std::optional<UserRow> PlatformStore::UserById(std::int64_t id)
{
    SqlStatement s(m_db, (std::string(kUserColumns) + "WHERE id = ?").c_str());
    s.Bind(1, id);
    if (!s.Step())
        return std::nullopt;
    return ReadUser(s);
}

std::optional<UserRow> PlatformStore::UserByNo(const std::string &userNo)
{
    SqlStatement s(m_db, (std::string(kUserColumns) + "WHERE user_no = ?").c_str());
    s.Bind(1, userNo);
    if (!s.Step())
        return std::nullopt;
    return ReadUser(s);
}

bool PlatformStore::SetUserDisabled(std::int64_t id, bool disabled)
{
    SqlStatement s(m_db, "UPDATE users SET disabled = ? WHERE id = ?");
    s.Bind(1, std::int64_t(disabled ? 1 : 0)).Bind(2, id).Step();
    return sqlite3_changes(m_db) > 0;
}

std::int64_t PlatformStore::AddUser(const std::string &name, const std::string &passwordDigest, const std::string &trueName)
{
    std::string hash = HashPasswordDigest(passwordDigest);
    WriteTransaction transaction(*this);
    if (UserByName(name))
        return 0;
    SqlStatement s(m_db, "INSERT INTO users(name, pwd_md5, pwd_hash, user_no, true_name, status, ut) "
                         "VALUES(?, '', ?, '', ?, '1', ?)");
    s.Bind(1, name).Bind(2, hash).Bind(3, trueName).Bind(4, std::string("学生")).Step();
    std::int64_t id = sqlite3_last_insert_rowid(m_db);
    SqlStatement number(m_db, "UPDATE users SET user_no = ? WHERE id = ?");
    number.Bind(1, std::to_string(20000 + id)).Bind(2, id).Step();
    // New accounts get the same welcome as the seeded ones, when there is one.
    std::string welcome = Setting("welcome_content");
    if (!welcome.empty())
        QueueMessage(id, welcome, Setting("welcome_url"));
    transaction.Commit();
    return id;
}

void PlatformStore::SetPasswordHash(std::int64_t id, const std::string &hash)
{
    SqlStatement s(m_db, "UPDATE users SET pwd_hash = ?, pwd_md5 = '' WHERE id = ?");
    s.Bind(1, hash).Bind(2, id).Step();
}

int PlatformStore::UpgradePasswordHashes()
{
    std::vector<std::pair<std::int64_t, std::string>> bare;
    {
        SqlStatement s(m_db, "SELECT id, pwd_md5 FROM users WHERE pwd_hash = '' AND pwd_md5 <> ''");
        while (s.Step())
            bare.emplace_back(s.Int(0), s.Text(1));
    }
    if (bare.empty())
        return 0;
    WriteTransaction transaction(*this);
    for (const auto &[id, digest] : bare)
        SetPasswordHash(id, HashPasswordDigest(digest));
    transaction.Commit();
    return static_cast<int>(bare.size());
}

void PlatformStore::RecordSignIn(std::int64_t userId, const std::string &deviceCode)
{
    SqlStatement s(m_db, "INSERT INTO signins(user_id, device_code, signed_in) VALUES(?, ?, ?) "
                         "ON CONFLICT(user_id) DO UPDATE SET device_code = excluded.device_code, "
                         "signed_in = excluded.signed_in");
    s.Bind(1, userId).Bind(2, deviceCode).Bind(3, NowText()).Step();
}

std::optional<std::string> PlatformStore::LastSignInDevice(std::int64_t userId)
{
    SqlStatement s(m_db, "SELECT device_code FROM signins WHERE user_id = ?");
    s.Bind(1, userId);
    if (!s.Step())
        return std::nullopt;
    return s.Text(0);
}

std::vector<MainPageRow> PlatformStore::MainPageItems()
{
    SqlStatement s(m_db, "SELECT id, name, class, type, con FROM mainpage ORDER BY id");
    std::vector<MainPageRow> rows;
    while (s.Step())
        rows.push_back({s.Int(0), s.Text(1), s.Text(2), s.Text(3), s.Text(4)});
    return rows;
}

std::int64_t PlatformStore::MaxKeywordId()
{
    SqlStatement s(m_db, "SELECT COALESCE(MAX(id), 0) FROM keywords");
    return s.Step() ? s.Int(0) : 0;
}

std::vector<std::pair<std::int64_t, std::string>> PlatformStore::KeywordsAbove(std::int64_t id)
{
    std::vector<std::pair<std::int64_t, std::string>> rows;
    ForEachKeywordAbove(id, [&](std::int64_t keywordId, std::string_view keyword) { rows.emplace_back(keywordId, keyword); });
    return rows;
}

void PlatformStore::ForEachKeywordAbove(std::int64_t id, const std::function<void(std::int64_t, std::string_view)> &row)
{
    SqlStatement s(m_db, "SELECT id, keyword FROM keywords WHERE id > ? ORDER BY id");
    s.Bind(1, id);
    while (s.Step())
        row(s.Int(0), s.TextView(1));
}

bool PlatformStore::KeywordExists(std::int64_t id)
{
    SqlStatement s(m_db, "SELECT 1 FROM keywords WHERE id = ?");
    s.Bind(1, id);
    return s.Step();
}

bool PlatformStore::AddKeywordHit(std::int64_t id)
{
    SqlStatement s(m_db, "UPDATE keywords SET hits = hits + 1 WHERE id = ?");
    s.Bind(1, id).Step();
    return sqlite3_changes(m_db) > 0;
}

std::vector<CorpusBriefRow> PlatformStore::CorpusBriefs(std::int64_t keywordId)
{
    // Liked excerpts rank first.
    SqlStatement s(m_db, "SELECT id, brief FROM corpus WHERE keyword_id = ? ORDER BY hits DESC, id");
    s.Bind(1, keywordId);
    std::vector<CorpusBriefRow> rows;
    while (s.Step())
        rows.push_back({s.Int(0), s.Text(1)});
    return rows;
}

std::optional<CorpusDetailRow> PlatformStore::CorpusDetail(std::int64_t corpusId)
{
    SqlStatement s(m_db, "SELECT w.text, w.title, w.source, w.author FROM corpus c "
                         "JOIN works w ON w.id = c.work_id WHERE c.id = ?");
    s.Bind(1, corpusId);
    if (!s.Step())
        return std::nullopt;
    return CorpusDetailRow{s.Text(0), s.Text(1), s.Text(2), s.Text(3)};
}

bool PlatformStore::AddCorpusHit(std::int64_t corpusId)
{
    SqlStatement s(m_db, "UPDATE corpus SET hits = hits + 1 WHERE id = ?");
    s.Bind(1, corpusId).Step();
    return sqlite3_changes(m_db) > 0;
}

std::optional<std::int64_t> PlatformStore::RecentIdenticalComposition(std::int64_t userId, const std::string &title,
                                                                      const std::string &content, std::int64_t fromType,
                                                                      std::int64_t fromId)
{
    SqlStatement s(m_db, "SELECT id FROM compositions WHERE user_id = ? AND title = ? AND content = ? "
                         "AND from_type = ? AND from_id = ? AND create_time >= ? ORDER BY id DESC LIMIT 1");
    s.Bind(1, userId).Bind(2, title).Bind(3, content).Bind(4, fromType).Bind(5, fromId);
    s.Bind(6, NowText(kIdenticalSaveWindowSeconds));
    if (!s.Step())
        return std::nullopt;
    return s.Int(0);
}

std::int64_t PlatformStore::InsertComposition(std::int64_t userId, const std::string &title, const std::string &content,
                                              std::int64_t fromType, std::int64_t fromId)
{
    std::string now = NowText();
    SqlStatement s(m_db, "INSERT INTO compositions(user_id, title, content, from_type, from_id, "
                         "create_time, update_time) VALUES(?, ?, ?, ?, ?, ?, ?)");
    s.Bind(1, userId).Bind(2, title).Bind(3, content).Bind(4, fromType).Bind(5, fromId);
    s.Bind(6, now).Bind(7, now).Step();
    return sqlite3_last_insert_rowid(m_db);
}

// A save whose answer was lost on the way (a slow network, a client that gave up waiting) comes
// again as a new essay: the same user, title and text within a minute is that essay, not a copy.
std::int64_t PlatformStore::SaveNewComposition(std::int64_t userId, const std::string &title, const std::string &content,
                                               std::int64_t fromType, std::int64_t fromId)
{
    WriteTransaction transaction(*this);
    const auto stored = RecentIdenticalComposition(userId, title, content, fromType, fromId);
    const std::int64_t id = stored ? *stored : InsertComposition(userId, title, content, fromType, fromId);
    transaction.Commit();
    return id;
}

bool PlatformStore::UpdateComposition(std::int64_t userId, std::int64_t compId, const std::string &title,
                                      const std::string &content)
{
    SqlStatement s(m_db, "UPDATE compositions SET title = ?, content = ?, update_time = ? "
                         "WHERE id = ? AND user_id = ?");
    s.Bind(1, title).Bind(2, content).Bind(3, NowText()).Bind(4, compId).Bind(5, userId).Step();
    return sqlite3_changes(m_db) > 0;
}

std::vector<CompositionRow> PlatformStore::ListCompositions(std::int64_t userId, const std::string &titleFilter, bool oldestFirst,
                                                            std::int64_t limit, std::int64_t offset)
{
    std::string sql = "SELECT id, title, '', create_time FROM compositions WHERE user_id = ? "
                      "AND (? = '' OR instr(title, ?) > 0) ORDER BY ";
    sql += oldestFirst ? "create_time, id" : "create_time DESC, id DESC";
    sql += " LIMIT ? OFFSET ?";
    SqlStatement s(m_db, sql.c_str());
    s.Bind(1, userId).Bind(2, titleFilter).Bind(3, titleFilter).Bind(4, limit).Bind(5, offset);
    std::vector<CompositionRow> rows;
    while (s.Step())
        rows.push_back({s.Int(0), s.Text(1), s.Text(2), s.Text(3)});
    return rows;
}

std::optional<CompositionRow> PlatformStore::Composition(std::int64_t userId, std::int64_t compId)
{
    SqlStatement s(m_db, "SELECT id, title, content, create_time FROM compositions WHERE id = ? AND user_id = ?");
    s.Bind(1, compId).Bind(2, userId);
    if (!s.Step())
        return std::nullopt;
    return CompositionRow{s.Int(0), s.Text(1), s.Text(2), s.Text(3)};
}

bool PlatformStore::DeleteCompositions(std::int64_t userId, const std::vector<std::int64_t> &ids)
{
    std::set<std::int64_t> unique(ids.begin(), ids.end());
    if (unique.empty())
        return false;
    WriteTransaction transaction(*this);
    for (std::int64_t id : unique) {
        SqlStatement s(m_db, "DELETE FROM compositions WHERE id = ? AND user_id = ?");
        s.Bind(1, id).Bind(2, userId).Step();
        if (sqlite3_changes(m_db) != 1)
            return false; // rolled back: nothing deleted
    }
    transaction.Commit();
    return true;
}

std::int64_t PlatformStore::CountCompositions(std::int64_t userId)
{
    SqlStatement s(m_db, "SELECT COUNT(*) FROM compositions WHERE user_id = ?");
    s.Bind(1, userId);
    return s.Step() ? s.Int(0) : 0;
}

std::vector<ActivityRow> PlatformStore::Activities()
{
    SqlStatement s(m_db, (std::string(kActivityColumns) + "ORDER BY id").c_str());
    std::vector<ActivityRow> rows;
    while (s.Step())
        rows.push_back(ReadActivity(s));
    return rows;
}

std::optional<ActivityRow> PlatformStore::Activity(std::int64_t id)
{
    SqlStatement s(m_db, (std::string(kActivityColumns) + "WHERE id = ?").c_str());
    s.Bind(1, id);
    if (!s.Step())
        return std::nullopt;
    return ReadActivity(s);
}

std::vector<TopicRow> PlatformStore::Topics(std::int64_t activityId)
{
    SqlStatement s(m_db, "SELECT mid, title, desc, writer, type FROM topics WHERE activity_id = ? ORDER BY mid");
    s.Bind(1, activityId);
    std::vector<TopicRow> rows;
    while (s.Step())
        rows.push_back({s.Int(0), s.Text(1), s.Text(2), s.Text(3), s.Text(4)});
    return rows;
}

bool PlatformStore::SetActivityDeadline(std::int64_t id, const std::string &deadline)
{
    SqlStatement s(m_db, "UPDATE activities SET deadline = ? WHERE id = ?");
    s.Bind(1, deadline).Bind(2, id).Step();
    return sqlite3_changes(m_db) > 0;
}

bool PlatformStore::HasEntry(std::int64_t userId, std::int64_t activityId, int round)
{
    SqlStatement s(m_db, "SELECT 1 FROM entries WHERE user_id = ? AND activity_id = ? AND round = ?");
    s.Bind(1, userId).Bind(2, activityId).Bind(3, std::int64_t(round));
    return s.Step();
}

std::int64_t PlatformStore::SubmitEntry(std::int64_t userId, std::int64_t activityId, int round, std::int64_t matchId,
                                        const std::string &title, const std::string &content)
{
    WriteTransaction transaction(*this);
    if (HasEntry(userId, activityId, round))
        return 0;
    // The library copy is the user's to edit; the entry keeps the text as submitted.
    std::int64_t compId = InsertComposition(userId, title, content, 2, activityId);
    SqlStatement s(m_db, "INSERT INTO entries(user_id, activity_id, round, match_id, title, content, "
                         "comp_id, create_time) VALUES(?, ?, ?, ?, ?, ?, ?, ?)");
    s.Bind(1, userId).Bind(2, activityId).Bind(3, std::int64_t(round)).Bind(4, matchId);
    s.Bind(5, title).Bind(6, content).Bind(7, compId).Bind(8, NowText()).Step();
    transaction.Commit();
    return compId;
}

void PlatformStore::QueueMessage(std::int64_t userId, const std::string &content, const std::string &url)
{
    SqlStatement s(m_db, "INSERT INTO messages(user_id, content, url) VALUES(?, ?, ?)");
    s.Bind(1, userId).Bind(2, content).Bind(3, url).Step();
}

std::optional<MessageRow> PlatformStore::TakeOldestMessage(std::int64_t userId)
{
    // One write transaction: two polls at once must not both take the same message.
    WriteTransaction transaction(*this);
    std::optional<MessageRow> row;
    std::int64_t id = 0;
    {
        SqlStatement s(m_db, "SELECT id, content, url FROM messages WHERE user_id = ? AND delivered = 0 ORDER BY id LIMIT 1");
        s.Bind(1, userId);
        if (s.Step()) {
            id = s.Int(0);
            row = MessageRow{s.Text(1), s.Text(2)};
        }
    }
    if (row) {
        SqlStatement s(m_db, "UPDATE messages SET delivered = 1 WHERE id = ?");
        s.Bind(1, id).Step();
    }
    transaction.Commit();
    return row;
}

std::int64_t PlatformStore::CountSince(const char *table, std::int64_t userId, const std::string &since)
{
    std::string sql = std::string("SELECT COUNT(*) FROM ") + table + " WHERE user_id = ? AND create_time >= ?";
    SqlStatement s(m_db, sql.c_str());
    s.Bind(1, userId).Bind(2, since);
    return s.Step() ? s.Int(0) : 0;
}

bool PlatformStore::AddScore(std::int64_t userId, const std::string &score, std::int64_t perHour)
{
    // Count and insert under one write lock, so that simultaneous calls cannot pass the limit.
    WriteTransaction transaction(*this);
    if (CountSince("scores", userId, NowText(3600)) >= perHour)
        return false;
    SqlStatement s(m_db, "INSERT INTO scores(user_id, score, create_time) VALUES(?, ?, ?)");
    s.Bind(1, userId).Bind(2, score).Bind(3, NowText()).Step();
    transaction.Commit();
    return true;
}

bool PlatformStore::AddIdea(std::int64_t userId, const std::string &content, std::int64_t perHour)
{
    WriteTransaction transaction(*this);
    if (CountSince("ideas", userId, NowText(3600)) >= perHour)
        return false;
    SqlStatement s(m_db, "INSERT INTO ideas(user_id, content, create_time) VALUES(?, ?, ?)");
    s.Bind(1, userId).Bind(2, content).Bind(3, NowText()).Step();
    transaction.Commit();
    return true;
}

std::int64_t PlatformStore::CountIdeas(std::int64_t userId)
{
    SqlStatement s(m_db, "SELECT COUNT(*) FROM ideas WHERE user_id = ?");
    s.Bind(1, userId);
    return s.Step() ? s.Int(0) : 0;
}

std::int64_t PlatformStore::CountScores(std::int64_t userId)
{
    SqlStatement s(m_db, "SELECT COUNT(*) FROM scores WHERE user_id = ?");
    s.Bind(1, userId);
    return s.Step() ? s.Int(0) : 0;
}

void PlatformStore::AddShare(const ShareRow &share, std::int64_t keep)
{
    WriteTransaction transaction(*this);
    SqlStatement s(m_db, "INSERT INTO shares(webid, url, title, summary, arrived) VALUES(?, ?, ?, ?, ?)");
    s.Bind(1, share.webid).Bind(2, share.url).Bind(3, share.title).Bind(4, share.summary);
    s.Bind(5, NowText()).Step();
    SqlStatement trim(m_db, "DELETE FROM shares WHERE id <= (SELECT MAX(id) FROM shares) - ?");
    trim.Bind(1, keep).Step();
    transaction.Commit();
}

std::vector<ShareRow> PlatformStore::Shares()
{
    SqlStatement s(m_db, "SELECT webid, url, title, summary, arrived FROM shares ORDER BY id");
    std::vector<ShareRow> rows;
    while (s.Step())
        rows.push_back({s.Text(0), s.Text(1), s.Text(2), s.Text(3), s.Text(4)});
    return rows;
}
