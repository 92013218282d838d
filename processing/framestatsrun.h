#pragma once

#include "processing/framestats.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QRect>
#include <QThreadPool>

#include <memory>

class TDData;

// Statistics of a dataset computed beside the event loop, for a window that follows the user from
// frame to frame and must not hold the mouse while a large frame is swept. Each request works on a
// snapshot of its own, so the dataset may change or go meanwhile, and supersedes the requests
// before it: only the newest one's figures are ever delivered, and an older computation stops at
// its next band of rows, so the window never waits for a frame it has already left. The work has
// a thread of its own, so that long panel runs do not hold it up. The figures arrive from the
// event loop, or from settle() when they are known by its deadline: the caller then shows them at
// once, as a plain call would give them.
class FrameStatsRun : public QObject
{
    Q_OBJECT

public:
    explicit FrameStatsRun(QObject *parent = nullptr);
    // Drops the request under way and, on the own thread, waits for its computation to stop; one
    // on another pool stops by itself, on its own snapshot.
    ~FrameStatsRun() override;

    // Computes FrameStats::compute(data, rect), with the histogram when histogram is set; delivers
    // nothing before it returns.
    void start(const TDData &data, const QRect &rect, bool histogram);
    // Waits for the figures under way until deadline and delivers them when they are known by
    // then; returns at once when the deadline has passed.
    void settle(QDeadlineTimer deadline);
    // Forgets the request under way: its figures are never delivered.
    void drop();
    // True from start() until the figures are delivered or dropped.
    bool busy() const { return bool(current); }

    // Where the computations run: a thread of this run's own unless set otherwise.
    QThreadPool *pool;

    // One request between start() and its delivery.
    struct Request;

signals:
    // The newest request's figures; stats is null when their memory could not be had (the
    // histogram is then empty). Both live only for the duration of the call.
    void computed(const FrameStats::Result *stats, const FrameStats::Histogram &histogram);

private:
    void deliver(Request &request);

    QThreadPool ownPool;
    std::shared_ptr<Request> current;
};
