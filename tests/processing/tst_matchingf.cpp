// Against the plain reference in tst_filterexactness; here the cases that reference cannot judge.

#include "processing/matchingf.h"

#include "data/datainfo.h"
#include "data/tddata.h"
#include "filtertesttools.h"

#include <QCoreApplication>
#include <QtTest>

#include <climits>
#include <cmath>
#include <memory>

namespace {

TDData *sourceWithRegion(const QRect &region)
{
    TDData *src = randomGrid(13, 11, 21);
    src->setRegion(region);
    return src;
}

} // namespace

class TestMatchingF : public QObject
{
    Q_OBJECT

private slots:
    void exec2KeepsTheTemplate();
    void templateMatchesItself();
    void noMatchPossible_data();
    void noMatchPossible();
    void refused_data();
    void refused();
    void debugLines();
    void nameGoesThroughTranslator();
};

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
    for (int k = 0; k < 6; ++k)
        QCOMPARE(filter.patValues[k], valids[k] ? src->value(11 + k % 3, 4 + k / 3) : 0.0);
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

void TestMatchingF::noMatchPossible_data()
{
    QTest::addColumn<bool>("zeros");
    QTest::addColumn<QRect>("region");
    QTest::newRow("template of zeros") << true << QRect(QPoint(2, 2), QPoint(4, 3));
    QTest::newRow("inverted region") << false << QRect(QPoint(5, 5), QPoint(2, 2));
}

void TestMatchingF::noMatchPossible()
{
    QFETCH(bool, zeros);
    QFETCH(QRect, region);
    std::unique_ptr<TDData> src(sourceWithRegion(region));
    for (int y = 2; zeros && y <= 3; ++y) {
        for (int x = 2; x <= 4; ++x)
            src->setValue(x, y, 0.0);
    }
    DebugCatcher quiet;
    std::unique_ptr<TDData> one(MatchingF(1, 1).exec1(src.get(), QRect(0, 0, 13, 11)));
    std::unique_ptr<TDData> two(MatchingF(1, 2).exec2(src.get(), QRect(0, 0, 13, 11)));
    QVERIFY(!one->valids.contains(true));
    QVERIFY(!two->valids.contains(true));
}

void TestMatchingF::refused_data()
{
    QTest::addColumn<bool>("withRegion");
    QTest::addColumn<QStringList>("lines");
    const QString tooLarge = QStringLiteral("MatchingF: template too large");
    QTest::newRow("no region gives null, silently") << false << QStringList();
    QTest::newRow("huge template") << true << QStringList({tooLarge, tooLarge});
}

void TestMatchingF::refused()
{
    QFETCH(bool, withRegion);
    QFETCH(QStringList, lines);
    std::unique_ptr<TDData> src(sourceWithRegion(QRect(QPoint(-INT_MAX, 0), QPoint(INT_MAX, 3))));
    if (!withRegion)
        src->regionCleared();
    MatchingF filter(1, 2);
    DebugCatcher caught;
    QVERIFY(!filter.exec1(src.get(), QRect(0, 0, 13, 11)));
    QVERIFY(!filter.exec2(src.get(), QRect(0, 0, 13, 11)));
    QCOMPARE(DebugCatcher::lines().size(), lines.size());
    for (int i = 0; i < lines.size(); ++i)
        QVERIFY(DebugCatcher::lines()[i].startsWith(lines[i]));
}

void TestMatchingF::debugLines()
{
    std::unique_ptr<TDData> src(sourceWithRegion(QRect(1, 1, 2, 2)));
    MatchingF filter(1, 1);
    // Rows 9 and 10 are in the grid, 11 and 12 are not.
    const QRect rect(QPoint(3, 9), QPoint(5, 12));
    for (bool copyTemplate : {false, true}) {
        DebugCatcher caught;
        delete (copyTemplate ? filter.exec2(src.get(), rect) : filter.exec1(src.get(), rect));
        const QStringList lines = DebugCatcher::lines();
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines.mid(0, 2), copyTemplate ? QStringList({"M 9", "M 10"}) : QStringList({"iy 9", "iy 10"}));
        const QString last = copyTemplate ? QStringLiteral("^exec2 \\d+$") : QStringLiteral("^exec1 \\d+$");
        QVERIFY(QRegularExpression(last).match(lines[2]).hasMatch());
    }
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
