#include "display/imgdisp.h"

#include "display/colorbar.h"

#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QtTest>

Q_DECLARE_METATYPE(Qt::KeyboardModifiers)

// A shown window whose image area maps widget pixels to data as data = widget / 10, so every
// data position with one decimal is reachable by a whole widget pixel.
class Window
{
public:
    Window()
    {
        disp.show();
        QVERIFY(QTest::qWaitForWindowExposed(&disp));
        // The area resets its widget range at every paint; make sure one has happened.
        area()->repaint();
        QVERIFY(area()->width() > 120 && area()->height() > 100);
        disp.chCoord.setRange(0, area()->height() / 10.0, area()->width() / 10.0, 0);
    }

    DispA *area() { return disp.ui.ImgDispA; }

    void mouse(QEvent::Type type, QPointF data, Qt::MouseButton button, Qt::MouseButtons held,
               Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QMouseEvent e(type, data * 10, area()->mapToGlobal((data * 10).toPoint()), button, held, mods);
        QCoreApplication::sendEvent(area(), &e);
    }

    void drag(QPointF from, QPointF to, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton, mods);
        mouse(QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton, mods);
        mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton, mods);
        mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton, mods);
    }

    QString regionLabel() const { return disp.ui.Region->text(); }

    ImgDisp disp;
};

QRect corners(int left, int top, int right, int bottom)
{
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

class TestImgDisp : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void form();
    void clickGivesEmptyRegion();
    void dragGivesRegion();
    void labelFollowsDrag();
    void modifiersLeaveRegionAlone_data();
    void modifiersLeaveRegionAlone();
    void rightClickClears();
    void pixelJustOutsideReadsZero();
    void relaysAreaSignals();

    void setRegionGivesItBack_data();
    void setRegionGivesItBack();
    void regionInWidget();
    void degenerateMappingIsSafe();

    void setOnlyWithARegion();
    void setsListLastFirst();
    void deleteSelectsNewLast();
    void deleteOnEmptyList();
    void listedRegionOfBadEntries();
    void insertRegionClampsIndex();

    void readOut_data();
    void readOut();

    void greySwitch();
    void greyDefaultDecidesNewWindows();
    void closingIsEmitted();
};

void TestImgDisp::cleanup()
{
    ImgDisp::setGrayScaleDefault(false);
}

void TestImgDisp::form()
{
    ImgDisp disp;
    QCOMPARE(disp.size(), QSize(881, 886));
    QCOMPARE(disp.windowTitle(), QString("Frame"));
    QCOMPARE(disp.ui.GrayScale->text(), QString("Grey"));
    QCOMPARE(disp.ui.SetARegion->text(), QString("Set"));
    QCOMPARE(disp.ui.DelARegion->text(), QString("Del"));
    QCOMPARE(disp.ui.ScaleReset->text(), QString("Scale Reset"));
    QCOMPARE(disp.ui.CBar->minimumWidth(), 20);
    QCOMPARE(&disp.mouseC, &disp.ui.ImgDispA->mouseC);
    QCOMPARE(&disp.chCoord, &disp.ui.ImgDispA->chCoord);
    QCOMPARE(disp.dataWidth, 1);
    QCOMPARE(disp.dataHeight, 1);
    QCOMPARE(disp.regionState, 0);
    QCOMPARE(disp.regionRect(), corners(0, 0, -1, -1));

    // Column 2 of the tool row stays empty.
    int row, column, rowSpan, columnSpan;
    const int at = disp.ui.gridLayout_2->indexOf(disp.ui.Region);
    disp.ui.gridLayout_2->getItemPosition(at, &row, &column, &rowSpan, &columnSpan);
    QCOMPARE(column, 3);
    QVERIFY(!disp.ui.gridLayout_2->itemAtPosition(0, 2));
}

void TestImgDisp::clickGivesEmptyRegion()
{
    Window w;
    QSignalSpy regions(&w.disp, &ImgDisp::newRegion);
    w.mouse(QEvent::MouseButtonPress, QPointF(5, 6), Qt::LeftButton, Qt::LeftButton);
    QCOMPARE(w.disp.regionState, 1);
    w.mouse(QEvent::MouseButtonRelease, QPointF(5, 6), Qt::LeftButton, Qt::NoButton);

    QCOMPARE(w.disp.regionState, 2);
    QCOMPARE(w.disp.regionRect(), corners(5, 6, 4, 5));
    QVERIFY(w.disp.regionRect().isEmpty());
    QCOMPARE(w.regionLabel(), QString("(5, 6)-(4, 5)"));
    QCOMPARE(regions.count(), 1);
    QCOMPARE(regions.at(0).at(0).toRect(), corners(5, 6, 4, 5));
}

void TestImgDisp::dragGivesRegion()
{
    Window w;
    QSignalSpy regions(&w.disp, &ImgDisp::newRegion);
    w.drag(QPointF(10.7, 3.2), QPointF(4.1, 8.9));

    QCOMPARE(w.disp.regionState, 2);
    QCOMPARE(w.disp.regionRect(), corners(4, 3, 9, 7));
    QCOMPARE(w.regionLabel(), QString("(4, 3)-(9, 7)"));
    QCOMPARE(regions.count(), 1);
    QCOMPARE(regions.at(0).at(0).toRect(), corners(4, 3, 9, 7));
    // The corners are kept as the user made them, not sorted.
    QVERIFY(qAbs(w.disp.pressData.x() - 10.7) < 1e-9);
    QVERIFY(qAbs(w.disp.pressData.y() - 3.2) < 1e-9);
    QVERIFY(qAbs(w.disp.curData.x() - 4.1) < 1e-9);
    QVERIFY(qAbs(w.disp.curData.y() - 8.9) < 1e-9);
}

void TestImgDisp::labelFollowsDrag()
{
    Window w;
    QSignalSpy regions(&w.disp, &ImgDisp::newRegion);
    w.mouse(QEvent::MouseButtonPress, QPointF(2, 2), Qt::LeftButton, Qt::LeftButton);
    w.mouse(QEvent::MouseMove, QPointF(6, 5), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(w.disp.regionState, 1);
    QCOMPARE(w.regionLabel(), QString("(2, 2)-(5, 4)"));
    QCOMPARE(regions.count(), 0);

    // Moves without a held button change nothing.
    w.mouse(QEvent::MouseButtonRelease, QPointF(6, 5), Qt::LeftButton, Qt::NoButton);
    w.mouse(QEvent::MouseMove, QPointF(9, 9), Qt::NoButton, Qt::NoButton);
    QCOMPARE(w.disp.regionRect(), corners(2, 2, 5, 4));
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
    QCOMPARE(w.disp.regionState, 2);
    QCOMPARE(w.disp.regionRect(), corners(1, 1, 4, 4));
    QCOMPARE(w.regionLabel(), QString("(1, 1)-(4, 4)"));
    QCOMPARE(regions.count(), 0);

    w.mouse(QEvent::MouseButtonPress, QPointF(3, 3), Qt::RightButton, Qt::RightButton, mods);
    QCOMPARE(w.disp.regionState, 2);
    QCOMPARE(cleared.count(), 0);
}

void TestImgDisp::rightClickClears()
{
    Window w;
    w.drag(QPointF(1, 1), QPointF(5, 5));
    QSignalSpy cleared(&w.disp, &ImgDisp::regionCleared);
    w.mouse(QEvent::MouseButtonPress, QPointF(3, 3), Qt::RightButton, Qt::RightButton);
    w.mouse(QEvent::MouseButtonRelease, QPointF(3, 3), Qt::RightButton, Qt::NoButton);
    QCOMPARE(w.disp.regionState, 0);
    QCOMPARE(w.regionLabel(), QString());
    QCOMPARE(cleared.count(), 1);

    // A new left press starts a region again.
    w.drag(QPointF(2, 2), QPointF(4, 4));
    QCOMPARE(w.disp.regionState, 2);
    QCOMPARE(w.disp.regionRect(), corners(2, 2, 3, 3));
}

void TestImgDisp::pixelJustOutsideReadsZero()
{
    Window w;
    QSignalSpy within(&w.disp, &ImgDisp::mMovedWithin);
    w.mouse(QEvent::MouseMove, QPointF(-0.5, 7.3), Qt::NoButton, Qt::NoButton);
    w.mouse(QEvent::MouseMove, QPointF(3.9, -0.8), Qt::NoButton, Qt::NoButton);
    QCOMPARE(within.count(), 2);
    QCOMPARE(within.at(0), QVariantList({0, 7}));
    QCOMPARE(within.at(1), QVariantList({3, 0}));
}

void TestImgDisp::relaysAreaSignals()
{
    Window w;
    QSignalSpy wheel(&w.disp, &ImgDisp::wMoved);
    int draw1 = 0;
    int draw2 = 0;
    connect(&w.disp, &ImgDisp::drawImage1, this, [&draw1](QPainter *p) { draw1 += p && p->isActive(); });
    connect(&w.disp, &ImgDisp::drawImage2, this, [&draw2](QPainter *p) { draw2 += p && p->isActive(); });
    QSignalSpy reset(&w.disp, &ImgDisp::scaleReset);

    QWheelEvent e(QPointF(30, 30), w.area()->mapToGlobal(QPoint(30, 30)), QPoint(), QPoint(0, -240),
                  Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w.area(), &e);
    w.area()->repaint();
    w.disp.ui.ScaleReset->click();

    QCOMPARE(wheel.count(), 1);
    QCOMPARE(wheel.at(0).at(0).toInt(), -2);
    QVERIFY(draw1 >= 1);
    QCOMPARE(draw2, draw1);
    QCOMPARE(reset.count(), 1);
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
    QCOMPARE(regions.count(), 1);
    QCOMPARE(regions.at(0).at(0).toRect(), r);
    // The corners are those a drag over exactly these pixels leaves.
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
    // Corners (2, 3) and (10, 8) in data are (20, 30) and (100, 80) in the widget.
    QCOMPARE(w.disp.regionRectInWidget(), corners(20, 30, 99, 79));
}

void TestImgDisp::degenerateMappingIsSafe()
{
    // A one-pixel dataset gives a data range of zero extent: widget positions become NaN or inf.
    ImgDisp disp;
    disp.chCoord.setRange(0, 0, 0, 0);
    disp.setRegion(corners(0, 0, 0, 0));
    const QRect r = disp.regionRectInWidget();
    // The unmappable corner counts as 0, the infinite one saturates.
    QCOMPARE(r.topLeft(), QPoint(0, 0));
    QCOMPARE(r.bottomRight(), QPoint(999999999, 999999999));
}

void TestImgDisp::setOnlyWithARegion()
{
    Window w;
    w.disp.ui.SetARegion->click();
    QCOMPARE(w.disp.ui.Regions->count(), 0);

    w.mouse(QEvent::MouseButtonPress, QPointF(1, 1), Qt::LeftButton, Qt::LeftButton);
    w.mouse(QEvent::MouseMove, QPointF(4, 4), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(w.disp.regionState, 1);
    w.disp.ui.SetARegion->click();
    QCOMPARE(w.disp.ui.Regions->count(), 0);

    w.mouse(QEvent::MouseButtonRelease, QPointF(4, 4), Qt::LeftButton, Qt::NoButton);
    w.disp.ui.SetARegion->click();
    QCOMPARE(w.disp.ui.Regions->count(), 1);
    QCOMPARE(w.disp.currentListedRegion(), corners(1, 1, 3, 3));
    QCOMPARE(w.disp.ui.Regions->itemText(0), QString("(1,1)-(3,3)"));
}

void TestImgDisp::setsListLastFirst()
{
    ImgDisp disp;
    const QVector<QRect> made = {corners(1, 1, 2, 2), corners(3, 4, 5, 6), corners(0, 0, 9, 9)};
    for (const QRect &r : made) {
        disp.setRegion(r);
        disp.ui.SetARegion->click();
    }
    QCOMPARE(disp.ui.Regions->count(), 3);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(disp.listedRegion(i), made.at(2 - i));
    QCOMPARE(disp.ui.Regions->currentIndex(), 0);
    QCOMPARE(disp.ui.Regions->itemText(0), QString("(0,0)-(9,9)"));
}

void TestImgDisp::deleteSelectsNewLast()
{
    ImgDisp disp;
    for (int i = 0; i < 3; ++i)
        disp.insertRegion(i, corners(i, i, i + 1, i + 1));
    QCOMPARE(disp.ui.Regions->currentIndex(), 2);

    disp.ui.DelARegion->click();
    QCOMPARE(disp.ui.Regions->count(), 2);
    QCOMPARE(disp.ui.Regions->currentIndex(), 1);
    QCOMPARE(disp.currentListedRegion(), corners(1, 1, 2, 2));

    disp.ui.Regions->setCurrentIndex(0);
    disp.ui.DelARegion->click();
    QCOMPARE(disp.ui.Regions->count(), 1);
    QCOMPARE(disp.currentListedRegion(), corners(1, 1, 2, 2));
}

void TestImgDisp::deleteOnEmptyList()
{
    ImgDisp disp;
    disp.ui.DelARegion->click();
    QCOMPARE(disp.ui.Regions->count(), 0);
    QCOMPARE(disp.currentListedRegion(), QRect());
}

void TestImgDisp::listedRegionOfBadEntries()
{
    ImgDisp disp;
    disp.ui.Regions->addItem("not a rectangle", QString("text"));
    disp.ui.Regions->addItem("no data");
    QCOMPARE(disp.listedRegion(0), QRect());
    QVERIFY(disp.listedRegion(0).isNull());
    QCOMPARE(disp.listedRegion(1), QRect());
    QCOMPARE(disp.listedRegion(-1), QRect());
    QCOMPARE(disp.listedRegion(7), QRect());
}

void TestImgDisp::insertRegionClampsIndex()
{
    ImgDisp disp;
    disp.insertRegion(0, corners(1, 1, 1, 1));
    disp.insertRegion(9, corners(2, 2, 2, 2));
    disp.insertRegion(-4, corners(3, 3, 3, 3));
    QCOMPARE(disp.listedRegion(0), corners(3, 3, 3, 3));
    QCOMPARE(disp.listedRegion(1), corners(1, 1, 1, 1));
    QCOMPARE(disp.listedRegion(2), corners(2, 2, 2, 2));
    QCOMPARE(disp.ui.Regions->currentIndex(), 0);
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

void TestImgDisp::greySwitch()
{
    ImgDisp disp;
    QVERIFY(!disp.ui.GrayScale->isChecked());
    QCOMPARE(disp.ui.CBar->format, 13);

    QSignalSpy updated(disp.ui.CBar, &ColorBar::cBarUpdated);
    disp.ui.GrayScale->setChecked(true);
    QCOMPARE(disp.ui.CBar->format, 24);
    QCOMPARE(updated.count(), 1);
    disp.ui.GrayScale->setChecked(false);
    QCOMPARE(disp.ui.CBar->format, 13);
    QCOMPARE(updated.count(), 2);
}

void TestImgDisp::greyDefaultDecidesNewWindows()
{
    ImgDisp before;
    ImgDisp::setGrayScaleDefault(true);
    QVERIFY(ImgDisp::grayScaleDefault());
    ImgDisp after;
    QVERIFY(after.ui.GrayScale->isChecked());
    QCOMPARE(after.ui.CBar->format, 24);
    QVERIFY(!before.ui.GrayScale->isChecked());
    QCOMPARE(before.ui.CBar->format, 13);

    ImgDisp::setGrayScaleDefault(false);
    ImgDisp colour;
    QVERIFY(!colour.ui.GrayScale->isChecked());
    QCOMPARE(colour.ui.CBar->format, 13);
}

void TestImgDisp::closingIsEmitted()
{
    ImgDisp disp;
    disp.show();
    QVERIFY(QTest::qWaitForWindowExposed(&disp));
    QSignalSpy closing(&disp, &ImgDisp::closing);
    QVERIFY(disp.close());
    QCOMPARE(closing.count(), 1);
    QVERIFY(!disp.isVisible());
}

QTEST_MAIN(TestImgDisp)
#include "tst_imgdisp.moc"
