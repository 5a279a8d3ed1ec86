// Atomic file replacement and private data folders over POSIX calls.
#include "AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string FolderOf(const std::string &path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string &path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int SyncFolder(const std::string &folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    int error = 0;
    // Some file systems cannot flush a directory; the rename itself has still happened.
    if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS)
        error = errno;
    ::close(fd);
    return error;
}

// After a rename or an unlink the change has happened: flushing the folder only makes it survive
// a power cut, and a folder the user may write but not read (a drop box) cannot even be opened
// for the flush. Reporting that as a failure would tell the student a saved file was not saved.
void FlushFolderAfterChange(const std::string &folder)
{
    (void)SyncFolder(folder);
}

// A fresh temporary file beside path, hidden, that no other writer can be using.
int CreateTemporary(const std::string &path, unsigned mode, std::string &tempPath)
{
    static std::atomic<unsigned> counter{0};
    const auto seed = static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count());
    const std::string folder = FolderOf(path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const unsigned tag = seed ^ (static_cast<unsigned>(::getpid()) << 16) ^ (counter++ * 2654435761u);
        tempPath = (folder == "/" ? "" : folder) + "/." + NameOf(path) + "." + std::to_string(tag) + ".tmp";
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

int WriteAll(int fd, const std::string &content)
{
    std::size_t written = 0;
    while (written < content.size()) {
        const ssize_t n = ::write(fd, content.data() + written, content.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        written += static_cast<std::size_t>(n);
    }
    return 0;
}

std::string HomeFolder()
{
    const char *home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return home;
    const passwd *entry = ::getpwuid(::geteuid());
    if (entry != nullptr && entry->pw_dir != nullptr && entry->pw_dir[0] == '/')
        return entry->pw_dir;
    return {};
}

int MakeFolder(const std::string &folder)
{
    if (::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST)
        return 0;
    if (errno != ENOENT)
        return errno;
    const std::string parent = FolderOf(folder);
    if (parent == folder)
        return ENOENT;
    if (const int error = MakeFolder(parent))
        return error;
    return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST ? 0 : errno;
}

BeforeReplaceHook beforeReplace = nullptr;

} // namespace

void SetBeforeReplaceHook(BeforeReplaceHook hook)
{
    beforeReplace = hook;
}

int ReplaceFileAtomically(const std::string &path, const std::string &content, unsigned newFileMode)
{
    struct stat existing
    {
    };
    const bool exists = ::stat(path.c_str(), &existing) == 0;
    std::string tempPath;
    const int fd = CreateTemporary(path, newFileMode & 07777, tempPath);
    if (fd < 0)
        return errno;
    int error = WriteAll(fd, content);
    if (error == 0 && exists && ::fchmod(fd, existing.st_mode & 07777) != 0)
        error = errno;
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && beforeReplace != nullptr)
        beforeReplace(tempPath);
    if (error == 0 && ::rename(tempPath.c_str(), path.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(tempPath.c_str());
        return error;
    }
    FlushFolderAfterChange(FolderOf(path));
    return 0;
}

int RenameDurably(const std::string &from, const std::string &to)
{
    if (::rename(from.c_str(), to.c_str()) != 0)
        return errno;
    FlushFolderAfterChange(FolderOf(to));
    return 0;
}

int RemoveFileDurably(const std::string &path)
{
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        return errno;
    FlushFolderAfterChange(FolderOf(path));
    return 0;
}

std::string UserDataFolder(const std::string &programName)
{
    const char *dataHome = std::getenv("XDG_DATA_HOME");
    // A relative XDG_DATA_HOME is ignored, as the XDG base-directory rules say.
    if (dataHome != nullptr && dataHome[0] == '/')
        return std::string(dataHome) + "/" + programName;
    const std::string home = HomeFolder();
    if (home.empty())
        return {};
    return (home == "/" ? "" : home) + "/.local/share/" + programName;
}

int EnsurePrivateFolder(const std::string &path)
{
    std::string folder = path;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    if (folder.empty())
        return ENOENT;
    if (const int error = MakeFolder(folder))
        return error;
    struct stat info
    {
    };
    if (::lstat(folder.c_str(), &info) != 0)
        return errno;
    if (!S_ISDIR(info.st_mode))
        return ENOTDIR;
    if (info.st_uid != ::geteuid())
        return EPERM;
    if ((info.st_mode & 07777) != 0700 && ::chmod(folder.c_str(), 0700) != 0)
        return errno;
    return 0;
}

HeldFileLock::HeldFileLock(const std::string &path)
{
    m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd >= 0 && ::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

HeldFileLock::~HeldFileLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // closing drops the lock
}

bool IsFileLockHeld(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    // A separate open description conflicts with every holder, this process's own included; the
    // probe's own lock, when it gets one, goes with the close.
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}
