#include "display/colorbar.h"
#include "display/drawtext.h"
#include "displaytesttools.h"

#include <QPainter>
#include <QSignalSpy>
#include <QtTest>

class TestColorBar : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void colorOfH_data();
    void colorOfH();
    void picture();
    void pickMark_data();
    void pickMark();
    void dragLowerMark();
    void movesWithoutDrag();
    void crossedMarksInvert();
    void valueLabelWhileDragging();

private:
    void mouse(QEvent::Type type, int y, Qt::MouseButton button = Qt::LeftButton);

    ColorBar *bar = nullptr;
};

namespace {

const QColor MarkPen(0, 192, 255);

// Rows of the 600-row picture clear of the labels (about 2..98 and 502..598) and of marks.
bool plainGradientRow(int r, const ColorBar &bar)
{
    const int upperRow = int((1 - bar.upperMark) * 600);
    const int lowerRow = int((1 - bar.lowerMark) * 600);
    return r > 100 && r < 500 && r != upperRow && r != lowerRow;
}

} // namespace

void TestColorBar::init()
{
    // One bar pixel per picture row keeps the expected values simple.
    bar = new ColorBar;
    bar->resize(20, 600);
    bar->show();
    QVERIFY(QTest::qWaitForWindowExposed(bar));
    bar->paintCBar();
}

void TestColorBar::cleanup()
{
    delete bar;
    bar = nullptr;
}

void TestColorBar::mouse(QEvent::Type type, int y, Qt::MouseButton button)
{
    sendMouse(bar, type, QPointF(10, y), button);
}

void TestColorBar::colorOfH_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("h");
    QTest::addColumn<QColor>("expected");

    QTest::newRow("bottom is t = 0") << 13 << 0 << QColor(0, 0, 0);
    QTest::newRow("below the bottom") << 13 << -30 << QColor(0, 0, 0);
    QTest::newRow("the height is t = 1") << 13 << 600 << QColor(255, 255, 255);
    QTest::newRow("above the height") << 4 << 900 << QColor(255, 255, 255);
    QTest::newRow("middle in colour") << 5 << 300 << QColor(255, 128, 0);
    QTest::newRow("middle in grey") << 24 << 300 << QColor(128, 128, 128);
    QTest::newRow("unknown format is black") << 9 << 600 << QColor(0, 0, 0);
}

void TestColorBar::colorOfH()
{
    QFETCH(int, format);
    QFETCH(int, h);
    QFETCH(QColor, expected);
    bar->format = format;
    QCOMPARE(bar->colorOfH(h), expected);
}

void TestColorBar::picture()
{
    QSignalSpy updated(bar, &ColorBar::cBarUpdated);
    bar->lowerMark = 0.25;
    bar->upperMark = 0.75;
    bar->format = 13;
    bar->paintCBar();
    QCOMPARE(updated.count(), 1);

    const QImage image = bar->barPicture.toImage();
    QCOMPARE(image.pixelColor(0, 150), MarkPen);
    QCOMPARE(image.pixelColor(19, 450), MarkPen);
    for (int r = 0; r < 600; ++r) {
        if (!plainGradientRow(r, *bar))
            continue;
        const QColor expected = bar->colorOfH(599 - r);
        QCOMPARE(image.pixelColor(0, r), expected);
        QCOMPARE(image.pixelColor(19, r), expected);
    }
    // Below the lower mark everything is black, above the upper one white.
    QCOMPARE(image.pixelColor(0, 460), QColor(0, 0, 0));
    QCOMPARE(image.pixelColor(0, 140), QColor(255, 255, 255));

    // The widget shows the picture stretched over itself.
    bar->resize(40, 300);
    QCOMPARE(bar->grab().toImage().pixelColor(20, 200), image.pixelColor(10, 400));
}

void TestColorBar::pickMark_data()
{
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    QTest::addColumn<bool>("lowerBefore");
    QTest::addColumn<int>("y");
    QTest::addColumn<bool>("dragging");
    QTest::addColumn<bool>("dragLower");

    QTest::newRow("near the top picks the upper mark") << 0.0 << 1.0 << true << 100 << true << false;
    QTest::newRow("near the bottom picks the lower mark") << 0.0 << 1.0 << false << 500 << true << true;
    QTest::newRow("halfway picks nothing") << 0.0 << 1.0 << false << 300 << false << false;
    QTest::newRow("halfway keeps the lower preselected") << 0.0 << 1.0 << true << 300 << false << true;
    QTest::newRow("above both marks") << 0.2 << 0.4 << true << 0 << true << false;
    QTest::newRow("equal marks pick nothing") << 0.5 << 0.5 << false << 10 << false << false;
    QTest::newRow("crossed marks: nearest is the upper") << 0.9 << 0.1 << true << 580 << true << false;
}

void TestColorBar::pickMark()
{
    QFETCH(double, lower);
    QFETCH(double, upper);
    QFETCH(bool, lowerBefore);
    QFETCH(int, y);
    QFETCH(bool, dragging);
    QFETCH(bool, dragLower);

    bar->lowerMark = lower;
    bar->upperMark = upper;
    bar->dragLower = lowerBefore;
    QSignalSpy updated(bar, &ColorBar::cBarUpdated);
    mouse(QEvent::MouseButtonPress, y, Qt::RightButton);
    QCOMPARE(bar->dragging, dragging);
    QCOMPARE(bar->dragLower, dragLower);
    QCOMPARE(updated.count(), 1);
    // A press alone moves no mark.
    QCOMPARE(bar->lowerMark, lower);
    QCOMPARE(bar->upperMark, upper);
}

void TestColorBar::dragLowerMark()
{
    QSignalSpy updated(bar, &ColorBar::cBarUpdated);
    QSignalSpy updating(bar, &ColorBar::cBarUpdating);
    mouse(QEvent::MouseButtonPress, 550);
    QVERIFY(bar->dragging && bar->dragLower);

    mouse(QEvent::MouseMove, 300);
    QCOMPARE(bar->lowerMark, 0.5);
    QCOMPARE(updating.count(), 1);
    // No clamping: the mark can leave the bar.
    mouse(QEvent::MouseMove, 660);
    QCOMPARE(bar->lowerMark, -0.1);
    QCOMPARE(bar->upperMark, 1.0);
    QCOMPARE(updated.count(), 3);
    QCOMPARE(updating.count(), 2);

    mouse(QEvent::MouseButtonRelease, 660);
    QVERIFY(!bar->dragging);
    QCOMPARE(updated.count(), 4);
    QCOMPARE(updating.count(), 2);
}

void TestColorBar::movesWithoutDrag()
{
    QSignalSpy updated(bar, &ColorBar::cBarUpdated);
    QSignalSpy updating(bar, &ColorBar::cBarUpdating);
    mouse(QEvent::MouseMove, 100); // no button held: nothing at all
    QCOMPARE(updated.count(), 0);

    // A press at equal distances holds the button without dragging: steps, but no mark moves.
    mouse(QEvent::MouseButtonPress, 300);
    mouse(QEvent::MouseMove, 100);
    QCOMPARE(bar->lowerMark, 0.0);
    QCOMPARE(bar->upperMark, 1.0);
    QCOMPARE(updated.count(), 1);
    QCOMPARE(updating.count(), 1);
}

void TestColorBar::crossedMarksInvert()
{
    bar->format = 13;
    mouse(QEvent::MouseButtonPress, 50);
    QVERIFY(!bar->dragLower);
    mouse(QEvent::MouseMove, 450);
    mouse(QEvent::MouseButtonRelease, 450);
    QCOMPARE(bar->upperMark, 0.25);

    // The lower mark dragged to the top passes the upper one.
    mouse(QEvent::MouseButtonPress, 599);
    QVERIFY(bar->dragLower);
    mouse(QEvent::MouseMove, 0);
    mouse(QEvent::MouseButtonRelease, 0);
    QCOMPARE(bar->lowerMark, 1.0);
    QCOMPARE(bar->colorOfH(0), QColor(255, 255, 255));
    QCOMPARE(bar->colorOfH(600), QColor(0, 0, 0));
    // t = 0.75 is a third of the way down from the lower mark: index trunc(766 / 3) = 255.
    QCOMPARE(bar->colorOfH(450), QColor(255, 0, 0));
}

void TestColorBar::valueLabelWhileDragging()
{
    bar->scaleMin = 100;
    bar->scaleMax = 200;
    mouse(QEvent::MouseButtonPress, 550);
    mouse(QEvent::MouseMove, 500);
    const QImage whileDragging = bar->barPicture.toImage();
    mouse(QEvent::MouseButtonRelease, 500);
    // The release leaves the picture as it was.
    QCOMPARE(bar->barPicture.toImage(), whileDragging);

    bar->paintCBar();
    const QImage plain = bar->barPicture.toImage();
    QVERIFY(plain != whileDragging);

    // The plain picture plus the dragged value, drawn as the bar draws its labels.
    QPixmap reference = bar->barPicture;
    {
        QPainter p(&reference);
        p.setPen(QColor(0, 255, 192));
        QRectF box(10, 300, 95, 20);
        DrawText().drawRotatedFittedText(&p, 90, box, QFont(), Qt::AlignRight | Qt::AlignVCenter, 1,
                                         "116.667", 10, false, QBrush());
    }
    QCOMPARE(reference.toImage(), whileDragging);
}

QTEST_MAIN(TestColorBar)
#include "tst_colorbar.moc"
