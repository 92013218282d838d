// ImgData::toTDData against its plain definition (sample(x, y) stored with setValue in scan
// order): values bit for bit, flags and range, for 16-bit and floating-point TIFF files holding
// NaN, infinities and signed zeros.

#include "data/imgdata.h"
#include "data/tddata.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <limits>
#include <memory>
#include <tiffio.h>
#include <vector>

namespace {

template<typename T>
bool writeTiff(const QString &path, int width, int height, int format, const std::vector<T> &samples)
{
    TIFF *tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
    if (!tif)
        return false;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(height));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(8 * sizeof(T)));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(1));
    TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, uint16_t(format));
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, uint16_t(PHOTOMETRIC_MINISBLACK));
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG));
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(4));
    bool ok = true;
    for (int y = 0; y < height && ok; ++y) {
        std::vector<T> line(samples.begin() + y * width, samples.begin() + (y + 1) * width);
        ok = TIFFWriteScanline(tif, line.data(), uint32_t(y), 0) >= 0;
    }
    TIFFClose(tif);
    return ok;
}

bool sameDouble(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}

void compareWithPlain(const ImgData &img)
{
    const std::unique_ptr<TDData> got(img.toTDData());
    TDData want(img.width, img.height);
    for (int y = 0; y < want.height; ++y) {
        for (int x = 0; x < want.width; ++x)
            want.setValue(x, y, img.sample(x, y));
    }
    QCOMPARE(got->width, want.width);
    QCOMPARE(got->height, want.height);
    QCOMPARE(got->valids, want.valids);
    for (int i = 0; i < want.values.size(); ++i)
        QVERIFY2(sameDouble(got->values[i], want.values[i]), qPrintable(QString::number(i)));
    QVERIFY(sameDouble(got->minVal, want.minVal));
    QVERIFY(sameDouble(got->maxVal, want.maxVal));
}

} // namespace

class TestToTDDataExactness : public QObject
{
    Q_OBJECT

private slots:
    void sixteenBit_data();
    void sixteenBit();
    void floatingPoint();
};

void TestToTDDataExactness::sixteenBit_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("odd") << 13 << 7;
    QTest::newRow("one column") << 1 << 5;
    QTest::newRow("wide") << 67 << 3;
}

void TestToTDDataExactness::sixteenBit()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QTemporaryDir dir;
    QRandomGenerator rng(width * 100 + height);
    std::vector<quint16> samples(size_t(width * height));
    for (quint16 &s : samples)
        s = quint16(rng.bounded(3) == 0 ? 65535 - rng.bounded(10) : rng.bounded(65536));
    const QString path = dir.filePath(QStringLiteral("a.b.tif"));
    QVERIFY(writeTiff(path, width, height, SAMPLEFORMAT_UINT, samples));
    ImgData img;
    QVERIFY(img.load(path));
    compareWithPlain(img);
    const std::unique_ptr<TDData> data(img.toTDData());
    QCOMPARE(data->dataId, QStringLiteral("a"));
    // Every sample is at least 0, so the range starts at 0.
    QCOMPARE(data->minVal, 0.0);
}

void TestToTDDataExactness::floatingPoint()
{
    const int width = 11;
    const int height = 6;
    const float odd[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                         -std::numeric_limits<float>::infinity(), -0.0f, 0.0f};
    QRandomGenerator rng(7);
    std::vector<float> samples(size_t(width * height));
    for (float &s : samples)
        s = rng.bounded(4) == 0 ? odd[rng.bounded(5)] : float(rng.bounded(200.0) - 50.0);
    // NaN first, so that a range that took it would show.
    samples[0] = odd[0];
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.tif"));
    QVERIFY(writeTiff(path, width, height, SAMPLEFORMAT_IEEEFP, samples));
    ImgData img;
    QVERIFY(img.load(path));
    QCOMPARE(img.sampleKind, int(ImgData::Float));
    compareWithPlain(img);
}

QTEST_GUILESS_MAIN(TestToTDDataExactness)
#include "tst_totddataexactness.moc"
