// A folder of a fuzz target's own files, in memory where the machine has it, removed when the
// target ends normally.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

class TemporaryFolder
{
public:
    explicit TemporaryFolder(const std::string &name)
    {
        const char *base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string folder = std::string(base) + "/" + name + "-XXXXXX";
        if (!mkdtemp(folder.data()))
            std::abort();
        m_path = folder;
    }
    ~TemporaryFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TemporaryFolder(const TemporaryFolder &) = delete;
    TemporaryFolder &operator=(const TemporaryFolder &) = delete;

    const std::string &Path() const { return m_path; }

private:
    std::string m_path;
};
