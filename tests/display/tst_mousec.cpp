#include "display/dispa.h"
#include "display/mousec.h"
#include "displaytesttools.h"

#include <QSignalSpy>
#include <QtTest>

// MouseC is fed by a display area here, so every case goes through real toolkit events.
class TestMouseC : public QObject
{
    Q_OBJECT

private slots:
    void rounding_data();
    void rounding();
    void pressMoveRelease();
    void doubleClickLeavesPosition();
    void wheelSteps_data();
    void wheelSteps();
};

void TestMouseC::rounding_data()
{
    QTest::addColumn<QPointF>("local");
    QTest::addColumn<QPoint>("expected");

    QTest::newRow("halves round up on both signs") << QPointF(2.5, -2.5) << QPoint(3, -2);
    QTest::newRow("below half rounds down") << QPointF(2.49, 7.4) << QPoint(2, 7);
    QTest::newRow("negative beyond half") << QPointF(-2.51, -0.5) << QPoint(-3, 0);
}

void TestMouseC::rounding()
{
    QFETCH(QPointF, local);
    QFETCH(QPoint, expected);

    DispA area;
    area.resize(100, 100);
    sendMouse(&area, QEvent::MouseMove, local);
    QCOMPARE(area.mouseC.pos, expected);
    sendMouse(&area, QEvent::MouseButtonPress, local, Qt::LeftButton);
    QCOMPARE(area.mouseC.pressPos, expected);
    sendMouse(&area, QEvent::MouseButtonRelease, local, Qt::LeftButton);
    QCOMPARE(area.mouseC.releasePos, expected);
    sendMouse(&area, QEvent::MouseButtonDblClick, local, Qt::LeftButton);
    QCOMPARE(area.mouseC.dClickPos, expected);
}

void TestMouseC::pressMoveRelease()
{
    DispA area;
    area.resize(100, 100);
    MouseC &m = area.mouseC;
    QSignalSpy moved(&m, &MouseC::mMoved);
    QSignalSpy pressed(&m, &MouseC::mPressed);
    QSignalSpy released(&m, &MouseC::mReleased);
    // Each signal sees the fields already updated.
    QPoint posAtPress;
    connect(&m, &MouseC::mPressed, this, [&] { posAtPress = m.pos; });

    sendMouse(&area, QEvent::MouseMove, QPointF(5, 6));
    sendMouse(&area, QEvent::MouseButtonPress, QPointF(10, 11), Qt::RightButton, Qt::ShiftModifier);
    QCOMPARE(posAtPress, QPoint(10, 11));
    QCOMPARE(m.prevPos, QPoint(5, 6));
    QVERIFY(m.pressed);
    QCOMPARE(m.pressButton, Qt::RightButton);
    QCOMPARE(m.pressModifiers, Qt::KeyboardModifiers(Qt::ShiftModifier));

    sendMouse(&area, QEvent::MouseMove, QPointF(20, 21), Qt::NoButton, Qt::ControlModifier);
    QCOMPARE(m.prevPos, QPoint(10, 11));
    QVERIFY(m.pressed);
    QCOMPARE(m.modifiers, Qt::KeyboardModifiers(Qt::ControlModifier));
    QCOMPARE(m.pressModifiers, Qt::KeyboardModifiers(Qt::ShiftModifier));

    sendMouse(&area, QEvent::MouseButtonRelease, QPointF(30, 31), Qt::RightButton);
    QCOMPARE(m.prevPos, QPoint(20, 21));
    QCOMPARE(m.releasePos, QPoint(30, 31));
    QVERIFY(!m.pressed);
    QCOMPARE(m.releaseButton, Qt::RightButton);
    QCOMPARE(m.modifiers, Qt::KeyboardModifiers(Qt::NoModifier));

    QCOMPARE(moved.count(), 2);
    QCOMPARE(pressed.count(), 1);
    QCOMPARE(released.count(), 1);
}

void TestMouseC::doubleClickLeavesPosition()
{
    DispA area;
    area.resize(100, 100);
    MouseC &m = area.mouseC;
    QSignalSpy clicked(&m, &MouseC::mDClicked);
    sendMouse(&area, QEvent::MouseMove, QPointF(3, 4));
    sendMouse(&area, QEvent::MouseMove, QPointF(7, 8));
    sendMouse(&area, QEvent::MouseButtonDblClick, QPointF(40, 50), Qt::MiddleButton, Qt::ControlModifier);

    QCOMPARE(clicked.count(), 1);
    QCOMPARE(m.dClickPos, QPoint(40, 50));
    QCOMPARE(m.pos, QPoint(7, 8));
    QCOMPARE(m.prevPos, QPoint(3, 4));
    QCOMPARE(m.dClickButton, Qt::MiddleButton);
    QCOMPARE(m.dClickModifiers, Qt::KeyboardModifiers(Qt::ControlModifier));
}

void TestMouseC::wheelSteps_data()
{
    QTest::addColumn<int>("delta");
    QTest::addColumn<int>("step");

    QTest::newRow("half a notch") << 60 << 0;
    QTest::newRow("one notch") << 120 << 1;
    QTest::newRow("two notches towards the user") << -240 << -2;
    QTest::newRow("just under one notch back") << -119 << 0;
}

void TestMouseC::wheelSteps()
{
    QFETCH(int, delta);
    QFETCH(int, step);

    DispA area;
    area.resize(100, 100);
    QSignalSpy wheel(&area.mouseC, &MouseC::wMoved);
    sendWheel(&area, QPointF(10, 10), delta);
    QCOMPARE(wheel.count(), 1);
    QCOMPARE(wheel.at(0).at(0).toInt(), step);
}

QTEST_MAIN(TestMouseC)
#include "tst_mousec.moc"
