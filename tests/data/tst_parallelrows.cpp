// ParallelRows::run when a band fails: the other bands of that chunk still end, the exception
// reaches the caller, and nothing after the failing chunk is run or announced.

#include "data/parallelrows.h"

#include <QtTest>

#include <algorithm>
#include <atomic>
#include <new>
#include <vector>

class TestParallelRows : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { ParallelRows::setThreadCount(0); }

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

        // The chunk that failed: as the caller splits the indices, chunk x threads at a time.
        const int step = chunk > 0 ? chunk * threads : end - begin;
        const int chunkFirst = failing / step * step;
        const int chunkLast = std::min(end, chunkFirst + step);
        for (int i = begin; i < end; ++i) {
            const bool inFailedBand = failingBand.first <= i && i < failingBand.second;
            const int expected = i < chunkLast && !inFailedBand ? 1 : 0;
            QVERIFY2(visits[size_t(i)] == expected, qPrintable(QString::number(i)));
        }
        QCOMPARE(int(announced.size()), chunk > 0 ? chunkFirst / step : 0);
        for (size_t k = 0; k < announced.size(); ++k)
            QCOMPARE(announced[k], std::make_pair(int(k) * step, int(k + 1) * step));
    }
};

QTEST_GUILESS_MAIN(TestParallelRows)
#include "tst_parallelrows.moc"
