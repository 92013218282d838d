#include "processing/calcratio.h"

#include "data/tddata.h"
#include "filtertesttools.h"

#include <QCoreApplication>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

struct Mask
{
    bool on = false;
    double ax = 0, ay = 0, bx = 0, by = 0;
};

// Whether operand d (with its mask) can give a value at (x, y), decided one condition at a time.
// Masks with reversed corners bound the same pixels.
bool available(const TDData0 *d, const Mask &m, int x, int y)
{
    if (x >= d->width || y >= d->height || !d->isValid(x, y))
        return false;
    return !m.on
           || (x >= std::min(m.ax, m.bx) && x <= std::max(m.ax, m.bx) && y >= std::min(m.ay, m.by)
               && y <= std::max(m.ay, m.by));
}

RatioOperand operand(const TDData0 *d, const Mask &m)
{
    RatioOperand op;
    op.data = d;
    op.masked = m.on;
    op.corner1 = QPointF(m.ax, m.ay);
    op.corner2 = QPointF(m.bx, m.by);
    return op;
}

using Grid = std::unique_ptr<TDData>;

} // namespace

class TestCalcRatio : public QObject
{
    Q_OBJECT

private slots:
    void matchesReference_data();
    void matchesReference();
    void draggedMaskAdmitsInclusiveBounds();
    void nanPassesThrough();
    void nameFormatIsTranslated();
};

void TestCalcRatio::matchesReference_data()
{
    QTest::addColumn<int>("numCount");
    QTest::addColumn<int>("denCount");
    QTest::addColumn<bool>("log");
    QTest::addColumn<bool>("neg");
    QTest::addColumn<bool>("masks");
    QTest::newRow("one over one, log") << 1 << 1 << true << false << false;
    QTest::newRow("two over two, neg") << 2 << 2 << false << true << false;
    QTest::newRow("three over one, log neg, masks") << 3 << 1 << true << true << true;
    QTest::newRow("numerators only") << 2 << 0 << false << false << true;
    QTest::newRow("numerators only, log") << 2 << 0 << true << false << false;
    QTest::newRow("denominators only: zeros") << 0 << 1 << false << false << false;
    QTest::newRow("denominators only, neg") << 0 << 2 << false << true << true;
    QTest::newRow("denominators only, log: nothing") << 0 << 1 << true << false << false;
}

void TestCalcRatio::matchesReference()
{
    QFETCH(int, numCount);
    QFETCH(int, denCount);
    QFETCH(bool, log);
    QFETCH(bool, neg);
    QFETCH(bool, masks);

    // Operands of different sizes around the 9 x 7 result, some larger, some smaller.
    const QVector<QSize> sizes = {{9, 7}, {6, 9}, {12, 5}, {9, 7}, {4, 4}};
    std::vector<Grid> grids;
    QVector<Mask> maskOf;
    QVector<RatioOperand> nums, dens;
    for (int i = 0; i < numCount + denCount; ++i) {
        grids.emplace_back(randomGrid(sizes[i].width(), sizes[i].height(), 40 + i, 5));
        Mask m;
        if (masks && i % 2 == 0)
            m = {true, 7.5 - i, 5.2, 1.0 + i, 0.7};
        maskOf.append(m);
        (i < numCount ? nums : dens).append(operand(grids.back().get(), m));
    }
    const RatioOptions options{log, neg};
    const Grid result(CalcRatio::exec(nums, dens, 9, 7, options));
    QCOMPARE(result->width, 9);
    QCOMPARE(result->height, 7);
    QVERIFY(!result->regionSet);
    QVERIFY(result->dataId.isEmpty());

    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 9; ++x) {
            bool ok = true;
            double num = 0, den = 0;
            for (int i = 0; i < numCount + denCount; ++i) {
                if (!available(grids[i].get(), maskOf[i], x, y)) {
                    ok = false;
                    continue;
                }
                (i < numCount ? num : den) += grids[i]->value(x, y);
            }
            double expected = denCount > 0 ? num / den : num;
            if (denCount > 0 && den == 0.0)
                ok = false;
            if (log && ok && expected <= 0)
                ok = false;
            if (ok && log)
                expected = std::log(expected);
            if (ok && neg)
                expected = -expected;
            QCOMPARE(result->isValid(x, y), ok);
            if (ok)
                QCOMPARE(result->value(x, y), expected);
        }
    }
}

void TestCalcRatio::draggedMaskAdmitsInclusiveBounds()
{
    TDData ones(40, 45);
    for (int y = 0; y < 45; ++y) {
        for (int x = 0; x < 40; ++x)
            ones.setValue(x, y, 1.0);
    }
    // Corner (10, 20) lies exactly on a pixel: the bound is included.
    const RatioOperand num = operand(&ones, {true, 30.9, 40.2, 10.0, 20.7});
    const Grid result(CalcRatio::exec({num}, {}, 40, 45, RatioOptions{false, false}));
    // The range always holds 0.
    QCOMPARE(result->minVal, 0.0);
    QCOMPARE(result->maxVal, 1.0);
    for (int y = 0; y < 45; ++y) {
        for (int x = 0; x < 40; ++x)
            QCOMPARE(result->isValid(x, y), x >= 10 && x <= 30 && y >= 21 && y <= 40);
    }
}

void TestCalcRatio::nanPassesThrough()
{
    TDData num(1, 1), den(1, 1);
    num.setValue(0, 0, std::nan(""));
    den.setValue(0, 0, 2.0);
    const Grid result(CalcRatio::exec({operand(&num, Mask())}, {operand(&den, Mask())}, 1, 1, RatioOptions{true, true}));
    QVERIFY(result->isValid(0, 0));
    QVERIFY(std::isnan(result->value(0, 0)));
}

void TestCalcRatio::nameFormatIsTranslated()
{
    ContextTranslator translator;
    QCoreApplication::installTranslator(&translator);
    const QString name = CalcRatio::resultName("I[1]", "I[2]", RatioOptions{false, false});
    QCoreApplication::removeTranslator(&translator);
    QCOMPARE(name, QStringLiteral("[CalcCtrl]Cl[I[1]/I[2]]"));
}

QTEST_GUILESS_MAIN(TestCalcRatio)
#include "tst_calcratio.moc"
