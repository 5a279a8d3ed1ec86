// Helpers of the store tests: a private temporary folder and a raw SQLite reader that checks
// files independently of the layer under test.
#pragma once

#include <sqlite3.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

class TempFolder
{
public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "storetest-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        m_path = pattern;
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    std::string File(const std::string &name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

// Copies the write.dll the build made to path.
inline void CopyShippedDb(const std::string &path)
{
    std::filesystem::copy_file(SHIPPED_WRITE_DB, path, std::filesystem::copy_options::overwrite_existing);
}

// Runs statements and reads rows through the plain C interface; NULL reads as "NULL".
class RawDb
{
public:
    explicit RawDb(const std::string &path)
    {
        if (sqlite3_open(path.c_str(), &m_db) != SQLITE_OK)
            throw std::runtime_error("cannot open " + path);
    }
    ~RawDb() { sqlite3_close(m_db); }

    void Exec(const std::string &sql)
    {
        char *error = nullptr;
        if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
            std::string text = error ? error : "";
            sqlite3_free(error);
            throw std::runtime_error(text);
        }
    }

    // Each row as its columns joined by '|'.
    std::vector<std::string> Rows(const std::string &sql)
    {
        sqlite3_stmt *statement = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(m_db));
        std::vector<std::string> rows;
        while (sqlite3_step(statement) == SQLITE_ROW) {
            std::string row;
            for (int i = 0; i < sqlite3_column_count(statement); ++i) {
                if (i)
                    row += '|';
                const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement, i));
                row += text ? std::string(text, sqlite3_column_bytes(statement, i)) : "NULL";
            }
            rows.push_back(row);
        }
        sqlite3_finalize(statement);
        return rows;
    }

private:
    sqlite3 *m_db = nullptr;
};
