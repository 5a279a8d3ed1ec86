// Contest states of the reference service for tests (see ContestStates.h). The states live in a
// table of their own, so every worker sees what a control has set.
#include "ContestStates.h"

#include "JsonText.h"
#include "PlatformService.h"
#include "TextRules.h"

namespace {

Json::Value Entry(const char *type, const char *key, const std::string &text)
{
    Json::Value entry;
    entry["type"] = type;
    entry[key] = text;
    return entry;
}

// The round's own second-round entry with only its first five topics.
Json::Value FiveTopicsEntry(PlatformStore &store, const ActivityRow &activity)
{
    Json::Value entry;
    entry["type"] = "2";
    entry["times"] = activity.times;
    entry["supinfo"] = activity.supinfo;
    entry["info"] = Json::Value(Json::arrayValue);
    for (const TopicRow &t : store.Topics(activity.id)) {
        if (entry["info"].size() == 5)
            break;
        Json::Value topic;
        topic["mid"] = std::to_string(t.mid);
        topic["title"] = t.title;
        topic["desc"] = t.desc;
        topic["writer"] = t.writer;
        topic["type"] = t.type;
        entry["info"].append(topic);
    }
    return entry;
}

// The entries of a state; an empty array for a state without a script.
Json::Value StateEntries(PlatformStore &store, const std::string &state, const ActivityRow &activity)
{
    Json::Value entries(Json::arrayValue);
    if (state == "closed") {
        entries.append(Entry("-1", "msg", "本轮征文已经截止，感谢您的关注！"));
    } else if (state == "submitted") {
        entries.append(Entry("-2", "msg", "您已提交过本轮大赛征文，请等待评审结果。"));
    } else if (state == "mixed") {
        // An entry of a type the client does not know comes first: it must be skipped.
        entries.append(Entry("0", "msg", "这一条不应显示。"));
        entries.append(Entry("-2", "msg", "您已提交过本轮大赛征文，请等待评审结果。"));
        Json::Value open = Entry("1", "title", activity.title);
        open["desc"] = activity.desc;
        entries.append(open);
    } else if (state == "five-topics") {
        entries.append(FiveTopicsEntry(store, activity));
    }
    return entries;
}

std::string StoredState(PlatformStore &store, std::int64_t userId, std::int64_t activityId)
{
    SqlStatement s(store.Handle(), "SELECT state FROM contest_states WHERE user_id = ? AND activity_id = ?");
    s.Bind(1, userId).Bind(2, activityId);
    return s.Step() ? s.Text(0) : std::string();
}

WebResponse Plain(int status, const std::string &text)
{
    return WebResponse{status, "text/plain; charset=utf-8", text + "\n"};
}

std::string Value(const std::map<std::string, std::string> &query, const char *key)
{
    auto it = query.find(key);
    return it == query.end() ? std::string() : it->second;
}

WebResponse SetState(PlatformService &service, const std::map<std::string, std::string> &query)
{
    PlatformStore &store = service.Store();
    std::optional<UserRow> user = store.UserByName(Value(query, "name"));
    auto activityId = ParseNumber(Value(query, "activity").c_str());
    if (!user || !activityId || !store.Activity(*activityId))
        return Plain(404, "no such user or activity");
    const std::string state = Value(query, "state");
    if (state != "open" && state != "closed" && state != "submitted" && state != "mixed" && state != "five-topics")
        return Plain(400, "state?");
    SqlStatement s(store.Handle(), state == "open" ? "DELETE FROM contest_states WHERE user_id = ? AND activity_id = ?"
                                                   : "INSERT INTO contest_states(user_id, activity_id, state) VALUES(?, ?, ?) "
                                                     "ON CONFLICT(user_id, activity_id) DO UPDATE SET state = excluded.state");
    s.Bind(1, user->id).Bind(2, *activityId);
    if (state != "open")
        s.Bind(3, state);
    s.Step();
    return Plain(200, "ok");
}

WebResponse SetFlags(PlatformService &service, const std::map<std::string, std::string> &query)
{
    PlatformStore &store = service.Store();
    auto activityId = ParseNumber(Value(query, "activity").c_str());
    if (!activityId || !store.Activity(*activityId))
        return Plain(404, "no such activity");
    SqlStatement s(store.Handle(), "UPDATE activities SET status = ?, is_meg = ? WHERE id = ?");
    s.Bind(1, Value(query, "status")).Bind(2, Value(query, "isMeg")).Bind(3, *activityId);
    s.Step();
    return Plain(200, "ok");
}

} // namespace

std::optional<std::string> ScriptedActivityInfo(PlatformStore &store, std::int64_t userId, std::int64_t activityId)
{
    const std::string state = StoredState(store, userId, activityId);
    std::optional<ActivityRow> activity = store.Activity(activityId);
    if (state.empty() || !activity)
        return std::nullopt;
    return DataDocumentOf(StateEntries(store, state, *activity));
}

std::optional<WebResponse> ContestControl(PlatformService &service, const std::string &action,
                                          const std::map<std::string, std::string> &query)
{
    if (action == "contest-state")
        return SetState(service, query);
    if (action == "activity-flags")
        return SetFlags(service, query);
    return std::nullopt;
}
