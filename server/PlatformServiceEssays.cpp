// Compositions and the writing contest: the essay library operations, contest activities,
// rounds and entries.
#include "PlatformService.h"

#include "ContestStates.h"

#include "JsonText.h"
#include "TextRules.h"

#include <algorithm>
#include <sstream>

namespace {

constexpr std::size_t kMaxEssayChars = 5000;
constexpr std::size_t kMaxTitleChars = 100;
constexpr std::int64_t kMaxPageSize = 10000;
// One deletion takes at most the client's page of its library; a longer list would hold the
// database's write lock while every other pupil waits.
constexpr std::size_t kMaxDeletedIds = 4000;

// A title and body the library can hold: storable text, a non-blank title of sane length, a
// non-blank body. The length rule of the body is checked by the caller (its code differs).
bool IsStorableEssay(const std::string &title, const std::string &content)
{
    return IsStorableText(title) && IsStorableText(content) && !TrimText(title).empty() && CountChars(title) <= kMaxTitleChars &&
           !TrimText(content).empty();
}

bool IsFinalist(const std::string &finalists, const std::string &name)
{
    if (finalists.empty())
        return true;
    std::istringstream list(finalists);
    std::string entry;
    while (std::getline(list, entry, ','))
        if (entry == name)
            return true;
    return false;
}

Json::Value MessageEntry(const char *type, const std::string &message)
{
    Json::Value entry;
    entry["type"] = type;
    entry["msg"] = message;
    return entry;
}

} // namespace

int PlatformService::WsCompSaveOrEdit(_ns1__WsCompSaveOrEdit *request, _ns1__WsCompSaveOrEditResponse *response)
{
    return Answer(response->WsCompSaveOrEditResult, [&] { return SaveOrEdit(*request); }, kNotDone);
}

std::string PlatformService::SaveOrEdit(const _ns1__WsCompSaveOrEdit &request)
{
    Caller caller = SignedIn(request.id, request.code);
    if (!caller.status.empty())
        return caller.status;
    auto compId = ParseNumber(request.compId);
    auto fromType = ParseNumber(request.compFromType);
    auto fromId = ParseNumber(request.compFromID);
    if (!compId || !fromType || !fromId)
        return "4";
    std::string title = TrimText(Element(request.title));
    std::string content = Element(request.content);
    if (!RequestTextIsIntact() || !IsStorableEssay(title, content))
        return "0";
    if (CountEssayChars(content) > kMaxEssayChars)
        return "-1";
    // Over the quotas or the saves per minute the save fails as any refused save does ("0"): the
    // client says so. The saves are counted in the save's own transaction.
    const std::string subject = "save " + std::to_string(caller.userId);
    auto admit = [&] { return WithinLimit(*m_shared.saveLimit, subject); };
    if (*compId == 0)
        return std::to_string(Store().SaveNewCompositionWithin(caller.userId, title, content, *fromType, *fromId,
                                                               m_shared.essayQuota, admit));
    return Store().UpdateCompositionWithin(caller.userId, *compId, title, content, m_shared.essayQuota, admit)
               ? std::to_string(*compId)
               : "0";
}

int PlatformService::WsUserComp(_ns1__WsUserComp *request, _ns1__WsUserCompResponse *response)
{
    return Answer(response->WsUserCompResult, [&] { return UserComp(*request); }, kNothingToShow);
}

std::string PlatformService::UserComp(const _ns1__WsUserComp &request)
{
    Caller caller = SignedIn(request.id, request.code);
    if (!caller.status.empty())
        return caller.status;
    auto pageSize = ParseNumber(request.pageSize);
    auto pageIndex = ParseNumber(request.pageIndex);
    auto sortWay = ParseNumber(request.sortWay);
    if (!pageSize || !pageIndex || !sortWay)
        return "4";
    std::int64_t size = std::clamp<std::int64_t>(*pageSize, 1, kMaxPageSize);
    std::int64_t index = std::clamp<std::int64_t>(*pageIndex, 1, 1000000);
    std::string search = TrimText(Element(request.title));
    if (!IsValidUtf8(search))
        search.clear();
    // sortWay 1 lists oldest first; every other value newest first.
    auto rows = Store().ListCompositions(caller.userId, search, *sortWay == 1, size, (index - 1) * size);
    Json::Value list(Json::arrayValue);
    for (const CompositionRow &c : rows) {
        Json::Value row;
        row["ID"] = std::to_string(c.id);
        row["Title"] = c.title;
        row["CreateTime"] = c.createTime;
        list.append(row);
    }
    return DataDocumentOf(list);
}

int PlatformService::WsCompInfo(_ns1__WsCompInfo *request, _ns1__WsCompInfoResponse *response)
{
    return AnswerSignedIn(response->WsCompInfoResult, request->id, request->code, [&](const Caller &caller) -> std::string {
        auto compId = ParseNumber(request->compId);
        if (!compId)
            return "4";
        auto essay = Store().Composition(caller.userId, *compId);
        if (!essay)
            return "";
        Json::Value row;
        row["ID"] = std::to_string(essay->id);
        row["Title"] = essay->title;
        row["Content"] = essay->content;
        row["CreateTime"] = essay->createTime;
        return DataDocument(row);
    }, kNothingToShow);
}

int PlatformService::WsDeleteComp(_ns1__WsDeleteComp *request, _ns1__WsDeleteCompResponse *response)
{
    return AnswerSignedIn(response->WsDeleteCompResult, request->id, request->code, [&](const Caller &caller) -> std::string {
        auto ids = ParseNumberList(request->delId);
        if (!ids)
            return "4";
        if (ids->size() > kMaxDeletedIds)
            return "false"; // nothing deleted, as for any refused deletion
        return Store().DeleteCompositions(caller.userId, *ids) ? "true" : "false";
    }, kNotDeleted);
}

int PlatformService::WsActivity(_ns1__WsActivity *request, _ns1__WsActivityResponse *response)
{
    return AnswerSignedIn(response->WsActivityResult, request->id, request->code, [&](const Caller &) -> std::string {
        Json::Value list(Json::arrayValue);
        for (const ActivityRow &a : Store().Activities()) {
            Json::Value row;
            row["id"] = std::to_string(a.id);
            row["theme"] = a.theme;
            row["status"] = a.status;
            row["isMeg"] = a.isMeg;
            row["url"] = SiteAddress(a.urlPath);
            list.append(row);
        }
        return DataDocumentOf(list);
    }, kNothingToShow);
}

int PlatformService::WsActivityInfo(_ns1__WsActivityInfo *request, _ns1__WsActivityInfoResponse *response)
{
    return Answer(response->WsActivityInfoResult, [&] { return ActivityInfo(*request); }, kNothingToShow);
}

std::string PlatformService::ActivityInfo(const _ns1__WsActivityInfo &request)
{
    Caller caller = SignedIn(request.id, request.code);
    if (!caller.status.empty())
        return caller.status;
    auto activityId = ParseNumber(request.activityId);
    if (!activityId)
        return "4";
    if (auto scripted = ScriptedActivityInfo(Store(), caller.userId, *activityId))
        return *scripted;
    auto activity = Store().Activity(*activityId);
    Json::Value entries(Json::arrayValue);
    if (!activity) {
        entries.append(MessageEntry("-1", "该活动不存在！"));
    } else if (activity->status != "2") {
        entries.append(MessageEntry("-1", "本次大赛当前不在征文阶段，感谢您的关注！"));
    } else if (NowText() > activity->deadline) {
        entries.append(MessageEntry("-1", "本轮征文的提交时间已过，感谢您的关注！"));
    } else if (activity->round == 2 && !IsFinalist(activity->finalists, caller.name)) {
        entries.append(MessageEntry("-1", "很遗憾，您未能进入复赛，感谢您的参与！"));
    } else if (Store().HasEntry(caller.userId, activity->id, activity->round)) {
        entries.append(MessageEntry("-2", "您已提交过本轮大赛征文，请等待评审结果。"));
    } else if (activity->round == 1) {
        Json::Value entry;
        entry["type"] = "1";
        entry["title"] = activity->title;
        entry["desc"] = activity->desc;
        entries.append(entry);
    } else {
        Json::Value entry;
        entry["type"] = "2";
        entry["times"] = activity->times;
        entry["supinfo"] = activity->supinfo;
        Json::Value topics(Json::arrayValue);
        for (const TopicRow &t : Store().Topics(activity->id)) {
            Json::Value topic;
            topic["mid"] = std::to_string(t.mid);
            topic["title"] = t.title;
            topic["desc"] = t.desc;
            topic["writer"] = t.writer;
            topic["type"] = t.type;
            topics.append(topic);
        }
        entry["info"] = topics;
        entries.append(entry);
    }
    return DataDocumentOf(entries);
}

int PlatformService::WsCompMatch(_ns1__WsCompMatch *request, _ns1__WsCompMatchResponse *response)
{
    return Answer(response->WsCompMatchResult, [&] { return CompMatch(*request); }, kNotDone);
}

std::string PlatformService::CompMatch(const _ns1__WsCompMatch &request)
{
    Caller caller = SignedIn(request.id, request.code);
    if (!caller.status.empty())
        return caller.status;
    auto activityId = ParseNumber(request.compFromID);
    auto matchId = ParseNumber(request.matchID);
    auto round = ParseNumber(request.type);
    if (!activityId || !matchId || !round || (*round != 1 && *round != 2))
        return "4";
    auto activity = Store().Activity(*activityId);
    if (!activity || activity->round != *round)
        return "0";
    if (*round == 2 && !IsFinalist(activity->finalists, caller.name))
        return "0";
    if (Store().HasEntry(caller.userId, activity->id, activity->round))
        return "-2";
    if (activity->status != "2" || NowText() > activity->deadline)
        return "-1";
    std::string title = TrimText(Element(request.title));
    std::string content = Element(request.content);
    if (!RequestTextIsIntact() || !IsStorableEssay(title, content))
        return "0";
    if (CountEssayChars(content) > kMaxEssayChars)
        return "-3";
    if (*round == 2) {
        auto topics = Store().Topics(activity->id);
        if (std::none_of(topics.begin(), topics.end(), [&](const TopicRow &t) { return t.mid == *matchId; }))
            return "0";
    }
    std::int64_t compId = Store().SubmitEntry(caller.userId, activity->id, activity->round, *matchId, title, content);
    if (compId == 0)
        return "-2"; // a second submission that raced the first
    return *round == 1 ? std::string("1") : std::to_string(compId);
}
