#include "processing/framestatsrun.h"

#include "data/handoff.h"
#include "data/parallelrows.h"
#include "data/tddata.h"

#include <QCoreApplication>
#include <QDebug>
#include <QSemaphore>

#include <atomic>
#include <new>

struct FrameStatsRun::Request
{
    std::shared_ptr<const TDData> data;
    QRect rect;
    bool histogram = false;
    // Touched on the GUI thread only: whom the figures go to, null once delivered or dropped.
    FrameStatsRun *owner = nullptr;
    // Cancelled when a newer request takes over.
    ParallelRows::Progress progress;
    // Written by the worker before it sets finished.
    bool failed = false;
    FrameStats::Result stats;
    FrameStats::Histogram bins;
    std::atomic<bool> finished{false};
    QSemaphore done;
};

namespace {

void compute(FrameStatsRun::Request *request)
{
    const ParallelRows::Scope scope(&request->progress);
    if (ParallelRows::cancelled())
        return;
    // Nothing may leave the pool's thread: Qt would end the program. The debug line is written on
    // the GUI thread, as words take memory this thread may not have.
    try {
        request->stats = FrameStats::compute(*request->data, request->rect,
                                             request->histogram ? &request->bins : nullptr);
    } catch (...) {
        request->failed = true;
        request->bins = FrameStats::Histogram();
    }
    // The snapshot goes here, its work done: it takes part in no connection, timer or event.
    request->data.reset();
}

} // namespace

FrameStatsRun::FrameStatsRun(QObject *parent)
    : QObject(parent)
    , pool(&ownPool)
{
    ownPool.setMaxThreadCount(1);
}

FrameStatsRun::~FrameStatsRun()
{
    drop();
}

void FrameStatsRun::start(const TDData &data, const QRect &rect, bool histogram)
{
    drop();
    auto request = std::make_shared<Request>();
    request->data.reset(data.snapshot());
    request->rect = rect;
    request->histogram = histogram;
    request->owner = this;
    current = request;
    QCoreApplication *app = QCoreApplication::instance();
    Handoff::start(pool, [request, app] {
        compute(request.get());
        request->finished = true;
        request->done.release();
        // Should even that fail for want of memory, the figures stay pending until the next request.
        Handoff::post(app, [request] {
            if (request->owner)
                request->owner->deliver(*request);
        });
    });
}

void FrameStatsRun::settle(QDeadlineTimer deadline)
{
    if (!current || deadline.hasExpired())
        return;
    const std::shared_ptr<Request> request = current;
    if (!request->done.tryAcquire(1, int(deadline.remainingTime())))
        return;
    // The semaphore orders the worker's figures before this, but ThreadSanitizer cannot see inside
    // it; the flag the worker set after them it can.
    (void)request->finished.load();
    deliver(*request);
}

void FrameStatsRun::drop()
{
    if (!current)
        return;
    current->owner = nullptr;
    current->progress.cancelled = true;
    current.reset();
}

void FrameStatsRun::deliver(Request &request)
{
    if (request.failed)
        qDebug() << "FrameStatsRun: not enough memory for the statistics of" << request.rect;
    request.owner = nullptr;
    current.reset();
    emit computed(request.failed ? nullptr : &request.stats, request.bins);
}
