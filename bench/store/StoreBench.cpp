// Storing a WsKeyword reply of 10^5 keywords and loading them back, against the formatted
// statement-per-keyword way of writing the batch.
#include "GbkText.h"
#include "Keywords.h"
#include "MsgDBManager.h"
#include "OperationsAccount.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

namespace {

constexpr int kKeywords = 100000;

// A reply as the service sends it: {"data":[{"I":"1","K":"..."}, ...]}, UTF-8, keywords of two
// to six Chinese characters, a few with quotes.
std::string MakeReply(int count)
{
    static const char *const kSyllables[] = {"春", "风", "明", "月", "山", "水", "花", "鸟",
                                             "云", "雨", "江", "河", "书", "笔", "心", "梦"};
    std::string reply = "{\"data\":[";
    unsigned seed = 12345;
    for (int i = 1; i <= count; ++i) {
        std::string text;
        const int length = 2 + static_cast<int>(seed % 5);
        for (int c = 0; c < length; ++c) {
            seed = seed * 1103515245u + 12345u;
            text += kSyllables[(seed >> 16) % 16];
        }
        if (i % 1000 == 0)
            text += "'s";
        reply += (i > 1 ? ",{\"I\":\"" : "{\"I\":\"") + std::to_string(i) + "\",\"K\":\"" + text + "\"}";
    }
    return reply + "]}";
}

// What the keyword refresh does with the reply before storing it, with the program's own
// functions: the call hands the result over in GBK, FetchKeywords's parse reads the document, and
// the local store takes the keywords as records (as LocalSyncStore::StoreKeywords does).
std::vector<KeywordRecord> ParseReply(const std::string &utf8Reply)
{
    std::vector<ServiceKeyword> parsed;
    if (ParseKeywordDocument(Utf8ToGbk(utf8Reply), parsed) != FetchStatus::Ok)
        return {};
    std::vector<KeywordRecord> keywords;
    keywords.reserve(parsed.size());
    for (const ServiceKeyword &keyword : parsed)
        keywords.push_back({keyword.id, keyword.text});
    return keywords;
}

std::string EscapeQuotes(const std::string &text)
{
    std::string escaped;
    for (char c : text) {
        escaped += c;
        if (c == '\'')
            escaped += c;
    }
    return escaped;
}

class BenchFolder
{
public:
    BenchFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "storebench-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        m_path = pattern;
    }
    ~BenchFolder() { std::filesystem::remove_all(m_path); }
    std::string FreshDb() const
    {
        const auto path = m_path / "write.dll";
        std::filesystem::copy_file(SHIPPED_WRITE_DB, path, std::filesystem::copy_options::overwrite_existing);
        return path.string();
    }

private:
    std::filesystem::path m_path;
};

void StoreWithBoundValues(const std::string &path, const std::vector<KeywordRecord> &keywords)
{
    if (!StoreKeywordBatch(path, keywords, keywords.back().id))
        std::abort();
}

// The batch as first designed: one formatted statement per keyword (quotes doubled here so that
// the run does not stop at the first quote), all inside one transaction.
void StoreWithFormattedExecute(const std::string &path, const std::vector<KeywordRecord> &keywords, bool transaction)
{
    CppSQLite3DB db;
    db.open(path);
    if (transaction)
        db.execute("begin transaction;");
    SqlFormatBuffer sql;
    for (const KeywordRecord &keyword : keywords) {
        const std::string id = GbkToUtf8(keyword.id);
        const std::string text = GbkToUtf8(keyword.text);
        db.execute(sql.format("Insert into keyword  values (%s,'%s');", id.c_str(), EscapeQuotes(text).c_str()));
    }
    if (transaction)
        db.execute("commit transaction;");
    CMsgDBManager store;
    store.openDatabase(path);
    store.writeConfig("KeyWordMaxID", keywords.back().id);
}

enum class Way
{
    Bound,
    FormattedInTransaction,
    FormattedEachCommitted
};

void Store(Way way, const std::string &path, const std::vector<KeywordRecord> &keywords)
{
    switch (way) {
    case Way::Bound:
        StoreWithBoundValues(path, keywords);
        break;
    case Way::FormattedInTransaction:
        StoreWithFormattedExecute(path, keywords, true);
        break;
    case Way::FormattedEachCommitted:
        StoreWithFormattedExecute(path, keywords, false);
        break;
    }
}

// Parse of the reply and the batch, as the keyword refresh runs them.
void BM_StoreKeywordReply(benchmark::State &state, Way way)
{
    const std::string reply = MakeReply(static_cast<int>(state.range(0)));
    BenchFolder folder;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string path = folder.FreshDb();
        state.ResumeTiming();
        Store(way, path, ParseReply(reply));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The batch alone, on keywords parsed beforehand.
void BM_StoreKeywordBatch(benchmark::State &state, Way way)
{
    const std::vector<KeywordRecord> keywords = ParseReply(MakeReply(static_cast<int>(state.range(0))));
    BenchFolder folder;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string path = folder.FreshDb();
        state.ResumeTiming();
        Store(way, path, keywords);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_ParseKeywordReply(benchmark::State &state)
{
    const std::string reply = MakeReply(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(ParseReply(reply));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_LoadKeywords(benchmark::State &state)
{
    BenchFolder folder;
    const std::string path = folder.FreshDb();
    StoreWithBoundValues(path, ParseReply(MakeReply(static_cast<int>(state.range(0)))));
    for (auto _ : state) {
        CMsgDBManager store;
        store.openDatabase(path);
        store.loadKeywords();
        store.closeDatabase();
        if (KeywordList.size() != static_cast<std::size_t>(state.range(0)))
            state.SkipWithError("keywords missing");
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK(BM_ParseKeywordReply)->Arg(kKeywords)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StoreKeywordReply, bound, Way::Bound)->Arg(kKeywords)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StoreKeywordReply, formatted_in_transaction, Way::FormattedInTransaction)
    ->Arg(kKeywords)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StoreKeywordBatch, bound, Way::Bound)->Arg(kKeywords)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StoreKeywordBatch, formatted_in_transaction, Way::FormattedInTransaction)
    ->Arg(kKeywords)
    ->Unit(benchmark::kMillisecond);
// Each statement its own transaction: 10^5 would take minutes, so a thousand show the rate.
BENCHMARK_CAPTURE(BM_StoreKeywordBatch, formatted_each_committed, Way::FormattedEachCommitted)
    ->Arg(1000)
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadKeywords)->Arg(kKeywords)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
