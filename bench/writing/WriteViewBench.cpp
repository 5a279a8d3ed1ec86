// The editor view on a 5000-character essay with a dictionary-sized keyword list: one keystroke
// from its event to the painted frame (insert, check point, marking pass, paint), and pasting a
// whole essay into an empty view; each with the recognizer and with the keyword-by-keyword pass.
// Data from fetch-words.sh (PENLARK_BENCH_DATA overrides the folder). Run:
//   bash bench/writing/fetch-words.sh
//   cmake --build build --target writing_view_bench && build/bench/bin/writing_view_bench
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "DlgTWriter.h"
#include "GbkText.h"
#include "KeywordPass.h"
#include "Keywords.h"
#include "QtText.h"

namespace {

constexpr std::size_t kKeywords = 300000;
// The writing screen's editor at 1024 x 700: (1024 - 237) x (700 - 341).
constexpr int kViewWidth = 787;
constexpr int kViewHeight = 359;

std::string ReadFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct BenchData
{
    std::string essay; // GBK, paragraphs separated by the mark
    bool ok = false;
};

std::size_t CharCount(const std::string &gbk)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < gbk.size(); i += BeginsDoubleByte(static_cast<unsigned char>(gbk[i])) ? 2 : 1)
        ++count;
    return count;
}

const BenchData &Data()
{
    static const BenchData data = [] {
        BenchData d;
        const char *folder = std::getenv("PENLARK_BENCH_DATA");
        const std::string dir = folder ? folder : PENLARK_BENCH_DATA;
        const std::string words = Utf8ToGbk(ReadFile(dir + "/words.txt"));
        const std::string essay = Utf8ToGbk(ReadFile(dir + "/essay.txt"));
        if (words.empty() || essay.empty())
            return d;
        // n words spread evenly over the dictionary, longest first as the local store orders them.
        std::vector<std::string> all;
        std::string line;
        for (char c : words) {
            if (c == '\n') {
                if (!line.empty())
                    all.push_back(line);
                line.clear();
            } else if (c != '\r') {
                line.push_back(c);
            }
        }
        std::vector<KeywordEntry> list;
        const std::size_t n = std::min(kKeywords, all.size());
        for (std::size_t i = 0; i < n; ++i)
            list.push_back({static_cast<std::int32_t>(i + 1), all[i * all.size() / n]});
        std::stable_sort(list.begin(), list.end(),
                         [](const KeywordEntry &a, const KeywordEntry &b) { return CharCount(a.text) > CharCount(b.text); });
        KeywordList = std::move(list);
        ++KeywordListGeneration;
        for (char c : essay)
            d.essay.push_back(c == '\n' ? '\r' : c);
        while (!d.essay.empty() && d.essay.back() == '\r')
            d.essay.pop_back();
        d.ok = true;
        return d;
    }();
    return data;
}

enum class Pass
{
    Recognizer,
    Direct
};

void UsePass(CWriteView &view, Pass pass)
{
    if (pass == Pass::Direct)
        view.SetMarkingPass(
            [](CWriteDoc &doc, std::int32_t first) { MarkKeywordsDirect(doc.Rows(), first, KeywordList, doc.Marks()); });
}

std::unique_ptr<CDlgTWriter> MakeEditor(Pass pass)
{
    auto editor = std::make_unique<CDlgTWriter>();
    editor->resize(kViewWidth, kViewHeight);
    editor->show();
    UsePass(*editor->View(), pass);
    QCoreApplication::processEvents();
    return editor;
}

// CPU time of this thread: with 2 cores shared by many, wall time carries everyone's load.
double ThreadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

struct Timings
{
    std::vector<double> wall;
    std::vector<double> cpu;
};

double Percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(p * static_cast<double>(values.size())))];
}

void Report(benchmark::State &state, const Timings &timings)
{
    state.counters["median_ms"] = Percentile(timings.wall, 0.5) * 1e3;
    state.counters["p99_ms"] = Percentile(timings.wall, 0.99) * 1e3;
    state.counters["cpu_median_ms"] = Percentile(timings.cpu, 0.5) * 1e3;
    state.counters["cpu_p99_ms"] = Percentile(timings.cpu, 0.99) * 1e3;
}

bool Ready(benchmark::State &state)
{
    if (Data().ok)
        return true;
    state.SkipWithError("no benchmark data: run bench/writing/fetch-words.sh");
    return false;
}

// One Chinese character committed by the input method at the top of the essay, with the view's
// painting done before the clock stops. A Backspace outside the clock keeps the essay at 4999
// characters, so no keystroke meets the limit.
void BM_Keystroke(benchmark::State &state, Pass pass)
{
    if (!Ready(state))
        return;
    auto editor = MakeEditor(pass);
    CWriteView *view = editor->View();
    std::string essay = Data().essay;
    essay.resize(essay.size() - 2); // 4999 characters
    view->SetText(essay);
    view->viewport()->repaint();
    const QString character = QString::fromUtf8("春");
    Timings timings;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = ThreadSeconds();
        QInputMethodEvent commit;
        commit.setCommitString(character);
        QCoreApplication::sendEvent(view, &commit);
        view->viewport()->repaint();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        timings.cpu.push_back(ThreadSeconds() - cpuStart);
        state.SetIterationTime(took.count());
        timings.wall.push_back(took.count());
        view->OnChar(8);
    }
    Report(state, timings);
    view->viewport()->repaint();
    state.counters["rows"] = view->Document().RowCount();
    state.counters["W"] = view->RowWidth();
    state.counters["marked"] = static_cast<double>(view->Document().Marks().Size());
}

// Pasting the whole essay (5000 characters) into an empty view, to the painted frame.
void BM_PasteEssay(benchmark::State &state, Pass pass)
{
    if (!Ready(state))
        return;
    QGuiApplication::clipboard()->setText(GbkToQString(Data().essay));
    Timings timings;
    std::int32_t count = 0;
    for (auto _ : state) {
        auto editor = MakeEditor(pass);
        CWriteView *view = editor->View();
        view->viewport()->repaint();
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = ThreadSeconds();
        view->Paste(); // what Ctrl+V and the menu's paste call
        view->viewport()->repaint();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        timings.cpu.push_back(ThreadSeconds() - cpuStart);
        state.SetIterationTime(took.count());
        timings.wall.push_back(took.count());
        count = view->CharCount();
    }
    Report(state, timings);
    state.counters["chars"] = count;
}

// Each pass under its own name: the keyword automaton the editor uses, and the direct scan it
// replaced.
BENCHMARK_CAPTURE(BM_Keystroke, automaton, Pass::Recognizer)->Iterations(2000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Keystroke, direct, Pass::Direct)->Iterations(20)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PasteEssay, automaton, Pass::Recognizer)->Iterations(50)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PasteEssay, direct, Pass::Direct)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
