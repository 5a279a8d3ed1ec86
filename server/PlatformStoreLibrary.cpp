// The store's library: each user's compositions, saved, listed, opened and deleted.
#include "PlatformStore.h"

#include <set>

std::optional<std::int64_t> PlatformStore::RecentIdenticalComposition(std::int64_t userId, const std::string &title,
                                                                      const std::string &content, std::int64_t fromType,
                                                                      std::int64_t fromId)
{
    SqlStatement s(*m_db, "SELECT id FROM compositions WHERE user_id = ? AND title = ? AND content = ? "
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
    SqlStatement s(*m_db, "INSERT INTO compositions(user_id, title, content, from_type, from_id, "
                          "create_time, update_time) VALUES(?, ?, ?, ?, ?, ?, ?) RETURNING id");
    s.Bind(1, userId).Bind(2, title).Bind(3, content).Bind(4, fromType).Bind(5, fromId);
    s.Bind(6, now).Bind(7, now);
    if (!s.Step())
        throw StoreError("no id for a new composition");
    return s.Int(0);
}

// A save whose answer was lost on the way (a slow network, a client that gave up waiting) comes
// again as a new essay: the same user, title and text within a minute is that essay, not a copy.
std::int64_t PlatformStore::SaveNewComposition(std::int64_t userId, const std::string &title, const std::string &content,
                                               std::int64_t fromType, std::int64_t fromId)
{
    WriteTransaction transaction(*this);
    LockUser(userId);
    const auto stored = RecentIdenticalComposition(userId, title, content, fromType, fromId);
    const std::int64_t id = stored ? *stored : InsertComposition(userId, title, content, fromType, fromId);
    transaction.Commit();
    return id;
}

bool PlatformStore::UpdateComposition(std::int64_t userId, std::int64_t compId, const std::string &title,
                                      const std::string &content)
{
    SqlStatement s(*m_db, "UPDATE compositions SET title = ?, content = ?, update_time = ? "
                         "WHERE id = ? AND user_id = ?");
    s.Bind(1, title).Bind(2, content).Bind(3, NowText()).Bind(4, compId).Bind(5, userId).Step();
    return s.Changes() > 0;
}

std::vector<CompositionRow> PlatformStore::ListCompositions(std::int64_t userId, const std::string &titleFilter, bool oldestFirst,
                                                            std::int64_t limit, std::int64_t offset)
{
    // The one function the dialects name differently: the position of a text within another.
    std::string sql = "SELECT id, title, '', create_time FROM compositions WHERE user_id = ? AND (? = '' OR ";
    sql += Engine() == SqlEngine::SQLite ? "instr(title, ?)" : "strpos(title, ?)";
    sql += " > 0) ORDER BY ";
    sql += oldestFirst ? "create_time, id" : "create_time DESC, id DESC";
    sql += " LIMIT ? OFFSET ?";
    SqlStatement s(*m_db, sql.c_str());
    s.Bind(1, userId).Bind(2, titleFilter).Bind(3, titleFilter).Bind(4, limit).Bind(5, offset);
    std::vector<CompositionRow> rows;
    while (s.Step())
        rows.push_back({s.Int(0), s.Text(1), s.Text(2), s.Text(3)});
    return rows;
}

std::optional<CompositionRow> PlatformStore::Composition(std::int64_t userId, std::int64_t compId)
{
    SqlStatement s(*m_db, "SELECT id, title, content, create_time FROM compositions WHERE id = ? AND user_id = ?");
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
        SqlStatement s(*m_db, "DELETE FROM compositions WHERE id = ? AND user_id = ?");
        s.Bind(1, id).Bind(2, userId).Step();
        if (s.Changes() != 1)
            return false; // rolled back: nothing deleted
    }
    transaction.Commit();
    return true;
}

std::int64_t PlatformStore::CountCompositions(std::int64_t userId)
{
    SqlStatement s(*m_db, "SELECT COUNT(*) FROM compositions WHERE user_id = ?");
    s.Bind(1, userId);
    return s.Step() ? s.Int(0) : 0;
}
