// Composition and programme operations: the library, contest entries, scores, activities, ideas.
#include "OperationsComposition.h"

#include "ServiceDocument.h"

namespace {

constexpr const char *kPlaceholder = "请在此输入内容";
constexpr const char *kEmptyTitle = "\t  作文标题不能为空!";
constexpr const char *kEmptyContent = "\t  作文内容不能为空!";
constexpr const char *kSaveFailed = "\t  作文提交保存失败!";
constexpr const char *kSaveTooLong = "\t  作文提交保存失败,字数超限!";
constexpr const char *kSaved = "\t  您的文章已成功保存！";
constexpr const char *kTooLate = "\t  过了提交时间!";
constexpr const char *kAlreadySubmitted = "您已提交过大赛征文，请不要反复提交！";
constexpr const char *kContestTooLong = "\t  作文字数太多!";
constexpr const char *kContestSubmitted =
    "您的大赛征文已成功提交并保存至“我的文库”中，您在“我的文库”中所做的修改不会改变本次提交的征文内容。";
constexpr const char *kContestQuestion = "征文一旦提交不可修改，您是否确认提交？";
constexpr const char *kIdeaAccepted = "\t提交成功,谢谢您的参与!";
constexpr const char *kEmptyFeedback = "\t  请输入反馈内容!";
constexpr const char *kEmptyExperience = "\t  请输入心得内容!";
constexpr const char *kFeedbackFailed = "\t  提交反馈失败!";
constexpr const char *kExperienceFailed = "\t  提交心得失败!";

// Library lists are fetched whole: one page of this size.
constexpr const char *kLibraryPageSize = "4000";

// The blank that Chinese input methods type: the full-width space, U+3000, in GBK.
constexpr char kFullWidthSpace[] = "\xA1\xA1";

std::size_t GbkCharLengthAt(const std::string &text, std::size_t i)
{
    return IsGbkLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

// The length of the blank that starts at i: 1 for a space or a tab, 2 for a full-width space,
// 0 for any other character. i is the start of a character, so a trail byte 0xA1 of another
// character is never read as half of a full-width space.
std::size_t BlankLengthAt(const std::string &text, std::size_t i)
{
    if (text[i] == ' ' || text[i] == '\t')
        return 1;
    return text.compare(i, 2, kFullWidthSpace) == 0 ? 2 : 0;
}

void FillIdentity(auto &request)
{
    request.id = RequestText(ServiceContext.UserId);
    request.code = RequestText(ServiceContext.DeviceCode);
}

SaveOutcome Refusal(const char *message)
{
    SaveOutcome outcome;
    outcome.status = SaveStatus::Refused;
    outcome.message = message ? ProgramMessage(message) : std::string();
    return outcome;
}

SaveOutcome CallEnded(const CallResult &call)
{
    SaveOutcome outcome;
    outcome.status = call.status == CallStatus::Abandoned ? SaveStatus::Abandoned : SaveStatus::TransportFailure;
    return outcome;
}

SaveOutcome Saved(const std::string &essayId, const char *message)
{
    SaveOutcome outcome;
    outcome.status = SaveStatus::Saved;
    outcome.essayId = essayId;
    outcome.message = ProgramMessage(message);
    return outcome;
}

}  // namespace

std::string EssayPlaceholderText()
{
    static const std::string placeholder = ProgramMessage(kPlaceholder);
    return placeholder;
}

std::string ToWireLineBreaks(const std::string &essay)
{
    std::string wire;
    wire.reserve(essay.size() + essay.size() / 16);
    for (char c : essay) {
        wire += c;
        if (c == '\r')
            wire += '\n';
    }
    return wire;
}

std::string FromWireLineBreaks(const std::string &essay)
{
    std::string text;
    text.reserve(essay.size());
    for (std::size_t i = 0; i < essay.size(); ++i) {
        text += essay[i];
        if (essay[i] == '\r' && i + 1 < essay.size() && essay[i + 1] == '\n')
            ++i;
    }
    return text;
}

std::string TrimBlanks(const std::string &text)
{
    std::size_t first = std::string::npos, end = 0;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t blank = BlankLengthAt(text, i);
        const std::size_t length = blank ? blank : GbkCharLengthAt(text, i);
        if (!blank) {
            if (first == std::string::npos)
                first = i;
            end = i + length;
        }
        i += length;
    }
    return first == std::string::npos ? std::string() : text.substr(first, end - first);
}

std::string CheckEssayBeforeSending(const std::string &title, const std::string &content)
{
    if (TrimBlanks(title).empty())
        return ProgramMessage(kEmptyTitle);
    if (content.empty() || content == EssayPlaceholderText())
        return ProgramMessage(kEmptyContent);
    return {};
}

SaveOutcome SaveComposition(const std::string &compId, const std::string &title, const std::string &content)
{
    std::string problem = CheckEssayBeforeSending(title, content);
    if (!problem.empty()) {
        SaveOutcome outcome;
        outcome.status = SaveStatus::Refused;
        outcome.message = problem;
        return outcome;
    }
    std::string id = compId, wireTitle = GbkToUtf8(TrimBlanks(title)), wireContent = GbkToUtf8(ToWireLineBreaks(content));
    std::string fromType = "1", fromId = "0";
    _ns1__WsCompSaveOrEdit request{};
    FillIdentity(request);
    request.compId = RequestText(id);
    request.title = RequestText(wireTitle);
    request.content = RequestText(wireContent);
    request.compFromType = RequestText(fromType);
    request.compFromID = RequestText(fromId);
    CallResult call = CallService(ProxyRoute::Default, CommonStatusRule::Handle, &OstrelServiceSoapProxy::WsCompSaveOrEdit, request,
                                  &_ns1__WsCompSaveOrEditResponse::WsCompSaveOrEditResult);
    if (call.status != CallStatus::Result)
        return CallEnded(call);
    if (call.text == "0")
        return Refusal(kSaveFailed);
    if (call.text == "-1")
        return Refusal(kSaveTooLong);
    // Only an identifier is a save: an empty or garbled answer must not pass for one.
    if (!IsDecimalId(call.text))
        return Refusal(kSaveFailed);
    return Saved(call.text, kSaved);
}

std::string LibraryEntry::Date() const
{
    return CreateTime.substr(0, CreateTime.find(' '));
}

FetchStatus ListCompositions(const std::string &searchWords, std::vector<LibraryEntry> &entries)
{
    entries.clear();
    std::string pageSize = kLibraryPageSize, pageIndex = "1", sortWay = "0", title = GbkToUtf8(TrimBlanks(searchWords));
    _ns1__WsUserComp request{};
    FillIdentity(request);
    request.pageSize = RequestText(pageSize);
    request.pageIndex = RequestText(pageIndex);
    request.sortWay = RequestText(sortWay);
    request.title = RequestText(title);
    CallResult call = CallService(ProxyRoute::SignedIn, CommonStatusRule::Handle, &OstrelServiceSoapProxy::WsUserComp, request,
                                  &_ns1__WsUserCompResponse::WsUserCompResult);
    Json::Value root;
    if (FetchStatus status = ReadResultDocument(call, root, DocumentShape::WithDataList); status != FetchStatus::Ok)
        return status;
    for (const Json::Value &entry : DocumentRecords(root)) {
        if (entry.isObject())
            entries.push_back({DocumentText(entry["ID"]), DocumentText(entry["Title"]), DocumentText(entry["CreateTime"])});
    }
    return FetchStatus::Ok;
}

FetchStatus FetchComposition(std::int32_t compId, CompositionText &essay)
{
    std::string id = std::to_string(compId);
    _ns1__WsCompInfo request{};
    FillIdentity(request);
    request.compId = RequestText(id);
    CallResult call = CallService(ProxyRoute::SignedIn, CommonStatusRule::Handle, &OstrelServiceSoapProxy::WsCompInfo, request,
                                  &_ns1__WsCompInfoResponse::WsCompInfoResult);
    if (call.status != CallStatus::Result)
        return StatusOfCall(call);
    if (call.text.empty())
        return FetchStatus::NotFound;
    Json::Value root;
    if (!ParseServiceDocument(call.text, root) || !DocumentRecords(root).isArray())
        return FetchStatus::BadDocument;
    const Json::Value &record = DocumentRecord(root);
    if (!record.isObject())
        return FetchStatus::NotFound;
    essay.Title = DocumentText(record["Title"]);
    essay.Content = FromWireLineBreaks(DocumentText(record["Content"]));
    return FetchStatus::Ok;
}

std::string JoinIds(const std::vector<std::int32_t> &ids)
{
    std::string joined;
    for (std::int32_t id : ids) {
        if (!joined.empty())
            joined += ',';
        joined += std::to_string(id);
    }
    return joined;
}

bool DeleteCompositions(const std::vector<std::int32_t> &ids, FetchStatus &status)
{
    std::string joined = JoinIds(ids);
    _ns1__WsDeleteComp request{};
    FillIdentity(request);
    request.delId = RequestText(joined);
    CallResult call = CallService(ProxyRoute::SignedIn, CommonStatusRule::Handle, &OstrelServiceSoapProxy::WsDeleteComp, request,
                                  &_ns1__WsDeleteCompResponse::WsDeleteCompResult);
    status = StatusOfCall(call);
    return call.status == CallStatus::Result && call.text == "true";
}

std::string ContestConfirmationQuestion()
{
    return ProgramMessage(kContestQuestion);
}

SaveOutcome SubmitContestEntry(const ContestEntry &entry)
{
    const bool preliminary = entry.round == ContestRound::Preliminary;
    std::string title = GbkToUtf8(preliminary ? TrimBlanks(entry.title) : entry.title);
    std::string content = GbkToUtf8(ToWireLineBreaks(entry.content));
    std::string activityId = entry.activityId, matchId = preliminary ? "0" : entry.matchId, type = preliminary ? "1" : "2";
    _ns1__WsCompMatch request{};
    FillIdentity(request);
    request.title = RequestText(title);
    request.content = RequestText(content);
    request.compFromID = RequestText(activityId);
    request.matchID = RequestText(matchId);
    request.type = RequestText(type);
    CallResult call = CallService(ProxyRoute::Default, CommonStatusRule::Handle, &OstrelServiceSoapProxy::WsCompMatch, request,
                                  &_ns1__WsCompMatchResponse::WsCompMatchResult);
    if (call.status != CallStatus::Result)
        return CallEnded(call);
    if (call.text == "0")
        return Refusal(kSaveFailed);
    if (call.text == "-1")
        return Refusal(kTooLate);
    if (call.text == "-2")
        return Refusal(kAlreadySubmitted);
    if (call.text == "-3")
        return Refusal(kContestTooLong);
    if (preliminary)
        return call.text == "1" ? Saved(call.text, kContestSubmitted) : Refusal(nullptr);
    if (!IsDecimalId(call.text))
        return Refusal(kSaveFailed);
    return Saved(call.text, kContestSubmitted);
}

bool RecordScore(const std::string &score, FetchStatus &status)
{
    std::string typed = score;
    _ns1__WsRecentScore request{};
    FillIdentity(request);
    request.compScore = RequestText(typed);
    CallResult call = CallService(ProxyRoute::Default, CommonStatusRule::Handle, &OstrelServiceSoapProxy::WsRecentScore, request,
                                  &_ns1__WsRecentScoreResponse::WsRecentScoreResult);
    status = StatusOfCall(call);
    return call.status == CallStatus::Result && call.text == "1";
}

FetchStatus ListActivities(std::vector<Activity> &activities)
{
    _ns1__WsActivity request{};
    FillIdentity(request);
    CallResult call = CallService(ProxyRoute::SignedIn, CommonStatusRule::Handle, &OstrelServiceSoapProxy::WsActivity, request,
                                  &_ns1__WsActivityResponse::WsActivityResult);
    Json::Value root;
    if (FetchStatus status = ReadResultDocument(call, root, DocumentShape::WithDataList); status != FetchStatus::Ok)
        return status;
    activities.clear();
    for (const Json::Value &entry : DocumentRecords(root)) {
        if (entry.isObject())
            activities.push_back({DocumentText(entry["id"]), DocumentText(entry["theme"]), DocumentText(entry["status"]),
                                  DocumentText(entry["isMeg"]), DocumentText(entry["url"])});
    }
    return FetchStatus::Ok;
}

FetchStatus FetchActivityInfo(const std::string &activityId, std::vector<ActivityEntry> &entries)
{
    std::string id = activityId;
    _ns1__WsActivityInfo request{};
    FillIdentity(request);
    request.activityId = RequestText(id);
    CallResult call = CallService(ProxyRoute::SignedIn, CommonStatusRule::Handle, &OstrelServiceSoapProxy::WsActivityInfo, request,
                                  &_ns1__WsActivityInfoResponse::WsActivityInfoResult);
    Json::Value root;
    if (FetchStatus status = ReadResultDocument(call, root, DocumentShape::WithDataList); status != FetchStatus::Ok)
        return status;
    entries.clear();
    for (const Json::Value &record : DocumentRecords(root)) {
        if (!record.isObject())
            continue;
        ActivityEntry entry;
        entry.type = DocumentText(record["type"]);
        if (entry.type == "1") {
            entry.title = DocumentText(record["title"]);
            entry.desc = DocumentText(record["desc"]);
        } else if (entry.type == "2") {
            entry.minutes = LeadingNumber(DocumentText(record["times"]));
            entry.supinfo = DocumentText(record["supinfo"]);
            const Json::Value &topics = record["info"];
            if (topics.isArray()) {
                for (const Json::Value &topic : topics) {
                    if (topic.isObject())
                        entry.topics.push_back({DocumentText(topic["mid"]), DocumentText(topic["title"]), DocumentText(topic["desc"]),
                                                DocumentText(topic["writer"]), DocumentText(topic["type"])});
                }
            }
        } else if (entry.type == "-1" || entry.type == "-2") {
            entry.msg = DocumentText(record["msg"]);
        } else {
            continue;
        }
        entries.push_back(std::move(entry));
    }
    return FetchStatus::Ok;
}

IdeaOutcome SendUserIdea(const std::string &text, IdeaScreen screen)
{
    const bool feedback = screen == IdeaScreen::Feedback;
    IdeaOutcome outcome;
    if (text.empty()) {
        outcome.showBox = true;
        outcome.message = ProgramMessage(feedback ? kEmptyFeedback : kEmptyExperience);
        return outcome;
    }
    std::string content = GbkToUtf8(text);
    _ns1__WsUserIdea request{};
    FillIdentity(request);
    request.content = RequestText(content);
    CallResult call = CallService(ProxyRoute::SignedIn, CommonStatusRule::Handle, &OstrelServiceSoapProxy::WsUserIdea, request,
                                  &_ns1__WsUserIdeaResponse::WsUserIdeaResult);
    if (call.status != CallStatus::Result)
        return outcome;
    if (call.text == "1") {
        outcome.sent = true;
        outcome.showBox = true;
        outcome.message = ProgramMessage(kIdeaAccepted);
    } else if (call.text == "0") {
        outcome.showBox = true;
        outcome.message = ProgramMessage(feedback ? kFeedbackFailed : kExperienceFailed);
    } else {
        outcome.showBox = !feedback;  // the experience screen shows an empty box
    }
    return outcome;
}
