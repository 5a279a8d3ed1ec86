// CMsgDBManager: one operation per statement on write.dll, values always bound, never pasted.
#include "MsgDBManager.h"

#include "GbkText.h"
#include "Keywords.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>

const char *const kConfigColumns[3] = {"version", "MainInfoTime", "KeyWordMaxID"};

namespace {

// The known column spelled as the schema spells it, or null. SQLite column names are
// case-insensitive, so "Version" names the column "version".
const char *ConfigColumn(const std::string &name)
{
    for (const char *column : kConfigColumns) {
        const std::string_view known(column);
        if (known.size() == name.size() && std::equal(known.begin(), known.end(), name.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
            }))
            return column;
    }
    return nullptr;
}

} // namespace

bool ParseDecimalId(const std::string &text, std::int64_t &value)
{
    std::int32_t parsed = 0;
    const char *begin = text.data();
    const char *end = begin + text.size();
    const auto [stop, error] = std::from_chars(begin, end, parsed);
    if (text.empty() || error != std::errc() || stop != end)
        return false;
    value = parsed;
    return true;
}

void RestrictToOwner(const std::string &path)
{
    namespace fs = std::filesystem;
    std::error_code ignored;
    fs::permissions(fs::path(path), fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::replace, ignored);
}

// ---- CMsgDBManager

CMsgDBManager::~CMsgDBManager()
{
    closeDatabase();
}

bool CMsgDBManager::openDatabase(const std::string &path)
{
    std::error_code ignored;
    const bool existed = std::filesystem::exists(std::filesystem::path(path), ignored);
    try {
        m_db.open(path);
    } catch (const CppSQLite3Exception &) {
        return false;
    }
    m_path = path;
    if (!existed) // SQLite has just made the file
        RestrictToOwner(path);
    return true;
}

void CMsgDBManager::closeDatabase()
{
    m_db.close();
}

bool CMsgDBManager::saveUser(const std::string &userName, const std::string &password)
{
    if (!m_db.isOpen())
        return false;
    RestrictToOwner(m_path); // before the write, so that the journal is made owner-only too
    bool inserted = false;
    try {
        m_db.Execute("insert into users (username,password) values (?,?)", {userName, password});
        inserted = true;
    } catch (const CppSQLite3Exception &) {
        try {
            m_db.Execute("update users  set password=? where username=?", {password, userName});
        } catch (const CppSQLite3Exception &) {
            return false;
        }
    }
    return inserted;
}

bool CMsgDBManager::readPassword(const std::string &userName, std::string &password)
{
    try {
        CppSQLite3Query row = m_db.Query("select  password from  users where username=?", {userName});
        if (row.atEnd())
            return false;
        password = row.textAt(0);
        return true;
    } catch (const CppSQLite3Exception &) {
        return false;
    }
}

void CMsgDBManager::readConfig(const std::string &column, std::string &value)
{
    const char *known = ConfigColumn(column);
    if (!known)
        return;
    try {
        SqlFormatBuffer sql;
        CppSQLite3Query row = m_db.query(sql.format("select %s from  globalconfig where ID=1", known));
        value = row.atEnd() ? std::string() : row.textAt(0);
    } catch (const CppSQLite3Exception &) {
    }
}

void CMsgDBManager::writeConfig(const std::string &column, const std::string &value)
{
    const char *known = ConfigColumn(column);
    if (!known)
        return;
    try {
        SqlFormatBuffer sql;
        m_db.Execute(sql.format("update globalconfig set %s=? where ID=1", known), {value});
    } catch (const CppSQLite3Exception &) {
    }
}

void CMsgDBManager::clearMainPageItems()
{
    try {
        m_db.execute("delete from mainpageinfo");
    } catch (const CppSQLite3Exception &) {
    }
}

void CMsgDBManager::addMainPageItem(const std::string &id, const std::string &name, const std::string &sourceClass,
                                    const std::string &type, const std::string &content)
{
    std::int64_t number = 0;
    if (!ParseDecimalId(id, number))
        return; // as the statement with a non-numeric id would have failed
    try {
        const std::string utf8Name = GbkToUtf8(name);
        const std::string utf8Class = GbkToUtf8(sourceClass);
        const std::string utf8Type = GbkToUtf8(type);
        const std::string utf8Content = GbkToUtf8(content);
        m_db.Execute("Insert into mainpageinfo  values (?,?,?,?,?)", {number, utf8Name, utf8Class, utf8Type, utf8Content});
    } catch (const CppSQLite3Exception &) {
    }
}

void CMsgDBManager::LoadGroup(const char *sql, std::vector<MainPageItem> &items)
{
    for (CppSQLite3Query row = m_db.query(sql); !row.atEnd(); row.advance())
        items.push_back({Utf8ToGbk(row.textAt(0)), Utf8ToGbk(row.textAt(1)), Utf8ToGbk(row.textAt(2))});
}

void CMsgDBManager::loadMainPageItems(std::vector<MainPageItem> &group1, std::vector<MainPageItem> &group2)
{
    try {
        LoadGroup("select SourceName,SourceClass,SourceContent from mainpageinfo where SourceType='1'order by ID", group1);
        LoadGroup("select SourceName,SourceClass,SourceContent from mainpageinfo where SourceType='2' order by ID", group2);
    } catch (const CppSQLite3Exception &) {
    }
}

void CMsgDBManager::loadKeywords()
{
    // A second main window in one process would otherwise hold every keyword twice.
    KeywordList.clear();
    KeywordIndex.clear();
    ++KeywordListGeneration;
    try {
        // length() counts characters of the UTF-8 text; rowid keeps equal lengths in table order.
        CppSQLite3Query row = m_db.query("select  id,keyword from  keyword order by  length(keyword) desc, rowid");
        for (; !row.atEnd(); row.advance()) {
            KeywordEntry entry{row.intAt(0), Utf8ToGbk(row.textAt(1))};
            KeywordIndex[entry.id] = entry.text;
            KeywordList.push_back(std::move(entry));
        }
    } catch (const CppSQLite3Exception &) {
    }
}

void CMsgDBManager::readMaxKeywordId(std::string &id)
{
    try {
        CppSQLite3Query row = m_db.query("select id from keyword order by id desc limit 0,1");
        id = row.atEnd() ? std::string("0") : row.textAt(0);
    } catch (const CppSQLite3Exception &) {
    }
}

// ---- helpers used by the main window

bool configEquals(const std::string &path, const std::string &column, const std::string &expected)
{
    std::string stored;
    CMsgDBManager store;
    store.openDatabase(path);
    store.readConfig(column, stored);
    store.closeDatabase();
    return stored == expected;
}

bool ReplaceMainPageItems(const std::string &path, const std::vector<MainPageRecord> &items, const std::string &stamp)
{
    try {
        CppSQLite3DB db;
        db.open(path);
        SqlTransaction transaction(db);
        db.execute("delete from mainpageinfo");
        SqlStatement insert = db.Prepare("Insert into mainpageinfo  values (?,?,?,?,?)");
        for (const MainPageRecord &item : items) {
            // An item whose id is not a number is left out, as a failing insert is; the others
            // and the stamp are stored.
            std::int64_t id = 0;
            if (!ParseDecimalId(item.id, id))
                continue;
            const std::string name = GbkToUtf8(item.name);
            const std::string sourceClass = GbkToUtf8(item.sourceClass);
            const std::string type = GbkToUtf8(item.type);
            const std::string content = GbkToUtf8(item.content);
            insert.BindAll({id, name, sourceClass, type, content});
            insert.Run();
        }
        db.Execute("update globalconfig set MainInfoTime=? where ID=1", {stamp});
        transaction.Commit();
    } catch (const CppSQLite3Exception &) {
        return false;
    }
    return true;
}

bool StoreKeywordBatch(const std::string &path, const std::vector<KeywordRecord> &keywords, const std::string &maxId)
{
    std::vector<std::int64_t> ids(keywords.size());
    for (std::size_t i = 0; i < keywords.size(); ++i) {
        if (!ParseDecimalId(keywords[i].id, ids[i]))
            return false;
    }
    try {
        CppSQLite3DB db;
        db.open(path);
        SqlTransaction transaction(db);
        SqlStatement insert = db.Prepare("Insert into keyword  values (?,?);");
        std::string text;
        for (std::size_t i = 0; i < keywords.size(); ++i) {
            text = GbkToUtf8(keywords[i].text);
            insert.BindAll({ids[i], text});
            insert.Run();
        }
        transaction.Commit();
    } catch (const CppSQLite3Exception &) {
        return false; // the transaction rolled back: nothing of the batch is stored
    }
    CMsgDBManager store;
    store.openDatabase(path);
    store.writeConfig("KeyWordMaxID", maxId);
    store.closeDatabase();
    return true;
}
