// The main window's start-up synchronisation: version check, main-page texts and keywords
// brought up to date with the service. No window: the caller shows what it is given.
#pragma once

#include "OperationsAccount.h"

#include <string>
#include <vector>

// The local copies the synchronisation reads and replaces (the local database in the program).
class SyncStore
{
public:
    virtual ~SyncStore() = default;
    virtual bool VersionEquals(const std::string &serviceVersion) = 0;
    virtual bool MainInfoTimeEquals(const std::string &serviceStamp) = 0;
    // Replaces every main-page text, then records the stamp.
    virtual void ReplaceMainPageItems(const std::vector<MainInfoItem> &items, const std::string &serviceStamp) = 0;
    // The highest stored keyword id as text ("0" when there is none).
    virtual std::string ReadMaxKeywordId() = 0;
    // Stores the new keywords in one transaction, then records the service's highest id; false
    // when the batch failed and nothing was stored.
    virtual bool StoreKeywords(const std::vector<ServiceKeyword> &keywords, const std::string &serviceMaxId) = 0;
};

struct SyncOutcome
{
    bool success = false;
    std::string message;        // GBK: shown when not empty (the outdated-version notice)
    bool openHomePage = false;  // after the notice is confirmed, open the web site's home page
};

SyncOutcome SynchroniseAtStartup(SyncStore &store);

// Keyword ids compare as decimal numbers; an empty value counts as 0.
bool KeywordsBehind(const std::string &localMaxId, const std::string &serviceMaxId);
