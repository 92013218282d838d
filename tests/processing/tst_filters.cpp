// What the comparison with the plain definitions in tst_filterexactness cannot judge: translated
// names, refusals with their debug lines, and grids with no pixel at all.

#include "data/datainfo.h"
#include "data/tddata.h"
#include "filtertesttools.h"
#include "processing/adaptivethresholdf.h"
#include "processing/findpeaksf.h"
#include "processing/matchingf.h"
#include "processing/movingavrf.h"

#include <QtTest>

#include <climits>
#include <memory>

class TestFilters : public QObject
{
    Q_OBJECT

private slots:
    void names_data();
    void names();
    void matchingWithoutResult_data();
    void matchingWithoutResult();
    void peaksOnEmptyGrid_data();
    void peaksOnEmptyGrid();
};

void TestFilters::names_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("peakList");
    // A "%" in the source name must never be taken for a placeholder.
    QTest::newRow("moving average") << "MA" << "a%2b%1" << "[MovingAvrF]a%2b%1: MA(4,5)" << "";
    QTest::newRow("adaptive threshold: never translated") << "AT" << "a%1" << "a%1: AT(12,-1)" << "";
    QTest::newRow("matching") << "PM" << "x%1" << "[MatchingF]x%1: PM" << "";
    QTest::newRow("peaks") << "PKs" << "p%2" << "[FindPeaksF]p%2: PKs(-)" << "[FindPeaksF]Peaks(-)";
}

void TestFilters::names()
{
    QFETCH(QString, filter);
    QFETCH(QString, id);
    std::unique_ptr<TDData> src(randomGrid(3, 3, 1));
    src->dataId = id;
    src->setRegion(QRect(1, 1, 2, 2));
    const QRect whole(0, 0, 3, 3);
    const ContextTranslator translator;
    const DebugCatcher quiet;
    std::unique_ptr<TDData> result(filter == "MA"   ? MovingAvrF(4, 5).exec(src.get(), whole)
                                   : filter == "AT" ? AdaptiveThresholdF(12, -1).exec(src.get(), whole)
                                   : filter == "PM" ? MatchingF(1, 1).exec1(src.get(), whole)
                                                    : FindPeaksF(1.0, 1, false).exec(src.get(), whole));
    QTEST(result->dataId, "name");
    QTEST(result->infos.isEmpty() ? QString() : result->infos.last()->name, "peakList");
}

void TestFilters::matchingWithoutResult_data()
{
    QTest::addColumn<QRect>("region");  // null: none set
    QTest::addColumn<bool>("zeros");    // the template's pixels all 0
    QTest::addColumn<int>("refusals");  // -1: a result without valid pixels; else null and that many debug lines
    QTest::newRow("template of zeros") << QRect(QPoint(2, 2), QPoint(4, 3)) << true << -1;
    QTest::newRow("inverted region") << QRect(QPoint(5, 5), QPoint(2, 2)) << false << -1;
    QTest::newRow("no region, silently") << QRect() << false << 0;
    QTest::newRow("template too large") << QRect(QPoint(-INT_MAX, 0), QPoint(INT_MAX, 3)) << false << 2;
}

void TestFilters::matchingWithoutResult()
{
    QFETCH(QRect, region);
    QFETCH(bool, zeros);
    QFETCH(int, refusals);
    std::unique_ptr<TDData> src(randomGrid(13, 11, 21));
    if (!region.isNull())
        src->setRegion(region);
    for (int i = 0; zeros && i < 6; ++i)
        src->setValue(2 + i % 3, 2 + i / 3, 0.0);
    MatchingF filter(1, 2);
    const DebugCatcher caught;
    const std::unique_ptr<TDData> results[] = {std::unique_ptr<TDData>(filter.exec1(src.get(), QRect(0, 0, 13, 11))),
                                               std::unique_ptr<TDData>(filter.exec2(src.get(), QRect(0, 0, 13, 11)))};
    for (const std::unique_ptr<TDData> &result : results) {
        QCOMPARE(!result, refusals >= 0);
        QVERIFY(!result || !result->valids.contains(true));
    }
    if (refusals >= 0) {
        QCOMPARE(DebugCatcher::lines().size(), refusals);
        for (const QString &line : DebugCatcher::lines())
            QVERIFY2(line.startsWith(QLatin1String("MatchingF: template too large")), qPrintable(line));
    }
}

void TestFilters::peaksOnEmptyGrid_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("0 x 0") << QSize(0, 0);
    QTest::newRow("0 x 3") << QSize(0, 3);
    QTest::newRow("4 x 0") << QSize(4, 0);
}

void TestFilters::peaksOnEmptyGrid()
{
    QFETCH(QSize, size);
    TDData src(size.width(), size.height());
    src.dataId = QStringLiteral("e");
    // Each pass records (0, 0); the grid has no such pixel, so nothing may be read or written there.
    std::unique_ptr<TDData> result(FindPeaksF(5.0, 3, false).exec(&src, QRect(0, 0, 10, 10)));
    QCOMPARE(QSize(result->width, result->height), size);
    QVERIFY(result->values.isEmpty());
    QCOMPARE(result->infos.last()->points, QVector<QPointF>(3, QPointF(0, 0)));
    QCOMPARE(result->dataId, QStringLiteral("e: PKs(-)"));
}

QTEST_GUILESS_MAIN(TestFilters)
#include "tst_filters.moc"
