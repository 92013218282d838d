// Results and debug lines are compared with the plain reference in tst_filterexactness; here the
// cases that give no result at all.

#include "processing/matchingf.h"

#include "data/datainfo.h"
#include "data/tddata.h"
#include "filtertesttools.h"

#include <QCoreApplication>
#include <QtTest>

#include <climits>
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
    void noMatchPossible_data();
    void noMatchPossible();
    void refused_data();
    void refused();
    void nameGoesThroughTranslator();
};

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
