// The main window's start-up work: synchronisation, profile and keywords, the window's steps between.
#include "MainStartup.h"

#include "KeywordAutomaton.h"
#include "Keywords.h"
#include "LocalSyncStore.h"
#include "MsgDBManager.h"
#include "OperationsAccount.h"

namespace {

bool Ended(const MainStartupSteps &steps)
{
    return steps.ended && steps.ended();
}

void Run(const std::function<void()> &step)
{
    if (step)
        step();
}

bool Synchronise(const std::string &localDatabase, const MainStartupSteps &steps)
{
    LocalSyncStore store(localDatabase);
    const SyncOutcome outcome = SynchroniseAtStartup(store);
    if (!outcome.message.empty() && steps.showSyncNotice)
        steps.showSyncNotice(outcome);
    return outcome.success;
}

// A transport failure (also on a resend) is the only failure that ends the program; a common
// status the handler gave up on, or an unreadable document, leaves the profile empty.
bool LoadProfile(const MainStartupSteps &steps)
{
    UserInfo = UserInfoRecord{};
    if (LoadUserInfo() == FetchStatus::TransportFailure)
        return false;
    if (steps.greet)
        steps.greet(UserInfo.TrueName);
    return true;
}

void LoadKeywordsIntoMemory(const std::string &localDatabase)
{
    CMsgDBManager store;
    if (store.openDatabase(localDatabase))
        store.loadKeywords();
    store.closeDatabase();
    // Built now so that the first writing screen marks its keywords at once.
    ProcessKeywordRecognizer().AutomatonFor(KeywordList);
}

} // namespace

MainStartupOutcome RunMainStartup(const std::string &localDatabase, const MainStartupSteps &steps)
{
    if (!Synchronise(localDatabase, steps))
        return MainStartupOutcome::NotSynchronised;
    Run(steps.build);
    if (Ended(steps))
        return MainStartupOutcome::SessionEnded;
    Run(steps.layOut);
    const bool profileLoaded = LoadProfile(steps);
    // A session that ended during the profile's call ends the start-up quietly, failed or not.
    if (Ended(steps))
        return MainStartupOutcome::SessionEnded;
    if (!profileLoaded)
        return MainStartupOutcome::ProfileFailed;
    Run(steps.open);
    LoadKeywordsIntoMemory(localDatabase);
    return MainStartupOutcome::Started;
}
