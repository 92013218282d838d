#pragma once

#include "data/parallelrows.h"
#include "ui_runbar.h"

#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

class QThreadPool;
class TDData;

// Runs a panel's operation beside the event loop and shows its progress. The operation runs on a
// worker thread on inputs of its own (snapshots of the datasets, so rows may be changed or
// deleted meanwhile). A run that ends within shortRunMs delivers its results before start()
// returns, as a plain call would; a longer one shows this bar (rows done, Cancel) and the busy
// cursor, which stay a moment after the last such run, and delivers later from the event loop.
// Results of all (ordered) bars go out in the order their runs were started, each already
// rendered once in the format a new image window starts in: the window's own rendering then
// reuses that image buffer instead of touching a fresh one on the GUI thread (page faults of
// about 0.3 s for 8192 x 8192 pixels). A cancelled run delivers nothing and its results are
// deleted. A run that fails (runs out of memory, say) delivers nothing and says so through
// notice().
class RunBar : public QWidget
{
    Q_OBJECT

public:
    // Runs on a worker thread; returns new datasets (nulls allowed), which the run owns.
    using Job = std::function<QVector<TDData *>()>;
    // Called on the GUI thread with each result in turn; takes ownership.
    using Deliver = std::function<void(TDData *)>;
    // How a run ended.
    enum class Outcome { Delivered, Failed, Cancelled };
    // Called on the GUI thread once a run is over, right after its results went out; not for the
    // runs a bar drops when it is destroyed. It may start another run.
    using Finish = std::function<void(Outcome)>;

    // A job's one result (null allowed), owned until it is in the vector the job returns.
    static QVector<TDData *> single(std::unique_ptr<TDData> result);

    explicit RunBar(QWidget *parent = nullptr);
    // Cancels this bar's runs and waits for the workers of those that have started; one still
    // waiting for a pool thread never starts.
    ~RunBar() override;

    // waitMs: how long start() waits for the run before it goes on beside the event loop; below 0,
    // shortRunMs; at 0 it goes there at once.
    void start(const Job &job, const Deliver &deliver, const Finish &finish = Finish(), int waitMs = -1);
    // True while a run started here has not been delivered or discarded.
    bool busy() const;
    // Waits for this bar's runs to end and delivers those whose turn it is: for work that must
    // not be lost when its window goes (files being saved).
    void waitForRuns();

    Ui_RunBar ui;
    // How long start() waits for a run before letting it go on beside the event loop.
    int shortRunMs = 300;
    // Where the runs go; runs of bars sharing a one-thread pool run one after another, in order.
    QThreadPool *pool;
    // Whether this bar's runs take their turn in the order all runs were started, as results
    // joining the list must. Runs that add nothing to it (exports) go out as soon as they are
    // over, and hold back no other bar's runs.
    bool ordered = true;
    // How long the bar stays after its last run, so that it does not blink between runs.
    static constexpr int lingerMs = 250;

signals:
    // Rows done out of rows started by the oldest run of this bar still going.
    void progressed(int done, int total);
    // Why a run of this bar added nothing, in plain words.
    void notice(const QString &text);

public slots:
    // Discards every run of this bar not yet delivered (the Cancel button).
    void cancel();

public:
    // One run between start() and its delivery.
    struct Run;

private:
    // Delivers the finished runs at the head of the common queue, then updates every bar.
    static void flush();
    // The oldest run of this bar still going, on the bar.
    void showProgress();
    // over: the run has ended.
    void display(const ParallelRows::Progress &progress, bool over = false);
    void refresh();
    // True while a run of this bar shows (went beside the event loop and is not over).
    bool showsRun() const;
    // The busy cursor shows from the first run that goes beside the event loop until the bar
    // hides.
    void holdBusyCursor(bool hold);

    QTimer timer;
    QTimer lingering;
    bool holdsCursor = false;
};
