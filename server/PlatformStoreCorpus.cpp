// The store's reading material: main-page texts, keywords and the excerpts found by them.
#include "PlatformStore.h"

std::vector<MainPageRow> PlatformStore::MainPageItems()
{
    SqlStatement s(*m_db, "SELECT id, name, class, type, con FROM mainpage ORDER BY id");
    std::vector<MainPageRow> rows;
    while (s.Step())
        rows.push_back({s.Int(0), s.Text(1), s.Text(2), s.Text(3), s.Text(4)});
    return rows;
}

std::int64_t PlatformStore::MaxKeywordId()
{
    SqlStatement s(*m_db, "SELECT COALESCE(MAX(id), 0) FROM keywords");
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
    SqlStatement s(*m_db, "SELECT id, keyword FROM keywords WHERE id > ? ORDER BY id");
    s.Bind(1, id);
    while (s.Step())
        row(s.Int(0), s.TextView(1));
}

bool PlatformStore::KeywordExists(std::int64_t id)
{
    SqlStatement s(*m_db, "SELECT 1 FROM keywords WHERE id = ?");
    s.Bind(1, id);
    return s.Step();
}

bool PlatformStore::AddKeywordHit(std::int64_t id)
{
    SqlStatement s(*m_db, "UPDATE keywords SET hits = hits + 1 WHERE id = ?");
    s.Bind(1, id).Step();
    return s.Changes() > 0;
}

std::vector<CorpusBriefRow> PlatformStore::CorpusBriefs(std::int64_t keywordId)
{
    // Liked excerpts rank first.
    SqlStatement s(*m_db, "SELECT id, brief FROM corpus WHERE keyword_id = ? ORDER BY hits DESC, id");
    s.Bind(1, keywordId);
    std::vector<CorpusBriefRow> rows;
    while (s.Step())
        rows.push_back({s.Int(0), s.Text(1)});
    return rows;
}

std::optional<CorpusDetailRow> PlatformStore::CorpusDetail(std::int64_t corpusId)
{
    SqlStatement s(*m_db, "SELECT w.text, w.title, w.source, w.author FROM corpus c "
                         "JOIN works w ON w.id = c.work_id WHERE c.id = ?");
    s.Bind(1, corpusId);
    if (!s.Step())
        return std::nullopt;
    return CorpusDetailRow{s.Text(0), s.Text(1), s.Text(2), s.Text(3)};
}

bool PlatformStore::AddCorpusHit(std::int64_t userId, std::int64_t corpusId)
{
    WriteTransaction transaction(*this);
    {
        SqlStatement exists(*m_db, "SELECT 1 FROM corpus WHERE id = ?");
        exists.Bind(1, corpusId);
        if (!exists.Step())
            return false;
    }
    SqlStatement like(*m_db, "INSERT INTO corpus_likes(corpus_id, user_id) VALUES(?, ?) ON CONFLICT DO NOTHING");
    like.Bind(1, corpusId).Bind(2, userId).Step();
    if (like.Changes() > 0) {
        SqlStatement s(*m_db, "UPDATE corpus SET hits = hits + 1 WHERE id = ?");
        s.Bind(1, corpusId).Step();
    }
    transaction.Commit();
    return true;
}
