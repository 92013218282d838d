#include "display/dispa.h"
#include "displaytesttools.h"

#include <QPainter>
#include <QSignalSpy>
#include <QtTest>

class TestDispA : public QObject
{
    Q_OBJECT

private slots:
    void paintResetsWidgetRange();
    void paintSignalsInOrder();
    void altFreezesMoves();
};

void TestDispA::paintResetsWidgetRange()
{
    DispA area;
    area.resize(200, 100);
    area.chCoord.setRange(0, 10, 10, 0);
    area.grab();
    const ChCoord &cc = area.chCoord;
    QCOMPARE(QRectF(QPointF(cc.wx0, cc.wy0), QPointF(cc.wx1, cc.wy1)), QRectF(QPointF(0, 100), QPointF(200, 0)));

    // A resize alone rescales at the next paint.
    area.resize(400, 50);
    area.grab();
    QCOMPARE(cc.toWidgetX(5), 200.0);
    QCOMPARE(cc.toWidgetY(10), 50.0);
}

void TestDispA::paintSignalsInOrder()
{
    DispA area;
    area.resize(40, 30);
    QStringList order;
    QRect seenRange;
    connect(&area, &DispA::drawImage1, this, [&](QPainter *p) {
        QVERIFY(p->isActive());
        order << "1";
        seenRange = QRect(0, 0, int(area.chCoord.wx1), int(area.chCoord.wy0));
        p->fillRect(0, 0, 10, 10, Qt::red);
    });
    connect(&area, &DispA::drawImage2, this, [&](QPainter *p) {
        order << "2";
        p->fillRect(5, 5, 10, 10, Qt::blue);
    });
    const QImage image = area.grab().toImage();
    QCOMPARE(order, QStringList({"1", "2"}));
    QCOMPARE(seenRange, QRect(0, 0, 40, 30));
    QCOMPARE(image.pixelColor(2, 2), QColor(Qt::red));
    QCOMPARE(image.pixelColor(7, 7), QColor(Qt::blue));
    // White elsewhere, frame border included.
    for (const QPoint p : {QPoint(30, 20), QPoint(39, 29), QPoint(0, 29)})
        QCOMPARE(image.pixelColor(p), QColor(Qt::white));
}

void TestDispA::altFreezesMoves()
{
    DispA area;
    area.resize(100, 100);
    area.show();
    QVERIFY(QTest::qWaitForWindowExposed(&area));
    int paints = 0;
    connect(&area, &DispA::drawImage1, this, [&] { ++paints; });
    QSignalSpy moved(&area.mouseC, &MouseC::mMoved);
    auto settle = [&] {
        QCoreApplication::processEvents();
        const int n = paints;
        paints = 0;
        return n;
    };
    settle();

    sendMouse(&area, QEvent::MouseMove, QPoint(10, 10));
    QCOMPARE(moved.count(), 1);
    QVERIFY(settle() > 0);

    // The move that carries Alt is still recorded; the ones after it are not.
    sendMouse(&area, QEvent::MouseMove, QPoint(20, 20), Qt::NoButton, Qt::AltModifier);
    QCOMPARE(moved.count(), 2);
    QCOMPARE(area.mouseC.pos, QPoint(20, 20));
    settle();
    sendMouse(&area, QEvent::MouseMove, QPoint(30, 30));
    sendMouse(&area, QEvent::MouseMove, QPoint(40, 40), Qt::NoButton, Qt::AltModifier);
    QCOMPARE(moved.count(), 2);
    QCOMPARE(area.mouseC.pos, QPoint(20, 20));
    QCOMPARE(settle(), 0);

    // A press with Alt keeps moves frozen; a release without Alt frees them.
    sendMouse(&area, QEvent::MouseButtonPress, QPoint(50, 50), Qt::LeftButton, Qt::AltModifier);
    sendMouse(&area, QEvent::MouseMove, QPoint(55, 55), Qt::LeftButton);
    QCOMPARE(moved.count(), 2);
    QCOMPARE(area.mouseC.pos, QPoint(50, 50));
    sendMouse(&area, QEvent::MouseButtonRelease, QPoint(60, 60), Qt::LeftButton);
    sendMouse(&area, QEvent::MouseMove, QPoint(70, 70));
    QCOMPARE(moved.count(), 3);
    QCOMPARE(area.mouseC.pos, QPoint(70, 70));

    // A double click without Alt frees them too.
    sendMouse(&area, QEvent::MouseMove, QPoint(71, 71), Qt::NoButton, Qt::AltModifier);
    sendMouse(&area, QEvent::MouseButtonDblClick, QPoint(72, 72), Qt::LeftButton);
    sendMouse(&area, QEvent::MouseMove, QPoint(73, 73));
    QCOMPARE(moved.count(), 5);
    QCOMPARE(area.mouseC.pos, QPoint(73, 73));
}

QTEST_MAIN(TestDispA)
#include "tst_dispa.moc"
