#include "processing/movingavrf.h"

#include "data/datainfo.h"
#include "data/tddata.h"
#include "filtertesttools.h"

#include <QCoreApplication>
#include <QtTest>

#include <cmath>
#include <memory>

namespace {

// Mean of the valid pixels within a along one axis, summed afresh for every pixel; only valid
// pixels get one. The running-sum versions must agree with it to rounding.
QVector<double> windowMean(const TDData0 *g, const QVector<double> &in, int a, bool alongX)
{
    QVector<double> out(in.size(), 0.0);
    for (int y = 0; y < g->height; ++y) {
        for (int x = 0; x < g->width; ++x) {
            double sum = 0.0;
            int n = 0;
            for (int d = -a; d <= a; ++d) {
                const int sx = alongX ? x + d : x;
                const int sy = alongX ? y : y + d;
                if (sx >= 0 && sx < g->width && sy >= 0 && sy < g->height && g->isValid(sx, sy)) {
                    sum += in[sy * g->width + sx];
                    ++n;
                }
            }
            if (g->isValid(x, y))
                out[y * g->width + x] = sum / n;
        }
    }
    return out;
}

void addInfos(TDData *g)
{
    auto *peaks = new DataInfo(DataInfo::PeakList, QStringLiteral("Peaks(+)"));
    peaks->points = {QPointF(1, 2), QPointF(3, 0)};
    g->infos = {peaks, new DataInfo(DataInfo::Region, QString())};
}

} // namespace

class TestMovingAvrF : public QObject
{
    Q_OBJECT

private slots:
    void matchesDefinition_data();
    void matchesDefinition();
    void names_data();
    void names();
};

void TestMovingAvrF::matchesDefinition_data()
{
    QTest::addColumn<int>("hw");
    QTest::addColumn<int>("hh");
    QTest::newRow("along x only") << 2 << 0;
    QTest::newRow("along y only") << 0 << 3;
    QTest::newRow("negative x, y on") << -4 << 1;
    QTest::newRow("both") << 2 << 3;
    QTest::newRow("window wider than grid") << 20 << 15;
    QTest::newRow("(0, 0) is a plain copy") << 0 << 0;
    QTest::newRow("(-2, -5) is a plain copy") << -2 << -5;
}

void TestMovingAvrF::matchesDefinition()
{
    QFETCH(int, hw);
    QFETCH(int, hh);
    std::unique_ptr<TDData> src(randomGrid(11, 9, 7));
    addInfos(src.get());
    src->setRegion(QRect(2, 2, 3, 3));
    // The work rectangle is not used: one partly outside changes nothing.
    std::unique_ptr<TDData> result(MovingAvrF(hw, hh).exec(src.get(), QRect(-3, 4, 30, 2)));

    QVector<double> expected = src->values;
    if (hw > 0)
        expected = windowMean(src.get(), expected, hw, true);
    if (hh > 0)
        expected = windowMean(src.get(), expected, hh, false);
    QCOMPARE(result->valids, src->valids);
    for (int i = 0; i < expected.size(); ++i)
        QVERIFY2(std::abs(result->values[i] - expected[i]) < 1e-9, qPrintable(QString::number(i)));
    QCOMPARE(result->dataId, QStringLiteral("src: MA(%1,%2)").arg(hw).arg(hh));
    // Only the plain copy keeps the region.
    QCOMPARE(result->regionSet, hw < 1 && hh < 1);
    // The copy brings the items along already; they must not be appended a second time.
    QCOMPARE(result->infos.size(), 2);
    QVERIFY(result->infos[0] != src->infos[0]);
    QCOMPARE(result->infos[0]->points, src->infos[0]->points);
}

void TestMovingAvrF::names_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<bool>("translated");
    QTest::addColumn<QString>("expected");
    QTest::newRow("through the translator") << "src" << true << "[MovingAvrF]src: MA(4,5)";
    QTest::newRow("percent in the source name") << "a%2b%1" << false << "a%2b%1: MA(4,5)";
}

void TestMovingAvrF::names()
{
    QFETCH(QString, id);
    QFETCH(bool, translated);
    QFETCH(QString, expected);
    ContextTranslator translator;
    if (translated)
        QCoreApplication::installTranslator(&translator);
    std::unique_ptr<TDData> src(randomGrid(3, 3, 1));
    src->dataId = id;
    std::unique_ptr<TDData> result(MovingAvrF(4, 5).exec(src.get(), QRect()));
    QCoreApplication::removeTranslator(&translator);
    QCOMPARE(result->dataId, expected);
}

QTEST_GUILESS_MAIN(TestMovingAvrF)
#include "tst_movingavrf.moc"
