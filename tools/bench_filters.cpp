// Times each filter on synthetic frames of doubles with a few invalid pixels.
// Run from a Release build: bench_filters [--benchmark_filter=...]

#include "data/tddata.h"
#include "processing/adaptivethresholdf.h"
#include "processing/findpeaksf.h"
#include "processing/matchingf.h"
#include "processing/movingavrf.h"

#include <QCoreApplication>
#include <QRandomGenerator>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace {

// Smooth bumps plus noise, about one pixel in a hundred invalid; the same frame for every run.
std::unique_ptr<TDData> frame(int size)
{
    QRandomGenerator rng(12345);
    auto grid = std::make_unique<TDData>(size, size);
    grid->dataId = QStringLiteral("bench");
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            grid->setValue(x, y, 100.0 * std::sin(x * 0.05) * std::cos(y * 0.07) + rng.bounded(10.0));
            if (rng.bounded(100) == 0)
                grid->setValid(x, y, false);
        }
    }
    return grid;
}

const TDData *cachedFrame(int size)
{
    static std::unique_ptr<TDData> small = frame(1024);
    static std::unique_ptr<TDData> large = frame(2048);
    return size == 1024 ? small.get() : large.get();
}

// Results are dropped at once; temporaries the filters released with deleteLater() go too.
void drop(TDData *result)
{
    delete result;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void BM_MovingAvr(benchmark::State &state)
{
    const TDData *src = cachedFrame(int(state.range(0)));
    const MovingAvrF filter(12, 12);
    for (auto _ : state)
        drop(filter.exec(src, QRect(0, 0, src->width, src->height)));
}

void BM_AdaptiveThreshold(benchmark::State &state)
{
    const TDData *src = cachedFrame(int(state.range(0)));
    const AdaptiveThresholdF filter(12, 12);
    for (auto _ : state)
        drop(filter.exec(src, QRect(0, 0, src->width, src->height)));
}

// range(0): frame size, range(1): template side, range(2): 1 for exec1, 2 for exec2.
void BM_Matching(benchmark::State &state)
{
    const TDData *frameData = cachedFrame(int(state.range(0)));
    TDData src(frameData->width, frameData->height);
    frameData->copyRect(&src, QRect(0, 0, src.width, src.height), false);
    const int side = int(state.range(1));
    src.setRegion(QRect(300, 300, side, side));
    MatchingF filter(MatchingF::CosTh, int(state.range(2)));
    const QRect work(256, 256, 512, 512);
    for (auto _ : state)
        drop(filter.execMode == MatchingF::Exec1 ? filter.exec1(&src, work) : filter.exec2(&src, work));
}

void BM_FindPeaks(benchmark::State &state)
{
    const TDData *src = cachedFrame(int(state.range(0)));
    const FindPeaksF filter(20.0, int(state.range(1)), true);
    for (auto _ : state)
        drop(filter.exec(src, QRect(0, 0, src->width, src->height)));
}

void silence(QtMsgType, const QMessageLogContext &, const QString &) {}

} // namespace

BENCHMARK(BM_MovingAvr)->Arg(1024)->Arg(2048)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AdaptiveThreshold)->Arg(1024)->Arg(2048)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Matching)
    ->ArgsProduct({{1024, 2048}, {16, 32}, {1, 2}})
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindPeaks)->Args({1024, 10})->Args({2048, 10})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindPeaks)->Args({1024, 100})->Args({2048, 100})->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // Matching writes a progress line per row.
    qInstallMessageHandler(&silence);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
