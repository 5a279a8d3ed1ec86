// CMsgDBManager on copies of the shipped write.dll and on broken files.
#include "GbkText.h"
#include "Keywords.h"
#include "MsgDBManager.h"
#include "StoreTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

namespace fs = std::filesystem;

namespace {

std::string Gbk(const char *utf8)
{
    return Utf8ToGbk(utf8);
}

// KeywordList as "id:text" items (text in UTF-8 for readable failures).
std::vector<std::string> DumpKeywordList()
{
    std::vector<std::string> items;
    for (const KeywordEntry &entry : KeywordList)
        items.push_back(std::to_string(entry.id) + ":" + GbkToUtf8(entry.text));
    return items;
}

std::vector<std::string> DumpItems(const std::vector<MainPageItem> &items)
{
    std::vector<std::string> dump;
    for (const MainPageItem &item : items)
        dump.push_back(GbkToUtf8(item.sourceName) + "|" + GbkToUtf8(item.sourceClass) + "|" + GbkToUtf8(item.sourceContent));
    return dump;
}

fs::perms Permissions(const std::string &path)
{
    return fs::status(fs::path(path)).permissions() & fs::perms::all;
}

constexpr fs::perms kOwnerOnly = fs::perms::owner_read | fs::perms::owner_write;

class MsgDBManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_path = m_folder.File("write.dll");
        CopyShippedDb(m_path);
        ASSERT_TRUE(m_store.openDatabase(m_path));
    }

    std::vector<std::string> Rows(const std::string &sql) { return RawDb(m_path).Rows(sql); }

    TempFolder m_folder;
    std::string m_path;
    CMsgDBManager m_store;
};

} // namespace

TEST_F(MsgDBManagerTest, RememberingAUserTwiceUpdatesInPlace)
{
    EXPECT_TRUE(m_store.saveUser("alice", "")); // only the name remembered
    EXPECT_EQ((std::vector<std::string>{"alice|"}), Rows("select username, password from users"));
    EXPECT_FALSE(m_store.saveUser("alice", "secret")); // "记住密码" later: same row, new password
    EXPECT_FALSE(m_store.saveUser("alice", "newer"));
    EXPECT_EQ((std::vector<std::string>{"alice|newer"}), Rows("select username, password from users"));

    std::string password = "untouched";
    EXPECT_TRUE(m_store.readPassword("alice", password));
    EXPECT_EQ("newer", password);
    EXPECT_FALSE(m_store.readPassword("bob", password));
    EXPECT_EQ("newer", password);
}

TEST_F(MsgDBManagerTest, QuotesInNamesAndPasswordsNeverAlterTheStatement)
{
    const std::string injection = "' or '1'='1";
    m_store.saveUser("first", "first-password");
    std::string password = "untouched";
    EXPECT_FALSE(m_store.readPassword(injection, password)); // pasted, this would find "first"
    EXPECT_EQ("untouched", password);

    const std::pair<std::string, std::string> users[] = {
        {"o'brien", "it's"},
        {"x'); delete from users; --", "'"},
        {injection, "''"},
        {Gbk("王'小明"), Gbk("密'码")},
        {"plain", "p'); update users set password='owned'; --"},
    };
    for (const auto &[name, secret] : users)
        EXPECT_TRUE(m_store.saveUser(name, secret)) << name;
    for (const auto &[name, secret] : users)
        EXPECT_FALSE(m_store.saveUser(name, secret + "2")) << name;
    for (const auto &[name, secret] : users) {
        EXPECT_TRUE(m_store.readPassword(name, password)) << name;
        EXPECT_EQ(secret + "2", password) << name;
    }
    EXPECT_EQ((std::vector<std::string>{"6"}), Rows("select count(*) from users"));
    EXPECT_EQ((std::vector<std::string>{"first-password"}), Rows("select password from users where username='first'"));
}

TEST_F(MsgDBManagerTest, NullPasswordReadsAsEmpty)
{
    RawDb(m_path).Exec("insert into users values ('nopass', NULL)");
    std::string password = "untouched";
    EXPECT_TRUE(m_store.readPassword("nopass", password));
    EXPECT_EQ("", password);
}

TEST_F(MsgDBManagerTest, ReadConfigOfTheShippedRow)
{
    struct Case
    {
        const char *column;
        const char *expected;
    };
    const Case cases[] = {
        {"version", "1.0.0"},
        {"Version", "1.0.0"},
        {"MainInfoTime", ""},
        {"KeyWordMaxID", "0"},
        {"keywordmaxid", "0"},
        {"nosuch", "kept"},
        {"version from users; --", "kept"},
        {"", "kept"},
        {"version,password", "kept"},
        {"ID", "kept"},
    };
    for (const Case &c : cases) {
        std::string value = "kept";
        m_store.readConfig(c.column, value);
        EXPECT_EQ(c.expected, value) << c.column;
    }
}

TEST_F(MsgDBManagerTest, WriteConfigStoresValuesUnchanged)
{
    const std::string values[] = {"20260101", "it's", "'; delete from users; --", Gbk("二〇二六")};
    for (const std::string &value : values) {
        m_store.writeConfig("MainInfoTime", value);
        std::string read;
        m_store.readConfig("MainInfoTime", read);
        EXPECT_EQ(value, read);
    }
    m_store.writeConfig("nosuch", "x");
    m_store.writeConfig("version='x', MainInfoTime", "y");
    EXPECT_EQ((std::vector<std::string>{"1|1.0.0|0"}), Rows("select ID, version, KeyWordMaxID from globalconfig"));
}

TEST_F(MsgDBManagerTest, ConfigWithoutTheGlobalRowOrColumn)
{
    m_store.closeDatabase();
    RawDb(m_path).Exec("delete from globalconfig");
    std::string value = "kept";
    ASSERT_TRUE(m_store.openDatabase(m_path));
    m_store.readConfig("version", value);
    EXPECT_EQ("", value);
    m_store.closeDatabase();

    struct Case
    {
        const char *column;
        const char *expected;
        bool equal;
    };
    const Case cases[] = {
        {"version", "", true},
        {"version", "1.0.0", false},
        {"MainInfoTime", "", true},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.equal, configEquals(m_path, c.column, c.expected)) << c.column << "=" << c.expected;

    // A file whose globalconfig lacks the column: the read fails and the value stays.
    const std::string old = m_folder.File("old.dll");
    RawDb(old).Exec("create table globalconfig (ID integer, version text); insert into globalconfig values (1, '0.9');");
    CMsgDBManager store;
    ASSERT_TRUE(store.openDatabase(old));
    value = "kept";
    store.readConfig("MainInfoTime", value);
    EXPECT_EQ("kept", value);
    store.closeDatabase();
    EXPECT_TRUE(configEquals(old, "MainInfoTime", ""));
    EXPECT_TRUE(configEquals(old, "version", "0.9"));
    EXPECT_FALSE(configEquals(old, "version", "0.9 "));
    EXPECT_FALSE(configEquals(old, "VERSION", "0.90"));
}

TEST_F(MsgDBManagerTest, MainPageItemsRoundTripByGroupInIdOrder)
{
    m_store.addMainPageItem("2", Gbk("春天"), Gbk("散文"), "1", Gbk("春天来了，万物复苏。"));
    m_store.addMainPageItem("1", "it's", "a'b", "1", "'); delete from users; --");
    m_store.addMainPageItem("10", Gbk("通知"), "", "2", Gbk("比赛开始"));
    m_store.addMainPageItem("3", Gbk("第二组"), "c", "2", "x");
    // Not a number: never pasted into the statement, the item is not stored.
    m_store.addMainPageItem("1,'a','b','1','c'); delete from users; --", "n", "c", "1", "t");
    m_store.addMainPageItem("", "n", "c", "1", "t");

    std::vector<MainPageItem> group1, group2;
    m_store.loadMainPageItems(group1, group2);
    EXPECT_EQ((std::vector<std::string>{"it's|a'b|'); delete from users; --", "春天|散文|春天来了，万物复苏。"}),
              DumpItems(group1));
    EXPECT_EQ((std::vector<std::string>{"第二组|c|x", "通知||比赛开始"}), DumpItems(group2));
    // UTF-8 on disk.
    EXPECT_EQ((std::vector<std::string>{"通知"}), Rows("select SourceName from mainpageinfo where ID=10"));

    m_store.clearMainPageItems();
    group1.clear();
    group2.clear();
    m_store.loadMainPageItems(group1, group2);
    EXPECT_EQ(0u, group1.size() + group2.size());
}

TEST_F(MsgDBManagerTest, ReplacingMainPageItemsSkipsItemsWithoutANumericId)
{
    m_store.addMainPageItem("1", "old", "c", "1", "old text");
    m_store.closeDatabase();
    const std::vector<MainPageRecord> fresh{
        {"2", Gbk("新闻"), "c", "2", Gbk("今天's 消息")},
        {"1", "first", "c", "1", "x"},
    };
    EXPECT_TRUE(ReplaceMainPageItems(m_path, fresh, "20260301"));
    const std::vector<std::string> stored{"1|first|1|x", "2|新闻|2|今天's 消息"};
    const char *dump = "select ID, SourceName, SourceType, SourceContent from mainpageinfo order by ID";
    EXPECT_EQ(stored, Rows(dump));
    EXPECT_EQ((std::vector<std::string>{"20260301"}), Rows("select MainInfoTime from globalconfig"));

    // An id that is not a number never reaches the table; the other items and the stamp do.
    const std::vector<MainPageRecord> mixed{{"3", "n", "c", "1", "t"}, {"4 or 1", "n", "c", "1", "t"}, {"", "e", "c", "2", "t"}};
    EXPECT_TRUE(ReplaceMainPageItems(m_path, mixed, "20260302"));
    EXPECT_EQ((std::vector<std::string>{"3|n|1|t"}), Rows(dump));
    EXPECT_EQ((std::vector<std::string>{"20260302"}), Rows("select MainInfoTime from globalconfig"));
}

TEST_F(MsgDBManagerTest, KeywordListCountsCharactersAndKeepsDatabaseOrder)
{
    RawDb(m_path).Exec("insert into keyword values (1, 'ab');"
                       "insert into keyword values (2, '中国人');" // 3 characters, 9 bytes
                       "insert into keyword values (3, 'abcd');"
                       "insert into keyword values (4, 'xyz');"
                       "insert into keyword values (5, '春天');"
                       "insert into keyword values (6, 'cd');");
    m_store.loadKeywords();
    EXPECT_EQ((std::vector<std::string>{"3:abcd", "2:中国人", "4:xyz", "1:ab", "5:春天", "6:cd"}), DumpKeywordList());
    EXPECT_EQ(6u, KeywordIndex.size());
    EXPECT_EQ(Gbk("春天"), KeywordIndex[5]);
}

TEST_F(MsgDBManagerTest, KeywordNullsRepeatsAndReloads)
{
    RawDb(m_path).Exec("insert into keyword values (NULL, 'zero');"
                       "insert into keyword values (7, NULL);"
                       "insert into keyword values (8, 'old');"
                       "insert into keyword values (8, 'new');");
    m_store.loadKeywords();
    const std::vector<std::string> once{"0:zero", "8:old", "8:new", "7:"};
    EXPECT_EQ(once, DumpKeywordList());
    EXPECT_EQ("new", KeywordIndex[8]);
    EXPECT_EQ("", KeywordIndex[7]);
    EXPECT_EQ("zero", KeywordIndex[0]);

    // A second main window in the same process loads the same list, not twice the list.
    KeywordIndex[99] = "stale";
    m_store.loadKeywords();
    EXPECT_EQ(once, DumpKeywordList());
    EXPECT_EQ(3u, KeywordIndex.size());
}

TEST_F(MsgDBManagerTest, MaxKeywordIdComparesNumbers)
{
    std::string id = "kept";
    m_store.readMaxKeywordId(id);
    EXPECT_EQ("0", id);
    RawDb(m_path).Exec("insert into keyword values (999, 'a'); insert into keyword values (1000, 'b');"
                       "insert into keyword values (NULL, 'c');");
    m_store.readMaxKeywordId(id);
    EXPECT_EQ("1000", id);
}

TEST_F(MsgDBManagerTest, KeywordBatchStoresTextsUnchangedAndTheMaxId)
{
    m_store.closeDatabase();
    const std::vector<KeywordRecord> batch{
        {"11", Gbk("春风")}, {"12", "it's"}, {"13", "'); delete from keyword; --"}, {"-4", Gbk("“引号”")}, {"007", "x"},
    };
    EXPECT_TRUE(StoreKeywordBatch(m_path, batch, "13"));
    EXPECT_EQ((std::vector<std::string>{"11|春风", "12|it's", "13|'); delete from keyword; --", "-4|“引号”", "7|x"}),
              Rows("select id, keyword from keyword order by rowid"));
    EXPECT_EQ((std::vector<std::string>{"integer"}), Rows("select distinct typeof(id) from keyword"));
    EXPECT_EQ((std::vector<std::string>{"13"}), Rows("select KeyWordMaxID from globalconfig"));
}

TEST_F(MsgDBManagerTest, BadKeywordBatchStoresNothing)
{
    m_store.closeDatabase();
    RawDb(m_path).Exec("create trigger refuse before insert on keyword when new.keyword = 'boom' "
                       "begin select raise(abort, 'refused'); end;");
    const std::vector<std::vector<KeywordRecord>> batches{
        {{"1", "a"}, {"2); delete from users; --", "b"}},
        {{"1", "a"}, {"abc", "b"}},
        {{"1", "a"}, {"", "b"}},
        {{"1", "a"}, {" 2", "b"}},
        {{"1", "a"}, {"2147483648", "b"}},
        {{"1", "a"}, {"1.5", "b"}},
        {{"1", "a"}, {"2", "boom"}, {"3", "c"}}, // a statement failing half-way
    };
    for (const auto &batch : batches) {
        EXPECT_FALSE(StoreKeywordBatch(m_path, batch, "3")) << batch[1].id;
        EXPECT_EQ((std::vector<std::string>{"0|0"}),
                  Rows("select count(*), (select KeyWordMaxID from globalconfig) from keyword"));
    }
}

TEST(MsgDBManagerBrokenFileTest, MissingOrUnreadableFileRemembersNothing)
{
    TempFolder folder;
    fs::create_directory(fs::path(folder.File("folder.dll")));
    std::ofstream(folder.File("garbage.dll")) << "this is no database, only text that happens to be long enough\n";
    const std::string paths[] = {
        folder.File("missing.dll"),         // SQLite makes an empty file: every statement fails
        folder.File("no/folder/write.dll"), // open fails
        folder.File("folder.dll"),
        folder.File("garbage.dll"),
    };
    for (const std::string &path : paths) {
        SCOPED_TRACE(path);
        KeywordList.assign(1, KeywordEntry{1, "left over"});
        CMsgDBManager store;
        store.openDatabase(path);
        std::string password = "untouched", value = "kept", maxId = "kept";
        EXPECT_FALSE(store.saveUser("alice", "pw"));
        EXPECT_FALSE(store.readPassword("alice", password));
        EXPECT_EQ("untouched", password);
        store.readConfig("version", value);
        EXPECT_EQ("kept", value);
        store.writeConfig("version", "2");
        std::vector<MainPageItem> group1, group2;
        store.addMainPageItem("1", "a", "b", "1", "c");
        store.loadMainPageItems(group1, group2);
        EXPECT_EQ(0u, group1.size() + group2.size());
        store.loadKeywords();
        EXPECT_EQ(0u, KeywordList.size());
        store.readMaxKeywordId(maxId);
        EXPECT_EQ("kept", maxId);
        store.closeDatabase();
        EXPECT_FALSE(configEquals(path, "version", "1.0.0"));
        EXPECT_TRUE(configEquals(path, "version", ""));
        EXPECT_FALSE(StoreKeywordBatch(path, {{"1", "a"}}, "1"));
    }
    std::ifstream garbage(folder.File("garbage.dll"));
    std::string line;
    std::getline(garbage, line);
    EXPECT_EQ("this is no database, only text that happens to be long enough", line);
}

TEST(MsgDBManagerFileTest, FilesHoldingPasswordsAreOwnerOnly)
{
    TempFolder folder;
    const std::string created = folder.File("created.dll");
    {
        CMsgDBManager store;
        EXPECT_TRUE(store.openDatabase(created));
    }
    EXPECT_EQ(kOwnerOnly, Permissions(created));

    const std::string shipped = folder.File("write.dll");
    CopyShippedDb(shipped);
    fs::permissions(fs::path(shipped), fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
    CMsgDBManager store;
    ASSERT_TRUE(store.openDatabase(shipped));
    store.saveUser("alice", "secret");
    EXPECT_EQ(kOwnerOnly, Permissions(shipped));
}

TEST(MsgDBManagerFileTest, ChinesePathFolder)
{
    TempFolder folder;
    fs::create_directory(fs::path(folder.File("我的 程序")));
    const std::string path = folder.File("我的 程序/write.dll");
    CopyShippedDb(path);
    {
        CMsgDBManager store;
        ASSERT_TRUE(store.openDatabase(path));
        EXPECT_TRUE(store.saveUser(Gbk("学生"), "pw"));
    }
    CMsgDBManager store;
    ASSERT_TRUE(store.openDatabase(path));
    std::string password;
    EXPECT_TRUE(store.readPassword(Gbk("学生"), password));
    EXPECT_EQ("pw", password);
    EXPECT_TRUE(configEquals(path, "version", "1.0.0"));
}
