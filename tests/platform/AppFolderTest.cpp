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
    for (const auto &[withSeparator, without] : {std::pair{"\\config.ini", "config.ini"},
                                                 std::pair{"\\img\\startpage.jpg", "img\\startpage.jpg"}}) {
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
    // Without a start-up call the folder is the running executable's own.
    EXPECT_EQ(AppFolderFromPath(fs::read_symlink("/proc/self/exe").string()), AppFolder());
}
