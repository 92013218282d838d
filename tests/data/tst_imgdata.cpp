#include "data/imgdata.h"
#include "data/tddata.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

namespace {

// Collects the debug lines written while it lives.
class MessageLog
{
public:
    MessageLog() : previous(qInstallMessageHandler(collect)) { lines().clear(); }
    ~MessageLog() { qInstallMessageHandler(previous); }
    MessageLog(const MessageLog &) = delete;
    MessageLog &operator=(const MessageLog &) = delete;

    static QStringList all() { return lines(); }
    // The collected lines that do not start with prefix.
    static QStringList without(const QString &prefix)
    {
        QStringList result;
        for (const QString &line : lines()) {
            if (!line.startsWith(prefix))
                result.append(line);
        }
        return result;
    }

private:
    static QStringList &lines()
    {
        static QStringList collected;
        return collected;
    }
    static void collect(QtMsgType, const QMessageLogContext &, const QString &message) { lines().append(message); }

    QtMessageHandler previous;
};

template <typename T>
QByteArray hostBytes(const QVector<T> &samples)
{
    return QByteArray(reinterpret_cast<const char *>(samples.constData()), int(samples.size() * sizeof(T)));
}

struct TiffLayout {
    int samplesPerPixel;
    int bits;
    int format;
    bool tiled;
};

// Writes a width x height TIFF from samples in host byte order; mode "wl" writes II, "wb" MM.
bool writeTiff(const QString &path, const char *mode, int width, int height, const TiffLayout &layout,
               const QByteArray &samples)
{
    TIFF *tif = TIFFOpen(QFile::encodeName(path).constData(), mode);
    if (!tif)
        return false;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(height));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, layout.samplesPerPixel);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, layout.bits);
    TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, layout.format);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, layout.samplesPerPixel == 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
    bool ok = true;
    if (layout.tiled) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, uint32_t(16));
        TIFFSetField(tif, TIFFTAG_TILELENGTH, uint32_t(16));
        QByteArray tile(int(TIFFTileSize(tif)), '\0');
        ok = TIFFWriteTile(tif, tile.data(), 0, 0, 0, 0) >= 0;
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(1));
        const int rowBytes = samples.size() / height;
        QByteArray copy = samples;
        for (int y = 0; y < height && ok; ++y)
            ok = TIFFWriteScanline(tif, copy.data() + y * rowBytes, uint32_t(y), 0) >= 0;
    }
    TIFFClose(tif);
    return ok;
}

// A little-endian TIFF made by hand: header, one directory of (tag, type, count, value) entries.
QByteArray handTiff(const QVector<QVector<quint32>> &entries)
{
    QByteArray out("II*\0\x08\0\0\0", 8);
    char field[4];
    qToLittleEndian<quint16>(quint16(entries.size()), field);
    out.append(field, 2);
    for (const QVector<quint32> &e : entries) {
        qToLittleEndian<quint16>(quint16(e[0]), field);
        out.append(field, 2);
        qToLittleEndian<quint16>(quint16(e[1]), field);
        out.append(field, 2);
        for (int i = 2; i < 4; ++i) {
            qToLittleEndian<quint32>(e[i], field);
            out.append(field, 4);
        }
    }
    return out + QByteArray(4, '\0');
}

// A ZRT file: 64-byte header, comment, samples as little-endian values of bytesPerSample bytes.
QByteArray zrtBytes(int width, int height, const QByteArray &comment, int bytesPerSample,
                    const QVector<quint32> &samples)
{
    QByteArray out(64, '\0');
    out[0] = 'I';
    out[1] = 'M';
    qToLittleEndian<quint16>(quint16(comment.size()), out.data() + 2);
    qToLittleEndian<quint16>(quint16(width), out.data() + 4);
    qToLittleEndian<quint16>(quint16(height), out.data() + 6);
    out += comment;
    char sample[4];
    for (quint32 s : samples) {
        qToLittleEndian<quint32>(s, sample);
        out.append(sample, bytesPerSample);
    }
    return out;
}

const QVector<quint32> zrt16Samples{0, 1, 0x0102, 65535, 300, 7};
const QVector<quint32> zrt32Samples{0, 1, 0x01020304, 65536, 4294967294u, 4294967295u};

QVector<double> toDoubles(const QVector<quint32> &samples)
{
    return QVector<double>(samples.begin(), samples.end());
}

} // namespace

class TestImgData : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void detection_data();
    void detection();
    void loadDiagnostics();
    void tiffSamples_data();
    void tiffSamples();
    void tiffRefused_data();
    void tiffRefused();
    void tiffUnreadableRow();
    void tiffNonLatinName();
    void zrtFormats_data();
    void zrtFormats();
    void zrtShortFile_data();
    void zrtShortFile();
    void zrtHeaderFailures();
    void zrtSizes();
    void ctImage();
    void ctEmptyLineEndsHeader();
    void ctRefused_data();
    void ctRefused();
    void twoDData();
    void conversion();
    void reloadReleasesRows();

private:
    QString write(const QString &name, const QByteArray &bytes);
    QByteArray tiffBytes(const char *mode);
    QByteArray twoDDataBytes();

    QTemporaryDir dir;
};

void TestImgData::initTestCase()
{
    QVERIFY(dir.isValid());
    // libtiff's own complaints about the broken files below would only clutter the output.
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
}

QString TestImgData::write(const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

QByteArray TestImgData::tiffBytes(const char *mode)
{
    const QString path = dir.filePath("made.tif");
    if (!writeTiff(path, mode, 3, 2, {1, 16, SAMPLEFORMAT_UINT, false}, hostBytes(QVector<quint16>{1, 2, 3, 4, 5, 6})))
        return QByteArray();
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray TestImgData::twoDDataBytes()
{
    const QString path = dir.filePath("made.qlv");
    TDData grid(2, 1);
    grid.setValue(0, 0, 0.1);
    if (!grid.save2dData(path))
        return QByteArray();
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void TestImgData::detection_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("message");  // pattern of a debug line that must appear

    const QByteArray ct("#PLMR-CTImg\n# RANGE_X1 = 1\n# RANGE_Y1 = 1\n0 0 1\n");
    QByteArray zrtJunk = zrtBytes(1, 1, "", 2, {}).left(15);
    QTest::newRow("II tiff") << tiffBytes("wl") << true << int(ImgData::TiffU16) << QString();
    QTest::newRow("MM tiff") << tiffBytes("wb") << true << int(ImgData::TiffU16) << QString();
    QTest::newRow("II junk") << QByteArray("II junk, not a tiff") << false << int(ImgData::None) << QString();
    QTest::newRow("IM zrt") << zrtBytes(3, 2, "", 2, zrt16Samples) << true << int(ImgData::U16) << QString();
    QTest::newRow("IM junk goes to zrt") << zrtJunk << false << int(ImgData::None)
                                         << "^invalid file size\\. expected \\(h,w\\) =  1 1$";
    QTest::newRow("CT magic") << ct << true << int(ImgData::Float) << QString();
    QTest::newRow("CT magic lower case") << ct.toLower() << false << int(ImgData::None) << QString();
    QTest::newRow("CT magic after zero byte") << QByteArray(1, '\0') + ct << false << int(ImgData::None) << QString();
    QTest::newRow("CT magic cut by zero byte") << QByteArray("#PLMR-CT\0Img\n# RANGE_X1 = 1\n", 28) << false
                                               << int(ImgData::None) << QString();
    QTest::newRow("2dData") << twoDDataBytes() << true << int(ImgData::Double) << "^header size ";
    QTest::newRow("unknown bytes") << QByteArray("MI hello world 123456\n") << false << int(ImgData::None) << QString();
    QTest::newRow("15 bytes") << QByteArray("abcdefghijklmno") << false << int(ImgData::None) << QString();
    QTest::newRow("14 bytes") << QByteArray("abcdefghijklmn") << false << int(ImgData::None)
                              << "^Error on reading file \\(1\\) \".*\"$";
}

void TestImgData::detection()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, ok);
    QFETCH(int, kind);
    QFETCH(QString, message);
    QVERIFY(bytes.size() >= 14);
    // The name never matters: every file is called as if it were something else.
    const QString path = write("detect.tif.zrt", bytes);
    if (!message.isEmpty())
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(message));
    ImgData img;
    QCOMPARE(img.load(path), ok);
    QCOMPARE(img.sampleKind, kind);
    QCOMPARE(img.rows.size(), ok ? img.height : 0);
}

void TestImgData::loadDiagnostics()
{
    const QString missing = dir.filePath("missing.tif");
    QTest::ignoreMessage(QtDebugMsg, qPrintable("Can not open (1) \"" + missing + '"'));
    ImgData img;
    QVERIFY(!img.load(missing));

    // A reader that fails silently leaves load silent too.
    const QString junk = write("junk.bin", "MI hello world 123456\n");
    MessageLog log;
    QVERIFY(!img.load(junk));
    QCOMPARE(log.all(), QStringList());
}

void TestImgData::tiffSamples_data()
{
    QTest::addColumn<QByteArray>("mode");
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("format");
    QTest::addColumn<QByteArray>("samples");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QVector<double>>("expected");

    const QVector<quint8> u8{0, 1, 127, 128, 254, 255};
    const QVector<quint16> u16{0, 1, 0x1234, 256, 65534, 65535};
    const QVector<quint32> u32 = zrt32Samples;
    const QVector<float> f32{0.0f, -2.25f, 1.5f, 1e30f, std::numeric_limits<float>::max(), 1e-40f};
    for (const char *mode : {"wl", "wb"}) {
        const QByteArray order = QByteArray(mode) == "wl" ? " II" : " MM";
        QTest::newRow("u8" + order) << QByteArray(mode) << 8 << int(SAMPLEFORMAT_UINT) << hostBytes(u8)
                                    << int(ImgData::U16) << QVector<double>(u8.begin(), u8.end());
        QTest::newRow("u16" + order) << QByteArray(mode) << 16 << int(SAMPLEFORMAT_UINT) << hostBytes(u16)
                                     << int(ImgData::TiffU16) << QVector<double>(u16.begin(), u16.end());
        QTest::newRow("u32" + order) << QByteArray(mode) << 32 << int(SAMPLEFORMAT_UINT) << hostBytes(u32)
                                     << int(ImgData::U32) << toDoubles(u32);
        QTest::newRow("float" + order) << QByteArray(mode) << 32 << int(SAMPLEFORMAT_IEEEFP) << hostBytes(f32)
                                       << int(ImgData::Float) << QVector<double>(f32.begin(), f32.end());
    }
}

void TestImgData::tiffSamples()
{
    QFETCH(QByteArray, mode);
    QFETCH(int, bits);
    QFETCH(int, format);
    QFETCH(QByteArray, samples);
    QFETCH(int, kind);
    QFETCH(QVector<double>, expected);

    const QString path = dir.filePath("samples.tif");
    QVERIFY(writeTiff(path, mode.constData(), 3, 2, {1, bits, format, false}, samples));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.read(2), QByteArray(mode == "wl" ? "II" : "MM"));
    file.close();

    ImgData img;
    QVERIFY(img.load(path));
    QCOMPARE(img.sampleKind, kind);
    QCOMPARE(img.width, 3);
    QCOMPARE(img.height, 2);
    QCOMPARE(img.rows.size(), 2);
    const std::unique_ptr<TDData> data(img.toTDData());
    QVERIFY(data->values == expected);  // exact, not fuzzy
    QCOMPARE(data->valids.count(true), 6);
    QCOMPARE(data->minVal, std::min(0.0, *std::min_element(expected.begin(), expected.end())));
    QCOMPARE(data->maxVal, std::max(0.0, *std::max_element(expected.begin(), expected.end())));
}

void TestImgData::tiffRefused_data()
{
    QTest::addColumn<int>("samplesPerPixel");
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("format");
    QTest::addColumn<bool>("tiled");
    QTest::newRow("rgb") << 3 << 8 << int(SAMPLEFORMAT_UINT) << false;
    QTest::newRow("two 16-bit samples") << 2 << 16 << int(SAMPLEFORMAT_UINT) << false;
    QTest::newRow("signed 16-bit") << 1 << 16 << int(SAMPLEFORMAT_INT) << false;
    QTest::newRow("signed 8-bit") << 1 << 8 << int(SAMPLEFORMAT_INT) << false;
    QTest::newRow("64-bit float") << 1 << 64 << int(SAMPLEFORMAT_IEEEFP) << false;
    QTest::newRow("64-bit unsigned") << 1 << 64 << int(SAMPLEFORMAT_UINT) << false;
    QTest::newRow("16-bit float") << 1 << 16 << int(SAMPLEFORMAT_IEEEFP) << false;
    QTest::newRow("bilevel") << 1 << 1 << int(SAMPLEFORMAT_UINT) << false;
    QTest::newRow("untyped") << 1 << 16 << int(SAMPLEFORMAT_VOID) << false;
    QTest::newRow("tiled 16-bit") << 1 << 16 << int(SAMPLEFORMAT_UINT) << true;
}

void TestImgData::tiffRefused()
{
    QFETCH(int, samplesPerPixel);
    QFETCH(int, bits);
    QFETCH(int, format);
    QFETCH(bool, tiled);
    const int width = 3;
    const int height = 2;
    const QByteArray samples((width * samplesPerPixel * bits + 7) / 8 * height, '\x11');
    const QString path = dir.filePath("refused.tif");
    QVERIFY(writeTiff(path, "wl", width, height, {samplesPerPixel, bits, format, tiled}, samples));

    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Unsupported TIFF layout "));
    ImgData img;
    QVERIFY(!img.load(path));
    QCOMPARE(img.rows.size(), 0);
    QCOMPARE(img.sampleKind, int(ImgData::None));
}

void TestImgData::tiffUnreadableRow()
{
    // A 2 x 2 16-bit image whose only strip lies beyond the end of the file.
    const QString path = write("nostrip.tif", handTiff({{256, 3, 1, 2}, {257, 3, 1, 2}, {258, 3, 1, 16},
                                                        {259, 3, 1, 1}, {262, 3, 1, 1}, {273, 4, 1, 100000},
                                                        {277, 3, 1, 1}, {278, 3, 1, 2}, {279, 4, 1, 8}}));
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^TIFF row can not be read .* 0$"));
    ImgData img;
    QVERIFY(!img.load(path));
    QCOMPARE(img.rows.size(), 0);
    QCOMPARE(img.sampleKind, int(ImgData::None));
}

void TestImgData::tiffNonLatinName()
{
    const QString path = dir.filePath(QString::fromUtf8("画像é.tif"));
    QVERIFY(writeTiff(path, "wl", 3, 2, {1, 16, SAMPLEFORMAT_UINT, false}, hostBytes(QVector<quint16>(6, 9))));
    ImgData img;
    QVERIFY(img.load(path));
    QCOMPARE(img.sampleKind, int(ImgData::TiffU16));
}

void TestImgData::zrtFormats_data()
{
    QTest::addColumn<QByteArray>("comment");
    QTest::addColumn<int>("bytesPerSample");
    QTest::addColumn<QVector<quint32>>("samples");
    QTest::addColumn<int>("kind");
    QTest::newRow("no key") << QByteArray("Camera=X") << 2 << zrt16Samples << int(ImgData::U16);
    QTest::newRow("2 bytes") << QByteArray("BytesPerPixel=2") << 2 << zrt16Samples << int(ImgData::U16);
    QTest::newRow("4 bytes then others") << QByteArray("BytesPerPixel=4,Exposure=10") << 4 << zrt32Samples
                                         << int(ImgData::U32);
    QTest::newRow("4 bytes last") << QByteArray("Gain=2,BytesPerPixel=4") << 4 << zrt32Samples << int(ImgData::U32);
    QTest::newRow("1 byte reads 16-bit") << QByteArray("Gain=1,BytesPerPixel=1") << 2 << zrt16Samples
                                         << int(ImgData::U16);
    QTest::newRow("value cut at zero byte") << QByteArray("BytesPerPixel=4\0junk", 20) << 4 << zrt32Samples
                                            << int(ImgData::U32);
    QTest::newRow("key is case-sensitive") << QByteArray("bytesperpixel=4") << 2 << zrt16Samples
                                           << int(ImgData::U16);
}

void TestImgData::zrtFormats()
{
    QFETCH(QByteArray, comment);
    QFETCH(int, bytesPerSample);
    QFETCH(QVector<quint32>, samples);
    QFETCH(int, kind);
    const QString path = write("image.zrt", zrtBytes(3, 2, comment, bytesPerSample, samples));
    ImgData img;
    QVERIFY(img.load(path));
    QCOMPARE(img.sampleKind, kind);
    QCOMPARE(img.width, 3);
    QCOMPARE(img.height, 2);
    const std::unique_ptr<TDData> data(img.toTDData());
    QVERIFY(data->values == toDoubles(samples));
    QCOMPARE(data->dataId, QString("image"));
}

void TestImgData::zrtShortFile_data()
{
    QTest::addColumn<QByteArray>("comment");
    QTest::addColumn<int>("bytesPerSample");
    QTest::addColumn<QString>("second");
    QTest::newRow("32-bit") << QByteArray("BytesPerPixel=4,Exposure=10") << 4 << "Error on reading (2)";
    QTest::newRow("16-bit") << QByteArray() << 2 << "Error on reading (3)";
}

void TestImgData::zrtShortFile()
{
    QFETCH(QByteArray, comment);
    QFETCH(int, bytesPerSample);
    QFETCH(QString, second);
    const QByteArray whole = zrtBytes(3, 2, comment, bytesPerSample, zrt32Samples);
    QCOMPARE(whole.size(), 64 + comment.size() + 6 * bytesPerSample);
    const QString path = write("short.zrt", whole.left(whole.size() - 1));
    QTest::ignoreMessage(QtDebugMsg, "invalid file size. expected (h,w) =  2 3");
    QTest::ignoreMessage(QtDebugMsg, qPrintable(second + " \"" + path + '"'));
    ImgData img;
    QVERIFY(!img.load(path));
    QVERIFY(img.rows.isEmpty());
    QCOMPARE(img.sampleKind, int(ImgData::None));

    // The whole file reads.
    QVERIFY(img.load(write("whole.zrt", whole)));
}

void TestImgData::zrtHeaderFailures()
{
    ImgData img;
    const QString nine = write("nine.zrt", QByteArray("IM\x01\0\x02\0\x03\0\0", 9));
    QTest::ignoreMessage(QtDebugMsg, qPrintable("Error on reading (4) \"" + nine + '"'));
    QCOMPARE(img.readZrtHeader(nine), 0);
    QCOMPARE(img.width, 0);
    QCOMPARE(img.height, 0);

    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Can not open \".*missing\\.zrt\" \\[ \\d+ \\]$"));
    QCOMPARE(img.readZrtHeader(dir.filePath("missing.zrt")), 0);

    // Ten bytes are enough for the sizes; the comment may run past the end of the file.
    QCOMPARE(img.readZrtHeader(write("ten.zrt", QByteArray("IM\x05\0\x02\0\x03\0\0\0", 10))), 64 + 5);
    QCOMPARE(img.width, 2);
    QCOMPARE(img.height, 3);
}

void TestImgData::zrtSizes()
{
    // Sides of 65535 are more pixels than a grid holds: refused before any row is allocated.
    const QString huge = write("huge.zrt", zrtBytes(65535, 65535, "BytesPerPixel=4", 4, {1, 2, 3}));
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Image size out of range 65535 65535 "));
    ImgData img;
    QVERIFY(!img.load(huge));
    QVERIFY(img.rows.isEmpty());

    // A wide image that ends after a few bytes fails on its first row.
    const QString wide = write("wide.zrt", zrtBytes(60000, 4000, "", 2, {1, 2, 3, 4}));
    QTest::ignoreMessage(QtDebugMsg, "invalid file size. expected (h,w) =  4000 60000");
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Error on reading \\(3\\) "));
    QVERIFY(!img.load(wide));
    QVERIFY(img.rows.isEmpty());

    QVERIFY(img.load(write("empty.zrt", zrtBytes(5, 0, "", 2, {}) + QByteArray(8, '\0'))));
    QCOMPARE(img.width, 5);
    QCOMPARE(img.rows.size(), 0);
    QCOMPARE(img.sampleKind, int(ImgData::U16));
}

void TestImgData::ctImage()
{
    const QString path = write("slice.ct.txt", "#PLMR-CTImg v1\n"
                                               "# range_x0 = 0\n"
                                               "# Range_X1 = 3.9\n"
                                               "# RANGE_Y0 = -1.7\n"
                                               "# RANGE_Y1 = 1\n"
                                               "# Comment \"a b\" c\n"
                                               "0 0 -0.1\n"
                                               "1 0 0.01\n"
                                               "2 0 1\n"
                                               "0 1 2.5\n"
                                               "1 1 1e300\n");
    ImgData img;
    QCOMPARE(img.readCtHeader(path), 6);
    QCOMPARE(img.width, 3);
    QCOMPARE(img.height, 2);

    QVERIFY(img.load(path));
    QCOMPARE(img.sampleKind, int(ImgData::Float));
    const std::unique_ptr<TDData> data(img.toTDData());
    const double inf = std::numeric_limits<double>::infinity();
    // -0.1 clamps to 0, the others are scaled by 500; the sixth pixel has no line and is 0.
    QVERIFY(data->values == (QVector<double>{0.0, 5.0, 500.0, 1250.0, inf, 0.0}));
    QCOMPARE(data->valids.count(true), 6);
    QCOMPARE(data->dataId, QString("slice"));
}

void TestImgData::ctEmptyLineEndsHeader()
{
    const QString path = write("gap.txt", "#PLMR-CTImg\n# RANGE_X1 = 2\n# RANGE_Y1 = 1\n\n0 0 1\n#x y 3\n");
    ImgData img;
    QCOMPARE(img.readCtHeader(path), 3);
    QVERIFY(img.load(path));
    const std::unique_ptr<TDData> data(img.toTDData());
    QVERIFY(data->values == (QVector<double>{0.0, 500.0}));
}

void TestImgData::ctRefused_data()
{
    QTest::addColumn<QByteArray>("ranges");
    QTest::addColumn<QString>("message");
    QTest::newRow("no range") << QByteArray("# RANGE_X1 = 2\n") << QString();
    QTest::newRow("reversed") << QByteArray("# RANGE_X0 = 5\n# RANGE_X1 = 2\n# RANGE_Y1 = 2\n") << QString();
    QTest::newRow("below one") << QByteArray("# RANGE_X1 = 0.9\n# RANGE_Y1 = 2\n") << QString();
    QTest::newRow("width beyond int") << QByteArray("# RANGE_X0 = -2e9\n# RANGE_X1 = 2e9\n# RANGE_Y1 = 1\n")
                                      << "^Image size out of range ";
    QTest::newRow("beyond storage") << QByteArray("# RANGE_X1 = 100000\n# RANGE_Y1 = 100000\n")
                                    << "^Image size out of range ";
    QTest::newRow("huge value") << QByteArray("# RANGE_X1 = 1e300\n# RANGE_Y1 = 1\n") << "^Image size out of range ";
}

void TestImgData::ctRefused()
{
    QFETCH(QByteArray, ranges);
    QFETCH(QString, message);
    const QString path = write("refused.ct", "#PLMR-CTImg\n" + ranges + "0 0 1\n");
    ImgData img;
    {
        MessageLog log;
        QVERIFY(!img.load(path));
        const QStringList lines = log.without("ksv ");
        if (message.isEmpty()) {
            QCOMPARE(lines, QStringList());
        } else {
            QCOMPARE(lines.size(), 1);
            QVERIFY2(lines[0].contains(QRegularExpression(message)), qPrintable(lines[0]));
        }
    }
    QVERIFY(img.rows.isEmpty());
    QCOMPARE(img.sampleKind, int(ImgData::None));
}

void TestImgData::twoDData()
{
    TDData grid(3, 2);
    grid.dataId = "saved id";
    const QVector<double> values{0.1, -7.25, 1e300, 3.0, 0.0, 123456789.125};
    for (int i = 0; i < values.size(); ++i)
        grid.setValue(i % 3, i / 3, values[i]);
    grid.setValid(1, 1, false);
    const QString path = dir.filePath("grid.part.qlv");
    QVERIFY(grid.save2dData(path));

    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^header size \".*grid\\.part\\.qlv\" .* 3 2$"));
    ImgData img;
    QVERIFY(img.load(path));
    QCOMPARE(img.sampleKind, int(ImgData::Double));
    const std::unique_ptr<TDData> data(img.toTDData());
    QVERIFY(data->values == values);
    // Valid flags are not carried over: every pixel of a converted image is valid.
    QCOMPARE(data->valids.count(true), 6);
    QCOMPARE(data->dataId, QString("grid"));
}

void TestImgData::conversion()
{
    ImgData img;
    img.fileName = "C:/data/run1.part2.tif";
    img.width = 2;
    img.height = 1;
    img.rows.append(new quint16[2]{100, 100});
    img.sampleKind = ImgData::U16;
    std::unique_ptr<TDData> data(img.toTDData());
    QCOMPARE(data->dataId, QString("run1"));
    QCOMPARE(data->minVal, 0.0);
    QCOMPARE(data->maxVal, 100.0);
    QCOMPARE(data->valids.count(true), 2);

    ImgData negative;
    negative.width = 2;
    negative.height = 1;
    negative.rows.append(new float[2]{-2.5f, -1.0f});
    negative.sampleKind = ImgData::Float;
    data.reset(negative.toTDData());
    QCOMPARE(data->minVal, -2.5);
    QCOMPARE(data->maxVal, 0.0);

    // A record without rows gives valid zeros.
    ImgData none;
    none.width = 2;
    none.height = 2;
    data.reset(none.toTDData());
    QVERIFY(data->values == QVector<double>(4, 0.0));
    QCOMPARE(data->valids.count(true), 4);
}

void TestImgData::reloadReleasesRows()
{
    ImgData img;
    QVERIFY(img.load(write("first.zrt", zrtBytes(3, 2, "BytesPerPixel=4", 4, zrt32Samples))));
    QCOMPARE(img.sampleKind, int(ImgData::U32));
    QVERIFY(img.load(write("second.txt", "#PLMR-CTImg\n# RANGE_X1 = 1\n# RANGE_Y1 = 1\n0 0 1\n")));
    QCOMPARE(img.sampleKind, int(ImgData::Float));
    QCOMPARE(img.rows.size(), 1);
    QCOMPARE(img.sample(0, 0), 500.0);
}

QTEST_GUILESS_MAIN(TestImgData)
#include "tst_imgdata.moc"
