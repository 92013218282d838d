#include "processing/findpeaksf.h"

#include "data/datainfo.h"
#include "data/tddata.h"
#include "filtertesttools.h"

#include <QCoreApplication>
#include <QtTest>

#include <algorithm>
#include <memory>

namespace {

struct Candidate
{
    double score;
    int x;
    int y;
};

// Each pass ranks every allowed pixel by score, then by row, then by column, and takes the first.
QVector<QPointF> referencePeaks(const TDData0 *g, const QRect &rect, double radius, int count, bool findMax)
{
    QVector<QPointF> peaks;
    for (int k = 0; k < count; ++k) {
        QVector<Candidate> candidates;
        for (int y = 0; y < g->height; ++y) {
            for (int x = 0; x < g->width; ++x) {
                if (!rect.contains(x, y) || !g->isValid(x, y))
                    continue;
                bool allowed = true;
                for (const QPointF &p : peaks)
                    allowed = allowed && (p.x() - x) * (p.x() - x) + (p.y() - y) * (p.y() - y) >= radius * radius;
                if (allowed)
                    candidates.append({findMax ? g->value(x, y) : -g->value(x, y), x, y});
            }
        }
        std::stable_sort(candidates.begin(), candidates.end(),
                         [](const Candidate &a, const Candidate &b) { return a.score > b.score; });
        peaks.append(candidates.isEmpty() ? QPointF(0, 0) : QPointF(candidates[0].x, candidates[0].y));
    }
    return peaks;
}

const DataInfo *lastPeakList(const TDData0 *g)
{
    return g->infos.isEmpty() || g->infos.last()->kind != DataInfo::PeakList ? nullptr : g->infos.last();
}

} // namespace

class TestFindPeaksF : public QObject
{
    Q_OBJECT

private slots:
    void matchesReference_data();
    void matchesReference();
    void exactRadiusIsAllowed_data();
    void exactRadiusIsAllowed();
    void tooFewQualifyingPixels();
    void emptyGrid_data();
    void emptyGrid();
    void earlierPeakListComesFirst();
    void namesGoThroughTranslator();
};

void TestFindPeaksF::matchesReference_data()
{
    QTest::addColumn<bool>("findMax");
    QTest::addColumn<double>("radius");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("levels");
    QTest::addColumn<QRect>("rect");
    QTest::newRow("maxima") << true << 2.5 << 6 << 0 << QRect(0, 0, 14, 12);
    QTest::newRow("minima") << false << 2.5 << 6 << 0 << QRect(0, 0, 14, 12);
    QTest::newRow("maxima, ties") << true << 1.0 << 12 << 3 << QRect(0, 0, 14, 12);
    QTest::newRow("minima, ties, rect partly outside") << false << 2.0 << 8 << 4 << QRect(-3, 5, 12, 20);
    QTest::newRow("radius 0 repeats the first") << true << 0.0 << 4 << 0 << QRect(2, 2, 5, 5);
    QTest::newRow("negative radius") << true << -3.0 << 5 << 0 << QRect(0, 0, 14, 12);
    QTest::newRow("no peaks asked") << true << 2.0 << 0 << 0 << QRect(1, 1, 30, 30);
    QTest::newRow("negative count") << false << 2.0 << -3 << 0 << QRect(1, 1, 4, 4);
}

void TestFindPeaksF::matchesReference()
{
    QFETCH(bool, findMax);
    QFETCH(double, radius);
    QFETCH(int, count);
    QFETCH(int, levels);
    QFETCH(QRect, rect);
    std::unique_ptr<TDData> src(randomGrid(14, 12, 31, levels));
    src->setRegion(QRect(0, 0, 2, 2));
    const FindPeaksF filter(radius, count, findMax);
    QCOMPARE(filter.type, int(Filter::FindPeaks));

    std::unique_ptr<TDData> result(filter.exec(src.get(), rect));

    const QVector<QPointF> expected = referencePeaks(src.get(), rect, radius, count, findMax);
    const DataInfo *list = lastPeakList(result.get());
    QVERIFY(list);
    QCOMPARE(list->points, expected);
    QCOMPARE(list->name, findMax ? QStringLiteral("Peaks(+)") : QStringLiteral("Peaks(-)"));
    for (int y = 0; y < src->height; ++y) {
        for (int x = 0; x < src->width; ++x) {
            const bool isPeak = expected.contains(QPointF(x, y));
            const bool zero = rect.contains(x, y) && src->isValid(x, y);
            QCOMPARE(result->isValid(x, y), isPeak || zero);
            QCOMPARE(result->value(x, y), isPeak ? src->value(x, y) : 0.0);
        }
    }
    QCOMPARE(result->dataId, findMax ? QStringLiteral("src: PKs(+)") : QStringLiteral("src: PKs(-)"));
    QVERIFY(!result->regionSet);
    QCOMPARE(result->infos.size(), 1);
}

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
    QCOMPARE(lastPeakList(result.get())->points, QVector<QPointF>({QPointF(0, 0), second}));
}

void TestFindPeaksF::tooFewQualifyingPixels()
{
    std::unique_ptr<TDData> src(randomGrid(8, 8, 4));
    src->setValue(0, 0, 7.5);
    src->setValid(0, 0, false);
    const QRect rect(QPoint(3, 3), QPoint(6, 6));
    std::unique_ptr<TDData> result(FindPeaksF(100.0, 3, true).exec(src.get(), rect));

    const QVector<QPointF> points = lastPeakList(result.get())->points;
    QCOMPARE(points.size(), 3);
    QCOMPARE(points[0], referencePeaks(src.get(), rect, 100.0, 1, true)[0]);
    QCOMPARE(points[1], QPointF(0, 0));
    QCOMPARE(points[2], QPointF(0, 0));
    // The stand-in point shows the source's value even though that pixel is invalid and outside.
    QVERIFY(result->isValid(0, 0));
    QCOMPARE(result->value(0, 0), 7.5);
    QCOMPARE(result->maxVal, std::max(7.5, src->value(points[0].x(), points[0].y())));
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
    QCOMPARE(lastPeakList(result.get())->points, QVector<QPointF>(3, QPointF(0, 0)));
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
    QCOMPARE(lastPeakList(result.get())->name, QStringLiteral("[FindPeaksF]Peaks(-)"));
}

QTEST_GUILESS_MAIN(TestFindPeaksF)
#include "tst_findpeaksf.moc"
