// The SQLite access layer on real files: codes and messages, cursors, bound values, transactions.
#include "SqliteLayer.h"
#include "StoreTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// Runs action and returns the exception it threw; fails the test when nothing was thrown.
CppSQLite3Exception Thrown(const std::function<void()> &action)
{
    try {
        action();
    } catch (const CppSQLite3Exception &e) {
        return e;
    }
    ADD_FAILURE() << "no CppSQLite3Exception";
    return CppSQLite3Exception(-1, "not thrown");
}

class SqliteLayerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_path = m_folder.File("layer.db");
        m_db.open(m_path);
        m_db.execute("create table t (a integer, b text);"
                     "insert into t values (1, 'one');"
                     "insert into t values (NULL, NULL);"
                     "insert into t values (3, 'three');");
    }

    TempFolder m_folder;
    std::string m_path;
    CppSQLite3DB m_db;
};

}  // namespace

TEST(CppSQLite3ExceptionTest, CodeNamesAndMessages)
{
    struct Case
    {
        int code;
        const char *detail;
        const char *message;
    };
    const Case cases[] = {
        {0, "x", "SQLITE_OK[0]: x"},
        {1, nullptr, "SQLITE_ERROR[1]: "},
        {14, "unable to open", "SQLITE_CANTOPEN[14]: unable to open"},
        {19, "", "SQLITE_CONSTRAINT[19]: "},
        {25, "", "SQLITE_RANGE[25]: "},
        {26, "not a db", "UNKNOWN_ERROR[26]: not a db"},
        {99, "", "UNKNOWN_ERROR[99]: "},
        {100, "", "SQLITE_ROW[100]: "},
        {101, "", "SQLITE_DONE[101]: "},
        {-1, "", "UNKNOWN_ERROR[-1]: "},
        {1000, "Database not open", "CPPSQLITE_ERROR[1000]: Database not open"},
        {1001, "", "UNKNOWN_ERROR[1001]: "},
    };
    for (const Case &c : cases) {
        const CppSQLite3Exception e(c.code, c.detail);
        EXPECT_EQ(c.code, e.code());
        EXPECT_STREQ(c.message, e.message()) << "code " << c.code;
    }
}

TEST(CppSQLite3ExceptionTest, CopiesOwnTheirMessage)
{
    auto original = std::make_unique<CppSQLite3Exception>(5, "locked");
    CppSQLite3Exception copy(*original);
    CppSQLite3Exception assigned(0, "");
    assigned = *original;
    original.reset();
    EXPECT_STREQ("SQLITE_BUSY[5]: locked", copy.message());
    EXPECT_STREQ("SQLITE_BUSY[5]: locked", assigned.message());
    EXPECT_EQ(5, assigned.code());
}

TEST(CppSQLite3DBTest, NeverOpenedOrClosedObjectReportsDatabaseNotOpen)
{
    CppSQLite3DB db;
    const std::function<void()> actions[] = {
        [&] { db.execute("select 1"); },
        [&] { db.query("select 1"); },
        [&] { db.Execute("select ?", {std::int64_t{1}}); },
        [&] { db.Prepare("select 1"); },
    };
    for (const auto &action : actions) {
        const CppSQLite3Exception e = Thrown(action);
        EXPECT_EQ(1000, e.code());
        EXPECT_STREQ("CPPSQLITE_ERROR[1000]: Database not open", e.message());
    }
    TempFolder folder;
    db.open(folder.File("x.db"));
    db.close();
    db.close();  // a second close does nothing
    EXPECT_EQ(1000, Thrown([&] { db.execute("select 1"); }).code());
}

TEST(CppSQLite3DBTest, EveryOpenHandsSqliteTheBusyTimeout)
{
    TempFolder folder;
    CppSQLite3DB db;
    for (int i = 0; i < 2; ++i) {
        db.open(folder.File("x.db"));
        EXPECT_EQ(60000, db.query("pragma busy_timeout").intAt(0));
        db.close();
    }
}

TEST(CppSQLite3DBTest, OpenFailuresCarrySqliteCode)
{
    TempFolder folder;
    CppSQLite3DB db;
    const CppSQLite3Exception e = Thrown([&] { db.open(folder.File("no/such/folder/x.db")); });
    EXPECT_EQ(14, e.code());
    EXPECT_STREQ("SQLITE_CANTOPEN[14]: unable to open database file", e.message());
    EXPECT_FALSE(db.isOpen());
    EXPECT_EQ(1000, Thrown([&] { db.execute("select 1"); }).code());
}

TEST(CppSQLite3DBTest, ChinesePathOpensThatFile)
{
    TempFolder folder;
    const std::string path = folder.File("作文 数据库.db");
    {
        CppSQLite3DB db;
        db.open(path);
        db.execute("create table t (a); insert into t values (7);");
    }
    ASSERT_TRUE(std::filesystem::exists(std::filesystem::path(path)));
    EXPECT_EQ(std::vector<std::string>{"7"}, RawDb(path).Rows("select a from t"));
}

TEST_F(SqliteLayerTest, ExecuteReturnsChangesOfTheLastStatement)
{
    EXPECT_EQ(1, m_db.execute("insert into t values (4, 'four');"));
    EXPECT_EQ(4, m_db.execute("update t set b = 'x';"));
    // A statement that changes nothing reports the most recent insert, update or delete.
    EXPECT_EQ(4, m_db.execute("create table u (c);"));
    EXPECT_EQ(2, m_db.execute("delete from t where a > 2;"));
}

TEST_F(SqliteLayerTest, ExecuteFailureCarriesCodeAndSqliteText)
{
    const CppSQLite3Exception e = Thrown([&] { m_db.execute("insert into missing values (1);"); });
    EXPECT_EQ(1, e.code());
    EXPECT_STREQ("SQLITE_ERROR[1]: no such table: missing", e.message());
}

TEST_F(SqliteLayerTest, QueryPreparationFailureHasEmptyDetail)
{
    const char *statements[] = {"select a from missing", "selec a from t", "select nosuch from t"};
    for (const char *sql : statements) {
        const CppSQLite3Exception e = Thrown([&] { m_db.query(sql); });
        EXPECT_EQ(1, e.code()) << sql;
        EXPECT_STREQ("SQLITE_ERROR[1]: ", e.message()) << sql;
    }
}

TEST_F(SqliteLayerTest, CursorWalksRowsAndReadsNullAsEmptyOrZero)
{
    std::vector<std::string> seen;
    for (CppSQLite3Query q = m_db.query("select a, b from t order by rowid"); !q.atEnd(); q.advance())
        seen.push_back(std::to_string(q.intAt(0)) + "/" + q.textAt(1) + "/" + (q.isNullAt(1) ? "null" : "value"));
    EXPECT_EQ((std::vector<std::string>{"1/one/value", "0//null", "3/three/value"}), seen);

    CppSQLite3Query none = m_db.query("select a from t where a = 42");
    EXPECT_TRUE(none.atEnd());
    EXPECT_EQ(1, none.columnCount());
}

TEST_F(SqliteLayerTest, ColumnIndexOutsideTheRowIsRejected)
{
    CppSQLite3Query q = m_db.query("select a, b from t");
    for (int column : {-1, 2, 100}) {
        const CppSQLite3Exception e = Thrown([&] { q.textAt(column); });
        EXPECT_STREQ("CPPSQLITE_ERROR[1000]: Invalid field index requested", e.message()) << column;
        EXPECT_EQ(1000, Thrown([&] { q.intAt(column); }).code());
    }
    EXPECT_EQ("one", q.textAt(1));
}

TEST_F(SqliteLayerTest, AssignmentTakesOverTheOtherCursor)
{
    CppSQLite3Query first = m_db.query("select b from t where a = 1");
    CppSQLite3Query second = m_db.query("select b from t where a = 3");
    first = std::move(second);
    EXPECT_EQ("three", first.textAt(0));
    const CppSQLite3Exception e = Thrown([&] { second.textAt(0); });  // NOLINT(bugprone-use-after-move)
    EXPECT_STREQ("CPPSQLITE_ERROR[1000]: Null Virtual Machine pointer", e.message());
    EXPECT_EQ(1000, Thrown([&] { second.advance(); }).code());
    first = m_db.query("select count(*) from t");
    EXPECT_EQ(3, first.intAt(0));
}

TEST_F(SqliteLayerTest, FailedStepReleasesTheStatement)
{
    // abs() of the smallest integer overflows on the second row, at step time.
    m_db.execute("create table n (v integer); insert into n values (1); insert into n values (-9223372036854775808);");
    CppSQLite3Query q = m_db.query("select abs(v) from n order by rowid");
    EXPECT_EQ(1, q.intAt(0));
    const CppSQLite3Exception e = Thrown([&] { q.advance(); });
    EXPECT_EQ(1, e.code());
    EXPECT_STREQ("SQLITE_ERROR[1]: integer overflow", e.message());
    EXPECT_STREQ("CPPSQLITE_ERROR[1000]: Null Virtual Machine pointer", Thrown([&] { q.textAt(0); }).message());

    // The same failure on the very first step comes out of query itself.
    m_db.execute("delete from n where v = 1;");
    EXPECT_STREQ("SQLITE_ERROR[1]: integer overflow", Thrown([&] { m_db.query("select abs(v) from n"); }).message());
}

TEST_F(SqliteLayerTest, BlankStatementGivesACursorAtEnd)
{
    CppSQLite3Query q = m_db.query("  -- nothing");
    EXPECT_TRUE(q.atEnd());
}

TEST(SqlFormatBufferTest, FormatsWithSqlitePrintfAndReplacesOldText)
{
    SqlFormatBuffer sql;
    EXPECT_STREQ("", sql.text());
    EXPECT_STREQ("select b from t where a=12", sql.format("select %s from t where a=%d", "b", 12));
    // %s inserts verbatim: that is why values never go through it.
    EXPECT_STREQ("x='it's'", sql.format("x='%s'", "it's"));
    sql.clear();
    EXPECT_STREQ("", sql.text());
}

TEST_F(SqliteLayerTest, BoundValuesReachTheTableUnchanged)
{
    const std::string texts[] = {
        "it's", "'", "''", "'); drop table t; --", "' or '1'='1", std::string("a\0b", 3), "", "\xD6\xD0\xCE\xC4",
    };
    for (const std::string &text : texts) {
        m_db.Execute("delete from t", {});
        EXPECT_EQ(1, m_db.Execute("insert into t values (?, ?)", {std::int64_t{9}, text}));
        CppSQLite3Query q = m_db.Query("select b, count(*) from t where b = ?", {text});
        EXPECT_EQ(text, q.textAt(0));
        EXPECT_EQ(1, q.intAt(1));
    }
    m_db.Execute("insert into t values (?, ?)", {nullptr, nullptr});
    EXPECT_EQ((std::vector<std::string>{"NULL|NULL"}), RawDb(m_path).Rows("select a, b from t where a is null"));
}

TEST_F(SqliteLayerTest, BindingErrorsCarryTheSqliteCode)
{
    EXPECT_EQ(25, Thrown([&] { m_db.Execute("select ?", {std::int64_t{1}, std::int64_t{2}}); }).code());
    m_db.execute("create table k (name text unique);");
    m_db.Execute("insert into k values (?)", {std::string_view("a")});
    EXPECT_EQ(19, Thrown([&] { m_db.Execute("insert into k values (?)", {std::string_view("a")}); }).code());
}

TEST_F(SqliteLayerTest, PreparedStatementRunsAgainWithNewValues)
{
    SqlStatement insert = m_db.Prepare("insert into t values (?, ?)");
    for (std::int64_t i = 10; i < 13; ++i) {
        insert.BindAll({i, std::string_view("v")});
        EXPECT_EQ(1, insert.Run());
    }
    EXPECT_EQ((std::vector<std::string>{"10|v", "11|v", "12|v"}), RawDb(m_path).Rows("select a, b from t where a >= 10"));
}

TEST_F(SqliteLayerTest, TransactionRollsBackUnlessCommitted)
{
    {
        SqlTransaction transaction(m_db);
        m_db.execute("insert into t values (20, 'dropped');");
    }
    {
        SqlTransaction transaction(m_db);
        m_db.execute("insert into t values (21, 'kept');");
        transaction.Commit();
    }
    EXPECT_EQ((std::vector<std::string>{"21|kept"}), RawDb(m_path).Rows("select a, b from t where a >= 20"));
}
