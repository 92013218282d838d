// The timing, frame and table shared by the filter and display benchmarks.

#include "benchtools.h"

#include "data/parallelrows.h"
#include "data/tddata.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <time.h>

namespace Bench {

namespace {

double wallMs()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec * 1e-6;
}

const int allThreads = ParallelRows::threadCount();

} // namespace

std::unique_ptr<TDData> frame(int side, bool withInvalid)
{
    QRandomGenerator rng(12345);
    auto grid = std::make_unique<TDData>(side, side);
    grid->dataId = QStringLiteral("bench");
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            grid->setValue(x, y, 100.0 * std::sin(x * 0.05) * std::cos(y * 0.07) + rng.bounded(10.0));
            if (rng.bounded(100) == 0 && withInvalid)
                grid->setValid(x, y, false);
        }
    }
    return grid;
}

double bestMs(const std::function<void()> &op, const std::function<void()> &release, double budgetMs)
{
    double best = 1e300;
    double total = 0.0;
    for (int run = 0; run < 15 && total < budgetMs; ++run) {
        const double start = wallMs();
        op();
        const double ms = wallMs() - start;
        if (release)
            release();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        best = std::min(best, ms);
        total += ms;
    }
    return best;
}

Fast fastMs(const std::function<void()> &op, const std::function<void()> &release)
{
    // One thread and every thread take turns, up to three times while that stays short, so that a
    // slow spell of the machine does not fall on one of them alone.
    Fast fast = {1e300, 1e300};
    const double start = wallMs();
    for (int round = 0; round < 3 && wallMs() - start < 3000.0; ++round) {
        ParallelRows::setThreadCount(1);
        fast.oneMs = std::min(fast.oneMs, bestMs(op, release, 500.0));
        ParallelRows::setThreadCount(allThreads);
        fast.allMs = std::min(fast.allMs, bestMs(op, release, 500.0));
    }
    return fast;
}

void Table::row(const QString &operation, int side, double plainMs, Fast fast, const QString &note)
{
    for (Row &r : rows) {
        if (r.operation == operation && r.side == side) {
            r.plainMs = std::min(r.plainMs, plainMs);
            r.fast = {std::min(r.fast.oneMs, fast.oneMs), std::min(r.fast.allMs, fast.allMs)};
            return;
        }
    }
    rows.append({operation, side, plainMs, fast, note});
}

void Table::print() const
{
    QTextStream out(stdout);
    out << QStringLiteral("Build type %1, %2 threads (the machine's ideal count: %3)")
               .arg(QStringLiteral(QUELVO_BUILD_TYPE))
               .arg(allThreads)
               .arg(QThread::idealThreadCount())
        << Qt::endl
        << Qt::endl
        << QStringLiteral("| operation | side | plain ms | fast ms, 1 thread | fast ms, %1 threads | plain / fast | note |")
               .arg(allThreads)
        << Qt::endl
        << "|---|---|---|---|---|---|---|" << Qt::endl;
    auto ms = [](double v) { return QString::number(v, 'f', v < 100 ? 2 : 0); };
    for (const Row &r : rows) {
        out << QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 | %7 |")
                   .arg(r.operation)
                   .arg(r.side)
                   .arg(ms(r.plainMs), ms(r.fast.oneMs), ms(r.fast.allMs))
                   .arg(r.plainMs / std::min(r.fast.oneMs, r.fast.allMs), 0, 'f', 1)
                   .arg(r.note)
            << Qt::endl;
    }
}

} // namespace Bench
