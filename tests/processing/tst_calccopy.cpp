// The widget-free parts of the calculation and copy panels: the ratio of selected rows, a copied
// region of S1, and tiles of S2 around the peaks of S1.

#include "data/datainfo.h"
#include "data/parallelrows.h"
#include "data/tddata.h"
#include "filtertesttools.h"
#include "processing/calcratio.h"
#include "processing/copyaroundpeaks.h"
#include "processing/copyregion.h"

#include <QtTest>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

using Grid = std::unique_ptr<TDData>;

namespace {

const QVector<QPointF> fourPeaks = {{10, 10}, {50, 10}, {10, 50}, {50, 50}};

// Whether operand op can give a value at (x, y). A mask holds the pixels from its top-left to its
// bottom-right corner, both included; none when the second lies left of or above the first.
bool available(const RatioOperand &op, int x, int y)
{
    const TDData0 *d = op.data;
    if (x >= d->width || y >= d->height || !d->isValid(x, y))
        return false;
    const QRect mask(op.corner1.toPoint(), op.corner2.toPoint());
    return !op.masked || mask.contains(x, y);
}

} // namespace

class TestCalcCopy : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { ParallelRows::setThreadCount(0); }
    void ratio_data();
    void ratio();
    void regionPixels_data();
    void regionPixels();
    void regionKeepsRegionNotInfos();
    void saveOrder_data();
    void saveOrder();
    void sortedOrderIsASortingPermutation();
    void nothingPlanned();
    void tileCorners_data();
    void tileCorners();
    void tileKeepsTheTemplateRegion();
    void names();
};

void TestCalcCopy::ratio_data()
{
    QTest::addColumn<int>("numCount");
    QTest::addColumn<int>("denCount");
    QTest::addColumn<bool>("log");
    QTest::addColumn<bool>("neg");
    QTest::addColumn<bool>("masks");
    QTest::addColumn<int>("threads");
    for (int threads : threadCounts) {
        QTest::addRow("one over one, log, %d threads", threads) << 1 << 1 << true << false << false << threads;
        QTest::addRow("three over one, log neg, masks, %d threads", threads) << 3 << 1 << true << true << true << threads;
        QTest::addRow("two over three, masks, %d threads", threads) << 2 << 3 << false << false << true << threads;
        QTest::addRow("numerators only, %d threads", threads) << 2 << 0 << false << false << true << threads;
        QTest::addRow("denominators only: zeros, %d threads", threads) << 0 << 1 << false << false << false << threads;
    }
}

void TestCalcCopy::ratio()
{
    QFETCH(int, numCount);
    QFETCH(int, denCount);
    QFETCH(bool, log);
    QFETCH(bool, neg);
    QFETCH(bool, masks);
    QFETCH(int, threads);
    ParallelRows::setThreadCount(threads);

    // Operands of different sizes around the 9 x 7 result, some larger, some smaller; masks
    // inside, past the edges, one pixel, and empty (a click without dragging).
    const QSize sizes[] = {{9, 7}, {6, 9}, {12, 5}, {9, 7}, {4, 4}};
    const RatioOperand maskOf[] = {{nullptr, true, {1, 0}, {7, 5}},
                                   {nullptr, true, {-2, 1}, {6, 9}},
                                   {},
                                   {nullptr, true, {3, 2}, {3, 2}},
                                   {nullptr, true, {2, 2}, {1, 3}}};
    std::vector<Grid> grids;
    QVector<RatioOperand> operands;
    for (int i = 0; i < numCount + denCount; ++i) {
        grids.emplace_back(randomGrid(sizes[i].width(), sizes[i].height(), 40 + i, 5));
        operands.append(masks ? maskOf[i] : RatioOperand());
        operands.last().data = grids.back().get();
    }
    // A valid NaN is kept as NaN, also through the log.
    if (!grids.empty())
        grids[0]->setValue(2, 2, std::nan(""));
    const Grid result(
        CalcRatio::exec(operands.mid(0, numCount), operands.mid(numCount), 9, 7, RatioOptions{log, neg}));
    QCOMPARE(QSize(result->width, result->height), QSize(9, 7));
    QVERIFY(!result->regionSet);
    QVERIFY(result->dataId.isEmpty());

    // The range widens from 0 with every value stored, in row order; NaN never widens it.
    double lo = 0.0;
    double hi = 0.0;
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 9; ++x) {
            bool ok = true;
            double num = 0, den = 0;
            for (int i = 0; i < operands.size(); ++i) {
                if (available(operands[i], x, y))
                    (i < numCount ? num : den) += grids[i]->value(x, y);
                else
                    ok = false;
            }
            double expected = denCount > 0 ? num / den : num;
            ok = ok && !(denCount > 0 && den == 0.0) && !(log && expected <= 0);
            if (log)
                expected = std::log(expected);
            if (neg)
                expected = -expected;
            QCOMPARE(result->isValid(x, y), ok);
            if (ok) {
                QCOMPARE(result->value(x, y), expected);
                lo = expected < lo ? expected : lo;
                hi = expected > hi ? expected : hi;
            }
        }
    }
    QCOMPARE(result->minVal, lo);
    QCOMPARE(result->maxVal, hi);
}

void TestCalcCopy::regionPixels_data()
{
    QTest::addColumn<QRect>("r");
    QTest::addColumn<bool>("resize");
    QTest::addColumn<int>("threads");
    for (int threads : threadCounts) {
        QTest::addRow("past left and top, resized, %d threads", threads) << QRect(QPoint(-3, -2), QPoint(4, 5)) << true
                                                                         << threads;
        QTest::addRow("past right and bottom, in place, %d threads", threads) << QRect(QPoint(8, 7), QPoint(20, 15))
                                                                              << false << threads;
        // Dragged far beyond a zoomed-out image: cut to the grid before copying.
        QTest::addRow("far outside, in place, %d threads", threads)
            << QRect(QPoint(-1000000000, -1000000000), QPoint(999999999, 5)) << false << threads;
    }
}

void TestCalcCopy::regionPixels()
{
    QFETCH(QRect, r);
    QFETCH(bool, resize);
    QFETCH(int, threads);
    ParallelRows::setThreadCount(threads);
    const Grid src(randomGrid(12, 10, 5));
    const Grid copy(CopyRegion::exec(src.get(), r, resize));
    QVERIFY(copy);
    double lo = 0.0;
    double hi = 0.0;
    QCOMPARE(QSize(copy->width, copy->height), resize ? r.size() : QSize(12, 10));
    for (int y = 0; y < copy->height; ++y) {
        for (int x = 0; x < copy->width; ++x) {
            const QPoint s = resize ? r.topLeft() + QPoint(x, y) : QPoint(x, y);
            const bool fromSource = r.contains(s) && QRect(0, 0, 12, 10).contains(s);
            QCOMPARE(copy->isValid(x, y), fromSource && src->isValid(s.x(), s.y()));
            QCOMPARE(copy->value(x, y), fromSource ? src->value(s.x(), s.y()) : 0.0);
            // Copied values widen the range whether valid or not.
            if (fromSource) {
                lo = std::min(lo, copy->value(x, y));
                hi = std::max(hi, copy->value(x, y));
            }
        }
    }
    QCOMPARE(copy->minVal, lo);
    QCOMPARE(copy->maxVal, hi);
}

void TestCalcCopy::regionKeepsRegionNotInfos()
{
    const Grid src(randomGrid(12, 10, 5));
    src->infos.append(peakList({{1, 1}}));
    const Grid whole(CopyRegion::exec(src.get(), QRect(1, 1, 3, 3), true));
    QVERIFY(whole->regionSet);
    QCOMPARE(whole->region, QRect(0, 0, 12, 10));
    QVERIFY(whole->infos.isEmpty());
    src->setRegion(QRect(2, 2, 4, 4));
    QCOMPARE(Grid(CopyRegion::exec(src.get(), QRect(1, 1, 3, 3), false))->region, QRect(2, 2, 4, 4));
}

void TestCalcCopy::saveOrder_data()
{
    QTest::addColumn<int>("axis");
    QTest::addColumn<bool>("rightToLeft");
    QTest::addColumn<bool>("bottomToTop");
    QTest::addColumn<QVector<int>>("expected");  // indices into fourPeaks
    const auto row = [](const char *name, SaveOrder::Axis axis, bool rl, bool bt, QVector<int> expected) {
        QTest::newRow(name) << int(axis) << rl << bt << expected;
    };
    row("H", SaveOrder::H, false, false, {0, 2, 1, 3});
    row("H R->L", SaveOrder::H, true, false, {1, 3, 2, 0});
    row("H B->T ignored", SaveOrder::H, false, true, {0, 2, 1, 3});
    row("V B->T", SaveOrder::V, false, true, {2, 3, 0, 1});
    row("V R->L ignored", SaveOrder::V, true, false, {0, 1, 2, 3});
    row("VH R->L", SaveOrder::VFirst, true, false, {1, 0, 3, 2});
    row("VH R->L B->T", SaveOrder::VFirst, true, true, {3, 2, 1, 0});
    row("HV R->L", SaveOrder::HFirst, true, false, {1, 3, 0, 2});
    row("HV B->T", SaveOrder::HFirst, false, true, {2, 0, 3, 1});
    row("no order", SaveOrder::Collection, true, true, {0, 1, 2, 3});
}

void TestCalcCopy::saveOrder()
{
    QFETCH(int, axis);
    QFETCH(bool, rightToLeft);
    QFETCH(bool, bottomToTop);
    QFETCH(QVector<int>, expected);
    const SaveOrder order{SaveOrder::Axis(axis), rightToLeft, bottomToTop};
    const QVector<PeakTile> tiles = CopyAroundPeaks::plan(fourPeaks, 1, QRect(QPoint(45, 5), QPoint(54, 14)), order);
    QCOMPARE(tiles.size(), 4);
    for (int k = 0; k < 4; ++k) {
        QCOMPARE(tiles[k].k, k);
        QCOMPARE(tiles[k].peak, fourPeaks[expected[k]]);
        QCOMPARE(tiles[k].rect, QRect(fourPeaks[expected[k]].toPoint() - QPoint(5, 5), QSize(10, 10)));
    }
}

void TestCalcCopy::sortedOrderIsASortingPermutation()
{
    // A (10, 5), B (10, 1), C (3, 7) by x: C is swapped to the front past A, so B comes before A.
    const QVector<QPointF> tie = {{10, 5}, {10, 1}, {3, 7}};
    QCOMPARE(CopyAroundPeaks::sortedOrder(CopyAroundPeaks::orderKeys(tie, SaveOrder())), (QVector<int>{2, 1, 0}));
    // Against the selection sort itself, on keys full of ties, signed zeros, infinities and NaN.
    auto selectionSort = [](QVector<double> keys) {
        QVector<int> order;
        for (int i = 0; i < keys.size(); ++i)
            order.append(i);
        for (int i = 0; i + 1 < keys.size(); ++i) {
            int smallest = i;
            for (int j = i + 1; j < keys.size(); ++j) {
                if (keys[j] < keys[smallest])
                    smallest = j;
            }
            std::swap(keys[i], keys[smallest]);
            std::swap(order[i], order[smallest]);
        }
        return order;
    };
    const double odd[] = {qQNaN(), qInf(), -qInf(), 0.0, -0.0};
    QRandomGenerator rng(11);
    for (int round = 0; round < 300; ++round) {
        QVector<double> keys(round < 290 ? int(rng.bounded(40)) : 3000);
        for (double &key : keys) {
            const int kind = int(rng.bounded(12));
            key = kind < 5 && round % 3 ? odd[kind] : rng.bounded(7) - 3;
        }
        QCOMPARE(CopyAroundPeaks::sortedOrder(keys), selectionSort(keys));
    }
}

void TestCalcCopy::nothingPlanned()
{
    const Grid src(randomGrid(12, 10, 5));
    // A click without a drag, or no region at all, copies nothing and makes no tiles.
    for (const QRect &empty : {QRect(QPoint(4, 4), QPoint(3, 3)), QRect()}) {
        QVERIFY(!CopyRegion::exec(src.get(), empty, true));
        QVERIFY(!CopyRegion::exec(src.get(), empty, false));
        QVERIFY(CopyAroundPeaks::plan(fourPeaks, 0, empty, SaveOrder()).isEmpty());
    }
    const QRect templ(0, 0, 3, 3);
    QCOMPARE(CopyAroundPeaks::plan(fourPeaks, 3, templ, SaveOrder()).size(), 4);
    for (int reference : {4, 10000, -1})
        QVERIFY(CopyAroundPeaks::plan(fourPeaks, reference, templ, SaveOrder()).isEmpty());
    QVERIFY(CopyAroundPeaks::plan({}, 0, templ, SaveOrder()).isEmpty());
    // Too large to hold: refused with a debug line.
    const QRect huge(QPoint(-1000000000, -1000000000), QPoint(999999999, 999999999));
    QTest::ignoreMessage(QtDebugMsg, "can't hold a grid of 2000000000 x 2000000000");
    QTest::ignoreMessage(QtDebugMsg, "can't copy a region of 2000000000 x 2000000000");
    QVERIFY(!CopyRegion::exec(src.get(), huge, true));
    QVERIFY(CopyAroundPeaks::plan(fourPeaks, 0, huge, SaveOrder()).isEmpty());
}

void TestCalcCopy::tileCorners_data()
{
    QTest::addColumn<QPointF>("peak");
    QTest::addColumn<QPoint>("corner");
    // The reference peak (0.7, 0.7) puts each corner 0.7 up and left of its peak.
    QTest::newRow("truncated toward zero") << QPointF(0.2, 3.2) << QPoint(0, 2);
    QTest::newRow("far outside, held at 1e9") << QPointF(1e300, -std::numeric_limits<double>::infinity())
                                             << QPoint(1000000000, -1000000000);
    QTest::newRow("NaN reads as 0") << QPointF(std::nan(""), 5.9) << QPoint(0, 5);
}

void TestCalcCopy::tileCorners()
{
    QFETCH(QPointF, peak);
    const QVector<PeakTile> tiles = CopyAroundPeaks::plan({{0.7, 0.7}, peak}, 0, QRect(0, 0, 4, 4),
                                                          SaveOrder{SaveOrder::Collection});
    QCOMPARE(tiles.size(), 2);
    QTEST(tiles[1].rect.topLeft(), "corner");
    QCOMPARE(tiles[1].rect.size(), QSize(4, 4));
}

void TestCalcCopy::tileKeepsTheTemplateRegion()
{
    const Grid s2(randomGrid(20, 16, 21));
    QCOMPARE(CopyAroundPeaks::templateRect(s2.get()), QRect(0, 0, 20, 16));
    s2->setRegion(QRect(QPoint(2, 3), QPoint(8, 7)));
    QCOMPARE(CopyAroundPeaks::templateRect(s2.get()), QRect(QPoint(2, 3), QPoint(8, 7)));
    const Grid tile(CopyAroundPeaks::makeTile(s2.get(), PeakTile{0, QPointF(17, 14), QRect(15, 12, 7, 5)}));
    QCOMPARE(QSize(tile->width, tile->height), QSize(7, 5));
    QCOMPARE(tile->region, QRect(QPoint(2, 3), QPoint(8, 7)));
    QCOMPARE(tile->value(4, 3), s2->value(19, 15));
    QVERIFY(!tile->isValid(5, 0));
    s2->regionCleared();
    QCOMPARE(CopyAroundPeaks::templateRect(s2.get()), QRect(0, 0, 20, 16));
}

void TestCalcCopy::names()
{
    TDData src(4, 4);
    src.dataId = QStringLiteral("T%1");
    const PeakTile tile{3, QPointF(10.123456789, 50), QRect(0, 0, 2, 2)};
    const ContextTranslator translator;
    QCOMPARE(Grid(CopyAroundPeaks::makeTile(&src, tile))->dataId,
             QStringLiteral("[CopyCtrl]T%1:CpAPk[3(10.1235,50)]"));
    QCOMPARE(Grid(CopyRegion::exec(&src, QRect(QPoint(0, 1), QPoint(2, 3)), true))->dataId,
             QStringLiteral("[CopyCtrl]T%1: Cp(0,1)-(2,3)"));
    QCOMPARE(CalcRatio::resultName("", "I[4]", RatioOptions{false, false}), QStringLiteral("[CalcCtrl]Cl[/I[4]]"));
    // A typed "%1" must not be substituted again.
    QCOMPARE(CalcRatio::resultName("b %1 %2", "%1", RatioOptions{true, true}),
             QStringLiteral("[CalcCtrl]Cl[-log(b %1 %2/%1)]"));
}

QTEST_GUILESS_MAIN(TestCalcCopy)
#include "tst_calccopy.moc"
