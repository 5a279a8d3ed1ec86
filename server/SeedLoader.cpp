// Seeds the reference service's database from data/.
#include "SeedLoader.h"

#include "PasswordHash.h"
#include "PlatformStore.h"

#include <json/json.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <vector>

namespace {

Json::Value ReadJsonFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw StoreError("cannot read " + path);
    Json::CharReaderBuilder builder;
    Json::Value root;
    std::string errors;
    if (!Json::parseFromStream(builder, in, &root, &errors))
        throw StoreError(path + ": " + errors);
    return root;
}

std::vector<std::string> SplitTabs(const std::string &line)
{
    std::vector<std::string> fields;
    std::string::size_type start = 0;
    while (true) {
        auto tab = line.find('\t', start);
        fields.push_back(UnescapeTsvField(line.substr(start, tab - start)));
        if (tab == std::string::npos)
            return fields;
        start = tab + 1;
    }
}

// Calls row(fields) for each non-empty line that is not a '#' comment.
void ForEachTsvRow(const std::string &path, std::size_t columns,
                   const std::function<void(const std::vector<std::string> &)> &row)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw StoreError("cannot read " + path);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        auto fields = SplitTabs(line);
        if (fields.size() != columns)
            throw StoreError(path + ":" + std::to_string(number) + ": expected " + std::to_string(columns) + " fields");
        row(fields);
    }
}

std::int64_t ToId(const std::string &text) { return std::stoll(text); }

void SeedAccounts(PlatformStore &store, const Json::Value &accounts)
{
    for (const auto &a : accounts) {
        SqlStatement s(store.Handle(),
                       "INSERT INTO users(name, pwd_md5, pwd_hash, user_no, true_name, school, phone, email, status, "
                       "ut, disabled, registered) VALUES(?, '', ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        // The seed holds passwords as a person types them; the client digests their GBK bytes.
        s.Bind(1, a["name"].asString()).Bind(2, HashPasswordDigest(DigestOfUtf8Password(a["password"].asString())));
        s.Bind(3, a["no"].asString());
        s.Bind(4, a["TrueName"].asString()).Bind(5, a["School"].asString()).Bind(6, a["Phone"].asString());
        s.Bind(7, a["Email"].asString()).Bind(8, a["Status"].asString()).Bind(9, a["UT"].asString());
        s.Bind(10, std::int64_t(a["disabled"].asBool() ? 1 : 0));
        s.Bind(11, std::int64_t(a.get("registered", true).asBool() ? 1 : 0));
        s.Step();
    }
}

void SeedMainPage(PlatformStore &store, const Json::Value &items)
{
    for (const auto &m : items) {
        SqlStatement s(store.Handle(), "INSERT INTO mainpage(id, name, class, type, con) VALUES(?, ?, ?, ?, ?)");
        s.Bind(1, std::int64_t(m["ID"].asInt64())).Bind(2, m["Name"].asString()).Bind(3, m["Class"].asString());
        s.Bind(4, m["Type"].asString()).Bind(5, m["Con"].asString()).Step();
    }
}

void SeedActivities(PlatformStore &store, const Json::Value &activities)
{
    for (const auto &a : activities) {
        SqlStatement s(store.Handle(),
                       "INSERT INTO activities(id, theme, url_path, status, is_meg, round, title, \"desc\", times, "
                       "supinfo, deadline, finalists, page) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        s.Bind(1, std::int64_t(a["id"].asInt64())).Bind(2, a["theme"].asString()).Bind(3, a["url"].asString());
        s.Bind(4, a["status"].asString()).Bind(5, a["isMeg"].asString()).Bind(6, std::int64_t(a["round"].asInt()));
        s.Bind(7, a["title"].asString()).Bind(8, a["desc"].asString()).Bind(9, a["times"].asString());
        s.Bind(10, a["supinfo"].asString()).Bind(11, a["deadline"].asString()).Bind(12, a["finalists"].asString());
        s.Bind(13, a["page"].asString()).Step();
        for (const auto &t : a["topics"]) {
            SqlStatement topic(store.Handle(),
                               "INSERT INTO topics(mid, activity_id, title, \"desc\", writer, type) VALUES(?, ?, ?, ?, ?, ?)");
            topic.Bind(1, std::int64_t(t["mid"].asInt64())).Bind(2, std::int64_t(a["id"].asInt64()));
            topic.Bind(3, t["title"].asString()).Bind(4, t["desc"].asString()).Bind(5, t["writer"].asString());
            topic.Bind(6, t["type"].asString()).Step();
        }
    }
}

void SeedCorpus(PlatformStore &store, const std::string &dataDir)
{
    SqlStatement keyword(store.Handle(), "INSERT INTO keywords(id, keyword) VALUES(?, ?)");
    ForEachTsvRow(dataDir + "/keywords.tsv", 2, [&](const std::vector<std::string> &f) {
        keyword.Bind(1, ToId(f[0])).Bind(2, f[1]).Step();
        keyword.Reset();
    });
    ForEachTsvRow(dataDir + "/works.tsv", 5, [&](const std::vector<std::string> &f) {
        SqlStatement s(store.Handle(), "INSERT INTO works(id, title, source, author, text) VALUES(?, ?, ?, ?, ?)");
        s.Bind(1, ToId(f[0])).Bind(2, f[1]).Bind(3, f[2]).Bind(4, f[3]).Bind(5, f[4]).Step();
    });
    ForEachTsvRow(dataDir + "/corpus.tsv", 4, [&](const std::vector<std::string> &f) {
        SqlStatement s(store.Handle(), "INSERT INTO corpus(id, keyword_id, work_id, brief) VALUES(?, ?, ?, ?)");
        s.Bind(1, ToId(f[0])).Bind(2, ToId(f[1])).Bind(3, ToId(f[2])).Bind(4, f[3]).Step();
    });
}

} // namespace

std::string UnescapeTsvField(const std::string &field)
{
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\' || i + 1 == field.size()) {
            out.push_back(field[i]);
            continue;
        }
        char next = field[++i];
        out.push_back(next == 'n' ? '\n' : next == 't' ? '\t' : next == 'r' ? '\r' : next);
    }
    return out;
}

void SeedStore(PlatformStore &store, const std::string &dataDir)
{
    if (store.IsSeeded())
        return;
    Json::Value platform = ReadJsonFile(dataDir + "/platform.json");
    WriteTransaction transaction(store);
    // Processes started together on a new database seed it once: the later one waits for the
    // earlier one's transaction, then finds the seed (SQLite's write lock already waits).
    if (store.Engine() == SqlEngine::PostgreSQL)
        store.Exec("SELECT pg_advisory_xact_lock(7160, 2)");
    if (store.IsSeeded())
        return;
    store.SetSetting("version", platform["version"].asString());
    store.SetSetting("MainInfoTime", platform["MainInfoTime"].asString());
    SeedAccounts(store, platform["accounts"]);
    SeedMainPage(store, platform["mainpage"]);
    SeedActivities(store, platform["activities"]);
    try {
        SeedCorpus(store, dataDir);
    } catch (const std::logic_error &e) { // std::stoll on a bad id
        throw StoreError(std::string("bad corpus seed: ") + e.what());
    }
    // Every account starts with the welcome message waiting for its first poll.
    const Json::Value &welcome = platform["welcome"];
    if (welcome.isObject()) {
        SqlStatement s(store.Handle(), "INSERT INTO messages(user_id, content, url) SELECT id, ?, ? FROM users");
        s.Bind(1, welcome["Content"].asString()).Bind(2, welcome["Url"].asString()).Step();
        store.SetSetting("welcome_content", welcome["Content"].asString());
        store.SetSetting("welcome_url", welcome["Url"].asString());
    }
    store.SetSetting("seeded", NowText());
    transaction.Commit();
}

// The i-th generated keyword: two to four CJK characters, distinct for distinct i, as UTF-8.
std::string BenchKeyword(int i)
{
    std::string word;
    int rest = i;
    const int length = 2 + i % 3;
    for (int c = 0; c < length; ++c) {
        const unsigned codePoint = 0x4E00 + static_cast<unsigned>(rest % 3000);
        word.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
        word.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        word.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
        rest = rest / 3000 + (c + 1) * 7;
    }
    return word;
}

void AddBenchKeywords(const std::string &path, int count)
{
    if (count <= 0)
        return;
    PlatformStore store(path);
    WriteTransaction transaction(store);
    // Kept apart from the seed's ids; a restart on the same database adds nothing twice.
    SqlStatement insert(store.Handle(), "INSERT INTO keywords(id, keyword) VALUES(?, ?) ON CONFLICT(id) DO NOTHING");
    for (int i = 0; i < count; ++i) {
        insert.Bind(1, kBenchKeywordFirstId + i).Bind(2, BenchKeyword(i)).Step();
        insert.Reset();
    }
    transaction.Commit();
}

void PrepareDatabase(const std::string &path, const std::string &dataDir)
{
    std::error_code ignored;
    // Only a SQLite file is removed again; a server database is the operator's, and its seeding
    // is one transaction anyway.
    bool existed = EngineOf(path) == SqlEngine::PostgreSQL || std::filesystem::exists(path, ignored);
    try {
        PlatformStore store(path);
        SeedStore(store, dataDir);
        store.UpgradePasswordHashes();
    } catch (...) {
        // A database this start created is of no use half made: the next start must seed anew.
        if (!existed)
            for (const char *suffix : {"", "-wal", "-shm", "-journal"})
                std::filesystem::remove(path + suffix, ignored);
        throw;
    }
}
