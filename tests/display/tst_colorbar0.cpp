#include "data/tddata.h"
#include "display/colorbar0.h"

#include <QImage>
#include <QtTest>

#include <cmath>
#include <limits>

class TestColorBar0 : public QObject
{
    Q_OBJECT

private slots:
    void colorTable();
    void writePixel_data();
    void writePixel();
    void bytesPerLine_data();
    void bytesPerLine();
    void imageBuffer();
    void styleColors_data();
    void styleColors();
    void makeImgBytes_data();
    void makeImgBytes();
    void makeImgRefusals();
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

} // namespace

void TestColorBar0::colorTable()
{
    const QVector<QPair<int, QRgb>> entries = {{0, qRgb(0, 0, 0)},         {255, qRgb(255, 0, 0)},
                                               {256, qRgb(255, 1, 0)},     {511, qRgb(255, 255, 1)},
                                               {765, qRgb(255, 255, 255)}, {766, qRgb(255, 255, 255)}};
    for (const auto &e : entries)
        QCOMPARE(ColorBar0::colorTableEntry(e.first), e.second);
    QCOMPARE(ColorBar0::invalidColor(), qRgb(210, 220, 210));
    QVERIFY(!ColorBar0::markColor(4).isValid());
    QVERIFY(!ColorBar0::markColor(-1).isValid());
}

void TestColorBar0::writePixel_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    QTest::addColumn<double>("t");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QByteArray>("expected");

    const double nan = std::numeric_limits<double>::quiet_NaN();
    // Index 383 = trunc(0.5 x 766) is (255, 128, 0).
    QTest::newRow("rgb888 minimum is black") << 13 << 0.0 << 1.0 << 0.0 << true << bytes({0, 0, 0});
    QTest::newRow("rgb888 maximum is white") << 13 << 0.0 << 1.0 << 1.0 << true << bytes({255, 255, 255});
    QTest::newRow("rgb888 quarter") << 13 << 0.0 << 1.0 << 0.25 << true << bytes({191, 0, 0});
    QTest::newRow("rgb32 maximum") << 4 << 0.0 << 1.0 << 1.0 << true << bytes({255, 255, 255, 255});
    QTest::newRow("argb32 middle, BGRA") << 5 << 0.0 << 1.0 << 0.5 << true << bytes({0, 128, 255, 255});
    QTest::newRow("grey minimum") << 24 << 0.0 << 1.0 << 0.0 << true << bytes({0});
    QTest::newRow("grey maximum") << 24 << 0.0 << 1.0 << 1.0 << true << bytes({255});
    QTest::newRow("grey middle") << 24 << 0.0 << 1.0 << 0.5 << true << bytes({128});
    QTest::newRow("above saturates") << 13 << 0.0 << 1.0 << 2.0 << true << bytes({255, 255, 255});
    QTest::newRow("below saturates") << 24 << 0.0 << 1.0 << -1.0 << true << bytes({0});

    QTest::newRow("lower mark: below is black") << 13 << 0.5 << 1.0 << 0.49 << true << bytes({0, 0, 0});
    QTest::newRow("lower mark: 3/4 is middle") << 13 << 0.5 << 1.0 << 0.75 << true << bytes({255, 128, 0});
    QTest::newRow("upper mark: above is white") << 24 << 0.0 << 0.5 << 0.6 << true << bytes({255});
    QTest::newRow("crossed: min is white") << 13 << 1.0 << 0.0 << 0.0 << true << bytes({255, 255, 255});
    QTest::newRow("crossed: max is black") << 24 << 1.0 << 0.0 << 1.0 << true << bytes({0});
    QTest::newRow("crossed: 1/4 is 3/4") << 24 << 1.0 << 0.0 << 0.25 << true << bytes({192});
    QTest::newRow("equal: below is black") << 13 << 0.5 << 0.5 << 0.4 << true << bytes({0, 0, 0});
    QTest::newRow("equal: above is white") << 24 << 0.5 << 0.5 << 0.6 << true << bytes({255});
    QTest::newRow("equal: on it is index 0") << 4 << 0.5 << 0.5 << 0.5 << true << bytes({0, 0, 0, 255});

    QTest::newRow("invalid rgb888") << 13 << 0.0 << 1.0 << 0.5 << false << bytes({210, 220, 210});
    QTest::newRow("invalid rgb32") << 4 << 0.0 << 1.0 << 1.0 << false << bytes({210, 220, 210, 255});
    QTest::newRow("invalid grey") << 24 << 0.0 << 1.0 << 0.0 << false << bytes({192});
    QTest::newRow("invalid NaN") << 13 << 0.0 << 1.0 << nan << false << bytes({210, 220, 210});
    QTest::newRow("NaN rgb888 is index 0") << 13 << 0.0 << 1.0 << nan << true << bytes({0, 0, 0});
    QTest::newRow("NaN argb32 is index 0") << 5 << 0.0 << 1.0 << nan << true << bytes({0, 0, 0, 255});
    QTest::newRow("NaN grey is 0") << 24 << 0.0 << 1.0 << nan << true << bytes({0});
    QTest::newRow("unsupported format") << 7 << 0.0 << 1.0 << 0.5 << true << QByteArray();
}

void TestColorBar0::writePixel()
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

void TestColorBar0::bytesPerLine_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("expected");
    QTest::newRow("rgb888 3 wide pads 9 to 12") << 13 << 3 << 12;
    QTest::newRow("grey 3 wide pads to 4") << 24 << 3 << 4;
    QTest::newRow("grey 5 wide") << 24 << 5 << 8;
    QTest::newRow("rgb32 3 wide") << 4 << 3 << 12;
    QTest::newRow("unsupported format") << 3 << 10 << 0;
}

void TestColorBar0::bytesPerLine()
{
    QFETCH(int, format);
    QFETCH(int, width);
    QFETCH(int, expected);
    QCOMPARE(ColorBar0::bytesPerLine(format, width), qint64(expected));
}

void TestColorBar0::imageBuffer()
{
    uchar *buffer = ColorBar0::newImageBuffer(24, 3, 2);
    QCOMPARE(bufferBytes(buffer, 8), QByteArray(8, 0));
    QImage *image = ColorBar0::newImage(24, buffer, 3, 2);
    QCOMPARE(image->format(), QImage::Format_Grayscale8);
    QCOMPARE(image->bytesPerLine(), 4);
    QCOMPARE(image->constBits(), buffer);
    delete image;
    delete[] buffer;

    QVERIFY(!ColorBar0::newImageBuffer(13, 0, 5));
    QVERIFY(!ColorBar0::newImageBuffer(24, 5, -1));
    QVERIFY(!ColorBar0::newImageBuffer(8, 5, 5));
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^image too large"));
    QVERIFY(!ColorBar0::newImageBuffer(4, 100000, 100000));
    uchar dummy[16] = {};
    QVERIFY(!ColorBar0::newImage(6, dummy, 2, 2));
    QVERIFY(!ColorBar0::newImage(24, nullptr, 2, 2));
}

void TestColorBar0::styleColors_data()
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

void TestColorBar0::styleColors()
{
    QFETCH(QString, style);
    QFETCH(QColor, expected);
    QCOMPARE(ColorBar0::colorFromStyle(style), expected);
}

void TestColorBar0::makeImgBytes_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QByteArray>("expected");
    // Grid: 0, 5, 10 / 2.5, invalid 7, 10.
    QTest::newRow("rgb888") << 13
                            << bytes({0, 0, 0, 255, 128, 0, 255, 255, 255, 0, 0, 0,
                                      191, 0, 0, 210, 220, 210, 255, 255, 255, 0, 0, 0});
    QTest::newRow("grey") << 24 << bytes({0, 128, 255, 0, 64, 192, 255, 0});
    QTest::newRow("rgb32") << 4
                           << bytes({0, 0, 0, 255, 0, 128, 255, 255, 255, 255, 255, 255,
                                     0, 0, 191, 255, 210, 220, 210, 255, 255, 255, 255, 255});
}

void TestColorBar0::makeImgBytes()
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
    QVERIFY(image);
    QCOMPARE(image, data.img);
    QCOMPARE(image->constBits(), data.imgBuf);
    QCOMPARE(int(image->format()), format);
    QCOMPARE(qint64(image->bytesPerLine()) * 2, qint64(expected.size()));
    QCOMPARE(bufferBytes(data.imgBuf, expected.size()), expected);

    // Rendering again replaces the previous rendering.
    cb.lowerMark = 1.0;
    cb.upperMark = 0.0;
    QVERIFY(data.makeImg(&cb));
    QCOMPARE(data.img->pixelColor(0, 0), QColor(255, 255, 255));
    QCOMPARE(data.img->pixelColor(2, 1), QColor(0, 0, 0));
}

void TestColorBar0::makeImgRefusals()
{
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
    QVERIFY(!flat.img);
    QVERIFY(!flat.imgBuf);

    TDData empty;
    cb.format = 13;
    QVERIFY(!empty.makeImg(&cb));
    QVERIFY(!empty.imgBuf);
}

QTEST_GUILESS_MAIN(TestColorBar0)
#include "tst_colorbar0.moc"
