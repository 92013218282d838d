#include "parallelrows.h"

#include "data/tddata0.h"

#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <exception>
#include <limits>
#include <memory>
#include <mutex>

namespace {

std::atomic<int> chosenThreads{0};
thread_local ParallelRows::Progress *currentProgress = nullptr;

// A pool of its own: the callers (the GUI thread, or a run in the global pool) work on bands
// themselves and wait for the others, which therefore never wait behind the callers' own work.
// Never destroyed: destroying a pool waits for its threads, and a thread the system refused to
// start is waited for forever. At exit no band is running.
QThreadPool &bandPool()
{
    static QThreadPool *pool = new QThreadPool;
    return *pool;
}

// The bands of one step, each taken by whichever thread claims it first: the caller and the pool
// tasks started for it. The caller goes on claiming until none is left, so every band runs even
// when the pool cannot start a thread (the system may refuse one), and it waits only for bands
// that pool threads took. A task that starts after the step finds nothing left to claim and never
// touches the caller's body, which is why the tasks share this and not the caller's stack.
// The first exception a band throws is kept for the caller, after every band has ended.
struct Bands
{
    Bands(const std::function<void(int, int)> &body, int first, int size, int count)
        : body(body)
        , first(first)
        , size(size)
        , count(count)
    {
    }

    void work()
    {
        for (int b = next++; b < count; b = next++) {
            try {
                body(start(b), start(b + 1));
            } catch (...) {
                const std::lock_guard<std::mutex> hold(failureLock);
                if (!failure)
                    failure = std::current_exception();
            }
            finished.release();
        }
    }
    int start(int band) const { return first + int(qint64(size) * band / count); }

    const std::function<void(int, int)> &body;
    const int first;
    const int size;
    const int count;
    std::atomic<int> next{0};
    QSemaphore finished;
    std::mutex failureLock;
    std::exception_ptr failure;
};

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
        const auto bands = std::make_shared<Bands>(body, c0, n, std::min(threads, n));
        for (int b = 1; b < bands->count; ++b)
            pool.start([bands] { bands->work(); });
        bands->work();
        bands->finished.acquire(bands->count);
        if (bands->failure)
            std::rethrow_exception(bands->failure);
        if (chunkDone)
            chunkDone(c0, c1);
        if (chunk > 0 && !rowsDone(n))
            return false;
    }
    return !cancelled();
}
