// Fuzz target: the settings file. The bytes become config.ini; every key of the program is read,
// then one is written and must read back, and the file's other keys must read as before.
#include "ProfileFile.h"
#include "TemporaryFolder.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct IntKey
{
    const char *section;
    const char *key;
    int defaultValue;
};

constexpr IntKey kIntKeys[] = {
    {"StartPage", "Show", 1},
    {"Login", "ShowVerifyCode", 0},
    {"Login", "RemberPwd", 0},
    {"Login", "RemberUserName", 0},
};
constexpr std::size_t kUserMaxBytes = 29;

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

const std::string &SettingsPath()
{
    // Every write of the settings is synced: in memory it costs nothing.
    static const TemporaryFolder folder("profile-fuzz");
    static const std::string path = folder.Path() + "/config.ini";
    return path;
}

bool WriteFile(const std::string &path, const std::uint8_t *data, std::size_t size)
{
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string &path = SettingsPath();
    if (!WriteFile(path, data, size))
        return 0;
    int before[std::size(kIntKeys)];
    for (std::size_t i = 0; i < std::size(kIntKeys); ++i)
        before[i] = GetProfileInt(kIntKeys[i].section, kIntKeys[i].key, kIntKeys[i].defaultValue, path);
    const std::string user = GetProfileString("Login", "User", "", kUserMaxBytes, path);
    Require(user.size() <= kUserMaxBytes);

    // What the sign-in writes after a successful sign-in.
    Require(WriteProfileString("Login", "User", "xuesheng", path));
    Require(GetProfileString("Login", "User", "", kUserMaxBytes, path) == "xuesheng");
    for (std::size_t i = 0; i < std::size(kIntKeys); ++i)
        Require(GetProfileInt(kIntKeys[i].section, kIntKeys[i].key, kIntKeys[i].defaultValue, path) == before[i]);
    return 0;
}
