// Times each filter side by side with its plain definition (tests/processing/plainfilters.h) on
// synthetic frames of doubles with about one pixel in a hundred invalid, at 1024, 2048 and 4096
// pixels a side, single-threaded, and prints one table row per operation with the ratio.
// Run from a Release build: bench_filters [sides...], e.g. bench_filters 1024 2048.
//
// Each figure is the best of a few runs (one for runs over a second), in processor time of the
// running thread, so that other programs sharing the machine disturb it little. Where the plain version
// would take minutes (matching, peak finding), it runs over a band of whole rows at the top of
// the frame and its time is scaled by the frame's height over the band's; the table says so.

#include "data/tddata.h"
#include "processing/adaptivethresholdf.h"
#include "processing/findpeaksf.h"
#include "processing/matchingf.h"
#include "processing/movingavrf.h"
#include "tests/processing/plainfilters.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QStringList>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <time.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

// Smooth bumps plus noise, about one pixel in a hundred invalid; the same frame for every run.
std::unique_ptr<TDData> frame(int side)
{
    QRandomGenerator rng(12345);
    auto grid = std::make_unique<TDData>(side, side);
    grid->dataId = QStringLiteral("bench");
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            grid->setValue(x, y, 100.0 * std::sin(x * 0.05) * std::cos(y * 0.07) + rng.bounded(10.0));
            if (rng.bounded(100) == 0)
                grid->setValid(x, y, false);
        }
    }
    return grid;
}

// Processor time of this thread: other work sharing the machine slows the wall clock, not this.
double threadMs()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec * 1e-6;
}

// Runs op (which returns a result to drop) a few times; the best time in milliseconds.
double bestMs(const std::function<TDData *()> &op)
{
    double best = 1e300;
    double total = 0.0;
    for (int run = 0; run < 5 && total < 1000.0; ++run) {
        const double start = threadMs();
        TDData *result = op();
        const double ms = threadMs() - start;
        delete result;
        // Temporaries the filters released with deleteLater() go too.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        best = std::min(best, ms);
        total += ms;
    }
    return best;
}

class Table
{
public:
    void row(const QString &operation, int side, double plainMs, double fastMs, const QString &note = QString())
    {
        out << QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 |")
                   .arg(operation)
                   .arg(side)
                   .arg(plainMs, 0, 'f', plainMs < 100 ? 2 : 0)
                   .arg(fastMs, 0, 'f', fastMs < 100 ? 2 : 0)
                   .arg(plainMs / fastMs, 0, 'f', 1)
                   .arg(note)
            << Qt::endl;
    }
    void header()
    {
        out << "| operation | side | plain ms | fast ms | plain / fast | note |" << Qt::endl
            << "|---|---|---|---|---|---|" << Qt::endl;
    }

private:
    QTextStream out{stdout};
};

void silence(QtMsgType, const QMessageLogContext &, const QString &) {}

void benchSide(int side, Table *table)
{
    const std::unique_ptr<TDData> src = frame(side);
    const QRect whole(0, 0, side, side);

    table->row(QStringLiteral("moving average (12, 12)"), side,
               bestMs([&] { return Plain::movingAvrF(src.get(), 12, 12); }),
               bestMs([&] { return MovingAvrF(12, 12).exec(src.get(), whole); }));
    table->row(QStringLiteral("adaptive threshold (12, 12)"), side,
               bestMs([&] { return Plain::adaptiveThreshold(src.get(), whole, 12, 12); }),
               bestMs([&] { return AdaptiveThresholdF(12, 12).exec(src.get(), whole); }));

    // The plain loops run over a band of rows sized to take about a second.
    for (int tpl : {16, 32, 64}) {
        src->setRegion(QRect(side / 3, side / 3, tpl, tpl));
        const int band = std::clamp(int(2e8 / (double(side) * tpl * tpl)), 1, side);
        const QRect bandRect(0, 0, side, band);
        const double plainMs = bestMs([&] { return Plain::matching(src.get(), bandRect, 1, false); }) * side / band;
        MatchingF filter(MatchingF::CosTh, MatchingF::Exec1);
        const double fastMs = bestMs([&] { return filter.exec1(src.get(), whole); });
        table->row(QStringLiteral("matching %1 x %1, whole grid").arg(tpl), side, plainMs, fastMs,
                   QStringLiteral("plain over %1 rows, scaled").arg(band));
    }
    src->regionCleared();

    const int band = std::min(side, 128);
    const double plainMs =
        bestMs([&] { return Plain::findPeaks(src.get(), QRect(0, 0, side, band), 20.0, 100, true); }) * side / band;
    table->row(QStringLiteral("peak finding, 100 peaks, radius 20"), side, plainMs,
               bestMs([&] { return FindPeaksF(20.0, 100, true).exec(src.get(), whole); }),
               QStringLiteral("plain over %1 rows, scaled").arg(band));
}

} // namespace

int main(int argc, char **argv)
{
#if defined(__GLIBC__)
    // Frames freed are kept for the next one instead of being returned to the system: on this
    // virtual machine every first touch of a fresh page costs about 12 us, some 100 ms for one
    // 2048 x 2048 grid, which would bury what is measured here under page faults.
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
#endif
    QCoreApplication app(argc, argv);
    // Matching writes a progress line per row.
    qInstallMessageHandler(&silence);
    QList<int> sides;
    for (const QString &arg : app.arguments().mid(1))
        sides.append(arg.toInt());
    if (sides.isEmpty())
        sides = {1024, 2048, 4096};
    Table table;
    table.header();
    for (int side : qAsConst(sides)) {
        if (side > 0)
            benchSide(side, &table);
    }
    return 0;
}
