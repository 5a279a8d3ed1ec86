// The local database file as the start-up synchronisation sees it.
#pragma once

#include "StartupSync.h"

#include <string>

class LocalSyncStore : public SyncStore
{
public:
    explicit LocalSyncStore(std::string databasePath) : m_path(std::move(databasePath)) {}

    bool VersionEquals(const std::string &serviceVersion) override;
    bool MainInfoTimeEquals(const std::string &serviceStamp) override;
    void ReplaceMainPageItems(const std::vector<MainInfoItem> &items, const std::string &serviceStamp) override;
    std::string ReadMaxKeywordId() override;
    bool StoreKeywords(const std::vector<ServiceKeyword> &keywords, const std::string &serviceMaxId) override;

private:
    std::string m_path;
};
