#include "processing/copyaroundpeaks.h"

#include "data/datainfo.h"
#include "data/tddata.h"
#include "filtertesttools.h"

#include <QCoreApplication>
#include <QtTest>

#include <algorithm>
#include <memory>

using Grid = std::unique_ptr<TDData>;

namespace {

DataInfo *peakList(const QVector<QPointF> &points)
{
    auto *info = new DataInfo(DataInfo::PeakList, "Peaks(+)");
    info->points = points;
    return info;
}

const QVector<QPointF> fourPeaks = {{10, 10}, {50, 10}, {10, 50}, {50, 50}};

} // namespace

class TestCopyAroundPeaks : public QObject
{
    Q_OBJECT

private slots:
    void collectsEveryPeakList();
    void fourPeaksInEverySaveOrder_data();
    void fourPeaksInEverySaveOrder();
    void equalKeysMayChangeOrder();
    void sortedOrderIsASortingPermutation();
    void referencePeakMustExist_data();
    void referencePeakMustExist();
    void emptyTemplateGivesNothing();
    void truncatesTowardZero();
    void tilePastTheEdge();
    void templateIsRegionOrWholeGrid();
    void tileNames();
};

void TestCopyAroundPeaks::collectsEveryPeakList()
{
    TDData s1(60, 60);
    s1.infos.append(peakList({{1, 2}, {3, 4}}));
    auto *regions = new DataInfo(DataInfo::RegionList, QString());
    regions->rects = {QRect(0, 0, 5, 5)};
    s1.infos.append(regions);
    s1.infos.append(new DataInfo(DataInfo::Region, QString()));
    s1.infos.append(peakList({{5, 6}}));
    QCOMPARE(CopyAroundPeaks::collectPeaks(&s1), (QVector<QPointF>{{1, 2}, {3, 4}, {5, 6}}));
}

void TestCopyAroundPeaks::fourPeaksInEverySaveOrder_data()
{
    QTest::addColumn<int>("axis");
    QTest::addColumn<bool>("rightToLeft");
    QTest::addColumn<bool>("bottomToTop");
    QTest::addColumn<QVector<int>>("expected");
    // Peaks 0 (10,10), 1 (50,10), 2 (10,50), 3 (50,50).
    QTest::newRow("H L->R") << int(SaveOrder::H) << false << false << QVector<int>{0, 2, 1, 3};
    QTest::newRow("H R->L") << int(SaveOrder::H) << true << false << QVector<int>{1, 3, 2, 0};
    QTest::newRow("H L->R B->T") << int(SaveOrder::H) << false << true << QVector<int>{0, 2, 1, 3};
    QTest::newRow("V T->B") << int(SaveOrder::V) << false << false << QVector<int>{0, 1, 2, 3};
    QTest::newRow("V B->T") << int(SaveOrder::V) << false << true << QVector<int>{2, 3, 0, 1};
    QTest::newRow("V R->L T->B") << int(SaveOrder::V) << true << false << QVector<int>{0, 1, 2, 3};
    QTest::newRow("H first L->R T->B") << int(SaveOrder::HFirst) << false << false << QVector<int>{0, 2, 1, 3};
    QTest::newRow("H first R->L T->B") << int(SaveOrder::HFirst) << true << false << QVector<int>{1, 3, 0, 2};
    QTest::newRow("H first L->R B->T") << int(SaveOrder::HFirst) << false << true << QVector<int>{2, 0, 3, 1};
    QTest::newRow("H first R->L B->T") << int(SaveOrder::HFirst) << true << true << QVector<int>{3, 1, 2, 0};
    QTest::newRow("V first L->R T->B") << int(SaveOrder::VFirst) << false << false << QVector<int>{0, 1, 2, 3};
    QTest::newRow("V first R->L T->B") << int(SaveOrder::VFirst) << true << false << QVector<int>{1, 0, 3, 2};
    QTest::newRow("V first L->R B->T") << int(SaveOrder::VFirst) << false << true << QVector<int>{2, 3, 0, 1};
    QTest::newRow("V first R->L B->T") << int(SaveOrder::VFirst) << true << true << QVector<int>{3, 2, 1, 0};
    QTest::newRow("no order") << int(SaveOrder::Collection) << true << true << QVector<int>{0, 1, 2, 3};
}

void TestCopyAroundPeaks::fourPeaksInEverySaveOrder()
{
    QFETCH(int, axis);
    QFETCH(bool, rightToLeft);
    QFETCH(bool, bottomToTop);
    QFETCH(QVector<int>, expected);
    const SaveOrder order{SaveOrder::Axis(axis), rightToLeft, bottomToTop};
    const QRect templ(QPoint(5, 5), QPoint(14, 14));
    const QVector<PeakTile> tiles = CopyAroundPeaks::plan(fourPeaks, 0, templ, order);
    QCOMPARE(tiles.size(), 4);
    for (int k = 0; k < 4; ++k) {
        const QPointF p = fourPeaks[expected[k]];
        QCOMPARE(tiles[k].k, k);
        QCOMPARE(tiles[k].peak, p);
        // The template's top-left corner keeps its offset (-5, -5) from the reference peak.
        QCOMPARE(tiles[k].rect, QRect(int(p.x()) - 5, int(p.y()) - 5, 10, 10));
    }
}

void TestCopyAroundPeaks::equalKeysMayChangeOrder()
{
    // A (10, 5), B (10, 1), C (3, 7) by x: C is swapped to the front past A, so B comes before A.
    const QVector<QPointF> peaks = {{10, 5}, {10, 1}, {3, 7}};
    const SaveOrder byX{SaveOrder::H, false, false};
    QCOMPARE(CopyAroundPeaks::sortedOrder(CopyAroundPeaks::orderKeys(peaks, byX)), (QVector<int>{2, 1, 0}));
    const QVector<PeakTile> tiles = CopyAroundPeaks::plan(peaks, 0, QRect(0, 0, 2, 2), byX);
    QCOMPARE(tiles[0].peak, QPointF(3, 7));
    QCOMPARE(tiles[1].peak, QPointF(10, 1));
    QCOMPARE(tiles[2].peak, QPointF(10, 5));
}

void TestCopyAroundPeaks::sortedOrderIsASortingPermutation()
{
    QRandomGenerator rng(11);
    for (int round = 0; round < 50; ++round) {
        QVector<double> keys;
        const int n = rng.bounded(12);
        for (int i = 0; i < n; ++i)
            keys.append(rng.bounded(5) - 2);
        const QVector<int> order = CopyAroundPeaks::sortedOrder(keys);
        QVector<int> seen = order;
        std::sort(seen.begin(), seen.end());
        for (int i = 0; i < n; ++i)
            QCOMPARE(seen[i], i);
        for (int i = 1; i < n; ++i)
            QVERIFY(keys[order[i - 1]] <= keys[order[i]]);
    }
}

void TestCopyAroundPeaks::referencePeakMustExist_data()
{
    QTest::addColumn<int>("reference");
    QTest::addColumn<int>("tileCount");
    QTest::newRow("last peak") << 3 << 4;
    QTest::newRow("equal to the number of peaks") << 4 << 0;
    QTest::newRow("far beyond") << 10000 << 0;
    QTest::newRow("negative") << -1 << 0;
}

void TestCopyAroundPeaks::referencePeakMustExist()
{
    QFETCH(int, reference);
    QFETCH(int, tileCount);
    QCOMPARE(CopyAroundPeaks::plan(fourPeaks, reference, QRect(0, 0, 3, 3), SaveOrder()).size(), tileCount);
    QVERIFY(CopyAroundPeaks::plan({}, 0, QRect(0, 0, 3, 3), SaveOrder()).isEmpty());
}

void TestCopyAroundPeaks::emptyTemplateGivesNothing()
{
    // A click without dragging leaves a region of width 0.
    QVERIFY(CopyAroundPeaks::plan(fourPeaks, 0, QRect(QPoint(5, 5), QPoint(4, 9)), SaveOrder()).isEmpty());
}

void TestCopyAroundPeaks::truncatesTowardZero()
{
    // Offset (-0.7, -0.7): the peak (0.2, 3.2) lands at (-0.5, 2.5), truncated to (0, 2).
    const QVector<PeakTile> tiles =
        CopyAroundPeaks::plan({{0.7, 0.7}, {0.2, 3.2}}, 0, QRect(0, 0, 4, 4), SaveOrder{SaveOrder::Collection});
    QCOMPARE(tiles[1].rect.topLeft(), QPoint(0, 2));
}

void TestCopyAroundPeaks::tilePastTheEdge()
{
    const Grid s2(randomGrid(20, 16, 21));
    s2->setRegion(QRect(QPoint(2, 3), QPoint(8, 7)));
    const QVector<PeakTile> tiles = CopyAroundPeaks::plan({{4, 5}, {17, 14}, {-1, 0}}, 0,
                                                          CopyAroundPeaks::templateRect(s2.get()),
                                                          SaveOrder{SaveOrder::Collection});
    QCOMPARE(tiles.size(), 3);
    for (const PeakTile &tile : tiles) {
        const Grid copy(CopyAroundPeaks::makeTile(s2.get(), tile));
        QCOMPARE(copy->width, 7);
        QCOMPARE(copy->height, 5);
        QCOMPARE(copy->region, QRect(QPoint(2, 3), QPoint(8, 7)));
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < 7; ++x) {
                const int sx = tile.rect.left() + x;
                const int sy = tile.rect.top() + y;
                if (sx >= 0 && sy >= 0 && sx < 20 && sy < 16) {
                    QCOMPARE(copy->isValid(x, y), s2->isValid(sx, sy));
                    QCOMPARE(copy->value(x, y), s2->value(sx, sy));
                } else {
                    QVERIFY(!copy->isValid(x, y));
                }
            }
        }
    }
}

void TestCopyAroundPeaks::templateIsRegionOrWholeGrid()
{
    TDData s2(7, 4);
    QCOMPARE(CopyAroundPeaks::templateRect(&s2), QRect(0, 0, 7, 4));
    s2.setRegion(QRect(1, 1, 2, 2));
    s2.regionCleared();
    QCOMPARE(CopyAroundPeaks::templateRect(&s2), QRect(0, 0, 7, 4));
    s2.setRegion(QRect(1, 1, 2, 2));
    QCOMPARE(CopyAroundPeaks::templateRect(&s2), QRect(1, 1, 2, 2));
}

void TestCopyAroundPeaks::tileNames()
{
    TDData s2(4, 4);
    s2.dataId = QStringLiteral("T%1");
    PeakTile tile{3, QPointF(10.123456789, 50), QRect(0, 0, 2, 2)};
    const Grid plain(CopyAroundPeaks::makeTile(&s2, tile));
    QCOMPARE(plain->dataId, QStringLiteral("T%1:CpAPk[3(10.1235,50)]"));
    ContextTranslator translator;
    QCoreApplication::installTranslator(&translator);
    const Grid translated(CopyAroundPeaks::makeTile(&s2, tile));
    QCoreApplication::removeTranslator(&translator);
    QCOMPARE(translated->dataId, QStringLiteral("[CopyCtrl]T%1:CpAPk[3(10.1235,50)]"));
}

QTEST_GUILESS_MAIN(TestCopyAroundPeaks)
#include "tst_copyaroundpeaks.moc"
