// What composition paper costs for the longest essay the editor takes (5000 characters, with
// punctuation that joins full rows, quotes, dashes and letters): the layout alone, and the
// layout with the PDF built from it. CPU time is reported beside wall time.
#include "PaperLayout.h"
#include "PaperPages.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <string>

namespace {

std::string FullEssayUtf8()
{
    const char *const pieces[] = {"春", "天", "，", "a", "。", "“", "好", "”", "——", "b"};
    std::string text;
    int characters = 0;
    for (int i = 0; characters < 5000; ++i) {
        const std::string piece = pieces[i % 10];
        text += piece;
        characters += piece == "——" ? 2 : 1;
        if (i % 167 == 166)
            text += '\n';
    }
    return text;
}

void LayoutOnly(benchmark::State &state)
{
    const std::string essay = FullEssayUtf8();
    for (auto _ : state) {
        PaperLayout layout = LayOutPaper("我的春天", essay);
        benchmark::DoNotOptimize(layout);
    }
}
BENCHMARK(LayoutOnly)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void LayoutAndPdf(benchmark::State &state)
{
    const std::string essay = FullEssayUtf8();
    for (auto _ : state) {
        const PaperLayout layout = LayOutPaper("我的春天", essay);
        QByteArray pdf = BuildPaperPdf(layout, QStringLiteral("我的春天"));
        benchmark::DoNotOptimize(pdf);
        state.counters["pages"] = static_cast<double>(layout.pages.size());
        state.counters["pdf_kib"] = pdf.size() / 1024.0;
    }
}
BENCHMARK(LayoutAndPdf)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    // Fonts need the application object; nothing is shown.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
