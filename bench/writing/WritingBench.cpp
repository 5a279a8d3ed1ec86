// Benchmarks of keyword recognition and of one keystroke's work on a 5000-character essay
// shown as 100 rows, with keyword lists of real Chinese words (data from fetch-words.sh;
// PENLARK_BENCH_DATA overrides the folder). Run:
//   bash bench/writing/fetch-words.sh && cmake --build build --target writing_bench && build/bin/writing_bench
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <new>
#include <string>
#include <vector>

#include "GbkText.h"
#include "KeywordAutomaton.h"
#include "KeywordPass.h"
#include "WriteDoc.h"

// Live and peak heap bytes, counted by the replaced global operator new and delete.
namespace {
std::atomic<std::size_t> g_liveBytes{0};
std::atomic<std::size_t> g_peakBytes{0};

void *CountedAllocate(std::size_t size)
{
    void *block = std::malloc(size == 0 ? 1 : size);
    if (!block)
        throw std::bad_alloc();
    const std::size_t live = g_liveBytes += malloc_usable_size(block);
    std::size_t peak = g_peakBytes.load();
    while (live > peak && !g_peakBytes.compare_exchange_weak(peak, live)) {
    }
    return block;
}

void CountedFree(void *block)
{
    if (block) {
        g_liveBytes -= malloc_usable_size(block);
        std::free(block);
    }
}
} // namespace

void *operator new(std::size_t size) { return CountedAllocate(size); }
void *operator new[](std::size_t size) { return CountedAllocate(size); }
void operator delete(void *block) noexcept { CountedFree(block); }
void operator delete[](void *block) noexcept { CountedFree(block); }
void operator delete(void *block, std::size_t) noexcept { CountedFree(block); }
void operator delete[](void *block, std::size_t) noexcept { CountedFree(block); }

namespace {

constexpr std::int32_t kShownRows = 100;

std::string DataFolder()
{
    const char *folder = std::getenv("PENLARK_BENCH_DATA");
    return folder ? folder : PENLARK_BENCH_DATA;
}

std::string ReadFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct BenchData
{
    std::vector<std::string> words;  // GBK, dictionary order
    std::string essay;               // GBK, paragraphs separated by the mark
    std::int32_t width = 0;          // row width that shows the essay in 100 rows
    bool ok = false;
};

const BenchData &Data()
{
    static const BenchData data = [] {
        BenchData d;
        const std::string words = ReadFile(DataFolder() + "/words.txt");
        const std::string essay = ReadFile(DataFolder() + "/essay.txt");
        if (words.empty() || essay.empty())
            return d;
        std::string line;
        for (char c : Utf8ToGbk(words)) {
            if (c == '\n') {
                if (!line.empty())
                    d.words.push_back(line);
                line.clear();
            } else if (c != '\r') {
                line.push_back(c);
            }
        }
        for (char c : Utf8ToGbk(essay))
            d.essay.push_back(c == '\n' ? '\r' : c);
        if (!d.essay.empty() && d.essay.back() == '\r')
            d.essay.pop_back();
        CWriteDoc doc;
        doc.SetText(d.essay);
        for (d.width = 2;; d.width += 2) {
            doc.Reflow(d.width);
            if (doc.RowCount() <= kShownRows)
                break;
        }
        d.ok = true;
        return d;
    }();
    return data;
}

std::size_t CharCount(const std::string &gbk)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < gbk.size(); i += BeginsDoubleByte(static_cast<unsigned char>(gbk[i])) ? 2 : 1)
        ++count;
    return count;
}

// n words spread evenly over the dictionary, longest first as the local store orders them.
std::vector<KeywordEntry> KeywordListOf(std::size_t n)
{
    const auto &words = Data().words;
    std::vector<KeywordEntry> list;
    n = std::min(n, words.size());
    for (std::size_t i = 0; i < n; ++i)
        list.push_back({static_cast<std::int32_t>(i + 1), words[i * words.size() / n]});
    std::stable_sort(list.begin(), list.end(), [](const KeywordEntry &a, const KeywordEntry &b) {
        return CharCount(a.text) > CharCount(b.text);
    });
    return list;
}

const std::vector<KeywordEntry> &CachedList(std::size_t n)
{
    static std::vector<std::pair<std::size_t, std::vector<KeywordEntry>>> cache;
    for (const auto &entry : cache) {
        if (entry.first == n)
            return entry.second;
    }
    cache.emplace_back(n, KeywordListOf(n));
    return cache.back().second;
}

const KeywordAutomaton &CachedAutomaton(std::size_t n)
{
    static std::vector<std::pair<std::size_t, KeywordAutomaton>> cache;
    for (const auto &entry : cache) {
        if (entry.first == n)
            return entry.second;
    }
    cache.emplace_back(n, KeywordAutomaton());
    cache.back().second.Build(CachedList(n));
    return cache.back().second;
}

CWriteDoc EssayDoc()
{
    CWriteDoc doc;
    doc.SetText(Data().essay);
    doc.Reflow(Data().width);
    return doc;
}

bool Ready(benchmark::State &state)
{
    if (Data().ok)
        return true;
    state.SkipWithError("no benchmark data: run bench/writing/fetch-words.sh");
    return false;
}

void SetEssayCounters(benchmark::State &state, const CWriteDoc &doc)
{
    state.counters["rows"] = doc.RowCount();
    state.counters["W"] = Data().width;
    state.counters["chars"] = doc.CountChars();
}

void BM_MarkAutomaton(benchmark::State &state)
{
    if (!Ready(state))
        return;
    const KeywordAutomaton &automaton = CachedAutomaton(static_cast<std::size_t>(state.range(0)));
    const CWriteDoc doc = EssayDoc();
    KeywordMarks marks;
    for (auto _ : state) {
        automaton.Mark(doc.Rows(), 0, marks);
        benchmark::DoNotOptimize(marks.Size());
    }
    SetEssayCounters(state, doc);
    state.counters["marked"] = static_cast<double>(marks.Size());
    state.counters["matches"] = static_cast<double>(automaton.LastMatchCount());
}

void BM_MarkDirect(benchmark::State &state)
{
    if (!Ready(state))
        return;
    const auto &list = CachedList(static_cast<std::size_t>(state.range(0)));
    const CWriteDoc doc = EssayDoc();
    KeywordMarks marks;
    for (auto _ : state) {
        MarkKeywordsDirect(doc.Rows(), 0, list, marks);
        benchmark::DoNotOptimize(marks.Size());
    }
    state.counters["marked"] = static_cast<double>(marks.Size());
}

void BM_BuildAutomaton(benchmark::State &state)
{
    if (!Ready(state))
        return;
    const auto &list = CachedList(static_cast<std::size_t>(state.range(0)));
    std::size_t peak = 0;
    std::size_t size = 0;
    std::size_t nodes = 0;
    for (auto _ : state) {
        const std::size_t before = g_liveBytes.load();
        g_peakBytes = before;
        KeywordAutomaton automaton;
        automaton.Build(list);
        peak = std::max(peak, g_peakBytes.load() - before);
        size = automaton.MemoryBytes();
        nodes = automaton.NodeCount();
    }
    state.counters["peak_MiB"] = static_cast<double>(peak) / (1 << 20);
    state.counters["size_MiB"] = static_cast<double>(size) / (1 << 20);
    state.counters["nodes"] = static_cast<double>(nodes);
}

// The document lives on between iterations as in the editor; a fixed 1000 iterations keep the
// essay between 5000 and 6000 characters.
constexpr int kKeystrokes = 1000;

void BM_InsertAtTop(benchmark::State &state)
{
    if (!Ready(state))
        return;
    CWriteDoc doc = EssayDoc();
    const std::string character = Utf8ToGbk("春");
    for (auto _ : state)
        benchmark::DoNotOptimize(doc.InsertText(0, 0, character, Data().width));
    SetEssayCounters(state, doc);
}

void BM_CheckPointAndUndo(benchmark::State &state)
{
    if (!Ready(state))
        return;
    CWriteDoc doc = EssayDoc();
    doc.CheckPoint();
    for (auto _ : state) {
        doc.CheckPoint();
        benchmark::DoNotOptimize(doc.Undo());
    }
    SetEssayCounters(state, doc);
}

// What one typed character costs: insert at the top, check point, marking pass.
void BM_Keystroke(benchmark::State &state)
{
    if (!Ready(state))
        return;
    const KeywordAutomaton &automaton = CachedAutomaton(static_cast<std::size_t>(state.range(0)));
    CWriteDoc doc = EssayDoc();
    const std::string character = Utf8ToGbk("春");
    doc.CheckPoint();
    for (auto _ : state) {
        const DocPosition caret = doc.InsertText(0, 0, character, Data().width);
        doc.RecordViewState({caret.row, caret.column, 0});
        doc.CheckPoint();
        automaton.Mark(doc.Rows(), 0, doc.Marks());
        benchmark::DoNotOptimize(doc.Marks().Size());
    }
    SetEssayCounters(state, doc);
}

void ListSizes(benchmark::internal::Benchmark *bench)
{
    for (int n : {1000, 10000, 100000, 300000})
        bench->Arg(n);
}

BENCHMARK(BM_MarkAutomaton)->Apply(ListSizes)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_MarkDirect)->Apply(ListSizes)->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(3)->ReportAggregatesOnly(true);
BENCHMARK(BM_BuildAutomaton)->Apply(ListSizes)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);
BENCHMARK(BM_InsertAtTop)->Iterations(kKeystrokes)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_CheckPointAndUndo)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_Keystroke)->Arg(300000)->Iterations(kKeystrokes)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
