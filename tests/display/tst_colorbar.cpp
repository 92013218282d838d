#include "display/colorbar.h"

#include "data/tddata.h"
#include "displaytesttools.h"

#include <QSignalSpy>
#include <QtTest>

// The colour scale (ColorBar0: tables, pixels, images, dataset rendering) and the bar widget.
class TestColorBar : public QObject
{
    Q_OBJECT

private slots:
    void writePixel_data();
    void writePixel();
    void makeImg();
    void refusals();
    void picture();
    void dragMarks();
};

namespace {

QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray a;
    for (int b : list)
        a.append(char(b));
    return a;
}

QByteArray bufferBytes(const uchar *buffer, int size)
{
    return QByteArray(reinterpret_cast<const char *>(buffer), size);
}

// A 20 x 600 bar: one bar pixel per picture row keeps the expected values simple.
struct Bar
{
    Bar()
    {
        bar.resize(20, 600);
        bar.paintCBar();
    }
    void mouse(QEvent::Type type, int y) { sendMouse(&bar, type, QPointF(10, y), Qt::LeftButton); }

    ColorBar bar;
};

} // namespace

void TestColorBar::writePixel_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    QTest::addColumn<double>("t");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QByteArray>("expected");
    // Index 383 = trunc(0.5 x 766) is (255, 128, 0).
    QTest::newRow("rgb32 maximum") << 4 << 0.0 << 1.0 << 1.0 << true << bytes({255, 255, 255, 255});
    QTest::newRow("argb32 middle, BGRA") << 5 << 0.0 << 1.0 << 0.5 << true << bytes({0, 128, 255, 255});
    QTest::newRow("above saturates") << 13 << 0.0 << 1.0 << 2.0 << true << bytes({255, 255, 255});
    QTest::newRow("lower mark: 3/4 is middle") << 13 << 0.5 << 1.0 << 0.75 << true << bytes({255, 128, 0});
    QTest::newRow("crossed: 1/4 is 3/4") << 24 << 1.0 << 0.0 << 0.25 << true << bytes({192});
    QTest::newRow("equal: on it is index 0") << 4 << 0.5 << 0.5 << 0.5 << true << bytes({0, 0, 0, 255});
    QTest::newRow("invalid rgb32") << 4 << 0.0 << 1.0 << 1.0 << false << bytes({210, 220, 210, 255});
    QTest::newRow("NaN rgb888 is index 0") << 13 << 0.0 << 1.0 << qQNaN() << true << bytes({0, 0, 0});
    QTest::newRow("unsupported format") << 7 << 0.0 << 1.0 << 0.5 << true << QByteArray();
}

void TestColorBar::writePixel()
{
    QFETCH(int, format);
    QFETCH(double, lower);
    QFETCH(double, upper);
    QFETCH(double, t);
    QFETCH(bool, valid);
    QFETCH(QByteArray, expected);

    ColorBar0 cb;
    cb.format = format;
    cb.lowerMark = lower;
    cb.upperMark = upper;
    uchar buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), uchar(0x5a));
    uchar *end = cb.writePixel(t, valid, buffer);
    QCOMPARE(end - buffer, expected.size());
    QCOMPARE(bufferBytes(buffer, expected.size()), expected);
    QCOMPARE(buffer[expected.size()], uchar(0x5a)); // bytes behind the pixel stay untouched
}

void TestColorBar::makeImg()
{
    // Grid: 0, 5, 10 / 2.5, invalid 7, 10; lines padded to 12 bytes.
    TDData data(3, 2);
    const double values[] = {0.0, 5.0, 10.0, 2.5, 7.0, 10.0};
    for (int i = 0; i < 6; ++i)
        data.setValue(i % 3, i / 3, values[i]);
    data.setValid(1, 1, false);
    ColorBar0 cb;
    cb.format = 13;

    QImage *image = data.makeImg(&cb);
    QVERIFY(image && image->constBits() == data.imgBuf);
    QCOMPARE(image->format(), QImage::Format_RGB888);
    QCOMPARE(bufferBytes(data.imgBuf, 24), bytes({0, 0, 0, 255, 128, 0, 255, 255, 255, 0, 0, 0,
                                                  191, 0, 0, 210, 220, 210, 255, 255, 255, 0, 0, 0}));

    // Rendering again replaces the previous rendering.
    cb.lowerMark = 1.0;
    cb.upperMark = 0.0;
    QVERIFY(data.makeImg(&cb));
    QCOMPARE(data.img->pixelColor(0, 0), QColor(255, 255, 255));
    QCOMPARE(data.img->pixelColor(2, 1), QColor(0, 0, 0));
}

void TestColorBar::refusals()
{
    QVERIFY(!ColorBar0::newImageBuffer(24, 5, -1));
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^image too large"));
    QVERIFY(!ColorBar0::newImageBuffer(4, 100000, 100000));
    uchar dummy[16] = {};
    QVERIFY(!ColorBar0::newImage(6, dummy, 2, 2));
    QVERIFY(!ColorBar0::newImage(4, dummy, 100000, 100000));
    QVERIFY(!ColorBar0::markColor(4).isValid());

    // A null colour bar leaves the rendering alone; an unsupported format drops it.
    TDData flat(2, 1);
    ColorBar0 cb;
    cb.format = 13;
    QVERIFY(flat.makeImg(&cb));
    QVERIFY(!flat.makeImg(nullptr));
    QVERIFY(flat.img);
    cb.format = 6;
    QVERIFY(!flat.makeImg(&cb));
    QVERIFY(!flat.img && !flat.imgBuf);
    cb.format = 13;
    QVERIFY(!TDData().makeImg(&cb));
}

void TestColorBar::picture()
{
    Bar b;
    ColorBar &bar = b.bar;
    bar.format = ColorBar0::FormatARGB32;
    QCOMPARE(bar.colorOfH(300), QColor(255, 128, 0));

    QSignalSpy updated(&bar, &ColorBar::cBarUpdated);
    bar.lowerMark = 0.25;
    bar.upperMark = 0.75;
    bar.format = 13;
    bar.paintCBar();
    QCOMPARE(updated.count(), 1);

    // Mark lines across the bar, the scale between them, black below and white above.
    const QImage image = bar.barPicture.toImage();
    QCOMPARE(image.pixelColor(0, 150), QColor(0, 192, 255));
    QCOMPARE(image.pixelColor(19, 450), QColor(0, 192, 255));
    QCOMPARE(image.pixelColor(0, 300), bar.colorOfH(299));
    QCOMPARE(image.pixelColor(19, 400), bar.colorOfH(199));
    QCOMPARE(image.pixelColor(0, 460), QColor(0, 0, 0));
    QCOMPARE(image.pixelColor(0, 140), QColor(255, 255, 255));

    // The widget shows the picture stretched over itself.
    bar.resize(40, 300);
    QCOMPARE(bar.grab().toImage().pixelColor(20, 200), image.pixelColor(10, 400));

    // Without height the bar is all bottom: white once the marks are crossed.
    bar.resize(20, 0);
    bar.lowerMark = 1.0;
    bar.upperMark = 0.0;
    QCOMPARE(bar.colorOfH(0), QColor(255, 255, 255));
}

void TestColorBar::dragMarks()
{
    Bar b;
    ColorBar &bar = b.bar;
    bar.format = 13;
    QSignalSpy updated(&bar, &ColorBar::cBarUpdated);
    QSignalSpy updating(&bar, &ColorBar::cBarUpdating);
    b.mouse(QEvent::MouseMove, 100); // no button held: nothing at all
    QCOMPARE(updated.count() + updating.count(), 0);

    // The nearer mark follows the mouse without clamping; every step redraws and is announced.
    b.mouse(QEvent::MouseButtonPress, 50);
    QVERIFY(bar.dragging && !bar.dragLower);
    b.mouse(QEvent::MouseMove, 660);
    QCOMPARE(bar.upperMark, -0.1);
    b.mouse(QEvent::MouseMove, 450);
    const QImage whileDragging = bar.barPicture.toImage();
    b.mouse(QEvent::MouseButtonRelease, 450);
    QVERIFY(!bar.dragging);
    QCOMPARE(bar.upperMark, 0.25);
    QCOMPARE(updated.count(), 4);
    QCOMPARE(updating.count(), 2);
    // The dragged value shows beside the mark until the next plain redraw.
    bar.paintCBar();
    QVERIFY(bar.barPicture.toImage() != whileDragging);

    // The lower mark dragged to the top passes the upper one and inverts the scale.
    b.mouse(QEvent::MouseButtonPress, 599);
    QVERIFY(bar.dragLower);
    b.mouse(QEvent::MouseMove, 0);
    b.mouse(QEvent::MouseButtonRelease, 0);
    QCOMPARE(bar.lowerMark, 1.0);
    QCOMPARE(bar.colorOfH(0), QColor(255, 255, 255));
    // t = 0.75 is a third of the way down from the lower mark: index trunc(766 / 3) = 255.
    QCOMPARE(bar.colorOfH(450), QColor(255, 0, 0));
}

QTEST_MAIN(TestColorBar)
#include "tst_colorbar.moc"
