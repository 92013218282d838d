#include "processing/movingavrf.h"

#include "data/datainfo.h"
#include "data/tddata.h"
#include "filtertesttools.h"

#include <QCoreApplication>
#include <QtTest>

#include <cmath>
#include <memory>

namespace {

struct Plain
{
    int width = 0;
    int height = 0;
    QVector<double> values;
    QVector<bool> valids;
    double at(int x, int y) const { return values[y * width + x]; }
    bool valid(int x, int y) const { return valids[y * width + x]; }
};

Plain plainOf(const TDData0 *g)
{
    return Plain{g->width, g->height, g->values, g->valids};
}

// Mean of the valid pixels within a along one axis, summed afresh for every pixel.
Plain windowMean(const Plain &in, int a, bool alongX)
{
    Plain out{in.width, in.height, QVector<double>(in.values.size(), 0.0), QVector<bool>(in.valids.size(), false)};
    for (int y = 0; y < in.height; ++y) {
        for (int x = 0; x < in.width; ++x) {
            if (!in.valid(x, y))
                continue;
            double sum = 0.0;
            int n = 0;
            for (int d = -a; d <= a; ++d) {
                const int sx = alongX ? x + d : x;
                const int sy = alongX ? y : y + d;
                if (sx >= 0 && sx < in.width && sy >= 0 && sy < in.height && in.valid(sx, sy)) {
                    sum += in.at(sx, sy);
                    ++n;
                }
            }
            out.values[y * in.width + x] = sum / n;
            out.valids[y * in.width + x] = true;
        }
    }
    return out;
}

void addInfos(TDData *g)
{
    auto *peaks = new DataInfo(DataInfo::PeakList, QStringLiteral("Peaks(+)"));
    peaks->points = {QPointF(1, 2), QPointF(3, 0)};
    auto *region = new DataInfo(DataInfo::Region, QString());
    region->rect = QRect(1, 1, 2, 2);
    g->infos = {peaks, region};
}

void compareInfos(const TDData0 *result, const TDData0 *src)
{
    QCOMPARE(result->infos.size(), src->infos.size());
    for (int i = 0; i < src->infos.size(); ++i) {
        QVERIFY(result->infos[i] != src->infos[i]);
        QCOMPARE(result->infos[i]->kind, src->infos[i]->kind);
        QCOMPARE(result->infos[i]->name, src->infos[i]->name);
        QCOMPARE(result->infos[i]->points, src->infos[i]->points);
        QCOMPARE(result->infos[i]->rect, src->infos[i]->rect);
    }
}

} // namespace

class TestMovingAvrF : public QObject
{
    Q_OBJECT

private slots:
    void matchesReference_data();
    void matchesReference();
    void bothOffIsPlainCopy_data();
    void bothOffIsPlainCopy();
    void nameGoesThroughTranslator();
    void percentInSourceName();
};

void TestMovingAvrF::matchesReference_data()
{
    QTest::addColumn<int>("hw");
    QTest::addColumn<int>("hh");
    QTest::newRow("along x only") << 2 << 0;
    QTest::newRow("along y only") << 0 << 3;
    QTest::newRow("negative x, y on") << -4 << 1;
    QTest::newRow("x on, negative y") << 1 << -2;
    QTest::newRow("both") << 2 << 3;
    QTest::newRow("window wider than grid") << 20 << 15;
}

void TestMovingAvrF::matchesReference()
{
    QFETCH(int, hw);
    QFETCH(int, hh);
    std::unique_ptr<TDData> src(randomGrid(11, 9, 7));
    addInfos(src.get());
    src->setRegion(QRect(2, 2, 3, 3));
    const MovingAvrF filter(hw, hh);
    QCOMPARE(filter.type, int(Filter::MovingAvr));

    // The work rectangle is not used: a rectangle partly outside changes nothing.
    std::unique_ptr<TDData> result(filter.exec(src.get(), QRect(-3, 4, 30, 2)));

    Plain expected = plainOf(src.get());
    if (hw > 0)
        expected = windowMean(expected, hw, true);
    if (hh > 0)
        expected = windowMean(expected, hh, false);
    double lo = 0.0;
    double hi = 0.0;
    for (int y = 0; y < src->height; ++y) {
        for (int x = 0; x < src->width; ++x) {
            QCOMPARE(result->isValid(x, y), src->isValid(x, y));
            if (!expected.valid(x, y)) {
                QCOMPARE(result->value(x, y), 0.0);
                continue;
            }
            QVERIFY2(std::abs(result->value(x, y) - expected.at(x, y)) < 1e-9, qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
            lo = std::min(lo, result->value(x, y));
            hi = std::max(hi, result->value(x, y));
        }
    }
    QVERIFY(std::abs(result->minVal - lo) < 1e-9);
    QVERIFY(std::abs(result->maxVal - hi) < 1e-9);
    QCOMPARE(result->dataId, QStringLiteral("src: MA(%1,%2)").arg(hw).arg(hh));
    QVERIFY(!result->regionSet);
    compareInfos(result.get(), src.get());
}

void TestMovingAvrF::bothOffIsPlainCopy_data()
{
    QTest::addColumn<bool>("withRegion");
    QTest::addColumn<int>("hw");
    QTest::addColumn<int>("hh");
    QTest::newRow("no region, (0, 0)") << false << 0 << 0;
    QTest::newRow("region, (0, 0)") << true << 0 << 0;
    QTest::newRow("region, (-2, -5)") << true << -2 << -5;
}

void TestMovingAvrF::bothOffIsPlainCopy()
{
    QFETCH(bool, withRegion);
    QFETCH(int, hw);
    QFETCH(int, hh);
    std::unique_ptr<TDData> src(randomGrid(6, 4, 3));
    addInfos(src.get());
    if (withRegion)
        src->setRegion(QRect(1, 0, 3, 2));

    std::unique_ptr<TDData> result(MovingAvrF(hw, hh).exec(src.get(), QRect(0, 0, 6, 4)));
    QCOMPARE(result->values, src->values);
    QCOMPARE(result->valids, src->valids);
    QVERIFY(result->regionSet);
    QCOMPARE(result->region, withRegion ? src->region : QRect(0, 0, 6, 4));
    QCOMPARE(result->dataId, QStringLiteral("src: MA(%1,%2)").arg(hw).arg(hh));
    // The copy brings the items along; they must not be appended a second time.
    compareInfos(result.get(), src.get());
}

void TestMovingAvrF::nameGoesThroughTranslator()
{
    ContextTranslator translator;
    QCoreApplication::installTranslator(&translator);
    std::unique_ptr<TDData> src(randomGrid(3, 3, 1));
    std::unique_ptr<TDData> result(MovingAvrF(1, 2).exec(src.get(), QRect()));
    QCoreApplication::removeTranslator(&translator);
    QCOMPARE(result->dataId, QStringLiteral("[MovingAvrF]src: MA(1,2)"));
}

void TestMovingAvrF::percentInSourceName()
{
    std::unique_ptr<TDData> src(randomGrid(3, 3, 1));
    src->dataId = QStringLiteral("a%2b%1");
    std::unique_ptr<TDData> result(MovingAvrF(4, 5).exec(src.get(), QRect()));
    QCOMPARE(result->dataId, QStringLiteral("a%2b%1: MA(4,5)"));
}

QTEST_GUILESS_MAIN(TestMovingAvrF)
#include "tst_movingavrf.moc"
