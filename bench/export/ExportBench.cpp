// What writing the essay costs: the Word document of a full 5000-character essay, and the
// journal entry a writing screen writes at most once a second while the student types (with
// the flushes to disk that make it survive a power cut).
#include "EssayJournal.h"
#include "GbkText.h"
#include "WordExport.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// 5000 characters in 30 paragraphs: the longest essay the editor takes.
std::string FullEssay()
{
    const std::string pieces[] = {Utf8ToGbk("春"), Utf8ToGbk("天"), Utf8ToGbk("，"), "a", Utf8ToGbk("。")};
    std::string text = Utf8ToGbk("我的春天") + "\r\n";
    for (int i = 0; i < 5000; ++i) {
        text += pieces[i % 5];
        if (i % 167 == 166)
            text += '\r';
    }
    return text;
}

class ScratchFolder
{
public:
    // A new folder under `parent` (the system's temporary folder unless named).
    explicit ScratchFolder(const fs::path &parent = fs::temp_directory_path())
    {
        std::error_code ignored;
        fs::create_directories(parent, ignored);
        std::string pattern = (parent / "exportbench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            std::abort();
        m_path = pattern;
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    std::string Path() const { return m_path.string(); }

private:
    fs::path m_path;
};

JournalEntry FullEntry()
{
    JournalEntry entry;
    entry.user = "42";
    entry.title = Utf8ToGbk("我的春天");
    entry.body = FullEssay();
    return entry;
}

void BuildDocument(benchmark::State &state)
{
    const std::string essay = FullEssay();
    for (auto _ : state)
        benchmark::DoNotOptimize(BuildWordDocument(essay));
}
BENCHMARK(BuildDocument)->Unit(benchmark::kMicrosecond);

void ExportDocument(benchmark::State &state)
{
    ScratchFolder folder;
    const std::string essay = FullEssay();
    const std::string path = folder.Path() + "/essay.doc";
    for (auto _ : state) {
        if (!ExportWordDocument(path, essay))
            state.SkipWithError("write failed");
    }
}
BENCHMARK(ExportDocument)->Unit(benchmark::kMillisecond)->UseRealTime();

// In the user's data folder, where the program keeps its journal: the temporary folder may be
// memory, where a flush costs nothing.
void JournalWrite(benchmark::State &state)
{
    const std::string dataFolder = EssayJournal::DefaultFolder();
    if (dataFolder.empty()) {
        state.SkipWithError("no user data folder");
        return;
    }
    ScratchFolder folder(dataFolder);
    EssayJournal journal(folder.Path() + "/penlark");
    const std::string id = journal.NewEntryId();
    const JournalEntry entry = FullEntry();
    for (auto _ : state) {
        if (journal.Write(id, entry) != 0)
            state.SkipWithError("write failed");
    }
}
BENCHMARK(JournalWrite)->Unit(benchmark::kMillisecond)->UseRealTime();

void JournalRoundTrip(benchmark::State &state)
{
    const JournalEntry entry = FullEntry();
    JournalEntry read;
    for (auto _ : state) {
        if (!EssayJournal::Parse(EssayJournal::Serialize(entry), read))
            state.SkipWithError("parse failed");
    }
}
BENCHMARK(JournalRoundTrip)->Unit(benchmark::kMicrosecond);

// Sign-in with 20 left essays in the folder.
void LeftEntries(benchmark::State &state)
{
    ScratchFolder folder;
    EssayJournal journal(folder.Path());
    for (int i = 0; i < 20; ++i)
        journal.Write(journal.NewEntryId(), FullEntry());
    for (auto _ : state) {
        if (journal.LeftEntries("42").size() != 20)
            state.SkipWithError("entries lost");
    }
}
BENCHMARK(LeftEntries)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
