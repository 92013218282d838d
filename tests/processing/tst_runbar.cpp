// RunBar with jobs that fail: the program goes on, the failure is told, nothing of the failed run
// is delivered, and the runs around it still arrive in the order they were started. Runs that
// wait for a pool thread behind another panel's run are dropped at once when cancelled or when
// their bar goes, without waiting for the run ahead. Each run is told how it ended, once its
// results went out, rendered once for the window that will show them.

#include "data/tddata.h"
#include "display/datactrl.h"
#include "display/imgdisp.h"
#include "processing/runbar.h"

#include <QApplication>
#include <QSemaphore>
#include <QSignalSpy>
#include <QThreadPool>
#include <QtTest>

#include <atomic>
#include <memory>
#include <new>
#include <stdexcept>

class TestRunBar : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { ImgDisp::setGrayScaleDefault(false); }

    // Results come rendered in the format a new image window starts in, so that the window's own
    // rendering reuses that buffer, whose pages were touched on the worker.
    void resultsComeRendered()
    {
        for (bool grey : {false, true}) {
            ImgDisp::setGrayScaleDefault(grey);
            RunBar bar;
            bar.shortRunMs = 60000;
            TDData *result = nullptr;
            bar.start([] { return QVector<TDData *>{new TDData(64, 32)}; }, [&result](TDData *d) { result = d; });
            QVERIFY(result && result->img);
            DataCtrl row;
            QCOMPARE(int(result->img->format()), row.imgDisp.ui.CBar->format);
            row.setData(result);
        }
    }

    // A bar whose runs add nothing to the list (an export) holds back no other bar's results.
    void unorderedRunHoldsNothingBack()
    {
        QThreadPool held;
        held.setMaxThreadCount(1);
        QSemaphore hold;
        held.start([&hold] { hold.acquire(); });
        RunBar exports;
        exports.pool = &held;
        exports.ordered = false;
        exports.shortRunMs = 0;
        bool exported = false;
        exports.start([] { return QVector<TDData *>(); }, RunBar::Deliver(), [&](RunBar::Outcome) { exported = true; });
        RunBar panel;
        panel.shortRunMs = 60000;
        std::unique_ptr<TDData> result;
        panel.start([] { return QVector<TDData *>{new TDData(1, 1)}; }, [&result](TDData *d) { result.reset(d); });
        const bool deliveredFirst = result && !exported;
        // A run that has counted nothing shows a busy bar, not an empty one.
        const bool busyBar = !exports.isHidden() && exports.ui.RunProgress->maximum() == 0;
        hold.release();
        held.waitForDone();
        QVERIFY(deliveredFirst);
        QVERIFY(busyBar);
        QTRY_VERIFY(exported);
        QCOMPARE(exports.ui.RunProgress->maximum(), 1);  // over: no longer busy
    }

    void barDestroyedByAnEarlierEnd_data()
    {
        QTest::addColumn<bool>("cancelled");  // both runs of one bar cancelled, else two export bars
        QTest::newRow("two unordered bars") << false;
        QTest::newRow("one bar, two cancelled runs") << true;
    }

    // A run whose bar an earlier run's end destroyed in the same flush goes with its bar: its end
    // is not told, as what it refers to may have gone with the bar.
    void barDestroyedByAnEarlierEnd()
    {
        QFETCH(bool, cancelled);
        QThreadPool held;
        held.setMaxThreadCount(1);
        QSemaphore hold;
        held.start([&hold] { hold.acquire(); });
        auto *first = new RunBar;
        RunBar *second = cancelled ? first : new RunBar;
        QStringList ends;
        for (RunBar *bar : {first, second}) {
            bar->pool = &held;
            bar->ordered = cancelled;
            bar->shortRunMs = 0;
        }
        auto nothing = [] { return QVector<TDData *>{new TDData(1, 1)}; };
        first->start(nothing, [](TDData *d) { delete d; }, [&](RunBar::Outcome) {
            ends << QStringLiteral("first");
            delete second;
        });
        second->start(nothing, [](TDData *d) { delete d; }, [&](RunBar::Outcome) { ends << QStringLiteral("second"); });
        if (cancelled)
            first->cancel();
        hold.release();
        held.waitForDone();
        QCoreApplication::sendPostedEvents();
        if (!cancelled)
            delete first;
        QCOMPARE(ends, QStringList{QStringLiteral("first")});
    }

    void failedRunAmongOthers_data()
    {
        QTest::addColumn<int>("shortRunMs");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("notice");
        const QString memory = QStringLiteral("Not enough memory for this run; nothing was added");
        const QString other = QStringLiteral("The run failed (no such thing); nothing was added");
        const QString unknown = QStringLiteral("The run failed (unknown error); nothing was added");
        QTest::newRow("out of memory, beside the event loop") << 0 << "memory" << memory;
        QTest::newRow("out of memory, short runs") << 60000 << "memory" << memory;
        QTest::newRow("other exception, beside the event loop") << 0 << "other" << other;
        QTest::newRow("not an exception class, short runs") << 60000 << "int" << unknown;
    }

    void failedRunAmongOthers()
    {
        QFETCH(int, shortRunMs);
        QFETCH(QString, failure);
        QFETCH(QString, notice);
        RunBar bar;
        bar.shortRunMs = shortRunMs;
        QSignalSpy notices(&bar, &RunBar::notice);
        // What went out, in order: each delivered result and each end of a run.
        QStringList events;
        auto deliver = [&events](TDData *d) {
            events << d->dataId;
            delete d;
        };
        auto over = [&events](RunBar::Outcome outcome) { events << QStringLiteral("over %1").arg(int(outcome)); };
        auto named = [](const QString &id) {
            return [id] {
                auto *d = new TDData(2, 2);
                d->dataId = id;
                return QVector<TDData *>{d};
            };
        };
        bar.start(named(QStringLiteral("first")), deliver, over);
        bar.start(
            [failure]() -> QVector<TDData *> {
                if (failure == QLatin1String("memory"))
                    throw std::bad_alloc();
                if (failure == QLatin1String("int"))
                    throw 42;
                throw std::runtime_error("no such thing");
            },
            deliver, over);
        // The end of a run may start the next one.
        bar.start(named(QStringLiteral("last")), deliver, [&](RunBar::Outcome outcome) {
            over(outcome);
            bar.start(named(QStringLiteral("after")), deliver);
        });
        // Without a wait even runs over at once go beside the event loop and show the bar.
        QCOMPARE(events.isEmpty(), shortRunMs == 0);
        QCOMPARE(bar.isHidden(), shortRunMs != 0);
        QTRY_VERIFY_WITH_TIMEOUT(!bar.busy(), 60000);
        QCOMPARE(events, (QStringList{"first", "over 0", "over 1", "last", "over 0", "after"}));
        QCOMPARE(notices.count(), 1);
        QCOMPARE(notices.first().first().toString(), notice);
        // The busy cursor goes with the bar, a moment after the last run.
        QTRY_COMPARE(QApplication::overrideCursor(), nullptr);
        QVERIFY(bar.isHidden());
    }

    void runsWaitingForAThread()
    {
        QThreadPool *pool = QThreadPool::globalInstance();
        const int threads = pool->maxThreadCount();
        pool->setMaxThreadCount(1);
        // The run ahead holds the only pool thread until it is let go.
        const auto letGo = std::make_shared<std::atomic<bool>>(false);
        const auto started = std::make_shared<std::atomic<int>>(0);
        auto holding = [letGo]() -> QVector<TDData *> {
            while (!*letGo)
                QThread::msleep(5);
            return {new TDData(1, 1)};
        };
        auto counting = [started]() -> QVector<TDData *> {
            ++*started;
            return {new TDData(1, 1)};
        };
        int delivered = 0;
        auto deliver = [&delivered](TDData *d) {
            ++delivered;
            delete d;
        };
        RunBar ahead;
        ahead.shortRunMs = 0;
        ahead.start(holding, deliver);
        // Should dropping a waiting run wait for the run ahead, this lets it go in the end, and
        // the test then fails instead of hanging.
        const auto testEnded = std::make_shared<std::atomic<bool>>(false);
        std::unique_ptr<QThread> valve(QThread::create([letGo, testEnded] {
            for (int i = 0; i < 1000 && !*testEnded; ++i)
                QThread::msleep(10);
            *letGo = true;
        }));
        valve->start();
        struct Closing
        {
            ~Closing()
            {
                *testEnded = true;
                valve->wait();
                QThreadPool::globalInstance()->waitForDone();
                QThreadPool::globalInstance()->setMaxThreadCount(threads);
            }
            std::shared_ptr<std::atomic<bool>> testEnded;
            QThread *valve;
            int threads;
        } closing{testEnded, valve.get(), threads};
        // Only a run that was cancelled is told it is over; one dropped with its bar is not.
        QVector<RunBar::Outcome> outcomes;
        auto over = [&outcomes](RunBar::Outcome outcome) { outcomes << outcome; };
        RunBar cancelled;
        cancelled.shortRunMs = 0;
        cancelled.start(counting, deliver, over);
        cancelled.cancel();
        QVERIFY(!cancelled.busy());
        QCOMPARE(outcomes, QVector<RunBar::Outcome>{RunBar::Outcome::Cancelled});
        {
            auto *dropped = new RunBar;
            dropped->shortRunMs = 0;
            dropped->start(counting, deliver, over);
            delete dropped;
        }
        QVERIFY(!*letGo);
        QVERIFY(ahead.busy());
        *letGo = true;
        QTRY_VERIFY_WITH_TIMEOUT(!ahead.busy(), 60000);
        QCOMPARE(delivered, 1);
        QCOMPARE(outcomes.size(), 1);
        pool->waitForDone();
        QCOMPARE(int(*started), 0);
        QTRY_COMPARE(QApplication::overrideCursor(), nullptr);
    }
};

QTEST_MAIN(TestRunBar)
#include "tst_runbar.moc"
