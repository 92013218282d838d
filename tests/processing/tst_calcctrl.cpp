// The calculation panel driven by clicks; the arithmetic itself is checked in tst_calcratio.

#include "processing/calcctrl.h"

#include "paneltesttools.h"

#include <QSignalSpy>
#include <QtTest>

#include <cmath>

class TestCalcCtrl : public QObject, PanelFixture
{
    Q_OBJECT

private slots:
    void init() { open(); }
    void cleanup() { close(); }
    void toggledFromTheMainWindow() { checkToggles(body->ui.Calc, &body->calcCtrl); }
    void operandTextsKeepRowNumbers();
    void generate_data();
    void generate();
    void resultSizedFromFirstSelectedRow();
    void regionMasksDraggedEitherWay_data();
    void regionMasksDraggedEitherWay();
    void staleSelectionVectors();

private:
    // Rows 1 .. count, grids of 6 x 4 with pixel values i + x + 100 y in row i.
    void addRows(int count)
    {
        for (int i = 1; i <= count; ++i)
            addRow(ramp(QStringLiteral("d%1").arg(i), 6, 4, i));
    }
};

void TestCalcCtrl::operandTextsKeepRowNumbers()
{
    addRows(5);
    const QList<DataCtrl *> rows = body->ctrls.dataCtrls;
    for (DataCtrl *r : {rows[2], rows[4], rows[0]})
        click(r->ui.MultiSelA);
    click(rows[1]->ui.MultiSelB);
    QCOMPARE(body->calcCtrl.ui.Numerators->text(), QStringLiteral("I[1]+I[3]+I[5]"));
    QCOMPARE(body->calcCtrl.ui.Denominators->text(), QStringLiteral("I[2]"));
    // Numbers are never reused: after row 1 goes, the texts still name rows by their numbers.
    click(rows[0]->ui.Del);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    click(rows[3]->ui.MultiSelB);
    QCOMPARE(body->calcCtrl.ui.Numerators->text(), QStringLiteral("I[3]+I[5]"));
    QCOMPARE(body->calcCtrl.ui.Denominators->text(), QStringLiteral("I[2]+I[4]"));
}

void TestCalcCtrl::generate_data()
{
    QTest::addColumn<bool>("neg");
    QTest::addColumn<bool>("log");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("value");  // at (1, 0): (3 + 1) / (2 + 1)
    QTest::newRow("as the panel starts: log") << false << true << "" << "Cl[log(I[3]/I[2])]" << std::log(4.0 / 3.0);
    QTest::newRow("neg, typed name") << true << false << "bright %1" << "Cl[-bright %1/I[2]]" << -4.0 / 3.0;
}

void TestCalcCtrl::generate()
{
    QFETCH(bool, neg);
    QFETCH(bool, log);
    QFETCH(QString, typed);
    addRows(3);
    click(row(2)->ui.MultiSelA);
    click(row(1)->ui.MultiSelB);
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
    QCOMPARE(body->ctrls.dataCtrls.size(), 4);
    QTEST(lastData()->dataId, "name");
    QTEST(lastData()->value(1, 0), "value");
}

void TestCalcCtrl::resultSizedFromFirstSelectedRow()
{
    addRow(ramp("big", 5, 4));
    addRow(ramp("small", 3, 2));
    addRow(ramp("larger", 8, 8));
    // The first selected row is a denominator; pixels beyond the small grid stay invalid.
    click(row(0)->ui.MultiSelB);
    click(row(1)->ui.MultiSelA);
    click(row(2)->ui.MultiSelA);
    click(body->calcCtrl.ui.Gen);
    const TDData *r = lastData();
    QCOMPARE(QSize(r->width, r->height), QSize(5, 4));
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 5; ++x)
            QCOMPARE(r->isValid(x, y), x < 3 && y < 2);
    }
    QCOMPARE(r->value(2, 1), std::log(2.0));
}

void TestCalcCtrl::regionMasksDraggedEitherWay_data()
{
    QTest::addColumn<QPointF>("from");
    QTest::addColumn<QPointF>("to");
    QTest::newRow("right to left") << QPointF(4.0, 1.2) << QPointF(1.5, 3.9);
    QTest::newRow("bottom to top") << QPointF(1.5, 3.9) << QPointF(4.0, 1.2);
}

void TestCalcCtrl::regionMasksDraggedEitherWay()
{
    QFETCH(QPointF, from);
    QFETCH(QPointF, to);
    DataCtrl *r = addRow(ramp("m", 7, 6));
    dragRegion(r, from, to);
    click(r->ui.MultiSelA);
    click(body->calcCtrl.ui.Log);
    click(body->calcCtrl.ui.Gen);
    // Columns 2 .. 4 and rows 2 .. 3, bounds included.
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 7; ++x)
            QCOMPARE(lastData()->isValid(x, y), x >= 2 && x <= 4 && y >= 2 && y <= 3);
    }
    QCOMPARE(lastData()->value(4, 3), 305.0);
}

void TestCalcCtrl::staleSelectionVectors()
{
    addRows(3);
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
    QCOMPARE(lastData()->value(1, 0), std::log(2.0 + 3.0 + 4.0));
    // Shorter than the row list (rows added since): the new rows take no part.
    calc.selsChanged({false}, {false}, {true}, {false});
    addRows(2);
    click(calc.ui.Gen);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(lastData()->value(1, 0), std::log(2.0));
    // Only entries past the list are marked: nothing to compute.
    calc.selsChanged(none, none, none, QVector<bool>(20, false) << true);
    click(calc.ui.Gen);
    QCOMPARE(spy.count(), 2);
}

QTEST_MAIN(TestCalcCtrl)
#include "tst_calcctrl.moc"
