// The program folder: the GBK-aware search for the last separator, and both spellings of the
// designed relative names reaching the same file.
#include "AppFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

TEST(AppFolder, LastSeparatorIsFoundCharacterByCharacter)
{
    struct Case
    {
        std::string path;
        std::string folder;
    };
    const Case cases[] = {
        {"C:\\Program Files\\penlark\\penlark.exe", "C:\\Program Files\\penlark\\"},
        {"/opt/penlark/bin/penlark", "/opt/penlark/bin/"},
        {"penlark.exe", ""},
        {"", ""},
        {"/penlark", "/"},
        // "\xb1\x5c" is one GBK character whose second byte is the backslash.
        {"D:\\\xb1\x5c\\penlark.exe", "D:\\\xb1\x5c\\"},
        {"D:\\tools\\\xb1\x5cpenlark.exe", "D:\\tools\\"},
        {"\xb1\x5cpenlark.exe", ""},
        // A lead byte followed by '/' is no character: the '/' stays a separator.
        {"D:/a\xb1/penlark.exe", "D:/a\xb1/"},
        // UTF-8 paths: '/' is never part of a character ("中" is E4 B8 AD).
        {"/home/\xe4\xb8\xad/penlark", "/home/\xe4\xb8\xad/"},
        {"/home/\xe4\xb8\xad\xe6\x96\x87/bin/penlark", "/home/\xe4\xb8\xad\xe6\x96\x87/bin/"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(AppFolderFromPath(c.path), c.folder) << c.path;
}

TEST(AppFolder, DesignedNamesResolveToNativePaths)
{
    EXPECT_EQ(ResolveAppPath("/opt/app/", "\\config.ini"), "/opt/app/config.ini");
    EXPECT_EQ(ResolveAppPath("/opt/app/", "config.ini"), "/opt/app/config.ini");
    EXPECT_EQ(ResolveAppPath("/opt/app/", "\\img\\hostimg\\moyunge.PNG"), "/opt/app/img/hostimg/moyunge.PNG");
    EXPECT_EQ(ResolveAppPath("/opt/app/", "img\\startpage.jpg"), "/opt/app/img/startpage.jpg");
    // Without a program folder the files are looked up in the current directory.
    EXPECT_EQ(ResolveAppPath("", "\\img\\skin.xml"), "img/skin.xml");
    EXPECT_EQ(ResolveAppPath("", "config.ini"), "config.ini");
}

TEST(AppFolder, BothSpellingsReachTheSameFile)
{
    const fs::path dir = fs::temp_directory_path() / ("app_folder_test_" + std::to_string(::getpid()));
    fs::create_directories(dir / "img");
    std::ofstream(dir / "config.ini") << "[StartPage]\nShow=0\n";
    std::ofstream(dir / "img" / "startpage.jpg") << "picture";
    const std::string saved = AppFolder();

    InitAppFolder((dir / "penlark").string());
    EXPECT_EQ(AppFolder(), dir.string() + "/");
    for (const auto &[withSeparator, without] :
         {std::pair{"\\config.ini", "config.ini"}, std::pair{"\\img\\startpage.jpg", "img\\startpage.jpg"}}) {
        EXPECT_EQ(AppPath(withSeparator), AppPath(without));
        std::ifstream a(AppPath(withSeparator));
        std::ifstream b(AppPath(without));
        std::stringstream contentA, contentB;
        contentA << a.rdbuf();
        contentB << b.rdbuf();
        EXPECT_FALSE(contentA.str().empty()) << AppPath(withSeparator);
        EXPECT_EQ(contentA.str(), contentB.str());
    }

    InitAppFolder(saved + "x");
    fs::remove_all(dir);
}

TEST(AppFolder, DefaultsToTheRunningExecutablesFolder)
{
    // Without a start-up call the folder is the running executable's own: where the build put it.
    EXPECT_EQ(AppFolder(), fs::canonical(PENLARK_TEST_BINARY_DIR).string() + "/");
}

// A program folder with shipped copies of the data files, and a scratch user data home; the
// process's folders point back at the test executable's own afterwards.
class DataFolderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_root = fs::temp_directory_path() / ("data_folder_test_" + std::to_string(::getpid()));
        fs::create_directories(m_root / "program" / "img");
        Write(m_root / "program" / "config.ini", "[StartPage]\r\nShow=0\r\n");
        Write(m_root / "program" / "write.dll", std::string("SQLite format 3\0shipped", 23));
        Write(m_root / "program" / "img" / "logo.png", "png");
        m_savedFolder = AppFolder();
        ::setenv("XDG_DATA_HOME", (m_root / "home").c_str(), 1);
    }
    void TearDown() override
    {
        ::unsetenv("XDG_DATA_HOME");
        InitAppFolder(m_savedFolder + "x");
        fs::remove_all(m_root);
    }
    static void Write(const fs::path &path, const std::string &content) { std::ofstream(path, std::ios::binary) << content; }
    static std::string Read(const fs::path &path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream content;
        content << in.rdbuf();
        return content.str();
    }
    static fs::perms Mode(const fs::path &path) { return fs::status(path).permissions() & fs::perms::all; }
    std::string Program() const { return (m_root / "program").string() + "/"; }
    std::string UserFolder() const { return (m_root / "home" / "penlark").string() + "/"; }
    void Install() const { Write(m_root / "program" / kInstalledMarker, ""); }

    fs::path m_root;
    std::string m_savedFolder;
};

TEST_F(DataFolderTest, BuildTreeKeepsEveryFileInTheProgramFolder)
{
    InitAppFolder(Program() + "penlark");
    EXPECT_EQ(DataFolder(), Program());
    EXPECT_EQ(SeedDataFolder(), 0);
    EXPECT_EQ(AppPath("\\config.ini"), Program() + "config.ini");
    EXPECT_EQ(AppPath("\\write.dll"), Program() + "write.dll");
    EXPECT_EQ(fs::exists(m_root / "home"), false);
}

TEST_F(DataFolderTest, InstalledProgramKeepsItsDataFilesWithTheUser)
{
    Install();
    InitAppFolder(Program() + "penlark");
    EXPECT_EQ(DataFolder(), UserFolder());
    // Both spellings of the data files reach the user's copies; pictures stay in the program folder.
    const struct
    {
        const char *relative;
        std::string path;
    } cases[] = {
        {"\\config.ini", UserFolder() + "config.ini"},
        {"config.ini", UserFolder() + "config.ini"},
        {"\\write.dll", UserFolder() + "write.dll"},
        {"/write.dll", UserFolder() + "write.dll"},
        {"\\img\\logo.png", Program() + "img/logo.png"},
        {"img\\config.ini", Program() + "img/config.ini"},
        {"write.dll-journal", Program() + "write.dll-journal"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(AppPath(c.relative), c.path) << c.relative;

    ASSERT_EQ(SeedDataFolder(), 0);
    EXPECT_EQ(Mode(UserFolder()), fs::perms::owner_all);
    for (const char *name : {"config.ini", "write.dll"}) {
        EXPECT_EQ(Read(UserFolder() + name), Read(Program() + name)) << name;
        EXPECT_EQ(Mode(UserFolder() + name), fs::perms::owner_read | fs::perms::owner_write) << name;
    }
}

// A later start keeps what the user has (a changed setting, the essays in the database), but
// closes a copy that was left readable to others; a file the program folder does not ship is
// left to be created by the program.
TEST_F(DataFolderTest, LaterStartsKeepTheUsersFiles)
{
    Install();
    fs::remove(m_root / "program" / "config.ini");
    fs::create_directories(UserFolder());
    fs::permissions(UserFolder(), fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
    Write(UserFolder() + "write.dll", "the user's essays");
    fs::permissions(UserFolder() + "write.dll", fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
    InitAppFolder(Program() + "penlark");

    ASSERT_EQ(SeedDataFolder(), 0);
    EXPECT_EQ(Read(UserFolder() + "write.dll"), "the user's essays");
    EXPECT_EQ(Mode(UserFolder() + "write.dll"), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(Mode(UserFolder()), fs::perms::owner_all);
    EXPECT_EQ(fs::exists(UserFolder() + "config.ini"), false);
}
