#include "runbar.h"

#include "data/handoff.h"
#include "data/parallelrows.h"
#include "data/tddata.h"
#include "display/colorbar0.h"
#include "display/imgdisp.h"

#include <QApplication>
#include <QDebug>
#include <QPointer>
#include <QSemaphore>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <deque>
#include <exception>
#include <memory>
#include <new>
#include <vector>

struct RunBar::Run
{
    // Guarded: a bar destroyed by an earlier run's end may leave its address to a new one.
    QPointer<RunBar> bar;
    Deliver deliver;
    Finish finish;
    ParallelRows::Progress progress;
    QVector<TDData *> results;
    // What the job threw; null when it did not.
    std::exception_ptr error;
    std::atomic<bool> finished{false};
    QSemaphore done;
    // Taken by the worker when it starts the job, or by the window when it drops the run first: a
    // run still waiting for a pool thread (behind other panels' runs, say) is not waited for.
    std::atomic<bool> claimed{false};
    bool cancelled = false;
    bool shown = false;
};

namespace {

// Every run not yet delivered, in the order started; touched on the GUI thread only.
std::deque<std::shared_ptr<RunBar::Run>> &queue()
{
    static std::deque<std::shared_ptr<RunBar::Run>> runs;
    return runs;
}

// Every bar, so that each can show or hide when the queue moves.
QVector<RunBar *> &bars()
{
    static QVector<RunBar *> all;
    return all;
}

// Whether the run's bar is still there (it leaves the list at the start of its destruction).
bool hasBar(const RunBar::Run &run)
{
    return run.bar && bars().contains(run.bar);
}

// Renders each result once for the window that will show it. Only a head start: should it fail
// (out of memory, say), the window renders the result itself.
void firstRendering(const QVector<TDData *> &results, const ColorBar0 &view)
{
    try {
        for (TDData *result : results) {
            if (result && !ParallelRows::cancelled())
                result->makeImg(&view);
        }
    } catch (const std::bad_alloc &) {
        qDebug() << "RunBar: no memory to render the results ahead of their windows";
    }
}

// What went wrong, in plain words: made on the GUI thread, as words take memory a worker that ran
// out of it may not have.
QString failureText(const std::exception_ptr &error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::bad_alloc &) {
        return RunBar::tr("Not enough memory for this run; nothing was added");
    } catch (const std::exception &e) {
        return RunBar::tr("The run failed (%1); nothing was added").arg(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        return RunBar::tr("The run failed (%1); nothing was added").arg(RunBar::tr("unknown error"));
    }
}

} // namespace

QVector<TDData *> RunBar::single(std::unique_ptr<TDData> result)
{
    QVector<TDData *> results{result.get()};
    result.release();
    return results;
}

RunBar::RunBar(QWidget *parent)
    : QWidget(parent)
    , pool(QThreadPool::globalInstance())
{
    ui.setupUi(this);
    bars().append(this);
    hide();
    timer.setInterval(100);
    connect(&timer, &QTimer::timeout, this, &RunBar::showProgress);
    lingering.setSingleShot(true);
    lingering.setInterval(lingerMs);
    connect(&lingering, &QTimer::timeout, this, [this] {
        if (!showsRun()) {
            hide();
            ui.RunProgress->reset();
            holdBusyCursor(false);
        }
    });
    connect(ui.RunCancel, &QPushButton::clicked, this, &RunBar::cancel);
}

RunBar::~RunBar()
{
    bars().removeOne(this);
    auto &runs = queue();
    for (const auto &run : runs) {
        if (run->bar == this)
            run->progress.cancelled = true;
    }
    for (auto it = runs.begin(); it != runs.end();) {
        if ((*it)->bar != this) {
            ++it;
            continue;
        }
        // Cancelled runs stop at their next chunk of rows; one not started yet never starts.
        if ((*it)->claimed.exchange(true)) {
            (*it)->done.acquire();
            // The semaphore orders the worker's results before this, but ThreadSanitizer cannot see
            // inside it; the flag the worker set after them it can.
            (void)(*it)->finished.load();
        }
        qDeleteAll((*it)->results);
        it = runs.erase(it);
    }
    holdBusyCursor(false);
    // Runs of other bars that waited behind these go out from the event loop, not from inside
    // the destruction of whatever owns this bar.
    QMetaObject::invokeMethod(QCoreApplication::instance(), &RunBar::flush, Qt::QueuedConnection);
}

void RunBar::start(const Job &job, const Deliver &deliver, const Finish &finish, int waitMs)
{
    auto run = std::make_shared<Run>();
    run->bar = this;
    run->deliver = deliver;
    run->finish = finish;
    queue().push_back(run);
    QCoreApplication *app = QCoreApplication::instance();
    ColorBar0 firstView;
    firstView.format = ImgDisp::defaultFormat();
    Handoff::start(pool, [run, job, app, firstView] {
        if (run->claimed.exchange(true))
            return;
        {
            ParallelRows::Scope scope(&run->progress);
            // Nothing may leave the pool's thread: Qt would end the program.
            try {
                run->results = job();
                firstRendering(run->results, firstView);
                // Results were made here but live on the GUI thread (deleteLater, signals).
                for (TDData *result : qAsConst(run->results)) {
                    if (result)
                        result->moveToThread(app->thread());
                }
            } catch (...) {
                run->error = std::current_exception();
            }
        }
        run->finished = true;
        run->done.release();
        // Should even that fail for want of memory, the run goes out with the next flush: the end
        // of another run, or Cancel.
        Handoff::post(app, &RunBar::flush);
    });
    const int wait = waitMs < 0 ? shortRunMs : waitMs;
    // Without a wait the run goes beside the event loop even when it is over at once: it shows
    // its bar and delivers from the event loop.
    if (wait > 0 && run->done.tryAcquire(1, wait)) {
        run->done.release();
        flush();
        return;
    }
    run->shown = true;
    holdBusyCursor(true);
    refresh();
}

bool RunBar::busy() const
{
    for (const auto &run : queue()) {
        if (run->bar == this)
            return true;
    }
    return false;
}

void RunBar::waitForRuns()
{
    for (const auto &run : queue()) {
        if (run->bar == this) {
            run->done.acquire();
            run->done.release();
        }
    }
    flush();
}

void RunBar::cancel()
{
    for (const auto &run : queue()) {
        if (run->bar == this) {
            run->cancelled = true;
            run->progress.cancelled = true;
            // A run that has not started is over now.
            if (!run->claimed.exchange(true)) {
                run->finished = true;
                run->done.release();
            }
        }
    }
    flush();
}

void RunBar::flush()
{
    auto &runs = queue();
    // A finished run off the queue: the worker is done with it once it has released done. Returns
    // how it ended, and tells a failure through the run's bar, unless an earlier run's end
    // destroyed that bar.
    auto retire = [](Run &run) {
        run.done.acquire();
        const Outcome outcome = run.cancelled ? Outcome::Cancelled
                                : run.error   ? Outcome::Failed
                                              : Outcome::Delivered;
        if (outcome != Outcome::Delivered)
            qDeleteAll(run.results);
        if (!hasBar(run))
            return outcome;
        // A bar that lingers shows how the run ended.
        if (run.shown)
            run.bar->display(run.progress, true);
        if (outcome == Outcome::Failed)
            emit run.bar->notice(failureText(run.error));
        return outcome;
    };
    // Hands out a retired run's results and tells its end, which may start the next run or
    // destroy a bar: neither touches the run's bar.
    auto tell = [](const Run &run, Outcome outcome) {
        if (outcome == Outcome::Delivered) {
            for (TDData *result : qAsConst(run.results))
                run.deliver(result);
        }
        if (run.finish)
            run.finish(outcome);
    };
    // Cancelled runs deliver nothing and runs of unordered bars hold no place in the list, so
    // neither waits for its turn once its worker is done with it (or it never started). They are
    // ended once the queue is walked.
    std::vector<std::shared_ptr<Run>> early;
    for (auto it = runs.begin(); it != runs.end();) {
        if (!(*it)->finished || (!(*it)->cancelled && (*it)->bar->ordered)) {
            ++it;
            continue;
        }
        early.push_back(*it);
        it = runs.erase(it);
    }
    for (const auto &run : early) {
        const Outcome outcome = retire(*run);
        // An earlier end may have destroyed this run's bar, which drops its runs untold: the end
        // may belong to what went with the bar.
        if (hasBar(*run))
            tell(*run, outcome);
        else if (outcome == Outcome::Delivered)
            qDeleteAll(run->results);
    }
    // The others in the order they were started: the first that is not over holds back the rest.
    for (;;) {
        const auto first = std::find_if(runs.begin(), runs.end(), [](const auto &run) { return run->bar->ordered; });
        if (first == runs.end() || !(*first)->finished)
            break;
        const std::shared_ptr<Run> run = *first;
        runs.erase(first);
        tell(*run, retire(*run));
    }
    for (RunBar *bar : qAsConst(bars()))
        bar->refresh();
}

bool RunBar::showsRun() const
{
    for (const auto &run : queue()) {
        if (run->bar == this && run->shown)
            return true;
    }
    return false;
}

void RunBar::refresh()
{
    if (showsRun()) {
        lingering.stop();
        // A bar still lingering keeps showing how the last run ended until the next tick, so that
        // runs in quick succession (the steps of a stack) do not blink.
        if (isHidden()) {
            show();
            showProgress();
        }
        if (!timer.isActive())
            timer.start();
    } else if (!isHidden() && !lingering.isActive()) {
        // A bar (and busy cursor) that went at once would blink between runs that follow one
        // another.
        lingering.start();
        timer.stop();
    }
}

void RunBar::showProgress()
{
    for (const auto &run : queue()) {
        if (run->bar == this) {
            display(run->progress);
            return;
        }
    }
}

void RunBar::display(const ParallelRows::Progress &progress, bool over)
{
    const int done = progress.done;
    const int total = progress.total;
    // A progress bar repaints at once when its value changes, which paints everything pending in
    // the window there and then; the new value is shown with the window's next paint instead.
    ui.RunProgress->setUpdatesEnabled(false);
    if (total == 0) {
        // Nothing counted yet, or a run that cannot count (a picture being encoded): a busy bar
        // while it goes, rather than an empty one, which would look stalled; a full one, without
        // a count, once it is over.
        ui.RunProgress->setRange(0, over ? 1 : 0);
        ui.RunProgress->setValue(over ? 1 : 0);
        ui.RunProgress->setTextVisible(false);
    } else {
        ui.RunProgress->setMaximum(total);
        ui.RunProgress->setValue(done);
        ui.RunProgress->setTextVisible(true);
    }
    ui.RunProgress->setUpdatesEnabled(true);
    if (total > 0)
        emit progressed(done, total);
}

void RunBar::holdBusyCursor(bool hold)
{
    if (hold == holdsCursor)
        return;
    holdsCursor = hold;
    if (hold)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QApplication::restoreOverrideCursor();
}
