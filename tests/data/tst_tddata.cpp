#include "data/datainfo.h"
#include "data/tddata.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cmath>
#include <limits>

namespace {

// A grid of random values in [-50, 50) with about a quarter of its pixels invalid (but holding values).
TDData *randomGrid(int width, int height, quint32 seed)
{
    QRandomGenerator random(seed);
    auto *grid = new TDData(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            grid->setValue(x, y, random.bounded(100.0) - 50.0);
            if (random.bounded(4) == 0)
                grid->setValid(x, y, false);
        }
    }
    return grid;
}

struct Pixel {
    double value = 0.0;
    bool valid = false;
};
using Plain = QVector<QVector<Pixel>>; // [y][x]

Plain plainOf(const TDData0 &grid)
{
    Plain plain(grid.height, QVector<Pixel>(grid.width));
    for (int y = 0; y < grid.height; ++y) {
        for (int x = 0; x < grid.width; ++x)
            plain[y][x] = {grid.value(x, y), grid.isValid(x, y)};
    }
    return plain;
}

// Mean of the valid pixels within a along one axis, written only where the pixel itself is valid.
Plain plainMean(const Plain &in, int a, bool alongX)
{
    const int height = in.size();
    const int width = height ? in[0].size() : 0;
    Plain out(height, QVector<Pixel>(width));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (!in[y][x].valid)
                continue;
            double sum = 0.0;
            int n = 0;
            for (int d = -a; d <= a; ++d) {
                const int sx = alongX ? x + d : x;
                const int sy = alongX ? y : y + d;
                if (sx >= 0 && sx < width && sy >= 0 && sy < height && in[sy][sx].valid) {
                    sum += in[sy][sx].value;
                    ++n;
                }
            }
            out[y][x] = {sum / n, true};
        }
    }
    return out;
}

// Compares pixels and checks that the range is 0..0 widened by the valid results.
void compareAverage(const TDData0 &got, const Plain &expected)
{
    double lo = 0.0;
    double hi = 0.0;
    for (int y = 0; y < expected.size(); ++y) {
        for (int x = 0; x < expected[y].size(); ++x) {
            const Pixel &e = expected[y][x];
            QCOMPARE(got.isValid(x, y), e.valid);
            QVERIFY2(std::abs(got.value(x, y) - e.value) < 1e-9,
                     qPrintable(QString("pixel %1,%2: %3 vs %4").arg(x).arg(y).arg(got.value(x, y)).arg(e.value)));
            if (e.valid) {
                lo = std::min(lo, e.value);
                hi = std::max(hi, e.value);
            }
        }
    }
    QVERIFY(std::abs(got.minVal - lo) < 1e-9);
    QVERIFY(std::abs(got.maxVal - hi) < 1e-9);
}

} // namespace

class TestTDData : public QObject
{
    Q_OBJECT

private slots:
    void construction();
    void unholdableSizeGivesEmptyGrid_data();
    void unholdableSizeGivesEmptyGrid();
    void fitsStorage();
    void widening();
    void setValidLeavesRange();
    void regionSlots();
    void copyRectClipped_data();
    void copyRectClipped();
    void copyRectInvalidPixelWidens();
    void copyRectRegion();
    void copyInfosIsDeep();
    void movingAvrXExample();
    void movingAvrAgainstBruteForce_data();
    void movingAvrAgainstBruteForce();
    void movingAvrCopyKeepsIdentity();
    void movingAvrAverageDropsIdentity();
};

void TestTDData::construction()
{
    TDData empty;
    QCOMPARE(empty.values.size(), 0);
    QCOMPARE(empty.minVal, 1e300);
    QCOMPARE(empty.maxVal, -1e300);

    TDData grid(3, 2);
    QCOMPARE(grid.values.size(), 6);
    QCOMPARE(grid.valids.size(), 6);
    QCOMPARE(grid.valids.count(false), 6);
    QCOMPARE(grid.values.count(0.0), 6);
    QCOMPARE(grid.minVal, 0.0);
    QCOMPARE(grid.maxVal, 0.0);
    QVERIFY(!grid.regionSet);
    QVERIFY(grid.region.isNull());
    QVERIFY(grid.infos.isEmpty());
    QVERIFY(!grid.imgBuf);
    QVERIFY(!grid.img);
}

void TestTDData::unholdableSizeGivesEmptyGrid_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");

    QTest::newRow("negative width") << -3 << 2;
    QTest::newRow("both negative") << -2 << -2;
    QTest::newRow("product overflows int") << 70000 << 70000;
    QTest::newRow("beyond storage") << 1 << std::numeric_limits<int>::max();
}

void TestTDData::unholdableSizeGivesEmptyGrid()
{
    QFETCH(int, width);
    QFETCH(int, height);

    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^can't hold a grid of"));
    TDData grid(width, height);
    QCOMPARE(grid.width, 0);
    QCOMPARE(grid.height, 0);
    QCOMPARE(grid.values.size(), 0);
    QCOMPARE(grid.valids.size(), 0);
}

void TestTDData::fitsStorage()
{
    QVERIFY(TDData0::fitsStorage(0, 0));
    QVERIFY(TDData0::fitsStorage(0, 1LL << 40));
    QVERIFY(TDData0::fitsStorage(10000, 10000));
    QVERIFY(!TDData0::fitsStorage(-1, 0));
    QVERIFY(!TDData0::fitsStorage(5, -1));
    QVERIFY(!TDData0::fitsStorage(1LL << 20, 1LL << 20));
    QVERIFY(!TDData0::fitsStorage(1, std::numeric_limits<int>::max()));
}

void TestTDData::widening()
{
    TDData grid(1, 1);
    grid.setValue(0, 0, 5.0);
    grid.setValue(0, 0, 3.0);
    QCOMPARE(grid.minVal, 0.0);
    QCOMPARE(grid.maxVal, 5.0);
    QCOMPARE(grid.value(0, 0), 3.0);
    QVERIFY(grid.isValid(0, 0));

    grid.setValue(0, 0, std::nan(""));
    QCOMPARE(grid.minVal, 0.0);
    QCOMPARE(grid.maxVal, 5.0);
    QVERIFY(grid.isValid(0, 0));

    grid.setValue(0, 0, -std::numeric_limits<double>::infinity());
    QCOMPARE(grid.minVal, -std::numeric_limits<double>::infinity());
}

void TestTDData::setValidLeavesRange()
{
    TDData grid(2, 1);
    grid.setValue(1, 0, 4.0);
    grid.setValid(1, 0, false);
    grid.setValid(0, 0, true);
    QCOMPARE(grid.maxVal, 4.0);
    QVERIFY(grid.isValid(0, 0));
    QVERIFY(!grid.isValid(1, 0));
    QCOMPARE(grid.value(1, 0), 4.0);
}

void TestTDData::regionSlots()
{
    TDData grid(4, 4);
    const QRect r(QPoint(1, 1), QPoint(2, 3));
    grid.setRegion(r);
    QVERIFY(grid.regionSet);
    QCOMPARE(grid.region, r);
    grid.regionCleared();
    QVERIFY(!grid.regionSet);
    QCOMPARE(grid.region, r);
}

void TestTDData::copyRectClipped_data()
{
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<bool>("toOrigin");
    QTest::addColumn<QSize>("dstSize");

    // Source is 5 x 4.
    QTest::newRow("inside, in place") << QRect(QPoint(1, 1), QPoint(3, 2)) << false << QSize(5, 4);
    QTest::newRow("inside, to origin") << QRect(QPoint(1, 1), QPoint(3, 2)) << true << QSize(3, 2);
    QTest::newRow("left/top outside source") << QRect(QPoint(-2, -1), QPoint(2, 1)) << false << QSize(5, 4);
    QTest::newRow("left/top outside source, to origin") << QRect(QPoint(-2, -1), QPoint(2, 1)) << true << QSize(5, 3);
    QTest::newRow("right/bottom outside source") << QRect(QPoint(3, 2), QPoint(7, 6)) << false << QSize(5, 4);
    QTest::newRow("right/bottom outside source, to origin") << QRect(QPoint(3, 2), QPoint(7, 6)) << true << QSize(3, 3);
    QTest::newRow("outside smaller destination") << QRect(QPoint(0, 0), QPoint(4, 3)) << false << QSize(2, 3);
    QTest::newRow("bigger than destination, to origin") << QRect(QPoint(1, 0), QPoint(4, 3)) << true << QSize(2, 2);
    QTest::newRow("wholly outside") << QRect(QPoint(10, 10), QPoint(12, 12)) << false << QSize(5, 4);
    QTest::newRow("negative extent") << QRect(QPoint(3, 3), QPoint(1, 1)) << false << QSize(5, 4);
}

void TestTDData::copyRectClipped()
{
    QFETCH(QRect, rect);
    QFETCH(bool, toOrigin);
    QFETCH(QSize, dstSize);

    QScopedPointer<TDData> src(randomGrid(5, 4, 7));
    TDData dst(dstSize.width(), dstSize.height());
    src->copyRect(&dst, rect, toOrigin);

    // Each destination pixel either came from the matching source pixel or is untouched.
    double lo = 0.0;
    double hi = 0.0;
    for (int ty = 0; ty < dst.height; ++ty) {
        for (int tx = 0; tx < dst.width; ++tx) {
            const int sx = toOrigin ? rect.left() + tx : tx;
            const int sy = toOrigin ? rect.top() + ty : ty;
            const bool copied = sx >= rect.left() && sx <= rect.right() && sy >= rect.top() && sy <= rect.bottom()
                && sx >= 0 && sx < src->width && sy >= 0 && sy < src->height;
            if (copied) {
                QCOMPARE(dst.value(tx, ty), src->value(sx, sy));
                QCOMPARE(dst.isValid(tx, ty), src->isValid(sx, sy));
                lo = std::min(lo, dst.value(tx, ty));
                hi = std::max(hi, dst.value(tx, ty));
            } else {
                QCOMPARE(dst.value(tx, ty), 0.0);
                QVERIFY(!dst.isValid(tx, ty));
            }
        }
    }
    QCOMPARE(dst.minVal, lo);
    QCOMPARE(dst.maxVal, hi);
}

void TestTDData::copyRectInvalidPixelWidens()
{
    TDData src(2, 2);
    src.setValue(1, 1, 7.0);
    src.setValid(1, 1, false);
    TDData dst(2, 2);
    src.copyRect(&dst, QRect(0, 0, 2, 2), false);
    QCOMPARE(dst.maxVal, 7.0);
    QCOMPARE(dst.value(1, 1), 7.0);
    QVERIFY(!dst.isValid(1, 1));
}

void TestTDData::copyRectRegion()
{
    TDData src(5, 4);
    src.dataId = "source";
    TDData dst(2, 2);
    src.copyRect(&dst, QRect(QPoint(2, 2), QPoint(3, 3)), true);
    QCOMPARE(dst.dataId, QString("source"));
    QVERIFY(dst.regionSet);
    QCOMPARE(dst.region, QRect(QPoint(0, 0), QPoint(4, 3)));

    const QRect r(QPoint(1, 2), QPoint(3, 3));
    src.setRegion(r);
    src.copyRect(&dst, QRect(QPoint(0, 0), QPoint(1, 1)), true);
    QCOMPARE(dst.region, r);

    // A cleared region counts as none, even though region still holds it.
    src.regionCleared();
    src.copyRect(&dst, QRect(QPoint(0, 0), QPoint(1, 1)), true);
    QCOMPARE(dst.region, QRect(QPoint(0, 0), QPoint(4, 3)));
}

void TestTDData::copyInfosIsDeep()
{
    TDData src;
    auto *peaks = new DataInfo(DataInfo::PeakList, "Peaks(2)");
    peaks->points = {QPointF(1.5, 2.0), QPointF(3.0, 4.25)};
    auto *regions = new DataInfo(DataInfo::RegionList, QString());
    regions->rects = {QRect(0, 0, 2, 2)};
    auto *region = new DataInfo(DataInfo::Region, QString());
    region->rect = QRect(QPoint(1, 1), QPoint(3, 4));
    src.infos = {peaks, regions, region};

    TDData dst;
    dst.infos.append(new DataInfo(DataInfo::Region, "already"));
    src.copyInfos(&dst);

    QCOMPARE(dst.infos.size(), 4);
    QCOMPARE(dst.infos[0]->name, QString("already"));
    for (int i = 0; i < 3; ++i) {
        QVERIFY(dst.infos[i + 1] != src.infos[i]);
        QCOMPARE(dst.infos[i + 1]->kind, src.infos[i]->kind);
        QCOMPARE(dst.infos[i + 1]->name, src.infos[i]->name);
    }
    QCOMPARE(dst.infos[1]->points, peaks->points);
    QCOMPARE(dst.infos[2]->rects, regions->rects);
    QCOMPARE(dst.infos[3]->rect, region->rect);

    peaks->points.clear();
    QCOMPARE(dst.infos[1]->points.size(), 2);
}

void TestTDData::movingAvrXExample()
{
    TDData src(4, 1);
    src.setValue(0, 0, 1.0);
    src.setValue(2, 0, 3.0);
    src.setValue(3, 0, 5.0);
    TDData dst(4, 1);
    src.movingAvrX(&dst, 1);
    QCOMPARE(dst.value(0, 0), 1.0);
    QVERIFY(!dst.isValid(1, 0));
    QCOMPARE(dst.value(1, 0), 0.0);
    QCOMPARE(dst.value(2, 0), 4.0);
    QCOMPARE(dst.value(3, 0), 4.0);
    QCOMPARE(dst.minVal, 0.0);
    QCOMPARE(dst.maxVal, 4.0);
}

void TestTDData::movingAvrAgainstBruteForce_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("ax");
    QTest::addColumn<int>("ay");
    QTest::addColumn<quint32>("seed");

    QTest::newRow("x only") << 13 << 9 << 2 << 0 << 1u;
    QTest::newRow("y only") << 13 << 9 << 0 << 3 << 2u;
    QTest::newRow("both") << 13 << 9 << 1 << 2 << 3u;
    QTest::newRow("windows wider than grid") << 5 << 4 << 7 << 6 << 4u;
    QTest::newRow("single row") << 17 << 1 << 3 << 1 << 5u;
    QTest::newRow("single column") << 1 << 17 << 1 << 4 << 6u;
    QTest::newRow("negative ax, positive ay") << 8 << 8 << -1 << 1 << 7u;
}

void TestTDData::movingAvrAgainstBruteForce()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, ax);
    QFETCH(int, ay);
    QFETCH(quint32, seed);

    QScopedPointer<TDData> src(randomGrid(width, height, seed));
    Plain expected = plainOf(*src);
    if (ax > 0)
        expected = plainMean(expected, ax, true);
    if (ay > 0)
        expected = plainMean(expected, ay, false);

    QScopedPointer<TDData> result(src->movingAvr(ax, ay));
    QCOMPARE(result->width, width);
    QCOMPARE(result->height, height);
    compareAverage(*result, expected);

    // The single passes on their own.
    if (ax > 0) {
        TDData rows(width, height);
        src->movingAvrX(&rows, ax);
        compareAverage(rows, plainMean(plainOf(*src), ax, true));
    }
    if (ay > 0) {
        TDData columns(width, height);
        src->movingAvrY(&columns, ay);
        compareAverage(columns, plainMean(plainOf(*src), ay, false));
    }
}

void TestTDData::movingAvrCopyKeepsIdentity()
{
    QScopedPointer<TDData> src(randomGrid(6, 5, 11));
    src->dataId = "frame 1";
    src->infos.append(new DataInfo(DataInfo::PeakList, "Peaks(1)"));

    QScopedPointer<TDData> copy(src->movingAvr(0, 0));
    QCOMPARE(copy->dataId, QString("frame 1"));
    QVERIFY(copy->regionSet);
    QCOMPARE(copy->region, QRect(QPoint(0, 0), QPoint(5, 4)));
    QCOMPARE(copy->infos.size(), 1);
    QCOMPARE(copy->values, src->values);
    QCOMPARE(copy->valids, src->valids);

    const QRect r(QPoint(1, 1), QPoint(2, 2));
    src->setRegion(r);
    QScopedPointer<TDData> withRegion(src->movingAvr(-1, 0));
    QCOMPARE(withRegion->region, r);
}

void TestTDData::movingAvrAverageDropsIdentity()
{
    QScopedPointer<TDData> src(randomGrid(6, 5, 12));
    src->dataId = "frame 1";
    src->setRegion(QRect(0, 0, 2, 2));
    src->infos.append(new DataInfo(DataInfo::Region, QString()));

    for (const QPoint &a : {QPoint(2, 0), QPoint(0, 2), QPoint(1, 1)}) {
        QScopedPointer<TDData> avr(src->movingAvr(a.x(), a.y()));
        QVERIFY(avr->dataId.isEmpty());
        QVERIFY(!avr->regionSet);
        QVERIFY(avr->infos.isEmpty());
    }
}

QTEST_GUILESS_MAIN(TestTDData)
#include "tst_tddata.moc"
