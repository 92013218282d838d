#include "display/imgdisp.h"

#include "display/colorbar.h"
#include "display/imgbase.h"
#include "displaytesttools.h"

#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

// A window whose area maps data = widget / 10, so data with one decimal is a whole pixel.
struct Window
{
    Window()
    {
        disp.chCoord.setWidgetRange(0, 200, 300, 0);
        disp.chCoord.setRange(0, 20, 30, 0);
    }
    void mouse(QEvent::Type type, QPointF data, Qt::MouseButton button = Qt::NoButton,
               Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        sendMouse(disp.ui.ImgDispA, type, data * 10, button, mods);
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

// The image window and the tab window that collects image windows.
class TestImgDisp : public QObject
{
    Q_OBJECT

private slots:
    void dragGivesRegion();
    void setRegionGivesItBack_data();
    void setRegionGivesItBack();
    void regionList();
    void readOutAndGrey();
    void tabsHandPagesBack();
};

void TestImgDisp::dragGivesRegion()
{
    Window w;
    QSignalSpy regions(&w.disp, &ImgDisp::newRegion);
    w.mouse(QEvent::MouseButtonPress, QPointF(2, 2), Qt::LeftButton);
    w.mouse(QEvent::MouseMove, QPointF(6, 5), Qt::LeftButton);
    QCOMPARE(w.disp.regionState, 1);
    QCOMPARE(w.regionLabel(), QString("(2, 2)-(5, 4)"));
    QCOMPARE(regions.count(), 0);
    w.disp.ui.SetARegion->click(); // refused while dragging
    QCOMPARE(w.disp.ui.Regions->count(), 0);
    // Moves without a held button change nothing.
    w.mouse(QEvent::MouseButtonRelease, QPointF(6, 5), Qt::LeftButton);
    w.mouse(QEvent::MouseMove, QPointF(9, 9));
    QCOMPARE(w.disp.regionRect(), corners(2, 2, 5, 4));
    QCOMPARE(regions.count(), 1);
    QCOMPARE(w.disp.regionRectInWidget(), corners(20, 20, 59, 49));

    // A drag up and left keeps its corners unsorted.
    w.drag(QPointF(10.7, 3.2), QPointF(4.1, 8.9));
    QCOMPARE(w.disp.regionState, 2);
    QCOMPARE(regions.last().at(0).toRect(), corners(4, 3, 9, 7));
    QVERIFY(qAbs(w.disp.pressData.x() - 10.7) < 1e-9 && qAbs(w.disp.curData.y() - 8.9) < 1e-9);

    // Drags and right clicks with a modifier leave the region alone; a plain right click clears it.
    QSignalSpy cleared(&w.disp, &ImgDisp::regionCleared);
    for (Qt::KeyboardModifier mod : {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier}) {
        w.drag(QPointF(7, 8), QPointF(11, 10), mod);
        w.mouse(QEvent::MouseButtonPress, QPointF(3, 3), Qt::RightButton, mod);
        w.mouse(QEvent::MouseButtonRelease, QPointF(3, 3), Qt::RightButton);
    }
    QCOMPARE(w.regionLabel(), QString("(4, 3)-(9, 7)"));
    QCOMPARE(regions.count() + cleared.count(), 2);
    w.mouse(QEvent::MouseButtonPress, QPointF(3, 3), Qt::RightButton);
    QCOMPARE(w.disp.regionState, 0);
    QCOMPARE(w.regionLabel(), QString());
    QCOMPARE(cleared.count(), 1);

    // Positions just outside the image read as pixel 0.
    QSignalSpy within(&w.disp, &ImgDisp::mMovedWithin);
    w.mouse(QEvent::MouseMove, QPointF(-0.5, 7.3));
    QCOMPARE(within.at(0), QVariantList({0, 7}));
}

void TestImgDisp::setRegionGivesItBack_data()
{
    QTest::addColumn<QRect>("r");
    QTest::addColumn<QString>("label");
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
    QCOMPARE(disp.curData, QPointF(r.right() + 1, r.bottom() + 1));

    // Restoring again and again does not wear the region down.
    for (int i = 0; i < 3; ++i)
        disp.setRegion(disp.regionRect());
    QCOMPARE(disp.regionRect(), r);

    // A zero-extent range: the unmappable corner counts as 0, the infinite one saturates.
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

    // Set puts the current region first; deleting the last entry selects the new last.
    const QVector<QRect> made = {corners(1, 1, 2, 2), corners(3, 4, 5, 6), corners(0, 0, 9, 9)};
    for (const QRect &r : made) {
        disp.setRegion(r);
        disp.ui.SetARegion->click();
    }
    QCOMPARE(disp.ui.Regions->currentText(), QString("(0,0)-(9,9)"));
    disp.ui.Regions->setCurrentIndex(2);
    disp.ui.DelARegion->click();
    QCOMPARE(QVector<QRect>({disp.listedRegion(0), disp.listedRegion(1)}), QVector<QRect>({made[2], made[1]}));
    QCOMPARE(disp.currentListedRegion(), made.at(1));

    // Out-of-range insert positions are clamped; entries or indexes that are no rectangle give none.
    disp.insertRegion(9, corners(7, 7, 7, 7));
    disp.insertRegion(-4, corners(8, 8, 8, 8));
    QCOMPARE(disp.listedRegion(0), corners(8, 8, 8, 8));
    QCOMPARE(disp.listedRegion(3), corners(7, 7, 7, 7));
    disp.ui.Regions->addItem("not a rectangle", QString("text"));
    QVERIFY(disp.listedRegion(4).isNull());
    QCOMPARE(disp.listedRegion(7), QRect());
}

void TestImgDisp::readOutAndGrey()
{
    ImgDisp before;
    before.showPosVal(3, 4, -1.23456789e10, true);
    QCOMPARE(before.ui.Pos->text(), QString("-1.23457e+10 (3, 4)"));

    QSignalSpy updated(before.ui.CBar, &ColorBar::cBarUpdated);
    before.ui.GrayScale->setChecked(true);
    QCOMPARE(before.ui.CBar->format, 24);
    QCOMPARE(updated.count(), 1);

    // The default decides new windows only.
    ImgDisp::setGrayScaleDefault(true);
    ImgDisp after;
    ImgDisp::setGrayScaleDefault(false);
    QVERIFY(after.ui.GrayScale->isChecked());
    QCOMPARE(after.ui.CBar->format, 24);
    QCOMPARE(ImgDisp().ui.CBar->format, 13);
}

void TestImgDisp::tabsHandPagesBack()
{
    auto *page = new QWidget;
    QPointer<QWidget> guard(page);
    {
        ImgBase base;
        QTabWidget *tabs = base.ui.ImgBaseTab;
        QCOMPARE(tabs->count(), 0); // the form's placeholder pages are gone
        tabs->addTab(page, "1");
        QTest::ignoreMessage(QtDebugMsg, "close Tab");
        base.closeTab(5);
        QCOMPARE(tabs->count(), 1);
    }
    // The pages belong to their rows, not to the tab window.
    QVERIFY(guard);
    QVERIFY(!page->parentWidget());
    delete page;
}

QTEST_MAIN(TestImgDisp)
#include "tst_imgdisp.moc"
