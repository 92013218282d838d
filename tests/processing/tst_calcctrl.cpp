#include "processing/calcctrl.h"

#include "app/body.h"
#include "data/tddata.h"
#include "display/datactrl.h"
#include "paneltesttools.h"

#include <QSignalSpy>
#include <QtTest>

#include <cmath>

namespace {

// Rows 1 .. count, grids of 6 x 4 with pixel values 1 + x + 100 y + row.
void addRows(Body &body, int count)
{
    for (int i = 1; i <= count; ++i)
        addRow(body, ramp(QStringLiteral("d%1").arg(i), 6, 4, i));
}

} // namespace

class TestCalcCtrl : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void hostedInTheMainWindow();
    void operandTexts();
    void resultNames_data();
    void resultNames();
    void ratioWithInvalidPixelsAndZeroDenominator();
    void sourcesOfDifferentSizes();
    void regionMasksEitherWayRound_data();
    void regionMasksEitherWayRound();
    void staleSelectionVectors();

private:
    Body *body = nullptr;
};

void TestCalcCtrl::initTestCase()
{
    qRegisterMetaType<TDData *>();
}

void TestCalcCtrl::init()
{
    body = new Body;
    body->show();
}

void TestCalcCtrl::cleanup()
{
    delete body;
    body = nullptr;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestCalcCtrl::hostedInTheMainWindow()
{
    click(body->ui.Calc);
    QVERIFY(body->calcCtrl.isVisible());
    QCOMPARE(body->calcCtrl.parentWidget(), body->ui.CalcFrame);
    click(body->ui.Calc);
    QVERIFY(!body->calcCtrl.isVisible());
}

void TestCalcCtrl::operandTexts()
{
    addRows(*body, 5);
    const QList<DataCtrl *> rows = body->ctrls.dataCtrls;
    click(rows[2]->ui.MultiSelA);
    click(rows[4]->ui.MultiSelA);
    click(rows[1]->ui.MultiSelB);
    QCOMPARE(body->calcCtrl.ui.Numerators->text(), QStringLiteral("I[3]+I[5]"));
    QCOMPARE(body->calcCtrl.ui.Denominators->text(), QStringLiteral("I[2]"));

    // Numbers are never reused: after row 1 goes, the texts still name rows by their numbers.
    click(rows[0]->ui.MultiSelA);
    click(rows[0]->ui.Del);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    click(rows[3]->ui.MultiSelB);
    QCOMPARE(body->calcCtrl.ui.Numerators->text(), QStringLiteral("I[3]+I[5]"));
    QCOMPARE(body->calcCtrl.ui.Denominators->text(), QStringLiteral("I[2]+I[4]"));
}

void TestCalcCtrl::resultNames_data()
{
    QTest::addColumn<QList<int>>("aRows");
    QTest::addColumn<QList<int>>("bRows");
    QTest::addColumn<bool>("neg");
    QTest::addColumn<bool>("log");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("name");
    QTest::newRow("defaults") << QList<int>{3, 5} << QList<int>{2} << false << true << "" << "Cl[log(I[3]+I[5]/I[2])]";
    QTest::newRow("neg without log") << QList<int>{1} << QList<int>{2} << true << false << "" << "Cl[-I[1]/I[2]]";
    QTest::newRow("neg and log") << QList<int>{1} << QList<int>{2} << true << true << "" << "Cl[-log(I[1]/I[2])]";
    QTest::newRow("only numerators") << QList<int>{4} << QList<int>{} << false << true << "" << "Cl[log(I[4]/)]";
    QTest::newRow("only denominators") << QList<int>{} << QList<int>{4} << false << false << "" << "Cl[/I[4]]";
    // A typed text names the result.
    QTest::newRow("typed numerator text") << QList<int>{1} << QList<int>{2} << false << true << "bright %1 field"
                                          << "Cl[log(bright %1 field/I[2])]";
}

void TestCalcCtrl::resultNames()
{
    QFETCH(QList<int>, aRows);
    QFETCH(QList<int>, bRows);
    QFETCH(bool, neg);
    QFETCH(bool, log);
    QFETCH(QString, typed);
    QFETCH(QString, name);
    addRows(*body, 5);
    for (int n : aRows)
        click(body->ctrls.dataCtrls[n - 1]->ui.MultiSelA);
    for (int n : bRows)
        click(body->ctrls.dataCtrls[n - 1]->ui.MultiSelB);
    CalcCtrl &calc = body->calcCtrl;
    if (calc.ui.Neg->isChecked() != neg)
        click(calc.ui.Neg);
    if (calc.ui.Log->isChecked() != log)
        click(calc.ui.Log);
    if (!typed.isEmpty()) {
        calc.ui.Numerators->clear();
        QTest::keyClicks(calc.ui.Numerators, typed);
    }
    QSignalSpy spy(&calc, &CalcCtrl::newDataGenerated);
    click(calc.ui.Gen);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(lastData(*body)->dataId, name);
}

void TestCalcCtrl::ratioWithInvalidPixelsAndZeroDenominator()
{
    auto *num = ramp("n", 3, 2, 0.0); // 0 1 2 / 100 101 102
    num->setValid(1, 0, false);
    auto *den = ramp("d", 3, 2, 0.0);
    den->setValue(2, 1, 0.0);
    den->setValid(0, 1, false);
    addRow(*body, num);
    addRow(*body, den);
    click(body->ctrls.dataCtrls[0]->ui.MultiSelA);
    click(body->ctrls.dataCtrls[1]->ui.MultiSelB);
    click(body->calcCtrl.ui.Log);
    click(body->calcCtrl.ui.Gen);
    const TDData *r = lastData(*body);
    QVERIFY(!r->isValid(0, 0)); // 0 / 0
    QVERIFY(!r->isValid(1, 0)); // invalid numerator
    QCOMPARE(r->value(2, 0), 1.0);
    QVERIFY(!r->isValid(0, 1)); // invalid denominator
    QCOMPARE(r->value(1, 1), 1.0);
    QVERIFY(!r->isValid(2, 1)); // 102 / 0
    QCOMPARE(r->minVal, 0.0);
    QCOMPARE(r->maxVal, 1.0);
}

void TestCalcCtrl::sourcesOfDifferentSizes()
{
    addRow(*body, ramp("big", 5, 4));
    addRow(*body, ramp("small", 3, 2));
    addRow(*body, ramp("larger", 8, 8));
    // The result takes the size of the first selected row, here a denominator.
    click(body->ctrls.dataCtrls[0]->ui.MultiSelB);
    click(body->ctrls.dataCtrls[1]->ui.MultiSelA);
    click(body->ctrls.dataCtrls[2]->ui.MultiSelA);
    click(body->calcCtrl.ui.Gen);
    const TDData *r = lastData(*body);
    QCOMPARE(r->width, 5);
    QCOMPARE(r->height, 4);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 5; ++x) {
            const bool inSmall = x < 3 && y < 2;
            QCOMPARE(r->isValid(x, y), inSmall);
            if (inSmall)
                QCOMPARE(r->value(x, y), std::log(2.0));
        }
    }
}

void TestCalcCtrl::regionMasksEitherWayRound_data()
{
    QTest::addColumn<QPointF>("from");
    QTest::addColumn<QPointF>("to");
    QTest::newRow("left to right, top to bottom") << QPointF(1.5, 1.2) << QPointF(4.0, 3.9);
    QTest::newRow("right to left") << QPointF(4.0, 1.2) << QPointF(1.5, 3.9);
    QTest::newRow("bottom to top") << QPointF(1.5, 3.9) << QPointF(4.0, 1.2);
    QTest::newRow("both reversed") << QPointF(4.0, 3.9) << QPointF(1.5, 1.2);
}

void TestCalcCtrl::regionMasksEitherWayRound()
{
    QFETCH(QPointF, from);
    QFETCH(QPointF, to);
    DataCtrl *row = addRow(*body, ramp("m", 7, 6));
    dragRegion(row, from, to);
    click(row->ui.MultiSelA);
    click(body->calcCtrl.ui.Log);
    click(body->calcCtrl.ui.Gen);
    const TDData *r = lastData(*body);
    // Columns 2 .. 4 and rows 2 .. 3, bounds included.
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 7; ++x) {
            const bool inside = x >= 2 && x <= 4 && y >= 2 && y <= 3;
            QCOMPARE(r->isValid(x, y), inside);
            if (inside)
                QCOMPARE(r->value(x, y), 1.0 + x + 100.0 * y);
        }
    }
}

void TestCalcCtrl::staleSelectionVectors()
{
    addRows(*body, 3);
    CalcCtrl &calc = body->calcCtrl;
    QSignalSpy spy(&calc, &CalcCtrl::newDataGenerated);
    click(calc.ui.Gen);  // nothing selected: nothing to compute
    QCOMPARE(spy.count(), 0);
    // Longer than the row list: the entries without a row are ignored.
    const QVector<bool> none(8, false);
    calc.selsChanged(none, none, QVector<bool>(8, true), none);
    QCOMPARE(calc.ui.Numerators->text(), QStringLiteral("I[1]+I[2]+I[3]"));
    click(calc.ui.Gen);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(lastData(*body)->value(1, 0), std::log(2.0 + 3.0 + 4.0));

    // Shorter than the row list (rows added since): the new rows take no part.
    calc.selsChanged({false}, {false}, {true}, {false});
    addRows(*body, 2);
    click(calc.ui.Gen);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(lastData(*body)->value(1, 0), std::log(2.0));

    // Only entries past the list are marked: nothing to compute.
    calc.selsChanged(none, none, none, QVector<bool>(20, false) << true);
    click(calc.ui.Gen);
    QCOMPARE(spy.count(), 2);
}

QTEST_MAIN(TestCalcCtrl)
#include "tst_calcctrl.moc"
