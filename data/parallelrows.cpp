#include "parallelrows.h"

#include "data/handoff.h"
#include "data/tddata0.h"

#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <chrono>
#include <exception>
#include <limits>
#include <memory>
#include <mutex>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

std::atomic<int> chosenThreads{0};
// Runs started so far, by any thread.
std::atomic<unsigned> runsStarted{0};
thread_local const ParallelRows::Scope *currentScope = nullptr;

// A pool of its own: the callers (the GUI thread, or a run in the global pool) work on chunks
// themselves and wait for the others, which therefore never wait behind the callers' own work.
// Never destroyed: destroying a pool waits for its threads, and a thread the system refused to
// start is waited for forever. At exit no chunk is running.
QThreadPool &bandPool()
{
    static QThreadPool *pool = new QThreadPool;
    return *pool;
}

// The chunks of one run, handed out in order to whichever thread asks first: the caller and the
// pool tasks started for it. So a thread slowed down by others sharing the machine takes fewer
// chunks instead of holding the rest up at a barrier, and every chunk runs even when the pool
// cannot start a thread (the system may refuse one): the caller then runs them all. A task that
// starts after the run has ended finds nothing left and never touches the caller's body, which is
// why the tasks share this and not the caller's stack. The first exception a chunk throws is kept
// for the caller. Every chunk runs under the caller's progress scope, alive while chunks run.
class Chunks
{
public:
    Chunks(const std::function<void(int, int)> &body, int begin, int end, int size)
        : body(body)
        , scope(currentScope)
        , begin(begin)
        , end(end)
        , size(size)
        , count(int((qint64(end) - begin + size - 1) / size))
        , finished(new std::atomic<bool>[size_t(count)])
    {
        for (int k = 0; k < count; ++k)
            finished[k] = false;
    }

    int first(int k) const { return int(begin + qint64(k) * size); }
    int last(int k) const { return int(std::min<qint64>(end, begin + (qint64(k) + 1) * size)); }
    bool isFinished(int k) const { return finished[k].load(std::memory_order_acquire); }
    bool failed() const
    {
        const std::lock_guard<std::mutex> hold(failureLock);
        return bool(failure);
    }
    void rethrowFailure() const
    {
        const std::lock_guard<std::mutex> hold(failureLock);
        if (failure)
            std::rethrow_exception(failure);
    }

    // Claims and runs the next chunk; false when none is left.
    bool runOne()
    {
        const int k = next++;
        if (k >= count)
            return false;
        const ParallelRows::Scope *own = currentScope;
        currentScope = scope;
        try {
            body(first(k), last(k));
        } catch (...) {
            const std::lock_guard<std::mutex> hold(failureLock);
            if (!failure)
                failure = std::current_exception();
        }
        currentScope = own;
        finished[k].store(true, std::memory_order_release);
        ended.release();
        return true;
    }
    // Blocks until some chunk has finished since the last wait (or at once if one has).
    void waitForAnother() { ended.acquire(); }
    // Hands out no more chunks and waits for those handed out to finish; once is enough.
    void close()
    {
        if (closed)
            return;
        closed = true;
        const int claimed = std::min(next.exchange(count), count);
        for (int k = 0; k < claimed; ++k) {
            while (!isFinished(k))
                waitForAnother();
        }
    }

    const std::function<void(int, int)> &body;
    const ParallelRows::Scope *const scope;
    const int begin;
    const int end;
    const int size;
    const int count;

private:
    std::atomic<int> next{0};
    // Touched by the calling thread only.
    bool closed = false;
    std::unique_ptr<std::atomic<bool>[]> finished;
    QSemaphore ended;
    mutable std::mutex failureLock;
    std::exception_ptr failure;
};

// A helper out of chunks stays awake a moment for the next run: some operations go through runs
// back to back (a threshold over single rows averages them, then compares), and waking a
// sleeping pool thread can take some tens of microseconds, as long as a short run's work. The pool hands the next run's task to this thread as soon as it returns. Not
// with more threads than cores, where the wait would take a core from a thread with work.
void lingerAfter(unsigned run)
{
    static const int cores = QThread::idealThreadCount();
    if (ParallelRows::threadCount() > cores)
        return;
    const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(50);
    while (runsStarted.load(std::memory_order_relaxed) == run && std::chrono::steady_clock::now() < until) {
#if defined(__SSE2__)
        _mm_pause();
#endif
    }
}

} // namespace

ParallelRows::Scope::Scope(Progress *progress)
    : progress(progress)
    , outer(currentScope)
{
    currentScope = this;
}

ParallelRows::Scope::~Scope()
{
    currentScope = outer;
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
    for (const Scope *scope = currentScope; scope; scope = scope->outer) {
        if (scope->progress && scope->progress->cancelled.load())
            return true;
    }
    return false;
}

void ParallelRows::rowsStarted(int rows)
{
    if (currentScope && currentScope->progress)
        currentScope->progress->total += rows;
}

bool ParallelRows::rowsDone(int rows)
{
    if (currentScope && currentScope->progress)
        currentScope->progress->done += rows;
    return !cancelled();
}

bool ParallelRows::run(int begin, int end, int chunk, const std::function<void(int, int)> &body,
                       const std::function<void(int, int)> &chunkDone)
{
    if (end <= begin)
        return !cancelled();
    if (chunk > 0)
        rowsStarted(end - begin);
    if (cancelled())
        return false;
    const int threads = threadCount();
    const qint64 size = chunk > 0 ? chunk : (qint64(end) - begin + threads - 1) / threads;
    const auto chunks = std::make_shared<Chunks>(body, begin, end, int(size));
    // However run() is left (a chunkDone or a thread start that throws included), no chunk is
    // handed out any more and those handed out have ended before body and its captures go.
    struct Closing
    {
        ~Closing() { chunks->close(); }
        Chunks *chunks;
    } closing{chunks.get()};
    QThreadPool &pool = bandPool();
    const int helpers = std::min(threads, chunks->count) - 1;
    if (pool.maxThreadCount() < helpers)
        pool.setMaxThreadCount(helpers);
    const unsigned run = ++runsStarted;
    for (int t = 0; t < helpers; ++t) {
        Handoff::start(&pool, [chunks, run] {
            while (chunks->runOne()) {
            }
            lingerAfter(run);
        });
    }
    // The caller works too, and between its chunks announces the finished ones in order.
    int announced = 0;
    bool stopped = false;
    while (!stopped && announced < chunks->count) {
        if (!chunks->runOne())
            chunks->waitForAnother();
        // After a failure nothing more is announced.
        stopped = chunks->failed();
        for (; !stopped && announced < chunks->count && chunks->isFinished(announced); ++announced) {
            if (chunk > 0) {
                if (chunkDone)
                    chunkDone(chunks->first(announced), chunks->last(announced));
                stopped = !rowsDone(chunks->last(announced) - chunks->first(announced));
            }
        }
    }
    chunks->close();
    chunks->rethrowFailure();
    if (stopped)
        return false;
    if (chunk <= 0 && chunkDone)
        chunkDone(begin, end);
    return !cancelled();
}
