#include "processing/calcratio.h"

#include "data/tddata.h"
#include "filtertesttools.h"

#include <QCoreApplication>
#include <QtTest>

#include <cmath>
#include <memory>

namespace {

struct Mask
{
    bool on = false;
    double ax = 0, ay = 0, bx = 0, by = 0;
};

// Whether operand d (with its mask) can give a value at (x, y), decided one condition at a time.
bool available(const TDData0 *d, const Mask &m, int x, int y)
{
    if (x >= d->width || y >= d->height)
        return false;
    if (!d->isValid(x, y))
        return false;
    if (m.on) {
        const double left = m.ax < m.bx ? m.ax : m.bx;
        const double right = m.ax < m.bx ? m.bx : m.ax;
        const double top = m.ay < m.by ? m.ay : m.by;
        const double bottom = m.ay < m.by ? m.by : m.ay;
        if (x < left || x > right || y < top || y > bottom)
            return false;
    }
    return true;
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
    void maskEitherWayRound();
    void draggedMaskAdmitsInclusiveBounds();
    void zeroDenominatorIsInvalid();
    void onlyDenominators_data();
    void onlyDenominators();
    void nanPassesThrough();
    void rangeAlwaysIncludesZero();
    void operandText_data();
    void operandText();
    void resultName_data();
    void resultName();
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

void TestCalcRatio::maskEitherWayRound()
{
    const Grid a(randomGrid(10, 8, 7, 6));
    const Grid b(randomGrid(10, 8, 8, 6));
    const QVector<QPair<QPointF, QPointF>> drags = {{{2.4, 1.5}, {7.9, 6.2}},
                                                    {{7.9, 6.2}, {2.4, 1.5}},
                                                    {{2.4, 6.2}, {7.9, 1.5}},
                                                    {{7.9, 1.5}, {2.4, 6.2}}};
    Grid first;
    for (const auto &drag : drags) {
        const RatioOperand num = operand(a.get(), {true, drag.first.x(), drag.first.y(), drag.second.x(), drag.second.y()});
        const RatioOperand den = operand(b.get(), Mask());
        Grid result(CalcRatio::exec({num}, {den}, 10, 8, RatioOptions{false, false}));
        if (!first) {
            first = std::move(result);
            continue;
        }
        QCOMPARE(result->valids, first->valids);
        QCOMPARE(result->values, first->values);
    }
    // Masked to columns 3..7 and rows 2..6, whatever the drag direction.
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 10; ++x) {
            if (x < 3 || x > 7 || y < 2 || y > 6)
                QVERIFY(!first->isValid(x, y));
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
    for (int y = 0; y < 45; ++y) {
        for (int x = 0; x < 40; ++x)
            QCOMPARE(result->isValid(x, y), x >= 10 && x <= 30 && y >= 21 && y <= 40);
    }
}

void TestCalcRatio::zeroDenominatorIsInvalid()
{
    TDData num(3, 1), den(3, 1);
    for (int x = 0; x < 3; ++x)
        num.setValue(x, 0, x == 0 ? 0.0 : 6.0);
    den.setValue(0, 0, 0.0);
    den.setValue(1, 0, 0.0);
    den.setValue(2, 0, -2.0);
    const Grid result(CalcRatio::exec({operand(&num, Mask())}, {operand(&den, Mask())}, 3, 1, RatioOptions{false, false}));
    QVERIFY(!result->isValid(0, 0)); // 0 / 0
    QVERIFY(!result->isValid(1, 0)); // 6 / 0
    QVERIFY(result->isValid(2, 0));
    QCOMPARE(result->value(2, 0), -3.0);
}

void TestCalcRatio::onlyDenominators_data()
{
    QTest::addColumn<bool>("log");
    QTest::addColumn<bool>("neg");
    QTest::newRow("log: nothing computable") << true << false;
    QTest::newRow("plain: zeros") << false << false;
    QTest::newRow("neg: zeros") << false << true;
}

void TestCalcRatio::onlyDenominators()
{
    QFETCH(bool, log);
    QFETCH(bool, neg);
    const Grid den(randomGrid(6, 5, 3, 3));
    const Grid result(CalcRatio::exec({}, {operand(den.get(), Mask())}, 6, 5, RatioOptions{log, neg}));
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 6; ++x) {
            const bool computable = !log && den->isValid(x, y) && den->value(x, y) != 0.0;
            QCOMPARE(result->isValid(x, y), computable);
            if (computable)
                QCOMPARE(result->value(x, y), 0.0);
        }
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

void TestCalcRatio::rangeAlwaysIncludesZero()
{
    TDData num(2, 1);
    num.setValue(0, 0, 1.5);
    num.setValue(1, 0, 3.0);
    const Grid result(CalcRatio::exec({operand(&num, Mask())}, {}, 2, 1, RatioOptions{false, false}));
    QCOMPARE(result->minVal, 0.0);
    QCOMPARE(result->maxVal, 3.0);
}

void TestCalcRatio::operandText_data()
{
    QTest::addColumn<QVector<int>>("numbers");
    QTest::addColumn<QString>("text");
    QTest::newRow("none") << QVector<int>{} << QString();
    QTest::newRow("one") << QVector<int>{2} << QStringLiteral("I[2]");
    QTest::newRow("two") << QVector<int>{3, 5} << QStringLiteral("I[3]+I[5]");
    QTest::newRow("three, unnumbered row") << QVector<int>{1, 0, 12} << QStringLiteral("I[1]+I[0]+I[12]");
}

void TestCalcRatio::operandText()
{
    QFETCH(QVector<int>, numbers);
    QFETCH(QString, text);
    QCOMPARE(CalcRatio::operandText(numbers), text);
}

void TestCalcRatio::resultName_data()
{
    QTest::addColumn<QString>("num");
    QTest::addColumn<QString>("den");
    QTest::addColumn<bool>("log");
    QTest::addColumn<bool>("neg");
    QTest::addColumn<QString>("name");
    QTest::newRow("defaults") << "I[3]+I[5]" << "I[2]" << true << false << "Cl[log(I[3]+I[5]/I[2])]";
    QTest::newRow("neg") << "I[1]" << "I[2]" << false << true << "Cl[-I[1]/I[2]]";
    QTest::newRow("log neg: sign outside") << "I[1]" << "I[2]" << true << true << "Cl[-log(I[1]/I[2])]";
    QTest::newRow("numerators only") << "I[4]" << "" << true << false << "Cl[log(I[4]/)]";
    QTest::newRow("denominators only") << "" << "I[4]" << false << false << "Cl[/I[4]]";
    QTest::newRow("typed text with markers") << "%2 and %1" << "I[1]" << false << false << "Cl[%2 and %1/I[1]]";
}

void TestCalcRatio::resultName()
{
    QFETCH(QString, num);
    QFETCH(QString, den);
    QFETCH(bool, log);
    QFETCH(bool, neg);
    QFETCH(QString, name);
    QCOMPARE(CalcRatio::resultName(num, den, RatioOptions{log, neg}), name);
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
