// Program folder and path resolution.
#include "AppFolder.h"

#include <climits>
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

std::string &Folder()
{
    static std::string folder = AppFolderFromPath(ExecutablePath());
    return folder;
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
    return Folder();
}

void InitAppFolder(const std::string &executablePath)
{
    Folder() = AppFolderFromPath(executablePath);
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
    return ResolveAppPath(AppFolder(), relative);
}
