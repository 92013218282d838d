#include "processing/calcratio.h"

#include "data/tddata.h"
#include "filtertesttools.h"

#include <QtTest>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

struct Mask
{
    bool on = false;
    QPointF a, b;
};

// Whether operand d (with its mask) can give a value at (x, y). A mask bounds the pixels between
// its corners on each axis, bounds included, whichever way round they were dragged.
bool available(const TDData0 *d, const Mask &m, int x, int y)
{
    if (x >= d->width || y >= d->height || !d->isValid(x, y))
        return false;
    return !m.on
           || (x >= std::min(m.a.x(), m.b.x()) && x <= std::max(m.a.x(), m.b.x()) && y >= std::min(m.a.y(), m.b.y())
               && y <= std::max(m.a.y(), m.b.y()));
}

} // namespace

class TestCalcRatio : public QObject
{
    Q_OBJECT

private slots:
    void matchesReference_data();
    void matchesReference();
    void resultNames_data();
    void resultNames();
};

void TestCalcRatio::matchesReference_data()
{
    QTest::addColumn<int>("numCount");
    QTest::addColumn<int>("denCount");
    QTest::addColumn<bool>("log");
    QTest::addColumn<bool>("neg");
    QTest::addColumn<bool>("masks");
    QTest::newRow("one over one, log") << 1 << 1 << true << false << false;
    QTest::newRow("three over one, log neg, masks") << 3 << 1 << true << true << true;
    QTest::newRow("two over three, masks") << 2 << 3 << false << false << true;
    QTest::newRow("numerators only") << 2 << 0 << false << false << true;
    QTest::newRow("denominators only: zeros") << 0 << 1 << false << false << false;
    QTest::newRow("denominators only, log: nothing") << 0 << 1 << true << false << false;
}

void TestCalcRatio::matchesReference()
{
    QFETCH(int, numCount);
    QFETCH(int, denCount);
    QFETCH(bool, log);
    QFETCH(bool, neg);
    QFETCH(bool, masks);

    // Operands of different sizes around the 9 x 7 result, some larger, some smaller; masks
    // dragged right to left, bottom to top, both, and to corners exactly on pixels.
    const QSize sizes[] = {{9, 7}, {6, 9}, {12, 5}, {9, 7}, {4, 4}};
    const Mask maskOf[] = {{true, {7.5, 0.7}, {1.0, 5.2}},
                           {true, {0.2, 6.1}, {6.6, 1.0}},
                           {},
                           {true, {8.0, 4.2}, {2.4, 0.5}},
                           {true, {1.0, 1.0}, {3.0, 3.0}}};
    std::vector<std::unique_ptr<TDData>> grids;
    QVector<RatioOperand> nums, dens;
    for (int i = 0; i < numCount + denCount; ++i) {
        grids.emplace_back(randomGrid(sizes[i].width(), sizes[i].height(), 40 + i, 5));
        const Mask m = masks ? maskOf[i] : Mask();
        (i < numCount ? nums : dens).append(RatioOperand{grids.back().get(), m.on, m.a, m.b});
    }
    // A valid NaN is kept as NaN, also through the log.
    if (!grids.empty())
        grids[0]->setValue(2, 2, std::nan(""));
    const std::unique_ptr<TDData> result(CalcRatio::exec(nums, dens, 9, 7, RatioOptions{log, neg}));
    QCOMPARE(QSize(result->width, result->height), QSize(9, 7));
    QVERIFY(!result->regionSet);
    QVERIFY(result->dataId.isEmpty());

    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 9; ++x) {
            bool ok = true;
            double num = 0, den = 0;
            for (int i = 0; i < numCount + denCount; ++i) {
                if (available(grids[i].get(), masks ? maskOf[i] : Mask(), x, y))
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
            if (ok)
                QCOMPARE(result->value(x, y), expected);
        }
    }
}

void TestCalcRatio::resultNames_data()
{
    QTest::addColumn<QString>("nums");
    QTest::addColumn<QString>("dens");
    QTest::addColumn<bool>("log");
    QTest::addColumn<bool>("neg");
    QTest::addColumn<QString>("name");
    QTest::newRow("neg and log") << "I[1]" << "I[2]" << true << true << "[CalcCtrl]Cl[-log(I[1]/I[2])]";
    QTest::newRow("only denominators") << "" << "I[4]" << false << false << "[CalcCtrl]Cl[/I[4]]";
    // A typed "%1" must not be substituted again.
    QTest::newRow("typed placeholders") << "b %1 %2" << "%1" << true << false << "[CalcCtrl]Cl[log(b %1 %2/%1)]";
}

void TestCalcRatio::resultNames()
{
    QFETCH(QString, nums);
    QFETCH(QString, dens);
    QFETCH(bool, log);
    QFETCH(bool, neg);
    const ContextTranslator translator;
    QTEST(CalcRatio::resultName(nums, dens, RatioOptions{log, neg}), "name");
}

QTEST_GUILESS_MAIN(TestCalcRatio)
#include "tst_calcratio.moc"
