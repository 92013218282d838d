// Against the plain reference in tst_filterexactness; here the cases that reference cannot judge.

#include "processing/findpeaksf.h"

#include "data/datainfo.h"
#include "data/tddata.h"
#include "filtertesttools.h"

#include <QCoreApplication>
#include <QtTest>

#include <memory>

namespace {

QVector<QPointF> lastPeaks(const TDData0 *g)
{
    const bool found = !g->infos.isEmpty() && g->infos.last()->kind == DataInfo::PeakList;
    return found ? g->infos.last()->points : QVector<QPointF>({QPointF(-1, -1)});
}

} // namespace

class TestFindPeaksF : public QObject
{
    Q_OBJECT

private slots:
    void exactRadiusIsAllowed_data();
    void exactRadiusIsAllowed();
    void tooFewQualifyingPixels();
    void emptyGrid_data();
    void emptyGrid();
    void earlierPeakListComesFirst();
    void namesGoThroughTranslator();
};

void TestFindPeaksF::exactRadiusIsAllowed_data()
{
    QTest::addColumn<double>("radius");
    QTest::addColumn<QPointF>("second");
    // (100, 0) lies exactly 100 from the first peak, (99, 14) about 99.985 from it.
    QTest::newRow("radius 100") << 100.0 << QPointF(100, 0);
    QTest::newRow("radius 100.1") << 100.1 << QPointF(119, 19);
    QTest::newRow("radius 99.9") << 99.9 << QPointF(99, 14);
}

void TestFindPeaksF::exactRadiusIsAllowed()
{
    QFETCH(double, radius);
    QFETCH(QPointF, second);
    TDData src(120, 20);
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 120; ++x)
            src.setValue(x, y, 1.0 + (x + y) * 1e-3);
    }
    src.setValue(0, 0, 10.0);
    src.setValue(100, 0, 5.0);
    src.setValue(99, 14, 7.0);
    std::unique_ptr<TDData> result(FindPeaksF(radius, 2, true).exec(&src, QRect(0, 0, 120, 20)));
    QCOMPARE(lastPeaks(result.get()), QVector<QPointF>({QPointF(0, 0), second}));
}

void TestFindPeaksF::tooFewQualifyingPixels()
{
    TDData src(8, 8);
    src.setValue(0, 0, 7.5);
    src.setValid(0, 0, false);
    src.setValue(4, 5, 3.0);
    std::unique_ptr<TDData> result(FindPeaksF(100.0, 3, true).exec(&src, QRect(QPoint(3, 3), QPoint(6, 6))));
    QCOMPARE(lastPeaks(result.get()), QVector<QPointF>({QPointF(4, 5), QPointF(0, 0), QPointF(0, 0)}));
    // The stand-in point shows the source's value even though that pixel is invalid and outside.
    QVERIFY(result->isValid(0, 0));
    QCOMPARE(result->value(0, 0), 7.5);
    QCOMPARE(result->maxVal, 7.5);
}

void TestFindPeaksF::emptyGrid_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("0 x 0") << 0 << 0;
    QTest::newRow("0 x 3") << 0 << 3;
    QTest::newRow("4 x 0") << 4 << 0;
}

void TestFindPeaksF::emptyGrid()
{
    QFETCH(int, width);
    QFETCH(int, height);
    TDData src(width, height);
    src.dataId = QStringLiteral("e");
    // Each pass records (0, 0); the grid has no such pixel, so nothing may be read or written there.
    std::unique_ptr<TDData> result(FindPeaksF(5.0, 3, false).exec(&src, QRect(0, 0, 10, 10)));
    QCOMPARE(result->width, width);
    QCOMPARE(result->height, height);
    QVERIFY(result->values.isEmpty());
    QCOMPARE(lastPeaks(result.get()), QVector<QPointF>(3, QPointF(0, 0)));
    QCOMPARE(result->dataId, QStringLiteral("e: PKs(-)"));
}

void TestFindPeaksF::earlierPeakListComesFirst()
{
    std::unique_ptr<TDData> src(randomGrid(6, 5, 9));
    auto *old = new DataInfo(DataInfo::PeakList, QStringLiteral("Peaks(-)"));
    old->points = {QPointF(1, 1), QPointF(4, 3)};
    src->infos = {new DataInfo(DataInfo::Region, QString()), old};
    std::unique_ptr<TDData> result(FindPeaksF(1.5, 2, true).exec(src.get(), QRect(0, 0, 6, 5)));

    QCOMPARE(result->infos.size(), 3);
    QCOMPARE(result->infos[0]->kind, int(DataInfo::Region));
    QCOMPARE(result->infos[1]->name, QStringLiteral("Peaks(-)"));
    QCOMPARE(result->infos[1]->points, old->points);
    QVERIFY(result->infos[1] != old);
    QCOMPARE(result->infos[2]->name, QStringLiteral("Peaks(+)"));
    QCOMPARE(result->infos[2]->points.size(), 2);
}

void TestFindPeaksF::namesGoThroughTranslator()
{
    ContextTranslator translator;
    QCoreApplication::installTranslator(&translator);
    std::unique_ptr<TDData> src(randomGrid(3, 3, 1));
    src->dataId = QStringLiteral("p%2");
    std::unique_ptr<TDData> result(FindPeaksF(1.0, 1, false).exec(src.get(), QRect(0, 0, 3, 3)));
    QCoreApplication::removeTranslator(&translator);
    QCOMPARE(result->dataId, QStringLiteral("[FindPeaksF]p%2: PKs(-)"));
    QCOMPARE(result->infos.last()->name, QStringLiteral("[FindPeaksF]Peaks(-)"));
}

QTEST_GUILESS_MAIN(TestFindPeaksF)
#include "tst_findpeaksf.moc"
