// The store's accounts and sign-ins: users, password hashes, the device of the last sign-in.
#include "PlatformStore.h"

#include "PasswordHash.h"

namespace {

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

} // namespace

std::optional<UserRow> PlatformStore::UserByName(const std::string &name)
{
    SqlStatement s(*m_db, (std::string(kUserColumns) + "WHERE name = ?").c_str());
    s.Bind(1, name);
    if (!s.Step())
        return std::nullopt;
    return ReadUser(s);
}

std::optional<UserRow> PlatformStore::UserById(std::int64_t id)
{
    SqlStatement s(*m_db, (std::string(kUserColumns) + "WHERE id = ?").c_str());
    s.Bind(1, id);
    if (!s.Step())
        return std::nullopt;
    return ReadUser(s);
}

std::optional<UserRow> PlatformStore::UserByNo(const std::string &userNo)
{
    SqlStatement s(*m_db, (std::string(kUserColumns) + "WHERE user_no = ?").c_str());
    s.Bind(1, userNo);
    if (!s.Step())
        return std::nullopt;
    return ReadUser(s);
}

bool PlatformStore::SetUserDisabled(std::int64_t id, bool disabled)
{
    SqlStatement s(*m_db, "UPDATE users SET disabled = ? WHERE id = ?");
    s.Bind(1, std::int64_t(disabled ? 1 : 0)).Bind(2, id).Step();
    return s.Changes() > 0;
}

std::int64_t PlatformStore::AddUser(const std::string &name, const std::string &passwordDigest, const std::string &trueName)
{
    std::string hash = HashPasswordDigest(passwordDigest);
    WriteTransaction transaction(*this);
    // A name taken meanwhile by another process is a conflict the database settles.
    std::int64_t id = 0;
    {
        // Finished before the next write: SQLite keeps the table busy while it is open.
        SqlStatement s(*m_db, "INSERT INTO users(name, pwd_md5, pwd_hash, user_no, true_name, status, ut) "
                              "VALUES(?, '', ?, '', ?, '1', ?) ON CONFLICT(name) DO NOTHING RETURNING id");
        s.Bind(1, name).Bind(2, hash).Bind(3, trueName).Bind(4, std::string("学生"));
        if (!s.Step())
            return 0;
        id = s.Int(0);
    }
    SqlStatement number(*m_db, "UPDATE users SET user_no = ? WHERE id = ?");
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
    SqlStatement s(*m_db, "UPDATE users SET pwd_hash = ?, pwd_md5 = '' WHERE id = ?");
    s.Bind(1, hash).Bind(2, id).Step();
}

int PlatformStore::UpgradePasswordHashes()
{
    std::vector<std::pair<std::int64_t, std::string>> bare;
    {
        SqlStatement s(*m_db, "SELECT id, pwd_md5 FROM users WHERE pwd_hash = '' AND pwd_md5 <> ''");
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

void PlatformStore::RecordSession(std::int64_t userId, const std::string &digest, const std::string &deviceCode,
                                  std::int64_t keep)
{
    WriteTransaction transaction(*this);
    SqlStatement s(*m_db, "INSERT INTO sessions(digest, user_id, device_code, signed_in, last_used_utc) VALUES(?, ?, ?, ?, ?)");
    s.Bind(1, digest).Bind(2, userId).Bind(3, deviceCode).Bind(4, NowText()).Bind(5, UtcSeconds()).Step();
    SqlStatement trim(*m_db, "DELETE FROM sessions WHERE user_id = ? AND id NOT IN "
                             "(SELECT id FROM sessions WHERE user_id = ? ORDER BY id DESC LIMIT ?)");
    trim.Bind(1, userId).Bind(2, userId).Bind(3, keep).Step();
    transaction.Commit();
}

std::optional<StoredSession> PlatformStore::SessionByDigest(const std::string &digest)
{
    SqlStatement s(*m_db, "SELECT user_id, device_code, CASE WHEN displaced = 0 AND id = (SELECT MAX(id) FROM sessions "
                          "AS newest WHERE newest.user_id = sessions.user_id) THEN 1 ELSE 0 END, last_used_utc, lapsed "
                          "FROM sessions WHERE digest = ?");
    s.Bind(1, digest);
    if (!s.Step())
        return std::nullopt;
    return StoredSession{digest, s.Int(0), s.Text(1), s.Int(2) != 0, s.Int(3), s.Int(4) != 0};
}

void PlatformStore::UpdateSignInCount(std::int64_t userId, const std::function<void(AccountCount &)> &change)
{
    WriteTransaction transaction(*this);
    LockUser(userId);
    AccountCount count;
    {
        SqlStatement s(*m_db, "SELECT failures, last_utc, locked FROM signin_counts WHERE user_id = ?");
        s.Bind(1, userId);
        if (s.Step())
            count = AccountCount{s.Int(0), s.Int(1), s.Int(2) != 0};
    }
    change(count);
    if (count.failures <= 0 && !count.locked) {
        SqlStatement s(*m_db, "DELETE FROM signin_counts WHERE user_id = ?");
        s.Bind(1, userId).Step();
    } else {
        SqlStatement s(*m_db, "INSERT INTO signin_counts(user_id, failures, last_utc, locked) VALUES(?, ?, ?, ?) "
                              "ON CONFLICT(user_id) DO UPDATE SET failures = excluded.failures, "
                              "last_utc = excluded.last_utc, locked = excluded.locked");
        s.Bind(1, userId).Bind(2, count.failures).Bind(3, count.last).Bind(4, std::int64_t{count.locked ? 1 : 0}).Step();
    }
    transaction.Commit();
}

std::optional<StoredSession> PlatformStore::CurrentSession(std::int64_t userId)
{
    SqlStatement s(*m_db, "SELECT digest, device_code FROM sessions WHERE user_id = ? ORDER BY id DESC LIMIT 1");
    s.Bind(1, userId);
    if (!s.Step())
        return std::nullopt;
    return StoredSession{s.Text(0), userId, s.Text(1), true};
}

void PlatformStore::EndSessions(std::int64_t userId)
{
    SqlStatement s(*m_db, "DELETE FROM sessions WHERE user_id = ?");
    s.Bind(1, userId).Step();
}
