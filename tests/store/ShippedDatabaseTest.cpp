// The write.dll the build ships, read by the sqlite3 command-line shell.
#include "MsgDBManager.h"
#include "StoreTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/wait.h>

namespace {

// Output and exit status of the sqlite3 shell running sql on the shipped file.
std::pair<std::string, int> Shell(const std::string &sql)
{
    const std::string command = std::string(SQLITE3_SHELL_PATH) + " -bail -readonly '" SHIPPED_WRITE_DB "' \"" + sql + "\" 2>&1";
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe)
        return {"popen failed", -1};
    std::string output;
    char buffer[512];
    while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, n);
    const int status = pclose(pipe);
    return {output, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

}  // namespace

TEST(ShippedDatabaseTest, ShellSeesTheFourTablesWithTheirColumnsInOrder)
{
    const auto [output, status] = Shell(
        "select m.name || '.' || p.name from sqlite_schema m join pragma_table_info(m.name) p "
        "where m.type = 'table' order by m.rowid, p.cid;");
    EXPECT_EQ(0, status);
    EXPECT_EQ("users.username\nusers.password\n"
              "globalconfig.ID\nglobalconfig.version\nglobalconfig.MainInfoTime\nglobalconfig.KeyWordMaxID\n"
              "mainpageinfo.ID\nmainpageinfo.SourceName\nmainpageinfo.SourceClass\nmainpageinfo.SourceType\n"
              "mainpageinfo.SourceContent\n"
              "keyword.id\nkeyword.keyword\n",
              output);
}

TEST(ShippedDatabaseTest, ShellSeesTheGlobalRowAndEmptyTables)
{
    const auto [output, status] = Shell(
        "select ID, version, quote(MainInfoTime), KeyWordMaxID from globalconfig;"
        "select count(*) from users; select count(*) from mainpageinfo; select count(*) from keyword;"
        "pragma integrity_check;");
    EXPECT_EQ(0, status);
    EXPECT_EQ("1|1.0.0|''|0\n0\n0\n0\nok\n", output);
}

TEST(ShippedDatabaseTest, UserNamesAreUnique)
{
    const auto [output, status] = Shell(
        "select i.\\\"unique\\\", c.name from pragma_index_list('users') i join pragma_index_info(i.name) c;");
    EXPECT_EQ(0, status);
    EXPECT_EQ("1|username\n", output);
}

TEST(ShippedDatabaseTest, ManagerReadsTheShippedVersion)
{
    TempFolder folder;
    const std::string path = folder.File("write.dll");
    CopyShippedDb(path);
    EXPECT_TRUE(configEquals(path, "version", "1.0.0"));
    EXPECT_TRUE(configEquals(path, "MainInfoTime", ""));
    EXPECT_TRUE(configEquals(path, "KeyWordMaxID", "0"));
}
