// The panel runs' operations with each of their allocations failing in turn, as when memory runs
// out: every run either ends as usual or throws std::bad_alloc (which the panels report), and
// leaves nothing it allocated behind. Allocations through operator new are counted and failed
// here; on one thread they come in the same order on every run.

#include "data/datainfo.h"
#include "data/parallelrows.h"
#include "data/tddata.h"
#include "processing/adaptivethresholdf.h"
#include "processing/calcratio.h"
#include "processing/copyaroundpeaks.h"
#include "processing/filterchain.h"
#include "processing/findpeaksf.h"
#include "processing/matchingf.h"
#include "processing/movingavrf.h"

#include <QtTest>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <memory>
#include <new>

namespace {

std::atomic<long> untilFailure{0};
std::atomic<long> allocations{0};
std::atomic<long long> liveBytes{0};

// Each block carries its size in front, so that what is freed can be subtracted.
constexpr std::size_t header = alignof(std::max_align_t);

} // namespace

void *operator new(std::size_t size)
{
    if (untilFailure > 0 && --untilFailure == 0)
        throw std::bad_alloc();
    auto *block = static_cast<char *>(std::malloc(size + header));
    if (!block)
        throw std::bad_alloc();
    *reinterpret_cast<std::size_t *>(block) = size;
    ++allocations;
    liveBytes += qint64(size);
    return block + header;
}

void operator delete(void *p) noexcept
{
    if (!p)
        return;
    char *block = static_cast<char *>(p) - header;
    liveBytes -= qint64(*reinterpret_cast<std::size_t *>(block));
    std::free(block);
}

void operator delete(void *p, std::size_t) noexcept
{
    operator delete(p);
}

namespace {

// One run: makes a grid (or nothing) from the fixture's inputs.
using Run = std::function<TDData *()>;

void silence(QtMsgType, const QMessageLogContext &, const QString &) {}

} // namespace

Q_DECLARE_METATYPE(Run)

class TestFailedAllocations : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        ParallelRows::setThreadCount(1);
        qInstallMessageHandler(&silence);
        src.reset(new TDData(40, 30));
        for (int y = 0; y < 30; ++y) {
            for (int x = 0; x < 40; ++x) {
                src->setValue(x, y, (x * 7 + y * 3) % 11 + 0.25 * x);
                src->setValid(x, y, (x + y) % 13 != 0);
            }
        }
        src->setRegion(QRect(5, 5, 6, 6));
        src->infos.append(new DataInfo(1, QStringLiteral("Peaks")));
        chain = {new MovingAvrF(2, 2), new AdaptiveThresholdF(1, 1)};
    }

    void cleanupTestCase()
    {
        qDeleteAll(chain);
        qInstallMessageHandler(nullptr);
        ParallelRows::setThreadCount(0);
    }

    void everyFailure_data()
    {
        QTest::addColumn<Run>("run");
        const QRect whole(0, 0, 40, 30);
        const TDData *s = src.get();
        QTest::newRow("moving average") << Run([s, whole] { return MovingAvrF(2, 2).exec(s, whole); });
        QTest::newRow("moving average, plain copy") << Run([s, whole] { return MovingAvrF(0, 0).exec(s, whole); });
        QTest::newRow("adaptive threshold") << Run([s, whole] { return AdaptiveThresholdF(2, 1).exec(s, whole); });
        QTest::newRow("matching, exec1") << Run([s, whole] { return MatchingF(1, 1).exec1(s, whole); });
        QTest::newRow("matching, exec2") << Run([s, whole] { return MatchingF(2, 2).exec2(s, whole); });
        QTest::newRow("peak finding") << Run([s, whole] { return FindPeaksF(3.0, 5, true).exec(s, whole); });
        QTest::newRow("ratio") << Run([s] {
            const RatioOperand op{s, false, QPointF(), QPointF()};
            return CalcRatio::exec({op}, {op, op}, 40, 30, RatioOptions());
        });
        const QVector<Filter *> filters = chain;
        QTest::newRow("filter chain") << Run([s, whole, filters] { return FilterChain::apply(filters, s, whole); });
        QTest::newRow("tile around a peak")
            << Run([s] { return CopyAroundPeaks::makeTile(s, PeakTile{3, QPointF(7.5, 8.0), QRect(-2, 4, 9, 7)}); });
    }

    void everyFailure()
    {
        QFETCH(Run, run);
        // Twice untouched first: what Qt sets up on first use (translations, say) stays.
        delete run();
        const long before = allocations;
        delete run();
        const long count = allocations - before;
        QVERIFY(count > 0);
        for (long k = 1; k <= count; ++k) {
            const qint64 live = liveBytes;
            untilFailure = k;
            try {
                delete run();
            } catch (const std::bad_alloc &) {
            }
            const bool failed = untilFailure == 0;
            untilFailure = 0;
            QVERIFY2(failed, qPrintable(QStringLiteral("allocation %1 of %2 was not made").arg(k).arg(count)));
            QVERIFY2(liveBytes == live, qPrintable(QStringLiteral("allocation %1 of %2 failing left %3 bytes")
                                                        .arg(k).arg(count).arg(qint64(liveBytes) - live)));
        }
    }

private:
    std::unique_ptr<TDData> src;
    QVector<Filter *> chain;
};

QTEST_GUILESS_MAIN(TestFailedAllocations)
#include "tst_failedallocations.moc"
