// Benchmarks of the corpus panel's work on a keyword pick and a repaint: marking up excerpts,
// laying out the markup, filling the panel with a keyword's excerpts and painting it. Run:
//   cmake --build build --target corpus_bench && QT_QPA_PLATFORM=offscreen build/bench/bin/corpus_bench
#include <benchmark/benchmark.h>

#include "CorpusMarkup.h"
#include "Fonts.h"
#include "GbkText.h"
#include "HtmlMarkup.h"
#include "MyHtmlListCtrl.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

namespace {

// A 70-character excerpt holding its keyword twice, as the service's briefs and details look.
std::string Excerpt(int variant)
{
    std::string text = Utf8ToGbk("回乐烽前沙似雪，受降城外月如霜。不知何处吹芦管，一夜征人尽望乡。");
    text += Utf8ToGbk("长啸一声何处去，别来几向画阑看。终是欠峰峦，三伏似清秋。") + std::to_string(variant);
    return text;
}

std::vector<CorpusBrief> Briefs(int count)
{
    std::vector<CorpusBrief> briefs;
    for (int i = 0; i < count; ++i)
        briefs.push_back({i + 1, Excerpt(i)});
    return briefs;
}

void BM_MarkUpExcerpt(benchmark::State &state)
{
    const std::string text = Excerpt(0), keyword = Utf8ToGbk("何处");
    for (auto _ : state)
        benchmark::DoNotOptimize(MarkUpExcerpt(text, keyword));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_MarkUpExcerpt);

void BM_LayoutMarkup(benchmark::State &state)
{
    const std::string markup = MarkUpExcerpt(Excerpt(0), Utf8ToGbk("何处"));
    const QFont font = MakeFont(QString::fromUtf8("宋体"), 18);
    for (auto _ : state)
        benchmark::DoNotOptimize(LayoutMarkup(markup, font, Qt::black, 308).height);
}
BENCHMARK(BM_LayoutMarkup);

// A keyword pick: the panel emptied and filled with N excerpts (each marked up and measured).
void BM_FillPanel(benchmark::State &state)
{
    QWidget host;
    auto *panel = new CMyHtmlListCtrl;
    panel->Create(&host, QRect(0, 0, 329, 581), kListGridLines);
    const auto briefs = Briefs(int(state.range(0)));
    for (auto _ : state)
        panel->ShowKeywordCorpus(1, Utf8ToGbk("何处"), FetchStatus::Ok, briefs);
    state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0));
}
BENCHMARK(BM_FillPanel)->Arg(10)->Arg(100)->Arg(500)->Unit(benchmark::kMicrosecond);

// One repaint of a full panel (every visible excerpt laid out and drawn off screen).
void BM_PaintPanel(benchmark::State &state)
{
    QWidget host;
    auto *panel = new CMyHtmlListCtrl;
    panel->Create(&host, QRect(0, 0, 329, 581), kListGridLines);
    panel->ShowKeywordCorpus(1, Utf8ToGbk("何处"), FetchStatus::Ok, Briefs(100));
    QImage target(panel->size(), QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&target);
        panel->render(&painter);
    }
}
BENCHMARK(BM_PaintPanel)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
