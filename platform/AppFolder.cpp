// Program folder and path resolution.
#include "AppFolder.h"

#include "AtomicFile.h"

#include <cerrno>
#include <climits>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

// A GBK double-byte character: lead 0x81..0xFE, trail 0x40..0x7E or 0x80..0xFE.
bool IsGbkPair(unsigned char lead, unsigned char trail)
{
    return lead >= 0x81 && lead <= 0xFE && trail >= 0x40 && trail <= 0xFE && trail != 0x7F;
}

std::string ExecutablePath()
{
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    return length > 0 ? std::string(buffer, static_cast<std::size_t>(length)) : std::string();
}

struct Folders
{
    std::string program;
    std::string data;
};

Folders FoldersOf(const std::string &executablePath)
{
    Folders folders;
    folders.program = AppFolderFromPath(executablePath);
    folders.data = DataFolderFor(folders.program);
    return folders;
}

Folders &ProcessFolders()
{
    static Folders folders = FoldersOf(ExecutablePath());
    return folders;
}

// The files the program writes, by their designed names.
constexpr const char *kDataFiles[] = {"config.ini", "write.dll"};

bool FileExists(const std::string &path)
{
    struct stat info
    {
    };
    return ::stat(path.c_str(), &info) == 0;
}

// Copies a shipped file to where the user keeps it, owner-only. A missing original is no fault:
// the program then starts with the file's defaults, as it does in a fresh program folder.
int CopyOwnerOnly(const std::string &from, const std::string &to)
{
    if (!FileExists(from))
        return 0;
    std::ifstream in(from, std::ios::binary);
    if (!in)
        return EACCES;
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad())
        return EIO;
    return ReplaceFileAtomically(to, content.str(), 0600);
}

} // namespace

std::string AppFolderFromPath(const std::string &executablePath)
{
    std::size_t cut = 0; // one past the last separator; 0 = none seen
    for (std::size_t i = 0; i < executablePath.size(); ++i) {
        const auto byte = static_cast<unsigned char>(executablePath[i]);
        if (i + 1 < executablePath.size() && IsGbkPair(byte, static_cast<unsigned char>(executablePath[i + 1]))) {
            ++i; // the trail byte belongs to this character
            continue;
        }
        if (IsSeparator(executablePath[i]))
            cut = i + 1;
    }
    return executablePath.substr(0, cut);
}

const std::string &AppFolder()
{
    return ProcessFolders().program;
}

void InitAppFolder(const std::string &executablePath)
{
    ProcessFolders() = FoldersOf(executablePath);
}

bool IsDataFileName(const std::string &relative)
{
    std::size_t start = 0;
    while (start < relative.size() && (relative[start] == '\\' || relative[start] == '/'))
        ++start;
    const std::string name = relative.substr(start);
    for (const char *dataFile : kDataFiles)
        if (name == dataFile)
            return true;
    return false;
}

std::string DataFolderFor(const std::string &appFolder)
{
    if (!FileExists(ResolveAppPath(appFolder, kInstalledMarker)))
        return appFolder;
    const std::string user = UserDataFolder(kProgramName);
    return user.empty() ? appFolder : user + "/";
}

const std::string &DataFolder()
{
    return ProcessFolders().data;
}

int SeedDataFolder()
{
    const Folders &folders = ProcessFolders();
    if (folders.data == folders.program)
        return 0;
    if (const int error = EnsurePrivateFolder(folders.data))
        return error;
    for (const char *dataFile : kDataFiles) {
        const std::string target = ResolveAppPath(folders.data, dataFile);
        if (FileExists(target)) {
            // The user's essays and settings are nobody else's: a copy left readable is closed.
            if (::chmod(target.c_str(), 0600) != 0)
                return errno;
            continue;
        }
        if (const int error = CopyOwnerOnly(ResolveAppPath(folders.program, dataFile), target))
            return error;
    }
    return 0;
}

std::string ResolveAppPath(const std::string &folder, const std::string &relative)
{
    const std::string joined = folder + relative;
    std::string native;
    native.reserve(joined.size());
    for (char c : joined) {
        const char mapped = c == '\\' ? '/' : c;
        if (mapped == '/' && !native.empty() && native.back() == '/')
            continue;
        native.push_back(mapped);
    }
    if (folder.empty()) {
        // No program folder: the names are looked up in the current directory.
        while (!native.empty() && native.front() == '/')
            native.erase(0, 1);
    }
    return native;
}

std::string AppPath(const std::string &relative)
{
    return ResolveAppPath(IsDataFileName(relative) ? DataFolder() : AppFolder(), relative);
}
