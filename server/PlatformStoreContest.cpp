// The store's contests: activities, their topics and the entries submitted to a round.
#include "PlatformStore.h"

namespace {

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

const char *const kActivityColumns = "SELECT id, theme, url_path, status, is_meg, round, title, \"desc\", times, supinfo, deadline, "
                                     "finalists, page FROM activities ";

} // namespace

std::vector<ActivityRow> PlatformStore::Activities()
{
    SqlStatement s(*m_db, (std::string(kActivityColumns) + "ORDER BY id").c_str());
    std::vector<ActivityRow> rows;
    while (s.Step())
        rows.push_back(ReadActivity(s));
    return rows;
}

std::optional<ActivityRow> PlatformStore::Activity(std::int64_t id)
{
    SqlStatement s(*m_db, (std::string(kActivityColumns) + "WHERE id = ?").c_str());
    s.Bind(1, id);
    if (!s.Step())
        return std::nullopt;
    return ReadActivity(s);
}

std::vector<TopicRow> PlatformStore::Topics(std::int64_t activityId)
{
    SqlStatement s(*m_db, "SELECT mid, title, \"desc\", writer, type FROM topics WHERE activity_id = ? ORDER BY mid");
    s.Bind(1, activityId);
    std::vector<TopicRow> rows;
    while (s.Step())
        rows.push_back({s.Int(0), s.Text(1), s.Text(2), s.Text(3), s.Text(4)});
    return rows;
}

bool PlatformStore::SetActivityDeadline(std::int64_t id, const std::string &deadline)
{
    SqlStatement s(*m_db, "UPDATE activities SET deadline = ? WHERE id = ?");
    s.Bind(1, deadline).Bind(2, id).Step();
    return s.Changes() > 0;
}

bool PlatformStore::HasEntry(std::int64_t userId, std::int64_t activityId, int round)
{
    SqlStatement s(*m_db, "SELECT 1 FROM entries WHERE user_id = ? AND activity_id = ? AND round = ?");
    s.Bind(1, userId).Bind(2, activityId).Bind(3, std::int64_t(round));
    return s.Step();
}

std::int64_t PlatformStore::SubmitEntry(std::int64_t userId, std::int64_t activityId, int round, std::int64_t matchId,
                                        const std::string &title, const std::string &content)
{
    WriteTransaction transaction(*this);
    LockUser(userId);
    if (HasEntry(userId, activityId, round))
        return 0;
    // The library copy is the user's to edit; the entry keeps the text as submitted.
    std::int64_t compId = InsertComposition(userId, title, content, 2, activityId);
    SqlStatement s(*m_db, "INSERT INTO entries(user_id, activity_id, round, match_id, title, content, "
                         "comp_id, create_time) VALUES(?, ?, ?, ?, ?, ?, ?, ?)");
    s.Bind(1, userId).Bind(2, activityId).Bind(3, std::int64_t(round)).Bind(4, matchId);
    s.Bind(5, title).Bind(6, content).Bind(7, compId).Bind(8, NowText()).Step();
    transaction.Commit();
    return compId;
}
