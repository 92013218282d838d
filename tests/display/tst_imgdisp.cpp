#include "display/imgdisp.h"

#include "display/colorbar.h"
#include "displaytesttools.h"

#include <QSignalSpy>
#include <QtTest>

Q_DECLARE_METATYPE(Qt::KeyboardModifiers)

// A shown window whose area maps data = widget / 10, so data with one decimal is a whole pixel.
class Window
{
public:
    Window()
    {
        disp.show();
        QVERIFY(QTest::qWaitForWindowExposed(&disp));
        area()->repaint(); // the paint sets the widget range
        QVERIFY(area()->width() > 120 && area()->height() > 100);
        disp.chCoord.setRange(0, area()->height() / 10.0, area()->width() / 10.0, 0);
    }

    DispA *area() { return disp.ui.ImgDispA; }

    void mouse(QEvent::Type type, QPointF data, Qt::MouseButton button = Qt::NoButton,
               Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        sendMouse(area(), type, data * 10, button, mods);
    }

    void drag(QPointF from, QPointF to, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, mods);
        mouse(QEvent::MouseMove, (from + to) / 2, Qt::LeftButton, mods);
        mouse(QEvent::MouseMove, to, Qt::LeftButton, mods);
        mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton, mods);
    }

    QString regionLabel() const { return disp.ui.Region->text(); }

    ImgDisp disp;
};

class TestImgDisp : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void dragGivesRegion_data();
    void dragGivesRegion();
    void labelFollowsDrag();
    void modifiersLeaveRegionAlone_data();
    void modifiersLeaveRegionAlone();
    void rightClickClears();

    void setRegionGivesItBack_data();
    void setRegionGivesItBack();
    void regionInWidget();

    void regionList();
    void badListEntries();

    void readOut_data();
    void readOut();
    void greySwitchAndDefault();
    void closingIsEmitted();
};

void TestImgDisp::cleanup()
{
    ImgDisp::setGrayScaleDefault(false);
}

void TestImgDisp::dragGivesRegion_data()
{
    QTest::addColumn<QPointF>("from");
    QTest::addColumn<QPointF>("to");
    QTest::addColumn<QRect>("region");
    QTest::addColumn<QString>("label");
    QTest::newRow("click without moving") << QPointF(5, 6) << QPointF(5, 6) << corners(5, 6, 4, 5) << "(5, 6)-(4, 5)";
    QTest::newRow("drag up and left") << QPointF(10.7, 3.2) << QPointF(4.1, 8.9) << corners(4, 3, 9, 7)
                                      << "(4, 3)-(9, 7)";
}

void TestImgDisp::dragGivesRegion()
{
    QFETCH(QPointF, from);
    QFETCH(QPointF, to);
    QFETCH(QRect, region);
    QFETCH(QString, label);
    Window w;
    QSignalSpy regions(&w.disp, &ImgDisp::newRegion);
    w.drag(from, to);

    QCOMPARE(w.disp.regionState, 2);
    QCOMPARE(w.disp.regionRect(), region);
    QCOMPARE(w.regionLabel(), label);
    QCOMPARE(regions.count(), 1);
    QCOMPARE(regions.at(0).at(0).toRect(), region);
    // The corners are kept as the user made them, not sorted.
    QVERIFY(qAbs(w.disp.pressData.x() - from.x()) < 1e-9 && qAbs(w.disp.pressData.y() - from.y()) < 1e-9);
    QVERIFY(qAbs(w.disp.curData.x() - to.x()) < 1e-9 && qAbs(w.disp.curData.y() - to.y()) < 1e-9);
}

void TestImgDisp::labelFollowsDrag()
{
    Window w;
    QSignalSpy regions(&w.disp, &ImgDisp::newRegion);
    w.mouse(QEvent::MouseButtonPress, QPointF(2, 2), Qt::LeftButton);
    w.mouse(QEvent::MouseMove, QPointF(6, 5), Qt::LeftButton);
    QCOMPARE(w.disp.regionState, 1);
    QCOMPARE(w.regionLabel(), QString("(2, 2)-(5, 4)"));
    QCOMPARE(regions.count(), 0);

    // Set is refused while dragging.
    w.disp.ui.SetARegion->click();
    QCOMPARE(w.disp.ui.Regions->count(), 0);

    // Moves without a held button change nothing.
    w.mouse(QEvent::MouseButtonRelease, QPointF(6, 5), Qt::LeftButton);
    w.mouse(QEvent::MouseMove, QPointF(9, 9));
    QCOMPARE(w.disp.regionRect(), corners(2, 2, 5, 4));

    // Positions just outside the image read as pixel 0.
    QSignalSpy within(&w.disp, &ImgDisp::mMovedWithin);
    w.mouse(QEvent::MouseMove, QPointF(-0.5, 7.3));
    QCOMPARE(within.at(0), QVariantList({0, 7}));
}

void TestImgDisp::modifiersLeaveRegionAlone_data()
{
    QTest::addColumn<Qt::KeyboardModifiers>("mods");
    QTest::newRow("Shift") << Qt::KeyboardModifiers(Qt::ShiftModifier);
    QTest::newRow("Ctrl") << Qt::KeyboardModifiers(Qt::ControlModifier);
    QTest::newRow("Alt") << Qt::KeyboardModifiers(Qt::AltModifier);
}

void TestImgDisp::modifiersLeaveRegionAlone()
{
    QFETCH(Qt::KeyboardModifiers, mods);
    Window w;
    w.drag(QPointF(1, 1), QPointF(5, 5));
    QSignalSpy regions(&w.disp, &ImgDisp::newRegion);
    QSignalSpy cleared(&w.disp, &ImgDisp::regionCleared);

    w.drag(QPointF(7, 8), QPointF(11, 10), mods);
    w.mouse(QEvent::MouseButtonPress, QPointF(3, 3), Qt::RightButton, mods);
    QCOMPARE(w.disp.regionState, 2);
    QCOMPARE(w.disp.regionRect(), corners(1, 1, 4, 4));
    QCOMPARE(w.regionLabel(), QString("(1, 1)-(4, 4)"));
    QCOMPARE(regions.count(), 0);
    QCOMPARE(cleared.count(), 0);
}

void TestImgDisp::rightClickClears()
{
    Window w;
    w.drag(QPointF(1, 1), QPointF(5, 5));
    QSignalSpy cleared(&w.disp, &ImgDisp::regionCleared);
    w.mouse(QEvent::MouseButtonPress, QPointF(3, 3), Qt::RightButton);
    w.mouse(QEvent::MouseButtonRelease, QPointF(3, 3), Qt::RightButton);
    QCOMPARE(w.disp.regionState, 0);
    QCOMPARE(w.regionLabel(), QString());
    QCOMPARE(cleared.count(), 1);

    w.drag(QPointF(2, 2), QPointF(4, 4));
    QCOMPARE(w.disp.regionRect(), corners(2, 2, 3, 3));
}

void TestImgDisp::setRegionGivesItBack_data()
{
    QTest::addColumn<QRect>("r");
    QTest::addColumn<QString>("label");
    QTest::newRow("ordinary") << corners(2, 3, 9, 7) << "(2, 3)-(9, 7)";
    QTest::newRow("one pixel") << corners(0, 0, 0, 0) << "(0, 0)-(0, 0)";
    QTest::newRow("empty, from a click") << corners(5, 6, 4, 5) << "(5, 6)-(4, 5)";
    QTest::newRow("partly left of the image") << corners(-3, -2, 1, 1) << "(-3, -2)-(1, 1)";
}

void TestImgDisp::setRegionGivesItBack()
{
    QFETCH(QRect, r);
    QFETCH(QString, label);
    ImgDisp disp;
    QSignalSpy regions(&disp, &ImgDisp::newRegion);
    disp.setRegion(r);

    QCOMPARE(disp.regionState, 2);
    QCOMPARE(disp.regionRect(), r);
    QCOMPARE(disp.ui.Region->text(), label);
    QCOMPARE(regions.at(0).at(0).toRect(), r);
    // The corners a drag over exactly these pixels leaves.
    QCOMPARE(disp.pressData, QPointF(r.left(), r.top()));
    QCOMPARE(disp.curData, QPointF(r.right() + 1, r.bottom() + 1));

    // Restoring again and again does not wear the region down.
    for (int i = 0; i < 3; ++i)
        disp.setRegion(disp.regionRect());
    QCOMPARE(disp.regionRect(), r);
}

void TestImgDisp::regionInWidget()
{
    Window w;
    w.disp.setRegion(corners(2, 3, 9, 7));
    QCOMPARE(w.disp.regionRectInWidget(), corners(20, 30, 99, 79));

    // A zero-extent range: the unmappable corner counts as 0, the infinite one saturates.
    ImgDisp disp;
    disp.chCoord.setRange(0, 0, 0, 0);
    disp.setRegion(corners(0, 0, 0, 0));
    QCOMPARE(disp.regionRectInWidget(), corners(0, 0, 999999999, 999999999));
}

void TestImgDisp::regionList()
{
    ImgDisp disp;
    disp.ui.SetARegion->click(); // no region yet
    disp.ui.DelARegion->click(); // empty list
    QCOMPARE(disp.ui.Regions->count(), 0);
    QCOMPARE(disp.currentListedRegion(), QRect());

    const QVector<QRect> made = {corners(1, 1, 2, 2), corners(3, 4, 5, 6), corners(0, 0, 9, 9)};
    for (const QRect &r : made) {
        disp.setRegion(r);
        disp.ui.SetARegion->click();
    }
    for (int i = 0; i < 3; ++i)
        QCOMPARE(disp.listedRegion(i), made.at(2 - i));
    QCOMPARE(disp.ui.Regions->currentIndex(), 0);
    QCOMPARE(disp.ui.Regions->itemText(0), QString("(0,0)-(9,9)"));

    // Deleting the last entry selects the new last.
    disp.ui.Regions->setCurrentIndex(2);
    disp.ui.DelARegion->click();
    QCOMPARE(disp.ui.Regions->count(), 2);
    QCOMPARE(disp.ui.Regions->currentIndex(), 1);
    QCOMPARE(disp.currentListedRegion(), made.at(1));

    // Out-of-range insert positions are clamped.
    disp.insertRegion(9, corners(7, 7, 7, 7));
    disp.insertRegion(-4, corners(8, 8, 8, 8));
    QCOMPARE(disp.listedRegion(0), corners(8, 8, 8, 8));
    QCOMPARE(disp.listedRegion(3), corners(7, 7, 7, 7));
}

void TestImgDisp::badListEntries()
{
    ImgDisp disp;
    disp.ui.Regions->addItem("not a rectangle", QString("text"));
    disp.ui.Regions->addItem("no data");
    QVERIFY(disp.listedRegion(0).isNull());
    QCOMPARE(disp.listedRegion(1), QRect());
    QCOMPARE(disp.listedRegion(-1), QRect());
    QCOMPARE(disp.listedRegion(7), QRect());
}

void TestImgDisp::readOut_data()
{
    QTest::addColumn<double>("val");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("text");
    QTest::newRow("six digits") << 1.23456789 << true << "1.23457 (3, 4)";
    QTest::newRow("integer") << 42.0 << true << "42 (3, 4)";
    QTest::newRow("large") << -1.5e10 << true << "-1.5e+10 (3, 4)";
    QTest::newRow("invalid pixel") << 7.0 << false << "-- (3, 4)";
}

void TestImgDisp::readOut()
{
    QFETCH(double, val);
    QFETCH(bool, valid);
    QFETCH(QString, text);
    ImgDisp disp;
    disp.showPosVal(3, 4, val, valid);
    QCOMPARE(disp.ui.Pos->text(), text);
}

void TestImgDisp::greySwitchAndDefault()
{
    ImgDisp before;
    QCOMPARE(before.ui.CBar->format, 13);
    QSignalSpy updated(before.ui.CBar, &ColorBar::cBarUpdated);
    before.ui.GrayScale->setChecked(true);
    QCOMPARE(before.ui.CBar->format, 24);
    before.ui.GrayScale->setChecked(false);
    QCOMPARE(before.ui.CBar->format, 13);
    QCOMPARE(updated.count(), 2);

    // The default decides new windows only.
    ImgDisp::setGrayScaleDefault(true);
    ImgDisp after;
    QVERIFY(after.ui.GrayScale->isChecked());
    QCOMPARE(after.ui.CBar->format, 24);
    QCOMPARE(before.ui.CBar->format, 13);
}

void TestImgDisp::closingIsEmitted()
{
    ImgDisp disp;
    disp.show();
    QVERIFY(QTest::qWaitForWindowExposed(&disp));
    QSignalSpy closing(&disp, &ImgDisp::closing);
    QVERIFY(disp.close());
    QCOMPARE(closing.count(), 1);
}

QTEST_MAIN(TestImgDisp)
#include "tst_imgdisp.moc"
