// Settings-file semantics: defaults, case-insensitive names, integer reading, cut strings, and
// writes that create what is missing while keeping every other line byte for byte.
#include "ProfileFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

class ProfileFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("profile_test_" + std::to_string(::getpid()) + "_" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
        m_path = (m_dir / "config.ini").string();
    }
    void TearDown() override { fs::remove_all(m_dir); }

    void Write(const std::string &content)
    {
        std::ofstream(m_path, std::ios::binary) << content;
    }
    std::string Read() const
    {
        std::ifstream in(m_path, std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        return content.str();
    }

    fs::path m_dir;
    std::string m_path;
};

TEST_F(ProfileFileTest, MissingFileSectionOrKeyGivesTheDefault)
{
    EXPECT_EQ(GetProfileInt("StartPage", "Show", 1, m_path), 1);
    EXPECT_EQ(GetProfileString("Login", "User", "none", 29, m_path), "none");
    Write("[Login]\r\nUser=abc\r\n");
    EXPECT_EQ(GetProfileInt("StartPage", "Show", 1, m_path), 1);
    EXPECT_EQ(GetProfileInt("Login", "RemberPwd", 7, m_path), 7);
    EXPECT_FALSE(fs::exists(m_dir / "other.ini"));
}

TEST_F(ProfileFileTest, IntegerValuesReadAsTheSystemReadsThem)
{
    struct Case
    {
        const char *value;
        int expected;
    };
    const Case cases[] = {
        {"0", 0},          {"1", 1},      {"  42", 42},   {"-5", -5},         {"+8", 8},
        {"12abc", 12},     {"abc", 0},    {"0x1F", 31},   {"\"3\"", 0},       {"", 99},
        {"99999999999", 2147483647},      {"-99999999999", -2147483647 - 1},
    };
    for (const Case &c : cases) {
        Write(std::string("[StartPage]\nShow=") + c.value + "\n");
        EXPECT_EQ(GetProfileInt("StartPage", "Show", 99, m_path), c.expected) << "value \"" << c.value << "\"";
    }
}

TEST_F(ProfileFileTest, NamesMatchWithoutCaseAndValuesAreTrimmedAndCut)
{
    Write("; remembered sign-in\r\n[login]\r\n  user  =  \xd5\xc5\xc8\xfd  \r\nshowverifycode=1\r\n"
          "[Other]\r\nUser=wrong\r\n");
    EXPECT_EQ(GetProfileString("Login", "User", "", 29, m_path), "\xd5\xc5\xc8\xfd");
    EXPECT_EQ(GetProfileInt("LOGIN", "ShowVerifyCode", 0, m_path), 1);

    // At most maxChars bytes, and never half of a double-byte character.
    const std::string longName = std::string(28, 'a') + "\xd5\xc5" + "bb";
    Write("[Login]\nUser=" + longName + "\n");
    EXPECT_EQ(GetProfileString("Login", "User", "", 29, m_path), std::string(28, 'a'));
    EXPECT_EQ(GetProfileString("Login", "User", "", 30, m_path), std::string(28, 'a') + "\xd5\xc5");
    Write("[Login]\nUser=\"quoted name\"\n");
    EXPECT_EQ(GetProfileString("Login", "User", "", 29, m_path), "quoted name");
    EXPECT_EQ(GetProfileString("Login", "Missing", "defaultvalue", 7, m_path), "default");
}

TEST_F(ProfileFileTest, WriteCreatesFileSectionAndKeyWithOwnerOnlyPermissions)
{
    ASSERT_TRUE(WriteProfileString("Login", "RemberPwd", "1", m_path));
    EXPECT_EQ(Read(), "[Login]\r\nRemberPwd=1\r\n");
    struct stat info
    {
    };
    ASSERT_EQ(::stat(m_path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    ASSERT_TRUE(WriteProfileString("Login", "User", "\xd5\xc5\xc8\xfd", m_path));
    ASSERT_TRUE(WriteProfileString("StartPage", "Show", "0", m_path));
    EXPECT_EQ(Read(), "[Login]\r\nRemberPwd=1\r\nUser=\xd5\xc5\xc8\xfd\r\n[StartPage]\r\nShow=0\r\n");
    EXPECT_EQ(GetProfileString("Login", "User", "", 29, m_path), "\xd5\xc5\xc8\xfd");
}

TEST_F(ProfileFileTest, WriteKeepsEveryOtherLineByteForByte)
{
    const std::string before = "; settings\n[StartPage]\nShow = 1 \n\n[Login]\nuser=old\nRemberPwd=0\n\n[Service]\nHost=x";
    Write(before);
    ASSERT_TRUE(WriteProfileString("Login", "User", "new", m_path));
    ASSERT_TRUE(WriteProfileString("Login", "ShowVerifyCode", "1", m_path));
    ASSERT_TRUE(WriteProfileString("Service", "Site", "y", m_path));
    EXPECT_EQ(Read(), "; settings\n[StartPage]\nShow = 1 \n\n[Login]\nuser=new\nRemberPwd=0\nShowVerifyCode=1\n\n"
                      "[Service]\nHost=x\nSite=y\n");

    // A value can never add lines to the file.
    ASSERT_TRUE(WriteProfileString("Login", "User", "a\r\n[Evil]\r\nx=1", m_path));
    EXPECT_EQ(GetProfileString("Login", "User", "", 29, m_path), "a");
    EXPECT_EQ(GetProfileString("Evil", "x", "none", 29, m_path), "none");
}

TEST_F(ProfileFileTest, WriteKeepsTheFilesPermissionsAndFailsWithoutAFolder)
{
    Write("[Login]\nUser=a\n");
    ::chmod(m_path.c_str(), 0640);
    ASSERT_TRUE(WriteProfileString("Login", "User", "b", m_path));
    struct stat info
    {
    };
    ASSERT_EQ(::stat(m_path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_FALSE(WriteProfileString("Login", "User", "b", (m_dir / "missing" / "config.ini").string()));
}
