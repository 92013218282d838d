#include "processing/copyregion.h"

#include "data/datainfo.h"
#include "data/tddata.h"
#include "filtertesttools.h"

#include <QCoreApplication>
#include <QtTest>

#include <memory>

using Grid = std::unique_ptr<TDData>;

class TestCopyRegion : public QObject
{
    Q_OBJECT

private slots:
    void copiesThePixels_data();
    void copiesThePixels();
    void emptyRegionGivesNothing_data();
    void emptyRegionGivesNothing();
    void unholdableSizeIsRefused();
    void keepsRegionNotInfos();
    void nameFormatIsTranslated();
};

void TestCopyRegion::copiesThePixels_data()
{
    QTest::addColumn<QRect>("r");
    QTest::addColumn<bool>("resize");
    QTest::newRow("inside, resized") << QRect(QPoint(2, 3), QPoint(9, 6)) << true;
    QTest::newRow("inside, in place") << QRect(QPoint(2, 3), QPoint(9, 6)) << false;
    QTest::newRow("past left and top, resized") << QRect(QPoint(-3, -2), QPoint(4, 5)) << true;
    QTest::newRow("past right and bottom, in place") << QRect(QPoint(8, 7), QPoint(20, 15)) << false;
    QTest::newRow("around the grid, resized") << QRect(QPoint(-2, -2), QPoint(13, 11)) << true;
    QTest::newRow("single pixel, in place") << QRect(QPoint(0, 0), QPoint(0, 0)) << false;
    // Dragged far beyond a zoomed-out image.
    QTest::newRow("far outside, in place") << QRect(QPoint(-1000000000, -1000000000), QPoint(999999999, 5)) << false;
}

void TestCopyRegion::copiesThePixels()
{
    QFETCH(QRect, r);
    QFETCH(bool, resize);
    const Grid src(randomGrid(12, 10, 5));
    const Grid copy(CopyRegion::exec(src.get(), r, resize));
    QVERIFY(copy);
    QCOMPARE(copy->width, resize ? r.width() : 12);
    QCOMPARE(copy->height, resize ? r.height() : 10);
    for (int y = 0; y < copy->height; ++y) {
        for (int x = 0; x < copy->width; ++x) {
            const int sx = resize ? x + r.left() : x;
            const int sy = resize ? y + r.top() : y;
            const bool fromSource = r.contains(sx, sy) && sx >= 0 && sy >= 0 && sx < 12 && sy < 10;
            QCOMPARE(copy->isValid(x, y), fromSource && src->isValid(sx, sy));
            QCOMPARE(copy->value(x, y), fromSource ? src->value(sx, sy) : 0.0);
        }
    }
}

void TestCopyRegion::emptyRegionGivesNothing_data()
{
    QTest::addColumn<QRect>("r");
    QTest::newRow("click without drag") << QRect(QPoint(4, 4), QPoint(3, 3));
    QTest::newRow("no width") << QRect(QPoint(4, 1), QPoint(3, 8));
    QTest::newRow("no height") << QRect(QPoint(1, 4), QPoint(8, 3));
    QTest::newRow("null") << QRect();
}

void TestCopyRegion::emptyRegionGivesNothing()
{
    QFETCH(QRect, r);
    const Grid src(randomGrid(12, 10, 5));
    QVERIFY(!CopyRegion::exec(src.get(), r, true));
    QVERIFY(!CopyRegion::exec(src.get(), r, false));
}

void TestCopyRegion::unholdableSizeIsRefused()
{
    const Grid src(randomGrid(4, 4, 5));
    QTest::ignoreMessage(QtDebugMsg, "can't copy a region of 2000000000 x 2000000000");
    QVERIFY(!CopyRegion::exec(src.get(), QRect(QPoint(-1000000000, -1000000000), QPoint(999999999, 999999999)), true));
}

void TestCopyRegion::keepsRegionNotInfos()
{
    const Grid src(randomGrid(12, 10, 5));
    src->infos.append(new DataInfo(DataInfo::PeakList, "Peaks(+)"));
    const Grid whole(CopyRegion::exec(src.get(), QRect(1, 1, 3, 3), true));
    QVERIFY(whole->regionSet);
    QCOMPARE(whole->region, QRect(0, 0, 12, 10));
    QVERIFY(whole->infos.isEmpty());
    src->setRegion(QRect(2, 2, 4, 4));
    const Grid own(CopyRegion::exec(src.get(), QRect(1, 1, 3, 3), false));
    QCOMPARE(own->region, QRect(2, 2, 4, 4));
}

void TestCopyRegion::nameFormatIsTranslated()
{
    const Grid src(randomGrid(4, 4, 5));
    ContextTranslator translator;
    QCoreApplication::installTranslator(&translator);
    const Grid copy(CopyRegion::exec(src.get(), QRect(QPoint(0, 1), QPoint(2, 3)), true));
    QCoreApplication::removeTranslator(&translator);
    QCOMPARE(copy->dataId, QStringLiteral("[CopyCtrl]src: Cp(0,1)-(2,3)"));
}

QTEST_GUILESS_MAIN(TestCopyRegion)
#include "tst_copyregion.moc"
