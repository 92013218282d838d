// The timing, frame and table shared by the filter and display benchmarks.

#include "benchtools.h"

#include "data/tddata.h"

#include <QCoreApplication>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>
#include <time.h>

namespace Bench {

namespace {

double threadMs()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec * 1e-6;
}

} // namespace

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

double bestMs(const std::function<void()> &op, const std::function<void()> &release)
{
    double best = 1e300;
    double total = 0.0;
    for (int run = 0; run < 5 && total < 1000.0; ++run) {
        const double start = threadMs();
        op();
        const double ms = threadMs() - start;
        if (release)
            release();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        best = std::min(best, ms);
        total += ms;
    }
    return best;
}

Table::Table()
{
    out << "| operation | side | plain ms | fast ms | plain / fast | note |" << Qt::endl
        << "|---|---|---|---|---|---|" << Qt::endl;
}

void Table::row(const QString &operation, int side, double plainMs, double fastMs, const QString &note)
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

} // namespace Bench
