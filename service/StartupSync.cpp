// The main window's start-up synchronisation.
#include "StartupSync.h"

namespace {

constexpr const char *kOutdated = "\t  版本已过期,请更新版本!";

SyncOutcome Failure()
{
    return {};
}

SyncOutcome Success()
{
    SyncOutcome outcome;
    outcome.success = true;
    return outcome;
}

// Main-page texts: fetched when the stamps differ in any way. A skipped fetch keeps the old texts.
bool RefreshMainPageTexts(SyncStore &store, const std::string &serviceStamp)
{
    if (store.MainInfoTimeEquals(serviceStamp))
        return true;
    std::vector<MainInfoItem> items;
    FetchStatus status = FetchMainInfo(items);
    if (status == FetchStatus::Skipped)
        return true;
    if (status != FetchStatus::Ok)
        return false;
    store.ReplaceMainPageItems(items, serviceStamp);
    return true;
}

// Keywords above the local highest id. A failed batch stores nothing; start-up goes on with the
// keywords already stored.
bool RefreshKeywords(SyncStore &store, const std::string &serviceMaxId)
{
    std::string localMaxId = store.ReadMaxKeywordId();
    if (!KeywordsBehind(localMaxId, serviceMaxId))
        return true;
    std::vector<ServiceKeyword> keywords;
    FetchStatus status = FetchKeywords(localMaxId.empty() ? "0" : localMaxId, keywords);
    if (status == FetchStatus::Skipped)
        return true;
    if (status != FetchStatus::Ok)
        return false;
    store.StoreKeywords(keywords, serviceMaxId);
    return true;
}

}  // namespace

bool KeywordsBehind(const std::string &localMaxId, const std::string &serviceMaxId)
{
    return LeadingNumber(localMaxId) < LeadingNumber(serviceMaxId);
}

SyncOutcome SynchroniseAtStartup(SyncStore &store)
{
    OverallInfo info;
    FetchStatus status = FetchOverallInfo(info);
    if (status == FetchStatus::Abandoned)
        return Success();  // the window opens without synchronising
    if (status != FetchStatus::Ok)
        return Failure();
    if (!store.VersionEquals(info.version)) {
        SyncOutcome outdated;
        outdated.message = ProgramMessage(kOutdated);
        outdated.openHomePage = true;
        return outdated;
    }
    if (!RefreshMainPageTexts(store, info.mainInfoTime))
        return Failure();
    if (!RefreshKeywords(store, info.keyWordMaxId))
        return Failure();
    return Success();
}
