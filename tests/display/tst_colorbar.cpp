#include "display/colorbar.h"

#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QtTest>

namespace {

// The bar is fed through its own event handlers, as the toolkit would, at x = 5.
void send(ColorBar &bar, QEvent::Type type, int y, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent e(type, QPointF(5, y), bar.mapToGlobal(QPoint(5, y)), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(&bar, &e);
}

void press(ColorBar &bar, int y) { send(bar, QEvent::MouseButtonPress, y, Qt::LeftButton, Qt::LeftButton); }
void drag(ColorBar &bar, int y) { send(bar, QEvent::MouseMove, y, Qt::NoButton, Qt::LeftButton); }
void hover(ColorBar &bar, int y) { send(bar, QEvent::MouseMove, y, Qt::NoButton, Qt::NoButton); }
void release(ColorBar &bar, int y) { send(bar, QEvent::MouseButtonRelease, y, Qt::LeftButton, Qt::NoButton); }

QImage picture(const ColorBar &bar)
{
    return bar.barPicture.toImage().convertToFormat(QImage::Format_RGB32);
}

// What the bar picture must be: the bar without a drag, plus (when given) the dragged value
// written at the middle as the bar writes its labels.
QImage expectedPicture(int height, double scaleMin, double scaleMax, double lower, double upper,
                       const QString &dragLabel)
{
    ColorBar bar;
    bar.resize(20, height);
    bar.scaleMin = scaleMin;
    bar.scaleMax = scaleMax;
    bar.lowerMark = lower;
    bar.upperMark = upper;
    bar.paintCBar();
    if (!dragLabel.isEmpty()) {
        QPainter p(&bar.barPicture);
        p.setPen(QColor(0, 255, 192));
        QRectF box(10, 300, 95, 20);
        DrawText().drawRotatedFittedText(&p, 90, box, QFont(), Qt::AlignRight | Qt::AlignVCenter, 1,
                                         dragLabel, 10, false, QBrush());
    }
    return picture(bar);
}

} // namespace

class TestColorBar : public QObject
{
    Q_OBJECT

private slots:
    void construction();
    void colorOfH_data();
    void colorOfH();
    void pictureFollowsScale();
    void widgetShowsPicture();
    void pickMark_data();
    void pickMark();
    void dragLowerMark();
    void dragWithoutMarkOnlyUpdates();
    void movesWithoutButtonAreIgnored();
    void crossedMarksInvert();
    void valueLabelWhileDragging();
};

void TestColorBar::construction()
{
    ColorBar bar;
    QCOMPARE(bar.format, 4);
    QCOMPARE(bar.lowerMark, 0.0);
    QCOMPARE(bar.upperMark, 1.0);
    QCOMPARE(bar.scaleMin, 0.0);
    QCOMPARE(bar.scaleMax, 1.0);
    QVERIFY(!bar.dragging);
    QVERIFY(bar.dragLower);
    QCOMPARE(bar.barPicture.size(), QSize(20, 600));
    QCOMPARE(bar.frameShape(), QFrame::StyledPanel);
}

void TestColorBar::colorOfH_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<double>("lower");
    QTest::addColumn<int>("h");
    QTest::addColumn<QColor>("expected");

    // The bar is 200 high: t = h / 200.
    QTest::newRow("bottom is t = 0") << 4 << 0.0 << 0 << QColor(0, 0, 0);
    QTest::newRow("below the bar clamps to 0") << 4 << 0.0 << -10 << QColor(0, 0, 0);
    QTest::newRow("widget height is t = 1") << 4 << 0.0 << 200 << QColor(255, 255, 255);
    QTest::newRow("above the bar clamps to 1") << 4 << 0.0 << 1000 << QColor(255, 255, 255);
    QTest::newRow("rgb888 middle, index 383") << 13 << 0.0 << 100 << QColor(255, 128, 0);
    QTest::newRow("argb32 quarter, index 191") << 5 << 0.0 << 50 << QColor(191, 0, 0);
    QTest::newRow("three quarters, index 574") << 4 << 0.0 << 150 << QColor(255, 255, 64);
    QTest::newRow("grey middle") << 24 << 0.0 << 100 << QColor(128, 128, 128);
    QTest::newRow("grey top") << 24 << 0.0 << 200 << QColor(255, 255, 255);
    QTest::newRow("lower mark at half: below it black") << 13 << 0.5 << 90 << QColor(0, 0, 0);
    QTest::newRow("lower mark at half: three quarters is the middle") << 13 << 0.5 << 150
                                                                       << QColor(255, 128, 0);
    QTest::newRow("unknown format is black") << 3 << 0.0 << 150 << QColor(0, 0, 0);
}

void TestColorBar::colorOfH()
{
    QFETCH(int, format);
    QFETCH(double, lower);
    QFETCH(int, h);
    QFETCH(QColor, expected);

    ColorBar bar;
    bar.resize(20, 200);
    bar.format = format;
    bar.lowerMark = lower;
    QCOMPARE(bar.colorOfH(h), expected);
}

void TestColorBar::pictureFollowsScale()
{
    ColorBar bar;
    bar.resize(20, 300);
    bar.lowerMark = 0.25;
    bar.upperMark = 0.75;
    bar.format = 13;
    QSignalSpy updated(&bar, &ColorBar::cBarUpdated);
    bar.paintCBar();
    QCOMPARE(updated.count(), 1);

    const QImage img = picture(bar);
    const QColor markPen(0, 192, 255);
    for (int x = 0; x < 20; ++x) {
        QCOMPARE(img.pixelColor(x, 150), markPen);  // upper mark: (1 - 0.75) x 600
        QCOMPARE(img.pixelColor(x, 450), markPen);  // lower mark: (1 - 0.25) x 600
    }
    // Between the labels every row is the colour of its height on a bar 300 high.
    for (int r = 120; r < 480; ++r) {
        if (r == 150 || r == 450)
            continue;
        const QColor row = bar.colorOfH((599 - r) * 300 / 600);
        for (int x = 0; x < 20; x += 19)
            QCOMPARE(img.pixelColor(x, r), row);
    }
    QCOMPARE(img.pixelColor(0, 449), bar.colorOfH(75));
    QVERIFY(img.pixelColor(0, 449) != img.pixelColor(0, 300));
}

void TestColorBar::widgetShowsPicture()
{
    ColorBar bar;
    bar.resize(20, 600);
    bar.paintCBar();
    QCOMPARE(bar.grab().toImage().convertToFormat(QImage::Format_RGB32), picture(bar));
}

void TestColorBar::pickMark_data()
{
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    QTest::addColumn<int>("y");
    QTest::addColumn<bool>("dragging");
    QTest::addColumn<bool>("dragLower");

    // The bar is 400 high: f = (400 - y) / 400.
    QTest::newRow("near the bottom: lower") << 0.0 << 1.0 << 380 << true << true;
    QTest::newRow("near the top: upper") << 0.0 << 1.0 << 20 << true << false;
    QTest::newRow("equal distances: none") << 0.25 << 0.75 << 200 << false << true;
    QTest::newRow("just above the middle: upper") << 0.25 << 0.75 << 199 << true << false;
    QTest::newRow("just below the middle: lower") << 0.25 << 0.75 << 201 << true << true;
    QTest::newRow("crossed marks: the nearer one") << 0.8 << 0.2 << 360 << true << false;
    QTest::newRow("equal marks: none") << 0.5 << 0.5 << 40 << false << true;
}

void TestColorBar::pickMark()
{
    QFETCH(double, lower);
    QFETCH(double, upper);
    QFETCH(int, y);
    QFETCH(bool, dragging);
    QFETCH(bool, dragLower);

    ColorBar bar;
    bar.resize(20, 400);
    bar.lowerMark = lower;
    bar.upperMark = upper;
    QSignalSpy updated(&bar, &ColorBar::cBarUpdated);
    QSignalSpy updating(&bar, &ColorBar::cBarUpdating);
    press(bar, y);
    QCOMPARE(bar.dragging, dragging);
    QCOMPARE(bar.dragLower, dragLower);
    // A press only picks: the marks stay where they were, the bar is redrawn once.
    QCOMPARE(bar.lowerMark, lower);
    QCOMPARE(bar.upperMark, upper);
    QCOMPARE(updated.count(), 1);
    QCOMPARE(updating.count(), 0);
}

void TestColorBar::dragLowerMark()
{
    ColorBar bar;
    bar.resize(20, 400);
    QSignalSpy updated(&bar, &ColorBar::cBarUpdated);
    QSignalSpy updating(&bar, &ColorBar::cBarUpdating);

    press(bar, 380);
    drag(bar, 300);
    QCOMPARE(bar.lowerMark, 0.25);
    QCOMPARE(updated.count(), 2);
    QCOMPARE(updating.count(), 1);
    drag(bar, 100);
    QCOMPARE(bar.lowerMark, 0.75);
    QCOMPARE(updated.count(), 3);
    QCOMPARE(updating.count(), 2);

    // Released elsewhere: the mark stays where the last move put it.
    release(bar, 40);
    QCOMPARE(bar.lowerMark, 0.75);
    QCOMPARE(bar.upperMark, 1.0);
    QVERIFY(!bar.dragging);
    QCOMPARE(updated.count(), 4);
    QCOMPARE(updating.count(), 2);

    // Marks are not clamped to the bar.
    press(bar, 10);
    QVERIFY(!bar.dragLower);
    drag(bar, -40);
    QCOMPARE(bar.upperMark, 1.1);
    release(bar, -40);
}

void TestColorBar::dragWithoutMarkOnlyUpdates()
{
    ColorBar bar;
    bar.resize(20, 400);
    bar.lowerMark = 0.25;
    bar.upperMark = 0.75;
    press(bar, 200);
    QVERIFY(!bar.dragging);
    QSignalSpy updated(&bar, &ColorBar::cBarUpdated);
    QSignalSpy updating(&bar, &ColorBar::cBarUpdating);
    drag(bar, 20);
    drag(bar, 380);
    QCOMPARE(bar.lowerMark, 0.25);
    QCOMPARE(bar.upperMark, 0.75);
    QCOMPARE(updated.count(), 0);
    QCOMPARE(updating.count(), 2);
}

void TestColorBar::movesWithoutButtonAreIgnored()
{
    ColorBar bar;
    bar.resize(20, 400);
    press(bar, 380);
    release(bar, 380);
    QSignalSpy updated(&bar, &ColorBar::cBarUpdated);
    QSignalSpy updating(&bar, &ColorBar::cBarUpdating);
    hover(bar, 200);
    hover(bar, 10);
    QCOMPARE(bar.lowerMark, 0.0);
    QCOMPARE(bar.upperMark, 1.0);
    QCOMPARE(updated.count(), 0);
    QCOMPARE(updating.count(), 0);
}

void TestColorBar::crossedMarksInvert()
{
    ColorBar bar;
    bar.resize(20, 400);
    bar.format = 13;
    QCOMPARE(bar.colorOfH(0), QColor(0, 0, 0));

    press(bar, 390);
    drag(bar, 200);
    release(bar, 200);
    press(bar, 10);
    drag(bar, 300);
    release(bar, 300);
    QCOMPARE(bar.lowerMark, 0.5);
    QCOMPARE(bar.upperMark, 0.25);
    QCOMPARE(bar.colorOfH(0), QColor(255, 255, 255));
    QCOMPARE(bar.colorOfH(400), QColor(0, 0, 0));
    QCOMPARE(bar.colorOfH(150), QColor(255, 128, 0));  // t = 0.375, halfway between the marks
}

void TestColorBar::valueLabelWhileDragging()
{
    if (QFontDatabase().families().isEmpty())
        QSKIP("no fonts to draw labels with");

    ColorBar bar;
    bar.resize(20, 600);
    bar.scaleMin = -100;
    bar.scaleMax = 300;
    bar.paintCBar();
    const QImage idle = picture(bar);

    press(bar, 590);
    drag(bar, 450);
    QCOMPARE(bar.lowerMark, 0.25);
    const QImage lowerDrag = picture(bar);
    QCOMPARE(lowerDrag, expectedPicture(600, -100, 300, 0.25, 1, "0"));
    QVERIFY(lowerDrag != expectedPicture(600, -100, 300, 0.25, 1, "300"));
    QVERIFY(lowerDrag != expectedPicture(600, -100, 300, 0.25, 1, QString()));

    // Release does not redraw: the label stays until the next redraw of the bar.
    release(bar, 450);
    QCOMPARE(picture(bar), lowerDrag);
    bar.paintCBar();
    QCOMPARE(picture(bar), expectedPicture(600, -100, 300, 0.25, 1, QString()));

    press(bar, 5);
    drag(bar, 100);
    QCOMPARE(picture(bar), expectedPicture(600, -100, 300, 0.25, 5.0 / 6, "233.333"));
    release(bar, 100);
    QVERIFY(idle != picture(bar));
}

QTEST_MAIN(TestColorBar)
#include "tst_colorbar.moc"
