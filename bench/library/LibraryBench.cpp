// Benchmarks of the library page: a reload of N essays (the service's reply read, converted,
// parsed and every item measured into the list) and a repaint of the filled list. Run:
//   cmake --build build --target library_bench && QT_QPA_PLATFORM=offscreen build/bench/bin/library_bench
#include <benchmark/benchmark.h>

#include "HTMLListCtrlOrg.h"
#include "MySpaceDlg.h"
#include "ScriptedPeer.h"
#include "ServiceContext.h"

#include <QApplication>
#include <QImage>

namespace {

ScriptedPeer &Peer()
{
    static ScriptedPeer peer;
    return peer;
}

// A library of N essays with Chinese titles, as the service lists them.
std::string Library(int count)
{
    std::string json = R"({"data":[)";
    for (int i = 1; i <= count; ++i) {
        if (i > 1)
            json += ",";
        json += R"({"ID":")" + std::to_string(i) + R"(","Title":"一次难忘的旅行)" + std::to_string(i) +
                R"(","CreateTime":"2026-12-10 08:30:00"})";
    }
    return json + "]}";
}

void BM_ReloadLibrary(benchmark::State &state)
{
    Peer().PushResult("WsUserComp", Library(int(state.range(0))));
    CMySpaceDlg page;
    page.resize(823, 639);
    for (auto _ : state) {
        page.Reload();
        benchmark::DoNotOptimize(page.List()->GetItemCount());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0));
}
BENCHMARK(BM_ReloadLibrary)->Arg(100)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond);

void BM_PaintList(benchmark::State &state)
{
    Peer().PushResult("WsUserComp", Library(4000));
    CMySpaceDlg page;
    page.resize(823, 639);
    page.Reload();
    CHTMLListCtrlOrg *list = page.List();
    QImage image(list->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        list->render(&image);
        benchmark::DoNotOptimize(image.bits());
    }
}
BENCHMARK(BM_PaintList)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    InitServiceAddresses(Peer().HostName());
    SetSignedInAddress(Peer().BaseAddress());
    ServiceContext.UserId = "15";
    ServiceContext.DeviceCode = "4748494a4b4c4d4e4f5051525354";
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
