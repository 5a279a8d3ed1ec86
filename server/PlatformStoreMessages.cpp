// The store's messages and quotas: poll messages, scores and ideas limited per hour, shares kept.
#include "PlatformStore.h"

void PlatformStore::QueueMessage(std::int64_t userId, const std::string &content, const std::string &url)
{
    SqlStatement s(*m_db, "INSERT INTO messages(user_id, content, url) VALUES(?, ?, ?)");
    s.Bind(1, userId).Bind(2, content).Bind(3, url).Step();
}

std::optional<MessageRow> PlatformStore::TakeOldestMessage(std::int64_t userId)
{
    // Two polls at once, in one process or two, must not both take the same message: SQLite
    // runs the statement under its single write lock; PostgreSQL locks the row it picks, and
    // a poll that finds it locked takes the next one instead of waiting to find it delivered.
    std::string sql = "UPDATE messages SET delivered = 1 WHERE id = (SELECT id FROM messages "
                      "WHERE user_id = ? AND delivered = 0 ORDER BY id LIMIT 1";
    if (Engine() == SqlEngine::PostgreSQL)
        sql += " FOR UPDATE SKIP LOCKED";
    sql += ") AND delivered = 0 RETURNING content, url";
    SqlStatement s(*m_db, sql.c_str());
    s.Bind(1, userId);
    if (!s.Step())
        return std::nullopt;
    return MessageRow{s.Text(0), s.Text(1)};
}

std::int64_t PlatformStore::CountSince(const char *table, std::int64_t userId, std::int64_t sinceUtc)
{
    std::string sql = std::string("SELECT COUNT(*) FROM ") + table + " WHERE user_id = ? AND created_utc >= ?";
    SqlStatement s(*m_db, sql.c_str());
    s.Bind(1, userId).Bind(2, sinceUtc);
    return s.Step() ? s.Int(0) : 0;
}

bool PlatformStore::AddScore(std::int64_t userId, const std::string &score, std::int64_t perHour)
{
    // Count and insert under one write lock, so that simultaneous calls cannot pass the limit.
    WriteTransaction transaction(*this);
    LockUser(userId);
    if (CountSince("scores", userId, UtcSeconds() - 3600) >= perHour)
        return false;
    SqlStatement s(*m_db, "INSERT INTO scores(user_id, score, create_time, created_utc) VALUES(?, ?, ?, ?)");
    s.Bind(1, userId).Bind(2, score).Bind(3, NowText()).Bind(4, UtcSeconds()).Step();
    transaction.Commit();
    return true;
}

bool PlatformStore::AddIdea(std::int64_t userId, const std::string &content, std::int64_t perHour)
{
    WriteTransaction transaction(*this);
    LockUser(userId);
    if (CountSince("ideas", userId, UtcSeconds() - 3600) >= perHour)
        return false;
    SqlStatement s(*m_db, "INSERT INTO ideas(user_id, content, create_time, created_utc) VALUES(?, ?, ?, ?)");
    s.Bind(1, userId).Bind(2, content).Bind(3, NowText()).Bind(4, UtcSeconds()).Step();
    transaction.Commit();
    return true;
}

std::int64_t PlatformStore::CountIdeas(std::int64_t userId)
{
    SqlStatement s(*m_db, "SELECT COUNT(*) FROM ideas WHERE user_id = ?");
    s.Bind(1, userId);
    return s.Step() ? s.Int(0) : 0;
}

std::int64_t PlatformStore::CountScores(std::int64_t userId)
{
    SqlStatement s(*m_db, "SELECT COUNT(*) FROM scores WHERE user_id = ?");
    s.Bind(1, userId);
    return s.Step() ? s.Int(0) : 0;
}

void PlatformStore::AddShare(const ShareRow &share, std::int64_t keep)
{
    WriteTransaction transaction(*this);
    SqlStatement s(*m_db, "INSERT INTO shares(webid, url, title, summary, arrived) VALUES(?, ?, ?, ?, ?)");
    s.Bind(1, share.webid).Bind(2, share.url).Bind(3, share.title).Bind(4, share.summary);
    s.Bind(5, NowText()).Step();
    SqlStatement trim(*m_db, "DELETE FROM shares WHERE id <= (SELECT MAX(id) FROM shares) - ?");
    trim.Bind(1, keep).Step();
    transaction.Commit();
}

std::vector<ShareRow> PlatformStore::Shares()
{
    SqlStatement s(*m_db, "SELECT webid, url, title, summary, arrived FROM shares ORDER BY id");
    std::vector<ShareRow> rows;
    while (s.Step())
        rows.push_back({s.Text(0), s.Text(1), s.Text(2), s.Text(3), s.Text(4)});
    return rows;
}
