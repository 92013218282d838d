// The fast filters against their plain definitions (plainfilters.h): whole results compared bit
// for bit on random grids whose invalid pixels hold NaN and infinities, with odd sizes and
// rectangles reaching past the edges, on 1, 2 and 7 threads. Names are compared through a translator that shows their
// context, on a source named "g%1" that a second arg() call would spoil.

#include "data/datainfo.h"
#include "data/lanes.h"
#include "data/parallelrows.h"
#include "data/tddata.h"
#include "filtertesttools.h"
#include "plainfilters.h"
#include "processing/adaptivethresholdf.h"
#include "processing/findpeaksf.h"
#include "processing/matchingf.h"
#include "processing/movingavrf.h"
#include "tests/memorylimit.h"

#include <QtTest>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

namespace {

const double infinity = std::numeric_limits<double>::infinity();
const double notANumber = std::numeric_limits<double>::quiet_NaN();

// Kinds of trouble a grid may hold besides ordinary values.
enum Trouble {
    InvalidNonFinite = 1,  // invalid pixels holding NaN, +inf, -inf
    ValidNonFinite = 2,    // a few valid pixels holding them too
    Ties = 4,              // whole numbers 0..3 (zeros of either sign), so that equal values are frequent
    FewInvalid = 8         // one pixel in 300 invalid instead of one in 5, so most windows are whole
};

TDData *troubledGrid(int width, int height, quint32 seed, int trouble)
{
    TDData *grid = randomGrid(width, height, seed, trouble & Ties ? 4 : 0);
    QRandomGenerator rng(seed + 1);
    const double odd[] = {notANumber, infinity, -infinity};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (trouble & FewInvalid)
                grid->setValid(x, y, rng.bounded(300) != 0);
            const bool valid = grid->isValid(x, y);
            if ((trouble & Ties) && grid->value(x, y) == 0.0 && rng.bounded(2) == 0) {
                grid->setValue(x, y, -0.0);
                grid->setValid(x, y, valid);
            }
            const bool spoil = valid ? (trouble & ValidNonFinite) && rng.bounded(60) == 0
                                     : (trouble & InvalidNonFinite) && rng.bounded(2) == 0;
            if (spoil) {
                grid->setValue(x, y, odd[rng.bounded(3)]);
                grid->setValid(x, y, valid);
            }
        }
    }
    grid->dataId = QStringLiteral("g%1");
    return grid;
}

void addInfos(TDData0 *g)
{
    auto *regions = new DataInfo(DataInfo::RegionList, QString());
    regions->rects = {QRect(0, 0, 2, 2), QRect(1, 1, 3, 3)};
    g->infos = {peakList({QPointF(1, 2), QPointF(3, 0)}), regions};
}

// Leaves memory holding 0xff bytes (NaN values, flags that are no bool) where the grids of a
// result of that many pixels are likely to be made next, so that a pixel the filter leaves
// unwritten shows. Blocks of these sizes are handed out again from what was freed last.
void poisonFreedMemory(int pixels)
{
    for (size_t bytes : {size_t(pixels) * sizeof(double), size_t(pixels)}) {
        const size_t header = 80;
        void *block = std::malloc(bytes + header);
        std::memset(block, 0xff, bytes + header);
        std::free(block);
    }
}

bool sameDouble(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}

// Whole results: size, every value (NaN matching any NaN) and flag, range, name, region, items.
void compareResults(const TDData0 *got, const TDData0 *want)
{
    QVERIFY(got && want);
    QCOMPARE(got->width, want->width);
    QCOMPARE(got->height, want->height);
    QCOMPARE(got->valids, want->valids);
    for (int i = 0; i < want->values.size(); ++i) {
        if (!sameDouble(got->values[i], want->values[i]))
            QFAIL(qPrintable(QStringLiteral("pixel %1, %2: %3 instead of %4")
                                 .arg(i % want->width).arg(i / want->width)
                                 .arg(got->values[i], 0, 'g', 17).arg(want->values[i], 0, 'g', 17)));
    }
    QVERIFY2(sameDouble(got->minVal, want->minVal), qPrintable(QString::number(got->minVal)));
    QVERIFY2(sameDouble(got->maxVal, want->maxVal), qPrintable(QString::number(got->maxVal)));
    QCOMPARE(got->dataId, want->dataId);
    QCOMPARE(got->regionSet, want->regionSet);
    QCOMPARE(got->region, want->region);
    QCOMPARE(got->infos.size(), want->infos.size());
    for (int i = 0; i < want->infos.size(); ++i) {
        QCOMPARE(got->infos[i]->kind, want->infos[i]->kind);
        QCOMPARE(got->infos[i]->name, want->infos[i]->name);
        QCOMPARE(got->infos[i]->points, want->infos[i]->points);
        QCOMPARE(got->infos[i]->rects, want->infos[i]->rects);
        QCOMPARE(got->infos[i]->rect, want->infos[i]->rect);
    }
}

// Debug lines of both runs, the closing elapsed time left out.
void compareDebugLines(QStringList got, QStringList want)
{
    QVERIFY(!got.isEmpty() && !want.isEmpty());
    const QString last = got.takeLast();
    QCOMPARE(last.section(QLatin1Char(' '), 0, 0), want.takeLast().section(QLatin1Char(' '), 0, 0));
    QCOMPARE(got, want);
}

} // namespace

class TestFilterExactness : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        ParallelRows::setThreadCount(0);
        Lanes::narrowChosen = false;
    }
    void runningSums_data();
    void runningSums();
    void runningSumsSignedZeroRange_data();
    void runningSumsSignedZeroRange();
    void averages_data();
    void averages();
    void cancelledAverages();
    void matching_data();
    void matching();
    void matchingHugeRegions_data();
    void matchingHugeRegions();
    void peaks_data();
    void peaks();
    void emptyGrid();
    void peakCount_data();
    void peakCount();

private:
    const ContextTranslator translator;
};

void TestFilterExactness::runningSums_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("trouble");
    QTest::addColumn<int>("threads");
    for (int threads : threadCounts) {
        QTest::addRow("window past both edges, %d threads", threads) << 9 << 6 << 50 << int(InvalidNonFinite | ValidNonFinite) << threads;
        QTest::addRow("rows not a multiple of the group, %d threads", threads) << 19 << 7 << 2 << int(InvalidNonFinite | ValidNonFinite) << threads;
        QTest::addRow("rows much longer than the window, %d threads", threads) << 130 << 11 << 3 << int(InvalidNonFinite | ValidNonFinite) << threads;
        // Windows this wide are averaged row by row instead of through a ring of columns.
        QTest::addRow("window wider than a ring holds, %d threads", threads) << 33000 << 3 << 40000 << int(InvalidNonFinite) << threads;
        QTest::addRow("empty, %d threads", threads) << 0 << 3 << 2 << 0 << threads;
    }
}

void TestFilterExactness::runningSums()
{
    QFETCH(int, threads);
    ParallelRows::setThreadCount(threads);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, a);
    QFETCH(int, trouble);
    std::unique_ptr<TDData> src(troubledGrid(width, height, 17 + a, trouble));
    for (bool alongX : {true, false}) {
        TDData fast(width, height);
        TDData plain(width, height);
        // A destination holding values already: only pixels valid in the source are written.
        for (TDData *dst : {&fast, &plain}) {
            for (int i = 0; i < dst->values.size(); i += 3)
                dst->setValue(i % width, i / width, 0.5 * i);
        }
        alongX ? src->movingAvrX(&fast, a) : src->movingAvrY(&fast, a);
        Plain::movingAvr1(src.get(), &plain, a, alongX);
        compareResults(&fast, &plain);
    }
}

void TestFilterExactness::runningSumsSignedZeroRange_data()
{
    QTest::addColumn<bool>("alongX");
    QTest::addColumn<bool>("negativeFirst");
    // Halving the smallest negative subnormal rounds to -0.0. Into a range that does not hold 0
    // yet, the first zero written must become the minimum.
    // Along rows, row 0 writes -0.0 at column 5 before row 1 writes +0.0 at column 1.
    QTest::addRow("along rows") << true << true;
    // Along columns, column 2 writes +0.0 before column 5 writes -0.0, though column 5 comes first
    // among the lanes of a vector.
    QTest::addRow("along columns") << false << false;
}

void TestFilterExactness::runningSumsSignedZeroRange()
{
    QFETCH(bool, alongX);
    QFETCH(bool, negativeFirst);
    TDData src(8, 2);
    src.setValue(5, 0, -std::numeric_limits<double>::denorm_min());
    if (alongX) {
        src.setValue(6, 0, 0.0);
        src.setValue(1, 1, 0.0);
    } else {
        src.setValue(5, 1, 0.0);
        src.setValue(2, 0, 0.0);
    }
    TDData plain(8, 2);
    plain.minVal = 5.0;
    plain.maxVal = 7.0;
    Plain::movingAvr1(&src, &plain, 1, alongX);
    QCOMPARE(std::signbit(plain.minVal), negativeFirst);
    for (int threads : threadCounts) {
        ParallelRows::setThreadCount(threads);
        TDData fast(8, 2);
        fast.minVal = 5.0;
        fast.maxVal = 7.0;
        alongX ? src.movingAvrX(&fast, 1) : src.movingAvrY(&fast, 1);
        compareResults(&fast, &plain);
    }
}

void TestFilterExactness::averages_data()
{
    QTest::addColumn<bool>("threshold");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("hw");
    QTest::addColumn<int>("hh");
    QTest::addColumn<QRect>("rect");  // of the threshold; the moving average covers the whole grid
    QTest::addColumn<int>("trouble");
    QTest::addColumn<int>("threads");
    for (int threads : threadCounts) {
        const QSize small(37, 29);
        const QRect some(-5, -5, 100, 3);
        QTest::addRow("MA -2, 5, %d threads", threads) << false << small << -2 << 5 << some << int(InvalidNonFinite | Ties) << threads;
        // Both half sizes <= 0: a copy, whose items are not appended a second time.
        QTest::addRow("MA -3, -1 copies, %d threads", threads) << false << small << -3 << -1 << some << int(InvalidNonFinite | ValidNonFinite) << threads;
        // Many windows long, so that the rows and columns kept in passing are reused many times.
        QTest::addRow("MA long grid, 5, 7, %d threads", threads) << false << QSize(141, 117) << 5 << 7 << some
                                            << int(InvalidNonFinite | ValidNonFinite) << threads;
        // On several threads each strip of columns is narrower than the window along rows.
        QTest::addRow("MA window wider than the strips, %d threads", threads) << false << QSize(40, 60) << 15 << 4 << some
                                                           << int(InvalidNonFinite | ValidNonFinite) << threads;
        QTest::addRow("MA window wider than a ring holds, %d threads", threads) << false << QSize(33000, 2) << 33001 << 1 << some
                                                           << int(InvalidNonFinite) << threads;
        QTest::addRow("AT past every edge, %d threads", threads) << true << small << 3 << 4 << QRect(-4, -2, 50, 40)
                                            << int(InvalidNonFinite | ValidNonFinite) << threads;
        QTest::addRow("AT columns only, whole rows, %d threads", threads) << true << small << -1 << 3 << QRect(QPoint(-1, 6), QPoint(40, 11))
                                         << int(InvalidNonFinite | Ties) << threads;
        QTest::addRow("AT inverted, %d threads", threads) << true << small << 1 << 1 << QRect(QPoint(9, 9), QPoint(2, 2))
                                     << int(InvalidNonFinite) << threads;
        // Wide enough for the threads to share the rows of every group, and long enough to round
        // the ring.
        QTest::addRow("MA wide, %d threads", threads) << false << QSize(8200, 150) << 5 << 9 << some
                                                             << int(InvalidNonFinite | ValidNonFinite) << threads;
        QTest::addRow("AT wide, 3 whole rows, %d threads", threads) << true << QSize(8200, 150) << 2 << 9
                                                                     << QRect(QPoint(-3, 70), QPoint(8300, 72))
                                                                     << int(InvalidNonFinite) << threads;
        // The last row's window ends on the first row of a group of rows made along rows.
        QTest::addRow("AT long grid, middle rows, %d threads", threads) << true << QSize(53, 140) << 3 << 6
                                                   << QRect(QPoint(4, 50), QPoint(40, 98))
                                                   << int(InvalidNonFinite | ValidNonFinite) << threads;
    }
}

void TestFilterExactness::averages()
{
    QFETCH(int, threads);
    ParallelRows::setThreadCount(threads);
    QFETCH(bool, threshold);
    QFETCH(QSize, size);
    QFETCH(int, hw);
    QFETCH(int, hh);
    QFETCH(QRect, rect);
    QFETCH(int, trouble);
    std::unique_ptr<TDData> src(troubledGrid(size.width(), size.height(), 5, trouble));
    addInfos(src.get());
    src->setRegion(QRect(2, 3, 4, 5));
    poisonFreedMemory(size.width() * size.height());
    std::unique_ptr<TDData> fast(threshold ? AdaptiveThresholdF(hw, hh).exec(src.get(), rect)
                                           : MovingAvrF(hw, hh).exec(src.get(), rect));
    std::unique_ptr<TDData> plain(threshold ? Plain::adaptiveThreshold(src.get(), rect, hw, hh)
                                            : Plain::movingAvrF(src.get(), hw, hh));
    compareResults(fast.get(), plain.get());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// A cancelled run is thrown away, but its grid must not show what the memory held before.
void TestFilterExactness::cancelledAverages()
{
    const int width = 37;
    const int height = 29;
    std::unique_ptr<TDData> src(troubledGrid(width, height, 3, InvalidNonFinite));
    ParallelRows::Progress cancelled;
    cancelled.cancelled = true;
    const ParallelRows::Scope scope(&cancelled);
    for (int threads : threadCounts) {
        ParallelRows::setThreadCount(threads);
        for (bool threshold : {false, true}) {
            poisonFreedMemory(width * height);
            std::unique_ptr<TDData> result(threshold ? AdaptiveThresholdF(2, 3).exec(src.get(), QRect(0, 0, width, height))
                                                     : MovingAvrF(2, 3).exec(src.get(), QRect()));
            QCOMPARE(result->values, QVector<double>(width * height, 0.0));
            QCOMPARE(result->valids, QVector<bool>(width * height, false));
        }
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestFilterExactness::matching_data()
{
    QTest::addColumn<int>("measure");
    QTest::addColumn<QRect>("region");
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<int>("trouble");
    QTest::addColumn<int>("threads");
    QTest::addColumn<int>("width");
    for (int threads : threadCounts) {
        const QRect whole(0, 0, 45, 71);
        QTest::addRow("no measure, 1 x 1, %d threads", threads) << 0 << QRect(4, 4, 1, 1) << whole << int(InvalidNonFinite) << threads << 45;
        QTest::addRow("cos, 19 x 3, past the edges, %d threads", threads) << 1 << QRect(20, 30, 19, 3) << QRect(-3, -2, 60, 80)
                                                     << int(InvalidNonFinite) << threads << 45;
        QTest::addRow("cos, valid infinities, %d threads", threads) << 1 << QRect(3, 3, 6, 6) << QRect(1, 2, 40, 45)
                                               << int(InvalidNonFinite | ValidNonFinite) << threads << 45;
        QTest::addRow("arccos, region partly outside, %d threads", threads) << 2 << QRect(QPoint(40, -3), QPoint(49, 4)) << whole
                                                       << int(InvalidNonFinite) << threads << 45;
        // Fewer rows of positions than a strip holds.
        QTest::addRow("cos, 2 rows, %d threads", threads) << 1 << QRect(3, 3, 6, 6) << QRect(0, 60, 45, 2)
                                                       << int(InvalidNonFinite) << threads << 45;
        QTest::addRow("inverted region, %d threads", threads) << 2 << QRect(QPoint(5, 5), QPoint(2, 2)) << whole << 0 << threads << 45;
        // Mostly whole windows, some with a hole, valid infinities and NaN among them.
        QTest::addRow("cos, few invalid, %d threads", threads) << 1 << QRect(7, 9, 3, 4) << whole
                                                        << int(FewInvalid | InvalidNonFinite | ValidNonFinite) << threads << 45;
        QTest::addRow("arccos, few invalid, ties, %d threads", threads) << 2 << QRect(0, 0, 5, 2) << QRect(2, 1, 43, 68)
                                                               << int(FewInvalid | Ties) << threads << 45;
        // Wide enough for the positions to go in several tiles, the last one partly filled.
        QTest::addRow("cos, few invalid, several tiles, %d threads", threads) << 1 << QRect(7, 9, 3, 4) << QRect(0, 0, 300, 71)
                                                                 << int(FewInvalid | InvalidNonFinite) << threads << 300;
        QTest::addRow("cos, valid infinities, several tiles, %d threads", threads) << 1 << QRect(7, 9, 3, 4) << QRect(0, 0, 300, 71)
                                                                 << int(FewInvalid | InvalidNonFinite | ValidNonFinite) << threads << 300;
        // Zeros of both signs, valid and not, meeting an infinite template value.
        QTest::addRow("cos, signed zeros, valid infinities, %d threads", threads) << 1 << QRect(7, 9, 3, 4) << QRect(0, 0, 300, 71)
                                                                 << int(Ties | InvalidNonFinite | ValidNonFinite) << threads << 300;
    }
}

void TestFilterExactness::matching()
{
    QFETCH(int, threads);
    ParallelRows::setThreadCount(threads);
    QFETCH(int, measure);
    QFETCH(QRect, region);
    QFETCH(QRect, rect);
    QFETCH(int, trouble);
    QFETCH(int, width);
    std::unique_ptr<TDData> src(troubledGrid(width, 71, 3, trouble));
    addInfos(src.get());
    src->setRegion(region);
    // An infinite template pixel must not turn the sums of windows where its partner is invalid into NaN.
    if (trouble & ValidNonFinite)
        src->setValue(region.left() + 1, region.top() + 1, -infinity);
    MatchingF filter(measure, 0);
    for (bool copyTemplate : {false, true}) {
        DebugCatcher caught;
        std::unique_ptr<TDData> plain(Plain::matching(src.get(), rect, measure, copyTemplate));
        const QStringList plainLines = DebugCatcher::lines();
        // Four lanes, then the processor's choice (eight where it has AVX-512).
        for (bool narrow : {true, false}) {
            Lanes::narrowChosen = narrow;
            DebugCatcher::lines().clear();
            std::unique_ptr<TDData> fast(copyTemplate ? filter.exec2(src.get(), rect) : filter.exec1(src.get(), rect));
            compareResults(fast.get(), plain.get());
            compareDebugLines(DebugCatcher::lines(), plainLines);
        }
    }
}

// Template pixels that never meet the grid take no part, so a region far larger than the grid
// gives the result of its part that can (an empty region where no part can), in memory that
// follows the grid.
void TestFilterExactness::matchingHugeRegions_data()
{
    QTest::addColumn<QRect>("region");
    QTest::addColumn<QRect>("same");
    const QRect none(QPoint(1, 1), QPoint(0, 0));
    QTest::newRow("16000 square from the origin") << QRect(0, 0, 16000, 16000) << QRect(0, 0, 13, 11);
    QTest::newRow("from inside to the far corner") << QRect(QPoint(3, 2), QPoint(INT_MAX - 1, 50000))
                                                   << QRect(QPoint(3, 2), QPoint(12, 10));
    QTest::newRow("the whole plane") << QRect(QPoint(-INT_MAX, 0), QPoint(INT_MAX, 3)) << none;
    QTest::newRow("from far up-left into the grid") << QRect(QPoint(-20000, -30000), QPoint(5, 4)) << none;
}

void TestFilterExactness::matchingHugeRegions()
{
    QFETCH(QRect, region);
    QFETCH(QRect, same);
    std::unique_ptr<TDData> src(randomGrid(13, 11, 21));
    const QRect whole(0, 0, 13, 11);
    MatchingF filter(1, 2);
    const DebugCatcher caught;
    QVERIFY(!filter.exec1(src.get(), whole));  // no region: silently
    src->setRegion(same);
    std::unique_ptr<TDData> plain(Plain::matching(src.get(), whole, 1, false));
    src->setRegion(region);
    const MemoryLimit limit(256 << 20);
    for (bool copyTemplate : {false, true}) {
        std::unique_ptr<TDData> fast(copyTemplate ? filter.exec2(src.get(), whole) : filter.exec1(src.get(), whole));
        QVERIFY(fast);
        compareResults(fast.get(), plain.get());
    }
}

void TestFilterExactness::peaks_data()
{
    QTest::addColumn<double>("radius");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("findMax");
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<int>("trouble");
    QTest::addColumn<int>("threads");
    const QRect whole(0, 0, 101, 83);
    for (int threads : threadCounts) {
        auto row = [threads](const char *name) -> QTestData & { return QTest::addRow("%s, %d threads", name, threads); };
        row("radius 2.5, 300 maxima, ties") << 2.5 << 300 << true << whole << int(InvalidNonFinite | Ties) << threads;
        row("radius 1, 50 minima, ties") << 1.0 << 50 << false << whole << int(InvalidNonFinite | Ties) << threads;
        row("valid infinities") << 3.0 << 40 << true << whole << int(InvalidNonFinite | ValidNonFinite) << threads;
        row("radius 45, past the edges") << 45.0 << 40 << true << QRect(-7, -3, 120, 70) << int(InvalidNonFinite)
                                         << threads;
        row("negative radius") << -6.0 << 15 << false << whole << int(InvalidNonFinite) << threads;
        row("NaN radius repeats") << notANumber << 4 << true << whole << int(InvalidNonFinite | Ties) << threads;
        row("infinite radius") << infinity << 3 << true << whole << int(InvalidNonFinite) << threads;
        row("negative count") << 3.0 << -3 << false << whole << int(InvalidNonFinite) << threads;
    }
}

void TestFilterExactness::peaks()
{
    QFETCH(double, radius);
    QFETCH(int, count);
    QFETCH(bool, findMax);
    QFETCH(QRect, rect);
    QFETCH(int, trouble);
    QFETCH(int, threads);
    ParallelRows::setThreadCount(threads);
    std::unique_ptr<TDData> src(troubledGrid(101, 83, 12, trouble));
    // A value of -1e300 never beats the starting best; one just above it does.
    src->setValue(50, 40, findMax ? -1e300 : 1e300);
    src->setValue(51, 40, findMax ? -1e299 : 1e299);
    addInfos(src.get());
    std::unique_ptr<TDData> fast(FindPeaksF(radius, count, findMax).exec(src.get(), rect));
    std::unique_ptr<TDData> plain(Plain::findPeaks(src.get(), rect, radius, count, findMax));
    compareResults(fast.get(), plain.get());
}

void TestFilterExactness::emptyGrid()
{
    // Each pass of peak finding records (0, 0), a pixel this grid does not have: nothing may be
    // read or written there.
    TDData src(0, 3);
    const QRect rect(0, 0, 10, 10);
    std::unique_ptr<TDData> fast(FindPeaksF(5.0, 3, false).exec(&src, rect));
    std::unique_ptr<TDData> plain(Plain::findPeaks(&src, rect, 5.0, 3, false));
    compareResults(fast.get(), plain.get());
}

// A typed peak count beyond the grid's pixels and 2^20 passes that find nothing is refused at
// once, with a debug line, instead of filling memory with (0, 0).
void TestFilterExactness::peakCount_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("more than the pixels") << 30 << true;
    QTest::newRow("the most") << 9 + (1 << 20) << true;
    QTest::newRow("one more") << 10 + (1 << 20) << false;
    QTest::newRow("200000000") << 200000000 << false;
}

void TestFilterExactness::peakCount()
{
    QFETCH(int, count);
    QFETCH(bool, accepted);
    std::unique_ptr<TDData> src(randomGrid(3, 3, 5));
    if (!accepted)
        QTest::ignoreMessage(QtDebugMsg, qPrintable(QString("FindPeaksF: %1 peaks asked of a grid of 3 x 3 ; at most %2").arg(count).arg(9 + (1 << 20))));
    std::unique_ptr<TDData> fast(FindPeaksF(1.5, count, true).exec(src.get(), QRect(0, 0, 3, 3)));
    QCOMPARE(bool(fast), accepted);
    if (count < 100) {
        std::unique_ptr<TDData> plain(Plain::findPeaks(src.get(), QRect(0, 0, 3, 3), 1.5, count, true));
        compareResults(fast.get(), plain.get());
    } else if (accepted) {
        QCOMPARE(fast->infos.last()->points.size(), count);
    }
}

QTEST_GUILESS_MAIN(TestFilterExactness)
#include "tst_filterexactness.moc"
