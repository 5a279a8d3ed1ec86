// The operation table shared by the reply and the result-document targets.
#include "ServiceOperations.h"

#include "MemoryConnection.h"
#include "OperationsAccount.h"
#include "OperationsComposition.h"
#include "OperationsCorpus.h"
#include "ServiceProxy.h"

#include <string>
#include <vector>

namespace {

void RunSignIn()
{
    SignIn("xuesheng", "123456", nullptr);
}

void RunSignInWithCode()
{
    const std::string code = "ab12";
    SignIn("xuesheng", "123456", &code);
}

void RunVerifyImage()
{
    std::vector<unsigned char> gif;
    FetchVerifyImage(gif);
}

void RunUserInfo()
{
    LoadUserInfo();
}

void RunPoll()
{
    PollMessage message;
    PollNewestMessage(message);
}

void RunOverallInfo()
{
    OverallInfo info;
    FetchOverallInfo(info);
}

void RunMainInfo()
{
    std::vector<MainInfoItem> items;
    FetchMainInfo(items);
}

void RunKeywords()
{
    std::vector<ServiceKeyword> keywords;
    FetchKeywords("0", keywords);
}

void RunCorpusBriefs()
{
    std::vector<CorpusBrief> briefs;
    FetchCorpusBriefs(7, briefs);
}

void RunCorpusDetail()
{
    CorpusDetail detail;
    FetchCorpusDetail(7, detail);
}

void RunLibrary()
{
    std::vector<LibraryEntry> entries;
    ListCompositions("", entries);
}

void RunComposition()
{
    CompositionText essay;
    FetchComposition(3, essay);
}

void RunActivities()
{
    std::vector<Activity> activities;
    ListActivities(activities);
}

void RunActivityInfo()
{
    std::vector<ActivityEntry> entries;
    FetchActivityInfo("1", entries);
}

void RunLike()
{
    LikeCorpus(7);
}

void RunSave()
{
    SaveComposition("0", "title", "body\rline");
}

void RunDelete()
{
    FetchStatus status = FetchStatus::Ok;
    DeleteCompositions({1, 2}, status);
}

void RunContestEntry()
{
    ContestEntry entry;
    entry.round = ContestRound::Second;
    entry.title = "title";
    entry.content = "body";
    entry.activityId = "1";
    entry.matchId = "2";
    SubmitContestEntry(entry);
}

void RunScore()
{
    FetchStatus status;
    RecordScore("90", status);
}

void RunIdea()
{
    SendUserIdea("idea", IdeaScreen::Feedback);
}

void RunKeywordHits()
{
    std::string result;
    UpdateKeywordHits(7, result);
}

constexpr FuzzedOperation kOperations[] = {
    {"WsAutoLogin", true, RunSignIn},
    {"WsLogin", true, RunSignInWithCode},
    {"WsUserInfo", true, RunUserInfo},
    {"WsServerPoll", true, RunPoll},
    {"WsOverallInfo", true, RunOverallInfo},
    {"WsMainInfo", true, RunMainInfo},
    {"WsKeyword", true, RunKeywords},
    {"WsCorpusBriefByKwId", true, RunCorpusBriefs},
    {"WsCorpusInfoById", true, RunCorpusDetail},
    {"WsUserComp", true, RunLibrary},
    {"WsCompInfo", true, RunComposition},
    {"WsActivity", true, RunActivities},
    {"WsActivityInfo", true, RunActivityInfo},
    {"WsCreateVerifyImage", false, RunVerifyImage},
    {"WsUpdateCorHits", false, RunLike},
    {"WsCompSaveOrEdit", false, RunSave},
    {"WsDeleteComp", false, RunDelete},
    {"WsCompMatch", false, RunContestEntry},
    {"WsRecentScore", false, RunScore},
    {"WsUserIdea", false, RunIdea},
    {"WsUpdateKeyHits", false, RunKeywordHits},
};

} // namespace

const FuzzedOperation *FuzzedOperations(std::size_t &count)
{
    count = std::size(kOperations);
    return kOperations;
}

const FuzzedOperation &SelectOperation(std::string_view &input, bool documentsOnly)
{
    std::size_t count = 0;
    const FuzzedOperation *operations = FuzzedOperations(count);
    if (documentsOnly) {
        count = 0;
        while (operations[count].readsDocument)
            ++count;
    }
    const unsigned char selector = input.empty() ? 0 : static_cast<unsigned char>(input.front());
    if (!input.empty())
        input.remove_prefix(1);
    return operations[selector % count];
}

void PrepareProxies()
{
    UseMemoryConnection(PreSignInProxy().soap);
    UseMemoryConnection(HostProxy().soap);
}
