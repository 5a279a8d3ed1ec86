// The local database file as the start-up synchronisation sees it.
#include "LocalSyncStore.h"

#include "MsgDBManager.h"

bool LocalSyncStore::VersionEquals(const std::string &serviceVersion)
{
    return configEquals(m_path, "version", serviceVersion);
}

bool LocalSyncStore::MainInfoTimeEquals(const std::string &serviceStamp)
{
    return configEquals(m_path, "MainInfoTime", serviceStamp);
}

void LocalSyncStore::ReplaceMainPageItems(const std::vector<MainInfoItem> &items, const std::string &serviceStamp)
{
    std::vector<MainPageRecord> records;
    records.reserve(items.size());
    for (const MainInfoItem &item : items)
        records.push_back({item.id, item.name, item.cls, item.type, item.content});
    ::ReplaceMainPageItems(m_path, records, serviceStamp);
}

std::string LocalSyncStore::ReadMaxKeywordId()
{
    CMsgDBManager manager;
    std::string id;
    if (manager.openDatabase(m_path))
        manager.readMaxKeywordId(id);
    manager.closeDatabase();
    return id;
}

bool LocalSyncStore::StoreKeywords(const std::vector<ServiceKeyword> &keywords, const std::string &serviceMaxId)
{
    std::vector<KeywordRecord> records;
    records.reserve(keywords.size());
    for (const ServiceKeyword &keyword : keywords)
        records.push_back({keyword.id, keyword.text});
    return StoreKeywordBatch(m_path, records, serviceMaxId);
}
