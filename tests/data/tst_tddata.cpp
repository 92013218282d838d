#include "data/datainfo.h"
#include "data/tddata.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cmath>
#include <limits>

namespace {

// Random values in [-50, 50), about a quarter of the pixels invalid (but holding values).
TDData *randomGrid(int width, int height, quint32 seed)
{
    QRandomGenerator random(seed);
    auto *grid = new TDData(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            grid->setValue(x, y, random.bounded(100.0) - 50.0);
            grid->setValid(x, y, random.bounded(4) != 0);
        }
    }
    return grid;
}

struct Pixel {
    double value = 0.0;
    bool valid = false;
};
using Plain = QVector<QVector<Pixel>>;  // [y][x]

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
    Plain out(in.size(), QVector<Pixel>(in.isEmpty() ? 0 : in[0].size()));
    for (int y = 0; y < in.size(); ++y) {
        for (int x = 0; x < in[y].size(); ++x) {
            if (!in[y][x].valid)
                continue;
            double sum = 0.0;
            int n = 0;
            for (int d = -a; d <= a; ++d) {
                const int sx = alongX ? x + d : x;
                const int sy = alongX ? y : y + d;
                if (sy >= 0 && sy < in.size() && sx >= 0 && sx < in[sy].size() && in[sy][sx].valid) {
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
            QVERIFY2(std::abs(got.value(x, y) - e.value) < 1e-9, qPrintable(QString("pixel %1,%2").arg(x).arg(y)));
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
    void construction()
    {
        TDData empty;
        QCOMPARE(QPointF(empty.minVal, empty.maxVal), QPointF(1e300, -1e300));
        TDData grid(3, 2);
        QCOMPARE(grid.valids, QVector<bool>(6, false));
        QCOMPARE(grid.values, QVector<double>(6, 0.0));
        QCOMPARE(QPointF(grid.minVal, grid.maxVal), QPointF(0.0, 0.0));
    }

    void unholdableSizeGivesEmptyGrid_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("negative width") << -3 << 2;
        QTest::newRow("both negative") << -2 << -2;
        QTest::newRow("product overflows int") << 70000 << 70000;
        QTest::newRow("beyond storage") << 1 << std::numeric_limits<int>::max();
    }

    void unholdableSizeGivesEmptyGrid()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QVERIFY(!TDData0::fitsStorage(width, height));
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^can't hold a grid of"));
        TDData grid(width, height);
        QCOMPARE(QSize(grid.width, grid.height), QSize(0, 0));
        QCOMPARE(grid.values.size() + grid.valids.size(), 0);
    }

    void widening()
    {
        TDData grid(2, 1);
        grid.setValue(0, 0, 5.0);
        grid.setValue(0, 0, 3.0);
        grid.setValue(0, 0, std::nan(""));  // NaN never widens
        QCOMPARE(QPointF(grid.minVal, grid.maxVal), QPointF(0.0, 5.0));
        QVERIFY(grid.isValid(0, 0));
        grid.setValue(1, 0, -std::numeric_limits<double>::infinity());
        grid.setValid(0, 0, false);  // flags leave the range alone
        QCOMPARE(grid.minVal, -std::numeric_limits<double>::infinity());
        QCOMPARE(grid.maxVal, 5.0);
    }

    // Only pixels inside both grids are copied; invalid ones widen the range too.
    void copyRectClipped_data()
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

    void copyRectClipped()
    {
        QFETCH(QRect, rect);
        QFETCH(bool, toOrigin);
        QFETCH(QSize, dstSize);
        QScopedPointer<TDData> src(randomGrid(5, 4, 7));
        TDData dst(dstSize.width(), dstSize.height());
        src->copyRect(&dst, rect, toOrigin);

        double lo = 0.0;
        double hi = 0.0;
        for (int ty = 0; ty < dst.height; ++ty) {
            for (int tx = 0; tx < dst.width; ++tx) {
                const int sx = toOrigin ? rect.left() + tx : tx;
                const int sy = toOrigin ? rect.top() + ty : ty;
                const bool copied = sx >= rect.left() && sx <= rect.right() && sy >= rect.top() && sy <= rect.bottom()
                    && sx >= 0 && sx < src->width && sy >= 0 && sy < src->height;
                QCOMPARE(dst.value(tx, ty), copied ? src->value(sx, sy) : 0.0);
                QCOMPARE(dst.isValid(tx, ty), copied && src->isValid(sx, sy));
                lo = std::min(lo, dst.value(tx, ty));
                hi = std::max(hi, dst.value(tx, ty));
            }
        }
        QCOMPARE(QPointF(dst.minVal, dst.maxVal), QPointF(lo, hi));
    }

    void copyRectRegion()
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
        src.copyRect(&dst, QRect(0, 0, 2, 2), true);
        QCOMPARE(dst.region, r);
        // A cleared region counts as none, even though region still holds it.
        src.regionCleared();
        src.copyRect(&dst, QRect(0, 0, 2, 2), true);
        QCOMPARE(dst.region, QRect(QPoint(0, 0), QPoint(4, 3)));
    }

    void copyInfosIsDeep()
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
        }
        QCOMPARE(dst.infos[2]->rects, regions->rects);
        QCOMPARE(dst.infos[3]->rect, region->rect);
        peaks->points.clear();
        QCOMPARE(dst.infos[1]->points, QVector<QPointF>({QPointF(1.5, 2.0), QPointF(3.0, 4.25)}));
    }

    void movingAvr_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("ax");
        QTest::addColumn<int>("ay");
        QTest::newRow("x only") << QSize(13, 9) << 2 << 0;
        QTest::newRow("y only") << QSize(13, 9) << 0 << 3;
        QTest::newRow("both") << QSize(13, 9) << 1 << 2;
        QTest::newRow("windows wider than grid") << QSize(5, 4) << 7 << 6;
        QTest::newRow("single row") << QSize(17, 1) << 3 << 1;
        QTest::newRow("single column") << QSize(1, 17) << 1 << 4;
        QTest::newRow("negative ax, positive ay") << QSize(8, 8) << -1 << 1;
    }

    void movingAvr()
    {
        QFETCH(QSize, size);
        QFETCH(int, ax);
        QFETCH(int, ay);
        QScopedPointer<TDData> src(randomGrid(size.width(), size.height(), quint32(size.width() * 100 + ax * 10 + ay)));
        const Plain plain = plainOf(*src);
        QScopedPointer<TDData> result(src->movingAvr(ax, ay));
        QCOMPARE(QSize(result->width, result->height), size);
        compareAverage(*result, plainMean(ax > 0 ? plainMean(plain, ax, true) : plain, std::max(ay, 0), false));

        // The single passes on their own.
        TDData rows(size.width(), size.height());
        src->movingAvrX(&rows, std::max(ax, 0));
        compareAverage(rows, plainMean(plain, std::max(ax, 0), true));
        TDData columns(size.width(), size.height());
        src->movingAvrY(&columns, std::max(ay, 0));
        compareAverage(columns, plainMean(plain, std::max(ay, 0), false));
    }

    // A plain copy (no positive half width) keeps identity, region and infos; an average drops them.
    void movingAvrIdentity()
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

        src->setRegion(QRect(1, 1, 2, 2));
        QCOMPARE(QScopedPointer<TDData>(src->movingAvr(-1, 0))->region, QRect(1, 1, 2, 2));
        for (const QPoint &a : {QPoint(2, 0), QPoint(0, 2), QPoint(1, 1)}) {
            QScopedPointer<TDData> avr(src->movingAvr(a.x(), a.y()));
            QVERIFY(avr->dataId.isEmpty());
            QVERIFY(!avr->regionSet);
            QVERIFY(avr->infos.isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(TestTDData)
#include "tst_tddata.moc"
