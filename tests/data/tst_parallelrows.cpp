// ParallelRows::run when a piece of the work fails: the exception reaches the caller once every
// piece taken has ended, and nothing from the failing chunk on is announced.

#include "data/parallelrows.h"

#include <QThread>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <memory>
#include <new>
#include <vector>

class TestParallelRows : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { ParallelRows::setThreadCount(0); }

    // Every index once, chunks announced in order on the calling thread with the rows reported;
    // a cancel stops the announcements and the run says so.
    void everyIndexOnceInOrder_data()
    {
        QTest::addColumn<int>("threads");
        QTest::addColumn<int>("chunk");
        QTest::addColumn<int>("cancelAt");  // the index whose run cancels, or -1
        for (int threads : {1, 2, 7}) {
            for (int chunk : {0, 1, 3, 50}) {
                for (int cancelAt : {-1, 17}) {
                    QTest::addRow("%d threads, chunk %d, cancel at %d", threads, chunk, cancelAt)
                        << threads << chunk << cancelAt;
                }
            }
        }
    }

    void everyIndexOnceInOrder()
    {
        QFETCH(int, threads);
        QFETCH(int, chunk);
        QFETCH(int, cancelAt);
        ParallelRows::setThreadCount(threads);
        const int end = 40;
        std::vector<std::atomic<int>> visits(end);
        std::vector<std::pair<int, int>> announced;
        ParallelRows::Progress progress;
        const ParallelRows::Scope scope(&progress);
        const Qt::HANDLE caller = QThread::currentThreadId();
        bool announcedElsewhere = false;
        auto body = [&](int first, int last) {
            for (int i = first; i < last; ++i) {
                ++visits[size_t(i)];
                if (i == cancelAt)
                    progress.cancelled = true;
            }
        };
        auto chunkDone = [&](int first, int last) {
            announcedElsewhere = announcedElsewhere || QThread::currentThreadId() != caller;
            announced.emplace_back(first, last);
        };
        const bool finished = ParallelRows::run(0, end, chunk, body, chunkDone);

        QCOMPARE(finished, cancelAt < 0);
        QVERIFY(!announcedElsewhere);
        for (int i = 0; i < end; ++i)
            QVERIFY2(visits[size_t(i)] <= 1 && (cancelAt >= 0 || visits[size_t(i)] == 1), qPrintable(QString::number(i)));
        if (chunk == 0) {
            // Undivided runs have no chunks to stop between: they end whole and are announced.
            QCOMPARE(announced, (std::vector<std::pair<int, int>>{{0, end}}));
            return;
        }
        QCOMPARE(progress.total.load(), end);
        int rows = 0;
        for (size_t k = 0; k < announced.size(); ++k) {
            QCOMPARE(announced[k], std::make_pair(int(k) * chunk, std::min(end, int(k + 1) * chunk)));
            rows += announced[k].second - announced[k].first;
        }
        QCOMPARE(progress.done.load(), rows);
        // Once the chunk that cancels has ended, nothing after it is announced.
        QVERIFY(cancelAt < 0 ? rows == end : announced.size() <= size_t(cancelAt / chunk + 1));
    }

    void failingBand_data()
    {
        QTest::addColumn<int>("threads");
        QTest::addColumn<int>("chunk");
        QTest::addColumn<int>("failing");
        for (int threads : {1, 2, 7}) {
            for (int chunk : {0, 3}) {
                for (int failing : {0, 20, 39}) {
                    QTest::addRow("%d threads, chunk %d, index %d fails", threads, chunk, failing)
                        << threads << chunk << failing;
                }
            }
        }
    }

    void failingBand()
    {
        QFETCH(int, threads);
        QFETCH(int, chunk);
        QFETCH(int, failing);
        ParallelRows::setThreadCount(threads);
        const int begin = 0;
        const int end = 40;
        std::vector<std::atomic<int>> visits(end);
        std::vector<std::pair<int, int>> announced;
        std::pair<int, int> failingBand;
        auto body = [&](int first, int last) {
            if (first <= failing && failing < last) {
                failingBand = {first, last};
                throw std::bad_alloc();
            }
            for (int i = first; i < last; ++i)
                ++visits[size_t(i)];
        };
        auto chunkDone = [&](int first, int last) { announced.emplace_back(first, last); };
        QVERIFY_EXCEPTION_THROWN(ParallelRows::run(begin, end, chunk, body, chunkDone), std::bad_alloc);

        // No index runs twice, the failing piece's not at all; the chunks announced are the first
        // ones in order, each run whole, and never the failing one or any after it.
        for (int i = begin; i < end; ++i)
            QVERIFY2(visits[size_t(i)] <= (failingBand.first <= i && i < failingBand.second ? 0 : 1), qPrintable(QString::number(i)));
        if (chunk == 0)
            QVERIFY(announced.empty());
        for (size_t k = 0; k < announced.size(); ++k) {
            QCOMPARE(announced[k], std::make_pair(int(k) * chunk, int(k + 1) * chunk));
            QVERIFY(failing >= announced[k].second);
            for (int i = announced[k].first; i < announced[k].second; ++i)
                QCOMPARE(int(visits[size_t(i)]), 1);
        }
    }

    // An announcement that throws ends the run as a failing chunk does: no chunk starts after
    // run() has left, so nothing touches the caller's body or what it captured any more.
    void failingAnnouncement()
    {
        ParallelRows::setThreadCount(4);
        const auto left = std::make_shared<std::atomic<bool>>(false);
        const auto lateStarts = std::make_shared<std::atomic<int>>(0);
        const auto body = [left, lateStarts](int, int) {
            if (*left)
                ++*lateStarts;
            QThread::usleep(200);
        };
        const auto chunkDone = [](int, int) { throw std::bad_alloc(); };
        QVERIFY_EXCEPTION_THROWN(ParallelRows::run(0, 400, 1, body, chunkDone), std::bad_alloc);
        *left = true;
        QThread::msleep(50);
        QCOMPARE(int(*lateStarts), 0);
    }

    // Whichever thread runs a piece, it runs under the caller's progress: its rows count and it
    // sees the run cancelled.
    void piecesShareTheCallersRun_data()
    {
        QTest::addColumn<int>("threads");
        for (int threads : {1, 2, 7})
            QTest::addRow("%d threads", threads) << threads;
    }

    void piecesShareTheCallersRun()
    {
        QFETCH(int, threads);
        ParallelRows::setThreadCount(threads);
        ParallelRows::Progress progress;
        const ParallelRows::Scope scope(&progress);
        std::atomic<int> sawCancel{0};
        const bool finished = ParallelRows::run(0, threads, 0, [&](int first, int last) {
            progress.cancelled = true;
            // Long enough for the pool's threads to take pieces of their own.
            QThread::msleep(20);
            ParallelRows::rowsDone(last - first);
            if (ParallelRows::cancelled())
                sawCancel += last - first;
        });
        QVERIFY(!finished);
        QCOMPARE(progress.done.load(), threads);
        QCOMPARE(sawCancel.load(), threads);
    }

    // A scope inside another counts a part of the outer run in units of its own, and cancelling
    // the outer run stops the inner loops too.
    void partOfARun()
    {
        ParallelRows::Progress pages;
        const ParallelRows::Scope outer(&pages);
        ParallelRows::rowsStarted(3);
        {
            ParallelRows::Progress rows;
            const ParallelRows::Scope inner(&rows);
            QVERIFY(ParallelRows::run(0, 10, 2, [](int, int) {}));
            QCOMPARE(rows.done.load(), 10);
            pages.cancelled = true;
            QVERIFY(!ParallelRows::run(0, 10, 2, [](int, int) {}));
            QVERIFY(!rows.cancelled);
        }
        ParallelRows::rowsDone(1);
        QCOMPARE(pages.total.load(), 3);
        QCOMPARE(pages.done.load(), 1);
        QVERIFY(ParallelRows::cancelled());
    }
};

QTEST_GUILESS_MAIN(TestParallelRows)
#include "tst_parallelrows.moc"
