// The store's bounds on what one user keeps in the library, and on the write-ahead log's size.
#include "PlatformStore.h"

namespace {

struct LibraryUsage
{
    std::int64_t essays = 0;
    std::int64_t bytes = 0;
};

// The user's essays and the bytes of their titles and bodies, leaving one essay out (0: none).
LibraryUsage Usage(SqlConnection &db, std::int64_t userId, std::int64_t except)
{
    // Bytes as stored (UTF-8), not characters: each engine has its own spelling.
    SqlStatement s(db, db.Engine() == SqlEngine::PostgreSQL
                           ? "SELECT COUNT(*), COALESCE(SUM(octet_length(title) + octet_length(content)), 0) "
                             "FROM compositions WHERE user_id = ? AND id <> ?"
                           : "SELECT COUNT(*), COALESCE(SUM(length(CAST(title AS BLOB)) + length(CAST(content AS BLOB))), 0) "
                             "FROM compositions WHERE user_id = ? AND id <> ?");
    s.Bind(1, userId).Bind(2, except);
    if (!s.Step())
        return {};
    return {s.Int(0), s.Int(1)};
}

std::int64_t EssayBytes(const std::string &title, const std::string &content)
{
    return static_cast<std::int64_t>(title.size() + content.size());
}

} // namespace

std::int64_t PlatformStore::SaveNewCompositionWithin(std::int64_t userId, const std::string &title, const std::string &content,
                                                     std::int64_t fromType, std::int64_t fromId, const EssayQuota &quota,
                                                     const std::function<bool()> &admit)
{
    WriteTransaction transaction(*this);
    // A save sent again after its answer was lost takes no more room.
    if (const auto stored = RecentIdenticalComposition(userId, title, content, fromType, fromId))
        return *stored;
    if (admit && !admit())
        return 0;
    const LibraryUsage usage = Usage(*m_db, userId, 0);
    if (usage.essays >= quota.maxEssays || usage.bytes + EssayBytes(title, content) > quota.maxBytes)
        return 0; // rolled back: nothing written
    const std::int64_t id = InsertComposition(userId, title, content, fromType, fromId);
    transaction.Commit();
    return id;
}

bool PlatformStore::UpdateCompositionWithin(std::int64_t userId, std::int64_t compId, const std::string &title,
                                            const std::string &content, const EssayQuota &quota,
                                            const std::function<bool()> &admit)
{
    WriteTransaction transaction(*this);
    if (admit && !admit())
        return false;
    const LibraryUsage others = Usage(*m_db, userId, compId);
    if (others.bytes + EssayBytes(title, content) > quota.maxBytes)
        return false;
    if (!UpdateComposition(userId, compId, title, content))
        return false;
    transaction.Commit();
    return true;
}

// SQLite only: the server engine manages its own log.
void PlatformStore::LimitJournal()
{
    Exec("PRAGMA wal_autocheckpoint=" + std::to_string(kJournalCheckpointPages));
    Exec("PRAGMA journal_size_limit=" + std::to_string(kJournalBytes));
}
