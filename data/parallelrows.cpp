#include "parallelrows.h"

#include "data/tddata0.h"

#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <limits>

namespace {

std::atomic<int> chosenThreads{0};
thread_local ParallelRows::Progress *currentProgress = nullptr;

// A pool of its own: the callers (the GUI thread, or a run in the global pool) do one band
// themselves and wait for the others, which therefore never wait behind the callers' own work.
QThreadPool &bandPool()
{
    static QThreadPool pool;
    return pool;
}

} // namespace

ParallelRows::Scope::Scope(Progress *progress)
    : previous(currentProgress)
{
    currentProgress = progress;
}

ParallelRows::Scope::~Scope()
{
    currentProgress = previous;
}

int ParallelRows::threadCount()
{
    const int chosen = chosenThreads.load();
    return chosen > 0 ? chosen : std::max(1, QThread::idealThreadCount());
}

void ParallelRows::setThreadCount(int count)
{
    chosenThreads = std::clamp(count, 0, MaxThreads);
}

ParallelRows::Extremes::Extremes(int begin, int end)
    : begin(begin)
    , lo(size_t(std::max(0, end - begin)), std::numeric_limits<double>::infinity())
    , hi(lo.size(), -std::numeric_limits<double>::infinity())
{
}

void ParallelRows::Extremes::foldInto(TDData0 *dst, int first, int last) const
{
    for (int row = first; row < last; ++row) {
        const double l = lo[size_t(row - begin)];
        const double h = hi[size_t(row - begin)];
        if (dst->minVal > l)
            dst->minVal = l;
        if (h > dst->maxVal)
            dst->maxVal = h;
    }
}

bool ParallelRows::cancelled()
{
    return currentProgress && currentProgress->cancelled.load();
}

void ParallelRows::rowsStarted(int rows)
{
    if (currentProgress)
        currentProgress->total += rows;
}

bool ParallelRows::rowsDone(int rows)
{
    if (currentProgress)
        currentProgress->done += rows;
    return !cancelled();
}

bool ParallelRows::run(int begin, int end, int chunk, const std::function<void(int, int)> &body,
                       const std::function<void(int, int)> &chunkDone)
{
    if (end <= begin)
        return !cancelled();
    if (chunk > 0)
        rowsStarted(end - begin);
    const int threads = threadCount();
    QThreadPool &pool = bandPool();
    if (pool.maxThreadCount() < threads - 1)
        pool.setMaxThreadCount(threads - 1);
    const qint64 step = chunk > 0 ? qint64(chunk) * threads : qint64(end) - begin;
    for (int c0 = begin; c0 < end; c0 = int(std::min<qint64>(end, c0 + step))) {
        if (cancelled())
            return false;
        const int c1 = int(std::min<qint64>(end, c0 + step));
        const int n = c1 - c0;
        const int bands = std::min(threads, n);
        QSemaphore finished;
        for (int b = 1; b < bands; ++b) {
            const int first = c0 + int(qint64(n) * b / bands);
            const int last = c0 + int(qint64(n) * (b + 1) / bands);
            pool.start([&body, &finished, first, last] {
                body(first, last);
                finished.release();
            });
        }
        body(c0, c0 + int(qint64(n) / bands));
        finished.acquire(bands - 1);
        if (chunkDone)
            chunkDone(c0, c1);
        if (chunk > 0 && !rowsDone(n))
            return false;
    }
    return !cancelled();
}
