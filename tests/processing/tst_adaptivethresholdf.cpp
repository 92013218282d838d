// Against the plain reference in tst_filterexactness; here the cases that reference cannot judge.

#include "processing/adaptivethresholdf.h"

#include "data/tddata.h"
#include "filtertesttools.h"

#include <QCoreApplication>
#include <QtTest>

#include <limits>
#include <memory>

class TestAdaptiveThresholdF : public QObject
{
    Q_OBJECT

private slots:
    void nanGivesZero();
    void emptyRectangles_data();
    void emptyRectangles();
    void nameIsNotTranslated();
};

void TestAdaptiveThresholdF::nanGivesZero()
{
    TDData src(9, 2);
    for (int i = 0; i < 18; ++i)
        src.setValue(i % 9, i / 9, 0.0);
    src.setValue(8, 1, std::numeric_limits<double>::quiet_NaN());
    src.setValue(6, 1, 50.0);  // above its mean were it not for the NaN in its window
    src.setValue(3, 0, 1000.0);
    std::unique_ptr<TDData> result(AdaptiveThresholdF(2, 0).exec(&src, QRect(0, 0, 9, 2)));
    // Every comparison with a NaN mean or value fails: 0, never 1.
    QCOMPARE(result->value(8, 1), 0.0);
    QCOMPARE(result->value(6, 1), 0.0);
    QCOMPARE(result->value(3, 0), 1.0);
    QCOMPARE(result->value(4, 0), 0.0);
}

void TestAdaptiveThresholdF::emptyRectangles_data()
{
    QTest::addColumn<QRect>("rect");
    QTest::newRow("null") << QRect();
    QTest::newRow("inverted") << QRect(QPoint(4, 3), QPoint(1, 1));
    QTest::newRow("left of the grid") << QRect(-10, 0, 5, 5);
    QTest::newRow("below the grid") << QRect(0, 6, 5, 5);
}

void TestAdaptiveThresholdF::emptyRectangles()
{
    QFETCH(QRect, rect);
    std::unique_ptr<TDData> src(randomGrid(5, 6, 2));
    std::unique_ptr<TDData> result(AdaptiveThresholdF(1, 1).exec(src.get(), rect));
    QCOMPARE(result->width, 5);
    QCOMPARE(result->height, 6);
    QVERIFY(!result->valids.contains(true));
}

void TestAdaptiveThresholdF::nameIsNotTranslated()
{
    ContextTranslator translator;
    QCoreApplication::installTranslator(&translator);
    std::unique_ptr<TDData> src(randomGrid(3, 3, 1));
    src->dataId = QStringLiteral("a%1");
    std::unique_ptr<TDData> result(AdaptiveThresholdF(12, -1).exec(src.get(), QRect(0, 0, 3, 3)));
    QCoreApplication::removeTranslator(&translator);
    QCOMPARE(result->dataId, QStringLiteral("a%1: AT(12,-1)"));
}

QTEST_GUILESS_MAIN(TestAdaptiveThresholdF)
#include "tst_adaptivethresholdf.moc"
