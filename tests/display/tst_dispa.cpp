#include "display/dispa.h"
#include "displaytesttools.h"

#include <QPainter>
#include <QSignalSpy>
#include <QtTest>

// The painted area with its two helpers, the coordinate mapping and the mouse state; the mouse
// is fed through real toolkit events.
class TestDispA : public QObject
{
    Q_OBJECT

private slots:
    void mapping();
    void rounding();
    void pressMoveReleaseDoubleClick();
    void wheelSteps_data();
    void wheelSteps();
    void paintResetsRangeAndSignalsInOrder();
    void altFreezesMoves();
};

void TestDispA::mapping()
{
    ChCoord c;
    QCOMPARE(c.toWidgetX(0.3), 0.3); // identity until ranges are set
    // A 200 x 100 area at (10, 10) showing data x 2..12 and data y growing downwards 2..7;
    // left, bottom, right, top.
    c.setWidgetRange(10, 110, 210, 10);
    c.setRange(2, 7, 12, 2);
    QCOMPARE(c.toWidgetX(7), 110.0);
    QCOMPARE(c.toWidgetX(14), 250.0); // beyond the right edge
    QCOMPARE(c.toWidgetY(2), 10.0);   // the top
    QCOMPARE(c.toWidgetY(7), 110.0);
    QCOMPARE(c.toDataX(110), 7.0);
    QCOMPARE(c.toDataY(35), 3.25);
}

void TestDispA::rounding()
{
    // Halves round upwards on both signs; -2.51 must not be truncated to -2.
    DispA area;
    const MouseC &m = area.mouseC;
    const QVector<QPair<QPointF, QPoint>> cases = {{QPointF(2.5, -2.5), QPoint(3, -2)},
                                                   {QPointF(-2.51, 7.4), QPoint(-3, 7)}};
    for (const auto &c : cases) {
        for (QEvent::Type type : {QEvent::MouseMove, QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                  QEvent::MouseButtonDblClick})
            sendMouse(&area, type, c.first, Qt::LeftButton);
        QCOMPARE(QVector<QPoint>({m.pos, m.pressPos, m.releasePos, m.dClickPos}), QVector<QPoint>(4, c.second));
    }
}

void TestDispA::pressMoveReleaseDoubleClick()
{
    DispA area;
    MouseC &m = area.mouseC;
    QSignalSpy moved(&m, &MouseC::mMoved);
    // Each signal sees the fields already updated.
    QPoint posAtPress;
    connect(&m, &MouseC::mPressed, this, [&] { posAtPress = m.pos; });

    sendMouse(&area, QEvent::MouseMove, QPointF(5, 6));
    sendMouse(&area, QEvent::MouseButtonPress, QPointF(10, 11), Qt::RightButton, Qt::ShiftModifier);
    QCOMPARE(posAtPress, QPoint(10, 11));
    QVERIFY(m.pressed && m.pressButton == Qt::RightButton);
    sendMouse(&area, QEvent::MouseMove, QPointF(20, 21), Qt::NoButton, Qt::ControlModifier);
    QCOMPARE(m.modifiers, Qt::KeyboardModifiers(Qt::ControlModifier));
    QCOMPARE(m.pressModifiers, Qt::KeyboardModifiers(Qt::ShiftModifier));
    sendMouse(&area, QEvent::MouseButtonRelease, QPointF(30, 31), Qt::RightButton);
    QVERIFY(!m.pressed && m.releaseButton == Qt::RightButton);
    QCOMPARE(moved.count(), 2);

    // A double click leaves pos and prevPos to the moves.
    QSignalSpy clicked(&m, &MouseC::mDClicked);
    sendMouse(&area, QEvent::MouseButtonDblClick, QPointF(40, 50), Qt::MiddleButton, Qt::ControlModifier);
    QCOMPARE(clicked.count(), 1);
    QVERIFY(m.dClickButton == Qt::MiddleButton && m.dClickModifiers == Qt::ControlModifier);
    QCOMPARE(m.pos, QPoint(30, 31));
    QCOMPARE(m.prevPos, QPoint(20, 21));
}

void TestDispA::wheelSteps_data()
{
    QTest::addColumn<int>("delta");
    QTest::addColumn<int>("step");
    QTest::newRow("one notch") << 120 << 1;
    QTest::newRow("two notches towards the user") << -240 << -2;
    QTest::newRow("just under one notch back") << -119 << 0;
}

void TestDispA::wheelSteps()
{
    QFETCH(int, delta);
    QFETCH(int, step);
    DispA area;
    QSignalSpy wheel(&area.mouseC, &MouseC::wMoved);
    sendWheel(&area, QPointF(10, 10), delta);
    QCOMPARE(wheel.count(), 1);
    QCOMPARE(wheel.at(0).at(0).toInt(), step);
}

void TestDispA::paintResetsRangeAndSignalsInOrder()
{
    DispA area;
    area.resize(40, 30);
    area.chCoord.setRange(0, 10, 10, 0);
    QStringList order;
    connect(&area, &DispA::drawImage1, this, [&](QPainter *p) {
        order << "1";
        p->fillRect(0, 0, 10, 10, Qt::red);
    });
    connect(&area, &DispA::drawImage2, this, [&](QPainter *p) {
        order << "2";
        p->fillRect(5, 5, 10, 10, Qt::blue);
    });
    const QImage image = area.grab().toImage();
    QCOMPARE(order, QStringList({"1", "2"}));
    QCOMPARE(image.pixelColor(2, 2), QColor(Qt::red));
    QCOMPARE(image.pixelColor(7, 7), QColor(Qt::blue));
    QCOMPARE(image.pixelColor(39, 29), QColor(Qt::white)); // no frame border

    // The widget range follows the size at every paint.
    area.resize(400, 50);
    area.grab();
    QCOMPARE(area.chCoord.toWidgetX(5), 200.0);
    QCOMPARE(area.chCoord.toWidgetY(10), 50.0);
}

void TestDispA::altFreezesMoves()
{
    DispA area;
    QSignalSpy moved(&area.mouseC, &MouseC::mMoved);
    const QPoint &pos = area.mouseC.pos;

    // The move that carries Alt is still recorded; the ones after it are not.
    sendMouse(&area, QEvent::MouseMove, QPoint(20, 20), Qt::NoButton, Qt::AltModifier);
    sendMouse(&area, QEvent::MouseMove, QPoint(30, 30));
    sendMouse(&area, QEvent::MouseMove, QPoint(40, 40), Qt::NoButton, Qt::AltModifier);
    QCOMPARE(moved.count(), 1);
    QCOMPARE(pos, QPoint(20, 20));

    // A press with Alt keeps moves frozen; a release without Alt frees them.
    sendMouse(&area, QEvent::MouseButtonPress, QPoint(50, 50), Qt::LeftButton, Qt::AltModifier);
    sendMouse(&area, QEvent::MouseMove, QPoint(55, 55), Qt::LeftButton);
    QCOMPARE(pos, QPoint(50, 50));
    sendMouse(&area, QEvent::MouseButtonRelease, QPoint(60, 60), Qt::LeftButton);
    sendMouse(&area, QEvent::MouseMove, QPoint(70, 70));
    QCOMPARE(moved.count(), 2);
    QCOMPARE(pos, QPoint(70, 70));

    // A double click without Alt frees them too.
    sendMouse(&area, QEvent::MouseMove, QPoint(71, 71), Qt::NoButton, Qt::AltModifier);
    sendMouse(&area, QEvent::MouseButtonDblClick, QPoint(72, 72), Qt::LeftButton);
    sendMouse(&area, QEvent::MouseMove, QPoint(73, 73));
    QCOMPARE(moved.count(), 4);
    QCOMPARE(pos, QPoint(73, 73));
}

QTEST_MAIN(TestDispA)
#include "tst_dispa.moc"
