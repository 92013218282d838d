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
    void ignoredDirections_data();
    void ignoredDirections();
    void sortedOrderIsASortingPermutation();
    void nothingPlanned();
    void truncatesTowardZero();
    void tileKeepsTheRegion();
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

// Every order with both directions is driven through the panel; here the directions an order ignores.
void TestCopyAroundPeaks::ignoredDirections_data()
{
    QTest::addColumn<int>("axis");
    QTest::addColumn<bool>("rightToLeft");
    QTest::addColumn<bool>("bottomToTop");
    QTest::addColumn<QVector<int>>("expected");
    QTest::newRow("H L->R B->T") << int(SaveOrder::H) << false << true << QVector<int>{0, 2, 1, 3};
    QTest::newRow("V R->L T->B") << int(SaveOrder::V) << true << false << QVector<int>{0, 1, 2, 3};
    QTest::newRow("no order") << int(SaveOrder::Collection) << true << true << QVector<int>{0, 1, 2, 3};
}

void TestCopyAroundPeaks::ignoredDirections()
{
    QFETCH(int, axis);
    QFETCH(bool, rightToLeft);
    QFETCH(bool, bottomToTop);
    QFETCH(QVector<int>, expected);
    const SaveOrder order{SaveOrder::Axis(axis), rightToLeft, bottomToTop};
    const QVector<PeakTile> tiles = CopyAroundPeaks::plan(fourPeaks, 0, QRect(QPoint(5, 5), QPoint(14, 14)), order);
    QCOMPARE(tiles.size(), 4);
    for (int k = 0; k < 4; ++k) {
        QCOMPARE(tiles[k].k, k);
        QCOMPARE(tiles[k].peak, fourPeaks[expected[k]]);
    }
}

void TestCopyAroundPeaks::sortedOrderIsASortingPermutation()
{
    // A (10, 5), B (10, 1), C (3, 7) by x: C is swapped to the front past A, so B comes before A.
    const QVector<QPointF> tie = {{10, 5}, {10, 1}, {3, 7}};
    const SaveOrder byX{SaveOrder::H, false, false};
    QCOMPARE(CopyAroundPeaks::sortedOrder(CopyAroundPeaks::orderKeys(tie, byX)), (QVector<int>{2, 1, 0}));
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

void TestCopyAroundPeaks::nothingPlanned()
{
    const QRect templ(0, 0, 3, 3);
    QCOMPARE(CopyAroundPeaks::plan(fourPeaks, 3, templ, SaveOrder()).size(), 4);
    for (int reference : {4, 10000, -1})
        QVERIFY(CopyAroundPeaks::plan(fourPeaks, reference, templ, SaveOrder()).isEmpty());
    QVERIFY(CopyAroundPeaks::plan({}, 0, templ, SaveOrder()).isEmpty());
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

void TestCopyAroundPeaks::tileKeepsTheRegion()
{
    const Grid s2(randomGrid(20, 16, 21));
    s2->setRegion(QRect(QPoint(2, 3), QPoint(8, 7)));
    const Grid copy(CopyAroundPeaks::makeTile(s2.get(), PeakTile{0, QPointF(17, 14), QRect(15, 12, 7, 5)}));
    QCOMPARE(QSize(copy->width, copy->height), QSize(7, 5));
    QCOMPARE(copy->region, QRect(QPoint(2, 3), QPoint(8, 7)));
    QCOMPARE(copy->value(4, 3), s2->value(19, 15));
    QVERIFY(!copy->isValid(5, 0));
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
