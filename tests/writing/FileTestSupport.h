// Helpers of the tests that write files: a private temporary folder, whole-file reads, and a
// child process in which a write can be made to fail as it fails for students (a folder it may
// not write, a disk that fills up).
#pragma once

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

class TempFolder
{
public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "writingtest-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        m_path = pattern;
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
        for (const auto &entry : std::filesystem::recursive_directory_iterator(m_path, ignored))
            std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                         ignored);
        std::filesystem::remove_all(m_path, ignored);
    }
    const std::filesystem::path &Path() const { return m_path; }
    std::string File(const std::string &name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

inline std::string ReadBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

inline void WriteBytes(const std::string &path, const std::string &content)
{
    std::ofstream(path, std::ios::binary) << content;
}

// How the child process is held back.
enum class ChildLimit
{
    // Runs as an unprivileged user (when the tests run as root, who may write anywhere), so
    // folder permissions apply.
    OtherUser,
    // Files may not grow past a few hundred bytes: a write stops as it does on a full disk.
    SmallFiles,
};

// Runs body in a child process under the limit; returns body's result (0..255), or -1 when
// the child did not end normally.
inline int RunLimited(ChildLimit limit, const std::function<int()> &body)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (limit == ChildLimit::OtherUser && ::geteuid() == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(250);
        }
        if (limit == ChildLimit::SmallFiles) {
            std::signal(SIGXFSZ, SIG_IGN); // the write then fails with EFBIG instead of killing
            const rlimit small{300, 300};
            if (::setrlimit(RLIMIT_FSIZE, &small) != 0)
                ::_exit(251);
        }
        ::_exit(body() & 0xFF);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}
