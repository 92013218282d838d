#include "processing/adaptivethresholdf.h"

#include "data/datainfo.h"
#include "data/tddata.h"
#include "filtertesttools.h"

#include <QCoreApplication>
#include <QtTest>

#include <cmath>
#include <limits>
#include <memory>

namespace {

// Window means taken the way the moving average defines them (rows first, then columns of the
// row means), each summed afresh. Only pixels valid in g get a mean.
QVector<double> separableMean(const TDData0 *g, int hw, int hh)
{
    const int w = g->width;
    const int h = g->height;
    QVector<double> rows = g->values;
    if (hw > 0) {
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                double sum = 0.0;
                int n = 0;
                for (int sx = std::max(0, x - hw); sx <= std::min(w - 1, x + hw); ++sx) {
                    if (g->isValid(sx, y)) {
                        sum += g->value(sx, y);
                        ++n;
                    }
                }
                rows[y * w + x] = n > 0 ? sum / n : 0.0;
            }
        }
    }
    if (hh < 1)
        return rows;
    QVector<double> both = rows;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            double sum = 0.0;
            int n = 0;
            for (int sy = std::max(0, y - hh); sy <= std::min(h - 1, y + hh); ++sy) {
                if (g->isValid(x, sy)) {
                    sum += rows[sy * w + x];
                    ++n;
                }
            }
            both[y * w + x] = n > 0 ? sum / n : 0.0;
        }
    }
    return both;
}

// Only the valid pixels of rect that lie in the grid are computed.
bool computed(const TDData0 *g, const QRect &rect, int x, int y)
{
    return x >= rect.left() && x <= rect.right() && y >= rect.top() && y <= rect.bottom() && g->isValid(x, y);
}

} // namespace

class TestAdaptiveThresholdF : public QObject
{
    Q_OBJECT

private slots:
    void matchesReference_data();
    void matchesReference();
    void constantGridGivesZeros();
    void nanGivesZero();
    void emptyRectangles_data();
    void emptyRectangles();
    void nameIsNotTranslated();
};

void TestAdaptiveThresholdF::matchesReference_data()
{
    QTest::addColumn<int>("hw");
    QTest::addColumn<int>("hh");
    QTest::addColumn<int>("levels");
    QTest::addColumn<QRect>("rect");
    // Whole-number grids averaged along one axis give exact means, so ties are exact too.
    QTest::newRow("x only, ties, whole grid") << 2 << 0 << 3 << QRect(0, 0, 12, 10);
    QTest::newRow("y only, ties, partly outside") << 0 << 3 << 3 << QRect(-3, 2, 9, 20);
    QTest::newRow("both, right and bottom beyond") << 2 << 2 << 0 << QRect(4, 5, 20, 20);
    QTest::newRow("both, inner rectangle") << 3 << 1 << 0 << QRect(QPoint(2, 1), QPoint(9, 7));
    QTest::newRow("window off") << 0 << 0 << 4 << QRect(-1, -1, 14, 12);
}

void TestAdaptiveThresholdF::matchesReference()
{
    QFETCH(int, hw);
    QFETCH(int, hh);
    QFETCH(int, levels);
    QFETCH(QRect, rect);
    std::unique_ptr<TDData> src(randomGrid(12, 10, 11, levels));
    src->setRegion(QRect(1, 1, 3, 3));
    src->infos.append(new DataInfo(DataInfo::RegionList, QString()));
    src->infos.last()->rects = {QRect(0, 0, 4, 4)};
    const AdaptiveThresholdF filter(hw, hh);
    QCOMPARE(filter.type, int(Filter::AdaptiveThreshold));

    std::unique_ptr<TDData> result(filter.exec(src.get(), rect));

    const QVector<double> mean = separableMean(src.get(), hw, hh);
    bool anyAbove = false;
    for (int y = 0; y < src->height; ++y) {
        for (int x = 0; x < src->width; ++x) {
            const QString where = QStringLiteral("%1,%2").arg(x).arg(y);
            if (!computed(src.get(), rect, x, y)) {
                QVERIFY2(!result->isValid(x, y), qPrintable(where));
                continue;
            }
            QVERIFY2(result->isValid(x, y), qPrintable(where));
            const double m = mean[y * src->width + x];
            const double v = src->value(x, y);
            // Running and fresh sums of fractions may differ in the last bits: skip near ties there.
            if (levels == 0 && std::abs(m - v) < 1e-9)
                continue;
            const double expected = m < v ? 1.0 : 0.0;
            QVERIFY2(result->value(x, y) == expected, qPrintable(where));
            anyAbove = anyAbove || expected == 1.0;
        }
    }
    QCOMPARE(result->minVal, 0.0);
    QCOMPARE(result->maxVal, anyAbove ? 1.0 : 0.0);
    QVERIFY(!result->regionSet);
    QCOMPARE(result->infos.size(), 1);
    QCOMPARE(result->infos[0]->rects, src->infos[0]->rects);
}

void TestAdaptiveThresholdF::constantGridGivesZeros()
{
    std::unique_ptr<TDData> src(randomGrid(7, 6, 5, 1));
    std::unique_ptr<TDData> result(AdaptiveThresholdF(2, 2).exec(src.get(), QRect(0, 0, 7, 6)));
    for (int i = 0; i < src->values.size(); ++i) {
        QCOMPARE(result->valids[i], src->valids[i]);
        QCOMPARE(result->values[i], 0.0);
    }
    QCOMPARE(result->maxVal, 0.0);
}

void TestAdaptiveThresholdF::nanGivesZero()
{
    std::unique_ptr<TDData> src(randomGrid(9, 4, 8));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // In the last column the NaN is in every later window of its row anyway.
    src->setValue(8, 1, nan);
    src->setValue(3, 2, 1000.0);
    std::unique_ptr<TDData> result(AdaptiveThresholdF(2, 0).exec(src.get(), QRect(0, 0, 9, 4)));

    const QVector<double> mean = separableMean(src.get(), 2, 0);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 9; ++x) {
            if (!src->isValid(x, y))
                continue;
            const double expected = mean[y * 9 + x] < src->value(x, y) ? 1.0 : 0.0;
            QCOMPARE(result->value(x, y), expected);
        }
    }
    QCOMPARE(result->value(8, 1), 0.0);
    QCOMPARE(result->value(6, 1), 0.0);
    QCOMPARE(result->value(3, 2), 1.0);
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
