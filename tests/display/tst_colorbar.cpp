#include "display/colorbar.h"

#include "data/tddata.h"
#include "displaytesttools.h"

#include <QPainter>
#include <QSignalSpy>
#include <QtTest>

#include <limits>

// The colour scale (ColorBar0: tables, pixels, images, dataset rendering) and the bar widget.
class TestColorBar : public QObject
{
    Q_OBJECT

private slots:
    void colorTable();
    void writePixel_data();
    void writePixel();
    void styleColors_data();
    void styleColors();
    void makeImgBytes_data();
    void makeImgBytes();
    void refusals();
    void picture();
    void dragMarks();
    void valueLabelWhileDragging();
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
    void mouse(QEvent::Type type, int y, Qt::MouseButton button = Qt::LeftButton)
    {
        sendMouse(&bar, type, QPointF(10, y), button);
    }

    ColorBar bar;
};

} // namespace

void TestColorBar::colorTable()
{
    const QVector<QRgb> expected = {qRgb(0, 0, 0),     qRgb(255, 0, 0),     qRgb(255, 1, 0),
                                    qRgb(255, 255, 1), qRgb(255, 255, 255), qRgb(255, 255, 255)};
    const QVector<int> indexes = {0, 255, 256, 511, 765, 766};
    for (int i = 0; i < indexes.size(); ++i)
        QCOMPARE(ColorBar0::colorTableEntry(indexes[i]), expected[i]);
}

void TestColorBar::writePixel_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    QTest::addColumn<double>("t");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QByteArray>("expected");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // Index 383 = trunc(0.5 x 766) is (255, 128, 0).
    QTest::newRow("rgb32 maximum") << 4 << 0.0 << 1.0 << 1.0 << true << bytes({255, 255, 255, 255});
    QTest::newRow("argb32 middle, BGRA") << 5 << 0.0 << 1.0 << 0.5 << true << bytes({0, 128, 255, 255});
    QTest::newRow("above saturates") << 13 << 0.0 << 1.0 << 2.0 << true << bytes({255, 255, 255});
    QTest::newRow("below saturates") << 24 << 0.0 << 1.0 << -1.0 << true << bytes({0});
    QTest::newRow("lower mark: 3/4 is middle") << 13 << 0.5 << 1.0 << 0.75 << true << bytes({255, 128, 0});
    QTest::newRow("upper mark: above is white") << 24 << 0.0 << 0.5 << 0.6 << true << bytes({255});
    QTest::newRow("crossed: min is white") << 13 << 1.0 << 0.0 << 0.0 << true << bytes({255, 255, 255});
    QTest::newRow("crossed: 1/4 is 3/4") << 24 << 1.0 << 0.0 << 0.25 << true << bytes({192});
    QTest::newRow("equal: on it is index 0") << 4 << 0.5 << 0.5 << 0.5 << true << bytes({0, 0, 0, 255});
    QTest::newRow("invalid rgb32") << 4 << 0.0 << 1.0 << 1.0 << false << bytes({210, 220, 210, 255});
    QTest::newRow("NaN rgb888 is index 0") << 13 << 0.0 << 1.0 << nan << true << bytes({0, 0, 0});
    QTest::newRow("NaN grey is 0") << 24 << 0.0 << 1.0 << nan << true << bytes({0});
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

void TestColorBar::styleColors_data()
{
    QTest::addColumn<QString>("style");
    QTest::addColumn<QColor>("expected");
    QTest::newRow("spaces ignored") << "background-color: rgb(  10 ,20,  30 );" << QColor(10, 20, 30);
    QTest::newRow("component above 255") << "background-color: rgb(256, 0, 0);" << QColor();
    QTest::newRow("two components") << "background-color: rgb(1, 2);" << QColor();
    QTest::newRow("not a number") << "background-color: rgb(a, 2, 3);" << QColor();
    QTest::newRow("no closing bracket") << "background-color: rgb(1, 2, 3" << QColor();
    QTest::newRow("other property") << "color: rgb(1, 2, 3);" << QColor();
}

void TestColorBar::styleColors()
{
    QFETCH(QString, style);
    QFETCH(QColor, expected);
    QCOMPARE(ColorBar0::colorFromStyle(style), expected);
}

void TestColorBar::makeImgBytes_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QByteArray>("expected");
    // Grid: 0, 5, 10 / 2.5, invalid 7, 10; lines padded to 12 and 4 bytes.
    QTest::newRow("rgb888") << 13
                            << bytes({0, 0, 0, 255, 128, 0, 255, 255, 255, 0, 0, 0,
                                      191, 0, 0, 210, 220, 210, 255, 255, 255, 0, 0, 0});
    QTest::newRow("grey") << 24 << bytes({0, 128, 255, 0, 64, 192, 255, 0});
}

void TestColorBar::makeImgBytes()
{
    QFETCH(int, format);
    QFETCH(QByteArray, expected);
    TDData data(3, 2);
    const double values[] = {0.0, 5.0, 10.0, 2.5, 7.0, 10.0};
    for (int i = 0; i < 6; ++i)
        data.setValue(i % 3, i / 3, values[i]);
    data.setValid(1, 1, false);
    ColorBar0 cb;
    cb.format = format;

    QImage *image = data.makeImg(&cb);
    QVERIFY(image && image->constBits() == data.imgBuf);
    QCOMPARE(int(image->format()), format);
    QCOMPARE(bufferBytes(data.imgBuf, expected.size()), expected);

    // Rendering again replaces the previous rendering.
    cb.lowerMark = 1.0;
    cb.upperMark = 0.0;
    QVERIFY(data.makeImg(&cb));
    QCOMPARE(data.img->pixelColor(0, 0), QColor(255, 255, 255));
    QCOMPARE(data.img->pixelColor(2, 1), QColor(0, 0, 0));
}

void TestColorBar::refusals()
{
    QVERIFY(!ColorBar0::newImageBuffer(13, 0, 5));
    QVERIFY(!ColorBar0::newImageBuffer(24, 5, -1));
    QVERIFY(!ColorBar0::newImageBuffer(8, 5, 5));
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^image too large"));
    QVERIFY(!ColorBar0::newImageBuffer(4, 100000, 100000));
    uchar dummy[16] = {};
    QVERIFY(!ColorBar0::newImage(6, dummy, 2, 2));
    QVERIFY(!ColorBar0::newImage(24, nullptr, 2, 2));
    QVERIFY(!ColorBar0::newImage(4, dummy, 100000, 100000));
    QVERIFY(!ColorBar0::markColor(4).isValid());
    QVERIFY(!ColorBar0::markColor(-1).isValid());

    // Minimum = maximum: every valid pixel is index 0, invalid pixels keep their colour.
    TDData flat(2, 1);
    flat.setValue(0, 0, 0.0);
    ColorBar0 cb;
    cb.format = 13;
    QVERIFY(flat.makeImg(&cb));
    QCOMPARE(bufferBytes(flat.imgBuf, 8), bytes({0, 0, 0, 210, 220, 210, 0, 0}));
    QVERIFY(!flat.makeImg(nullptr));
    QVERIFY(flat.img); // a null colour bar leaves the rendering alone
    cb.format = 6;
    QVERIFY(!flat.makeImg(&cb));
    QVERIFY(!flat.img && !flat.imgBuf);
    TDData empty;
    cb.format = 13;
    QVERIFY(!empty.makeImg(&cb));
}

void TestColorBar::picture()
{
    Bar b;
    ColorBar &bar = b.bar;
    bar.format = ColorBar0::FormatGrayscale8;
    QCOMPARE(bar.colorOfH(300), QColor(128, 128, 128));
    bar.format = ColorBar0::FormatARGB32;
    QCOMPARE(bar.colorOfH(300), QColor(255, 128, 0));

    QSignalSpy updated(&bar, &ColorBar::cBarUpdated);
    bar.lowerMark = 0.25;
    bar.upperMark = 0.75;
    bar.format = 13;
    bar.paintCBar();
    QCOMPARE(updated.count(), 1);

    const QImage image = bar.barPicture.toImage();
    const QColor markPen(0, 192, 255);
    QCOMPARE(image.pixelColor(0, 150), markPen);
    QCOMPARE(image.pixelColor(19, 450), markPen);
    // Rows clear of the labels (about 2..98 and 502..598) and of the marks follow the scale.
    for (int r = 101; r < 500; ++r) {
        if (r == 150 || r == 450)
            continue;
        const QColor expected = bar.colorOfH(599 - r);
        QCOMPARE(image.pixelColor(0, r), expected);
        QCOMPARE(image.pixelColor(19, r), expected);
    }
    // Below the lower mark everything is black, above the upper one white.
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

    // A press at equal distances keeps the mark chosen before and holds the button without
    // dragging: steps, but no mark moves.
    bar.dragLower = false;
    b.mouse(QEvent::MouseButtonPress, 300);
    QVERIFY(!bar.dragging && !bar.dragLower);
    b.mouse(QEvent::MouseMove, 100);
    b.mouse(QEvent::MouseButtonRelease, 100);
    QCOMPARE(bar.upperMark, 1.0);
    QCOMPARE(updated.count(), 2);
    QCOMPARE(updating.count(), 1);

    // Marks follow the mouse without clamping; every step redraws and is announced.
    updated.clear();
    updating.clear();
    b.mouse(QEvent::MouseButtonPress, 50);
    QVERIFY(bar.dragging && !bar.dragLower);
    b.mouse(QEvent::MouseMove, 660);
    QCOMPARE(bar.upperMark, -0.1);
    b.mouse(QEvent::MouseMove, 450);
    b.mouse(QEvent::MouseButtonRelease, 450);
    QVERIFY(!bar.dragging);
    QCOMPARE(bar.upperMark, 0.25);
    QCOMPARE(updated.count(), 4);
    QCOMPARE(updating.count(), 2);

    // The lower mark dragged to the top passes the upper one and inverts the scale.
    b.mouse(QEvent::MouseButtonPress, 599);
    QVERIFY(bar.dragLower);
    b.mouse(QEvent::MouseMove, 0);
    b.mouse(QEvent::MouseButtonRelease, 0);
    QCOMPARE(bar.lowerMark, 1.0);
    QCOMPARE(bar.colorOfH(0), QColor(255, 255, 255));
    QCOMPARE(bar.colorOfH(600), QColor(0, 0, 0));
    // t = 0.75 is a third of the way down from the lower mark: index trunc(766 / 3) = 255.
    QCOMPARE(bar.colorOfH(450), QColor(255, 0, 0));
}

void TestColorBar::valueLabelWhileDragging()
{
    Bar b;
    b.bar.scaleMin = 100;
    b.bar.scaleMax = 200;
    b.mouse(QEvent::MouseButtonPress, 550);
    b.mouse(QEvent::MouseMove, 500);
    const QImage whileDragging = b.bar.barPicture.toImage();
    b.mouse(QEvent::MouseButtonRelease, 500);
    // The release leaves the picture as it was.
    QCOMPARE(b.bar.barPicture.toImage(), whileDragging);

    b.bar.paintCBar();
    QVERIFY(b.bar.barPicture.toImage() != whileDragging);
    // The plain picture plus the dragged value, drawn as the bar draws its labels.
    QPixmap reference = b.bar.barPicture;
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
