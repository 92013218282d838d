#include "processing/matchingf.h"

#include "data/datainfo.h"
#include "data/tddata.h"
#include "filtertesttools.h"

#include <QCoreApplication>
#include <QtTest>

#include <climits>
#include <cmath>
#include <cstring>
#include <memory>

namespace {

bool inGrid(const TDData0 *g, int x, int y)
{
    return x >= 0 && x < g->width && y >= 0 && y < g->height;
}

// Similarity at window position (x, y); false when the position gets no value.
bool referenceAt(const TDData0 *g, int x, int y, int measure, double *c)
{
    const QRect t = g->region;
    double st2 = 0.0;
    double sa2 = 0.0;
    double sat = 0.0;
    for (int j = 0; j <= t.bottom() - t.top(); ++j) {
        for (int i = 0; i <= t.right() - t.left(); ++i) {
            const int tx = t.left() + i;
            const int ty = t.top() + j;
            if (!inGrid(g, tx, ty) || !inGrid(g, x + i, y + j) || !g->isValid(tx, ty) || !g->isValid(x + i, y + j))
                continue;
            st2 += g->value(tx, ty) * g->value(tx, ty);
            sa2 += g->value(x + i, y + j) * g->value(x + i, y + j);
            sat += g->value(tx, ty) * g->value(x + i, y + j);
        }
    }
    if (st2 <= 0.0 || sa2 <= 0.0)
        return false;
    *c = sat / std::sqrt(sa2 * st2);
    if (measure == 2)
        *c = 1.0 - std::acos(*c) / 3.14159265358979323846;
    return true;
}

bool sameBits(const TDData0 *a, const TDData0 *b)
{
    return a->values.size() == b->values.size() && a->valids == b->valids
           && std::memcmp(a->values.constData(), b->values.constData(), a->values.size() * sizeof(double)) == 0;
}

TDData *sourceWithRegion(const QRect &region)
{
    TDData *src = randomGrid(13, 11, 21);
    src->setRegion(region);
    auto *peaks = new DataInfo(DataInfo::PeakList, QStringLiteral("Peaks(-)"));
    peaks->points = {QPointF(2, 3)};
    src->infos.append(peaks);
    return src;
}

} // namespace

class TestMatchingF : public QObject
{
    Q_OBJECT

private slots:
    void matchesReference_data();
    void matchesReference();
    void exec2KeepsTheTemplate();
    void templateMatchesItself();
    void zeroTemplateGivesNothing();
    void noRegionGivesNull();
    void hugeTemplateIsRefused();
    void debugLines();
    void nameGoesThroughTranslator();
};

void TestMatchingF::matchesReference_data()
{
    QTest::addColumn<int>("measure");
    QTest::addColumn<QRect>("region");
    QTest::addColumn<QRect>("rect");
    const QRect inner(QPoint(3, 2), QPoint(6, 4));
    QTest::newRow("cos, whole grid") << 1 << inner << QRect(0, 0, 13, 11);
    QTest::newRow("arccos, whole grid") << 2 << inner << QRect(0, 0, 13, 11);
    QTest::newRow("no measure chosen acts as cos") << 0 << inner << QRect(0, 0, 13, 11);
    QTest::newRow("cos, windows over right and bottom") << 1 << inner << QRect(7, 6, 20, 20);
    QTest::newRow("arccos, rect partly left and above") << 2 << inner << QRect(-4, -3, 8, 7);
    QTest::newRow("cos, region partly outside") << 1 << QRect(QPoint(-2, 8), QPoint(3, 14)) << QRect(0, 0, 13, 11);
    QTest::newRow("arccos, region beyond right") << 2 << QRect(QPoint(10, 1), QPoint(15, 3)) << QRect(2, 2, 20, 5);
    QTest::newRow("cos, single pixel template") << 1 << QRect(5, 5, 1, 1) << QRect(0, 0, 13, 11);
}

void TestMatchingF::matchesReference()
{
    QFETCH(int, measure);
    QFETCH(QRect, region);
    QFETCH(QRect, rect);
    std::unique_ptr<TDData> src(sourceWithRegion(region));
    MatchingF filter(measure, 0);
    QCOMPARE(filter.type, int(Filter::Matching));

    DebugCatcher quiet;
    std::unique_ptr<TDData> one(filter.exec1(src.get(), rect));
    std::unique_ptr<TDData> two(filter.exec2(src.get(), rect));
    QVERIFY(one && two);
    QVERIFY(sameBits(one.get(), two.get()));
    QCOMPARE(one->minVal, two->minVal);
    QCOMPARE(one->maxVal, two->maxVal);

    for (int y = 0; y < src->height; ++y) {
        for (int x = 0; x < src->width; ++x) {
            const QString where = QStringLiteral("%1,%2").arg(x).arg(y);
            double c = 0.0;
            const bool expected = rect.contains(x, y) && referenceAt(src.get(), x, y, measure, &c);
            QVERIFY2(one->isValid(x, y) == expected, qPrintable(where));
            if (!expected)
                QCOMPARE(one->value(x, y), 0.0);
            else if (!std::isnan(c))
                QVERIFY2(std::abs(one->value(x, y) - c) < 1e-12, qPrintable(where));
        }
    }
    QCOMPARE(one->dataId, QStringLiteral("src: PM"));
    QVERIFY(!one->regionSet);
    QCOMPARE(one->infos.size(), 1);
    QCOMPARE(one->infos[0]->points, src->infos[0]->points);
}

void TestMatchingF::exec2KeepsTheTemplate()
{
    // Template partly beyond the right edge, with one invalid pixel inside the grid.
    std::unique_ptr<TDData> src(sourceWithRegion(QRect(QPoint(11, 4), QPoint(13, 5))));
    src->setValid(12, 5, false);
    MatchingF filter(1, 2);
    DebugCatcher quiet;
    std::unique_ptr<TDData> result(filter.exec2(src.get(), QRect(0, 0, 2, 2)));
    const QVector<bool> valids = {src->isValid(11, 4), src->isValid(12, 4), false, src->isValid(11, 5), false, false};
    QCOMPARE(filter.patValids, valids);
    QCOMPARE(filter.patValues.size(), 6);
    for (int k = 0; k < 6; ++k) {
        const int x = 11 + k % 3;
        const int y = 4 + k / 3;
        QCOMPARE(filter.patValues[k], valids[k] ? src->value(x, y) : 0.0);
    }
}

void TestMatchingF::templateMatchesItself()
{
    std::unique_ptr<TDData> src(sourceWithRegion(QRect(QPoint(4, 4), QPoint(8, 7))));
    DebugCatcher quiet;
    std::unique_ptr<TDData> cosine(MatchingF(1, 1).exec1(src.get(), QRect(4, 4, 1, 1)));
    QVERIFY(std::abs(cosine->value(4, 4) - 1.0) < 1e-12);
    std::unique_ptr<TDData> angle(MatchingF(2, 1).exec1(src.get(), QRect(4, 4, 1, 1)));
    QVERIFY(std::isnan(angle->value(4, 4)) || std::abs(angle->value(4, 4) - 1.0) < 1e-6);
    QVERIFY(angle->maxVal <= 1.0);
}

void TestMatchingF::zeroTemplateGivesNothing()
{
    std::unique_ptr<TDData> src(sourceWithRegion(QRect(QPoint(2, 2), QPoint(4, 3))));
    for (int y = 2; y <= 3; ++y) {
        for (int x = 2; x <= 4; ++x)
            src->setValue(x, y, 0.0);
    }
    DebugCatcher quiet;
    std::unique_ptr<TDData> one(MatchingF(1, 1).exec1(src.get(), QRect(0, 0, 13, 11)));
    std::unique_ptr<TDData> two(MatchingF(1, 2).exec2(src.get(), QRect(0, 0, 13, 11)));
    QVERIFY(!one->valids.contains(true));
    QVERIFY(sameBits(one.get(), two.get()));

    src->setRegion(QRect(QPoint(5, 5), QPoint(2, 2)));  // inverted: no template pixel at all
    std::unique_ptr<TDData> inverted(MatchingF(1, 1).exec1(src.get(), QRect(0, 0, 13, 11)));
    QVERIFY(!inverted->valids.contains(true));
}

void TestMatchingF::noRegionGivesNull()
{
    std::unique_ptr<TDData> src(sourceWithRegion(QRect(1, 1, 3, 3)));
    src->regionCleared();
    MatchingF filter(1, 1);
    DebugCatcher quiet;
    QVERIFY(!filter.exec1(src.get(), QRect(0, 0, 13, 11)));
    QVERIFY(!filter.exec2(src.get(), QRect(0, 0, 13, 11)));
    QVERIFY(DebugCatcher::lines().isEmpty());
}

void TestMatchingF::hugeTemplateIsRefused()
{
    std::unique_ptr<TDData> src(sourceWithRegion(QRect(QPoint(-INT_MAX, 0), QPoint(INT_MAX, 3))));
    MatchingF filter(1, 2);
    DebugCatcher caught;
    QVERIFY(!filter.exec1(src.get(), QRect(0, 0, 13, 11)));
    QVERIFY(!filter.exec2(src.get(), QRect(0, 0, 13, 11)));
    QCOMPARE(DebugCatcher::lines().size(), 2);
    QVERIFY(DebugCatcher::lines()[0].startsWith(QStringLiteral("MatchingF: template too large")));
}

void TestMatchingF::debugLines()
{
    std::unique_ptr<TDData> src(sourceWithRegion(QRect(1, 1, 2, 2)));
    MatchingF filter(1, 1);
    // Rows 9 and 10 are in the grid, 11 and 12 are not.
    const QRect rect(QPoint(3, 9), QPoint(5, 12));
    QStringList lines1;
    QStringList lines2;
    {
        DebugCatcher caught;
        delete filter.exec1(src.get(), rect);
        lines1 = DebugCatcher::lines();
    }
    {
        DebugCatcher caught;
        delete filter.exec2(src.get(), rect);
        lines2 = DebugCatcher::lines();
    }
    QCOMPARE(lines1.size(), 3);
    QCOMPARE(lines1.mid(0, 2), QStringList({"iy 9", "iy 10"}));
    QVERIFY(QRegularExpression(QStringLiteral("^exec1 \\d+$")).match(lines1[2]).hasMatch());
    QCOMPARE(lines2.size(), 3);
    QCOMPARE(lines2.mid(0, 2), QStringList({"M 9", "M 10"}));
    QVERIFY(QRegularExpression(QStringLiteral("^exec2 \\d+$")).match(lines2[2]).hasMatch());
}

void TestMatchingF::nameGoesThroughTranslator()
{
    ContextTranslator translator;
    QCoreApplication::installTranslator(&translator);
    std::unique_ptr<TDData> src(sourceWithRegion(QRect(1, 1, 2, 2)));
    src->dataId = QStringLiteral("x%1");
    DebugCatcher quiet;
    std::unique_ptr<TDData> result(MatchingF(1, 1).exec1(src.get(), QRect(0, 0, 2, 2)));
    QCoreApplication::removeTranslator(&translator);
    QCOMPARE(result->dataId, QStringLiteral("[MatchingF]x%1: PM"));
}

QTEST_GUILESS_MAIN(TestMatchingF)
#include "tst_matchingf.moc"
