// The local database write.dll: remembered sign-in data, global values, cached main-page texts
// and the keyword list. Every operation swallows the access layer's exceptions.
#pragma once

#include "SqliteLayer.h"

#include <cstdint>
#include <string>
#include <vector>

// One cached main-page text, GBK.
struct MainPageItem
{
    std::string sourceName;
    std::string sourceClass;
    std::string sourceContent;
};

// One keyword as the service sends it: id and text, GBK.
struct KeywordRecord
{
    std::string id;
    std::string text;
};

// One main-page text as the service sends it (ID, Name, Class, Type, Con), GBK.
struct MainPageRecord
{
    std::string id;
    std::string name;
    std::string sourceClass;
    std::string type;
    std::string content;
};

// The values of globalconfig that readConfig/writeConfig may name (compared case-insensitively).
extern const char *const kConfigColumns[3];

class CMsgDBManager
{
public:
    CMsgDBManager() = default;
    CMsgDBManager(const CMsgDBManager &) = delete;
    CMsgDBManager &operator=(const CMsgDBManager &) = delete;
    virtual ~CMsgDBManager();

    bool openDatabase(const std::string &path);
    void closeDatabase();

    // Remembers name and password (GBK, stored unconverted). True when the name was new; false
    // when it was already present (its password is then updated) or nothing could be written.
    bool saveUser(const std::string &userName, const std::string &password);
    // True and password set when the name is remembered; otherwise false and password untouched.
    bool readPassword(const std::string &userName, std::string &password);

    // Global values of row ID=1. An unknown column or a failure leaves value as it was.
    void readConfig(const std::string &column, std::string &value);
    void writeConfig(const std::string &column, const std::string &value);

    void clearMainPageItems();
    // id must be a decimal number; the texts are GBK and stored as UTF-8.
    void addMainPageItem(const std::string &id, const std::string &name, const std::string &sourceClass, const std::string &type,
                         const std::string &content);
    void loadMainPageItems(std::vector<MainPageItem> &group1, std::vector<MainPageItem> &group2);

    // Replaces KeywordList and KeywordIndex with the stored keywords, longest first.
    void loadKeywords();
    // The highest stored keyword id as text, "0" for an empty table; a failure leaves id as it was.
    void readMaxKeywordId(std::string &id);

private:
    void LoadGroup(const char *sql, std::vector<MainPageItem> &items);

    CppSQLite3DB m_db;
    std::string m_path;
};

// Opens the file at path, reads column of globalconfig (empty when unreadable) and compares it
// byte-wise with expected.
bool configEquals(const std::string &path, const std::string &column, const std::string &expected);

// Stores a received keyword list in one transaction, then sets KeyWordMaxID to maxId. Ids must be
// decimal numbers of 32 bits; any bad id or failing insert stores nothing. True when stored.
bool StoreKeywordBatch(const std::string &path, const std::vector<KeywordRecord> &keywords, const std::string &maxId);

// Replaces the main-page texts with items and sets MainInfoTime to stamp, in one transaction.
// Items whose id is not a number are left out; a failing statement leaves the stored texts and
// stamp as they were.
bool ReplaceMainPageItems(const std::string &path, const std::vector<MainPageRecord> &items, const std::string &stamp);

// Parses a decimal id ("-" allowed, 32-bit range, nothing else); false for anything else.
bool ParseDecimalId(const std::string &text, std::int64_t &value);

// Makes the file readable and writable by its owner only (it may hold passwords).
void RestrictToOwner(const std::string &path);
