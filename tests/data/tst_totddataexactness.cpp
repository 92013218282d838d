// ImgData::toTDData against its plain definition (sample(x, y) stored with setValue in scan
// order): values bit for bit, flags and range, for 16-bit and floating-point TIFF files holding
// NaN, infinities and signed zeros.

#include "data/imgdata.h"
#include "data/tddata.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <tiffio.h>
#include <vector>

namespace {

bool writeTiff(const QString &path, int width, int height, bool floats, const QByteArray &samples)
{
    TIFF *tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
    if (!tif)
        return false;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(height));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(floats ? 32 : 16));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(1));
    TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, uint16_t(floats ? SAMPLEFORMAT_IEEEFP : SAMPLEFORMAT_UINT));
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, uint16_t(PHOTOMETRIC_MINISBLACK));
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG));
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(4));
    const int line = samples.size() / height;
    QByteArray bytes = samples;
    bool ok = true;
    for (int y = 0; y < height && ok; ++y)
        ok = TIFFWriteScanline(tif, bytes.data() + y * line, uint32_t(y), 0) >= 0;
    TIFFClose(tif);
    return ok;
}

bool sameDouble(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}

// Random 16-bit samples (a third near the top) or floats (a quarter NaN, infinities or signed zeros,
// the first NaN so that a range that took it would show), as raw host-order bytes.
QByteArray randomSamples(int count, bool floats, quint32 seed)
{
    QRandomGenerator rng(seed);
    const float odd[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                         -std::numeric_limits<float>::infinity(), -0.0f, 0.0f};
    std::vector<float> f(static_cast<size_t>(count));
    std::vector<quint16> u(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        f[i] = i == 0 ? odd[0] : rng.bounded(4) == 0 ? odd[rng.bounded(5)] : float(rng.bounded(200.0) - 50.0);
        u[i] = quint16(rng.bounded(3) == 0 ? 65535 - rng.bounded(10) : rng.bounded(65536));
    }
    return floats ? QByteArray(reinterpret_cast<const char *>(f.data()), count * 4)
                  : QByteArray(reinterpret_cast<const char *>(u.data()), count * 2);
}

} // namespace

class TestToTDDataExactness : public QObject
{
    Q_OBJECT

private slots:
    void matchesPlain_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("floats");
        QTest::newRow("16-bit odd") << 13 << 7 << false;
        QTest::newRow("16-bit one column") << 1 << 5 << false;
        QTest::newRow("16-bit wide") << 67 << 3 << false;
        QTest::newRow("float") << 11 << 6 << true;
    }

    void matchesPlain()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(bool, floats);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.b.tif"));
        QVERIFY(writeTiff(path, width, height, floats, randomSamples(width * height, floats, quint32(width * 100 + height))));
        ImgData img;
        QVERIFY(img.load(path));
        QCOMPARE(img.sampleKind, int(floats ? ImgData::Float : ImgData::TiffU16));

        const std::unique_ptr<TDData> got(img.toTDData());
        TDData want(img.width, img.height);
        for (int y = 0; y < want.height; ++y) {
            for (int x = 0; x < want.width; ++x)
                want.setValue(x, y, img.sample(x, y));
        }
        QCOMPARE(QSize(got->width, got->height), QSize(width, height));
        QCOMPARE(got->valids, want.valids);
        for (int i = 0; i < want.values.size(); ++i)
            QVERIFY2(sameDouble(got->values[i], want.values[i]), qPrintable(QString::number(i)));
        QVERIFY(sameDouble(got->minVal, want.minVal));
        QVERIFY(sameDouble(got->maxVal, want.maxVal));
        QCOMPARE(got->dataId, QStringLiteral("a"));
    }
};

QTEST_GUILESS_MAIN(TestToTDDataExactness)
#include "tst_totddataexactness.moc"
