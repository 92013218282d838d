#include "data/imgdata.h"
#include "data/parallelrows.h"
#include "data/tddata.h"
#include "tests/filetesttools.h"
#include "tests/memorylimit.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

namespace {

template <typename T>
QByteArray hostBytes(const QVector<T> &samples)
{
    return QByteArray(reinterpret_cast<const char *>(samples.constData()), int(samples.size() * sizeof(T)));
}

template <typename T>
QVector<double> doubles(const QVector<T> &samples)
{
    return QVector<double>(samples.begin(), samples.end());
}

struct TiffLayout {
    int samplesPerPixel;
    int bits;
    int format;
    int width = 3;
    int height = 2;
};

// Writes a TIFF from samples in host byte order; mode "wl" writes II, "wb" MM.
bool writeTiff(const QString &path, const char *mode, const TiffLayout &layout, QByteArray samples)
{
    TIFF *tif = TIFFOpen(QFile::encodeName(path).constData(), mode);
    if (!tif)
        return false;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(layout.width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(layout.height));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, layout.samplesPerPixel);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, layout.bits);
    TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, layout.format);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, layout.samplesPerPixel == 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(1));
    const int line = samples.size() / layout.height;
    bool ok = true;
    for (int y = 0; y < layout.height && ok; ++y)
        ok = TIFFWriteScanline(tif, samples.data() + y * line, uint32_t(y), 0) >= 0;
    TIFFClose(tif);
    return ok;
}

void appendLittle(QByteArray *out, quint32 value, int size)
{
    char field[4];
    qToLittleEndian<quint32>(value, field);
    out->append(field, size);
}

// A TIFF directory of (tag, type, count, value) entries, then the offset of the next one.
void appendDirectory(QByteArray *out, const QVector<QVector<quint32>> &entries, quint32 next)
{
    appendLittle(out, entries.size(), 2);
    for (const QVector<quint32> &e : entries) {
        for (int i = 0; i < 4; ++i)
            appendLittle(out, e[i], i < 2 ? 2 : 4);
    }
    appendLittle(out, next, 4);
}

// A little-endian TIFF made by hand: header, one directory.
QByteArray handTiff(const QVector<QVector<quint32>> &entries)
{
    QByteArray out("II*\0\x08\0\0\0", 8);
    appendDirectory(&out, entries, 0);
    return out;
}

// A ZRT file: 64-byte header, comment, samples as little-endian values of bytesPerSample bytes.
QByteArray zrtBytes(int width, int height, const QByteArray &comment, int bytesPerSample,
                    const QVector<quint32> &samples)
{
    QByteArray out("IM");
    for (const int field : {comment.size(), width, height})
        appendLittle(&out, quint32(field), 2);
    out += QByteArray(56, '\0') + comment;
    for (quint32 s : samples)
        appendLittle(&out, s, bytesPerSample);
    return out;
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
    QVector<float> f(count);
    QVector<quint16> u(count);
    for (int i = 0; i < count; ++i) {
        f[i] = i == 0 ? odd[0] : rng.bounded(4) == 0 ? odd[rng.bounded(5)] : float(rng.bounded(200.0) - 50.0);
        u[i] = quint16(rng.bounded(3) == 0 ? 65535 - rng.bounded(10) : rng.bounded(65536));
    }
    return floats ? hostBytes(f) : hostBytes(u);
}

const QVector<quint16> u16{0, 1, 0x1234, 256, 65534, 65535};
const QVector<quint32> zrt16{0, 1, 0x0102, 65535, 300, 7};
const QVector<quint32> zrt32{0, 1, 0x01020304, 65536, 4294967294u, 4294967295u};
const QVector<double> savedValues{0.1, -7.25, 1e300, 3.0, 0.0, 123456789.125};

} // namespace

class TestImgData : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    ImgData reused;  // every row reads into it, so rows of each kind are released by the next load

    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = dir.filePath(name);
        return writeFile(path, bytes) ? path : QString();
    }

    QByteArray tiff(const char *mode, const TiffLayout &layout, const QByteArray &samples)
    {
        const QString path = dir.filePath("made.tif");
        return writeTiff(path, mode, layout, samples) ? readFile(path) : QByteArray();
    }

    QByteArray saved2dData()
    {
        TDData grid(3, 2);
        for (int i = 0; i < savedValues.size(); ++i)
            grid.setValue(i % 3, i / 3, savedValues[i]);
        grid.setValid(1, 1, false);
        const QString path = dir.filePath("made.qlv");
        return grid.save2dData(path) ? readFile(path) : QByteArray();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        // libtiff's own complaints about the broken files below would only clutter the output.
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
    }

    // Format detection by first bytes: names carry other extensions, a null array stands for no file.
    // Accepted files convert every sample exactly, every pixel valid, range including 0, dataId the
    // base name; refused ones give false, the due debug lines and no rows.
    void load_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("kind");  // None: refused
        QTest::addColumn<QVector<double>>("expected");
        QTest::addColumn<QStringList>("messages");  // patterns of debug lines that must appear
        QTest::addColumn<QString>("reason");  // errorString() of a refused file
        const auto row = [](const char *name, const QByteArray &bytes, const QString &reason,
                            const QStringList &messages = {}) {
            QTest::newRow(name) << bytes << "detect.tif.zrt" << int(ImgData::None) << QVector<double>() << messages
                                << reason;
        };
        const QString unknown = "not a TIFF, ZRT, CT text or 2dData file";
        const QString shortZrt = "^invalid file size\\. expected \\(h,w\\) =  %1$";
        const QString outOfRange = "^Image size out of range ";

        const QVector<quint8> u8{0, 1, 127, 128, 254, 255};
        const QVector<float> f32{0.0f, -2.25f, 1.5f, 1e30f, std::numeric_limits<float>::max(), 1e-40f};
        const QString tifName = QString::fromUtf8("画像é.zrt");
        for (const char *mode : {"wl", "wb"}) {
            const char *order = QByteArray(mode) == "wl" ? "II" : "MM";
            QTest::addRow("tiff u8 %s", order) << tiff(mode, {1, 8, SAMPLEFORMAT_UINT}, hostBytes(u8))
                                               << tifName << int(ImgData::U16) << doubles(u8) << QStringList() << QString();
            QTest::addRow("tiff u16 %s", order) << tiff(mode, {1, 16, SAMPLEFORMAT_UINT}, hostBytes(u16))
                                                << tifName << int(ImgData::TiffU16) << doubles(u16) << QStringList() << QString();
            QTest::addRow("tiff u32 %s", order) << tiff(mode, {1, 32, SAMPLEFORMAT_UINT}, hostBytes(zrt32))
                                                << tifName << int(ImgData::U32) << doubles(zrt32) << QStringList() << QString();
            QTest::addRow("tiff float %s", order) << tiff(mode, {1, 32, SAMPLEFORMAT_IEEEFP}, hostBytes(f32))
                                                  << tifName << int(ImgData::Float) << doubles(f32) << QStringList() << QString();
        }
        QTest::newRow("zrt 16-bit") << zrtBytes(3, 2, "Camera=X", 2, zrt16) << "image.tif" << int(ImgData::U16)
                                    << doubles(zrt16) << QStringList() << QString();
        QTest::newRow("zrt 32-bit, key after a zero byte")
            << zrtBytes(3, 2, QByteArray("Gain=2,BytesPerPixel=4\0junk", 27), 4, zrt32) << "image.tif"
            << int(ImgData::U32) << doubles(zrt32) << QStringList() << QString();
        QTest::newRow("zrt of no rows") << zrtBytes(5, 0, "", 2, {}) + QByteArray(8, '\0') << "image.tif"
                                        << int(ImgData::U16) << QVector<double>() << QStringList() << QString();
        // Keys in any case, 3.9 counts as 3; -0.1 clamps to 0, the rest times 500; a pixel without a line is 0.
        QTest::newRow("ct") << QByteArray("#PLMR-CTImg v1\n# range_x0 = 0\n# Range_X1 = 3.9\n# RANGE_Y0 = -1.7\n"
                                          "# RANGE_Y1 = 1\n# Comment \"a b\" c\n"
                                          "0 0 -0.1\n1 0 0.01\n2 0 1\n0 1 2.5\n1 1 1e300\n")
                            << "slice.ct.txt" << int(ImgData::Float)
                            << QVector<double>{0.0, 5.0, 500.0, 1250.0, std::numeric_limits<double>::infinity(), 0.0}
                            << QStringList() << QString();
        // Valid flags are not carried over.
        QTest::newRow("2dData") << saved2dData() << "grid.part.qlv" << int(ImgData::Double) << savedValues
                                << QStringList("^header size \".*grid\\.part\\.qlv\" .* 3 2$") << QString();

        row("II junk", "II junk, not a tiff", "a TIFF that can not be opened");
        row("png", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\2"), unknown);
        row("tiff rgb", tiff("wl", {3, 8, SAMPLEFORMAT_UINT}, QByteArray(18, '\x11')), "a TIFF with 3 samples per pixel",
            {"^Unsupported TIFF layout "});
        row("2dData short of most of its grid", saved2dData().left(270), "claims 3 × 2 but holds 270 bytes");
        row("IM junk goes to zrt", zrtBytes(1, 1, "", 2, {}).left(15), "claims 1 × 1 but holds 15 bytes", {shortZrt.arg("1 1")});
        row("14 bytes", "abcdefghijklmn", unknown, {"^Error on reading file \\(1\\) \".*\"$"});
        row("no file", QByteArray(), "can not be opened: No such file or directory", {"^Can not open \\(1\\) \".*\"$"});
        row("tiff signed 16-bit", tiff("wl", {1, 16, SAMPLEFORMAT_INT}, QByteArray(12, '\x11')),
            "a TIFF with 16-bit samples of format 2",
            {"^Unsupported TIFF layout "});
        // A 2 x 2 16-bit image whose only strip lies beyond the end of the file.
        row("tiff strip beyond the end", handTiff({{256, 3, 1, 2}, {257, 3, 1, 2}, {258, 3, 1, 16}, {259, 3, 1, 1},
                                                   {262, 3, 1, 1}, {273, 4, 1, 100000}, {277, 3, 1, 1},
                                                   {278, 3, 1, 2}, {279, 4, 1, 8}}),
            "a TIFF whose row 0 can not be read",
            {"^TIFF row can not be read .* 0$"});
        row("tiff claims more rows than the file holds",
            handTiff({{256, 4, 1, 16000}, {257, 4, 1, 16000}, {258, 3, 1, 16}, {259, 3, 1, 1}, {262, 3, 1, 1},
                      {273, 4, 1, 8}, {277, 3, 1, 1}, {278, 4, 1, 16000}, {279, 4, 1, 8}}),
            "claims 16000 × 16000 but holds 122 bytes",
            {"^TIFF rows of 16000 x 16000 need more than the 122 bytes of "});
        // More pixels than a grid holds: refused before any row is allocated.
        row("zrt 65535 square", zrtBytes(65535, 65535, "BytesPerPixel=4", 4, {1, 2, 3}),
            "claims 65535 × 65535, more than a grid can hold", {outOfRange + "65535 65535 "});
        row("zrt wide, ends early", zrtBytes(60000, 4000, "", 2, {1, 2, 3, 4}), "claims 60000 × 4000 but holds 72 bytes",
            {shortZrt.arg("4000 60000"), "^Error on reading \\(3\\) "});
        const QByteArray ct("#PLMR-CTImg\n");
        row("ct no range", ct + "# RANGE_X1 = 2\n0 0 1\n", "a CT text file without a valid range");
        row("ct width beyond int", ct + "# RANGE_X0 = -2e9\n# RANGE_X1 = 2e9\n# RANGE_Y1 = 1\n0 0 1\n",
            "claims 4e+09 × 1, more than a grid can hold", {outOfRange});
        // Too short for half of the lines its range claims: refused before any row is allocated.
        const QByteArray square = ct + "# RANGE_X1 = %1\n# RANGE_Y1 = %1\n";
        const QString shortCt("^\".*\" is %1 bytes long, too short for half of a CT grid of %2 x %2$");
        row("ct 16000 square in 50 bytes", QByteArray(square).replace("%1", "16000"), "claims 16000 × 16000 but holds 50 bytes",
            {shortCt.arg(50).arg(16000)});
        row("ct 6 square, one line", QByteArray(square).replace("%1", "6") + "0 0 1\n", "claims 6 × 6 but holds 48 bytes",
            {shortCt.arg(48).arg(6)});
    }

    void load()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, name);
        QFETCH(int, kind);
        QFETCH(QVector<double>, expected);
        QFETCH(QStringList, messages);
        const QString path = bytes.isNull() ? dir.filePath("missing.tif") : write(name, bytes);
        for (const QString &m : messages)
            QTest::ignoreMessage(QtDebugMsg, QRegularExpression(m));
        QCOMPARE(reused.load(path), kind != ImgData::None);
        QTEST(reused.errorString(), "reason");
        QCOMPARE(reused.sampleKind, kind);
        QCOMPARE(reused.rows.size(), kind != ImgData::None && reused.width > 0 ? reused.height : 0);
        if (expected.isEmpty())
            return;
        const std::unique_ptr<TDData> data(reused.toTDData());
        QVERIFY(data->values == expected);  // exact, not fuzzy
        QCOMPARE(data->valids.count(true), expected.size());
        QCOMPARE(data->minVal, std::min(0.0, *std::min_element(expected.begin(), expected.end())));
        QCOMPARE(data->maxVal, std::max(0.0, *std::max_element(expected.begin(), expected.end())));
        QCOMPARE(data->dataId, name.section('.', 0, 0));
    }

    // Two pages sharing one strip of 200 16-bit samples: each page alone fits, the stack would
    // hold more than the file. Uncompressed, the strip is the 400 bytes of the rows; packed, it is
    // 404 bytes of literal runs (PackBits), which the pages claim instead.
    void stackPagesShareNoRows_data()
    {
        QTest::addColumn<int>("compression");
        QTest::addColumn<QByteArray>("strip");
        QTest::newRow("uncompressed") << 1 << QByteArray(400, '\1');
        QByteArray packed;
        for (int left = 400; left > 0; left -= 128) {
            const int run = std::min(left, 128);
            packed += char(run - 1) + QByteArray(run, '\1');
        }
        QTest::newRow("PackBits") << 32773 << packed;
    }

    void stackPagesShareNoRows()
    {
        QFETCH(int, compression);
        QFETCH(QByteArray, strip);
        const quint32 at = 8 + 2 * (2 + 9 * 12 + 4);
        const QVector<QVector<quint32>> page{{256, 3, 1, 200}, {257, 3, 1, 1}, {258, 3, 1, 16},
                                             {259, 3, 1, quint32(compression)}, {262, 3, 1, 1}, {273, 4, 1, at},
                                             {277, 3, 1, 1}, {278, 3, 1, 1}, {279, 4, 1, quint32(strip.size())}};
        QByteArray bytes("II*\0\x08\0\0\0", 8);
        appendDirectory(&bytes, page, 8 + 2 + 9 * 12 + 4);
        appendDirectory(&bytes, page, 0);
        const QString path = write("shared.tif", bytes + strip);
        ImgData first;
        QVERIFY(first.load(path));
        QCOMPARE(first.pageCount, 2);
        QCOMPARE(first.claimedBytes, qint64(strip.size()));
        const std::unique_ptr<TDData> data(first.toTDData());
        QCOMPARE(data->values, QVector<double>(200, 257.0));
        QVERIFY(reused.load(path, 1));
        const QString fileSize = QString::number(at + strip.size());
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^TIFF rows of 200 x 1 need more than the " + fileSize
                                                            + " bytes of "));
        QVERIFY(!reused.load(path, 1, first.claimedBytes));
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^TIFF page can not be read .* 2$"));
        QVERIFY(!reused.load(path, 2));

        // Read in order, the stack ends before the page that would hold more than the file.
        ImgData::Stack stack;
        QVERIFY(reused.loadPage(path, &stack));
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^TIFF rows of 200 x 1 need more than the "));
        QVERIFY(!reused.loadPage(path, &stack));
        QCOMPARE(stack.pages, 1);
        QVERIFY(stack.atEnd() && !stack.tiff);
    }

    // Pages read in order are the pages read one by one; a file of one page, TIFF or not, is a
    // stack of one.
    void stackReadInOrder()
    {
        const QString path = dir.filePath("four.tif");
        QVERIFY(writeU16Stack(path, 2, 1, {{1, 2}, {3, 4}, {5, 6}, {7, 8}}));
        const QString single = dir.filePath("one.tif");
        QVERIFY(writeU16Stack(single, 2, 1, {{9, 10}}));
        for (const QString &file : {path, single}) {
            ImgData::Stack stack;
            QVector<QVector<double>> read;
            while (!stack.atEnd()) {
                ImgData img;
                QVERIFY(img.loadPage(file, &stack));
                const std::unique_ptr<TDData> data(img.toTDData());
                read << data->values;
                QCOMPARE(img.page, read.size() - 1);
                QCOMPARE(img.pageCount, file == path ? 4 : 1);
            }
            QCOMPARE(read, file == path ? QVector<QVector<double>>({{1, 2}, {3, 4}, {5, 6}, {7, 8}})
                                        : QVector<QVector<double>>({{9, 10}}));
            QVERIFY(!stack.tiff);
        }
    }

    // Files whose headers claim far more than they hold: memory follows the file, rows that never
    // arrive stay missing (reading as 0), and a conversion whose grid cannot be had under a memory
    // limit is a null result with a debug line.
    void hostileFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QVector<double>>("firstRows");  // every sample of the rows read, in order
        const QByteArray ct("#PLMR-CTImg\n# RANGE_X1 = %1\n# RANGE_Y1 = %1\n");
        QTest::newRow("ct ending inside the second row")
            << QByteArray(ct).replace("%1", "3") + "0 0 1\n1 0 2\n2 0 3\n0 1 4\n" << QSize(3, 3) << int(ImgData::Float)
            << QVector<double>{500, 1000, 1500, 2000, 0, 0};
        QTest::newRow("2dData of no width and 300000000 rows")
            << (QByteArray("2dData-V0.0 HeaderSize: 256").leftJustified(64) + "\nHEIGHT: 300000000\n").leftJustified(256, '\0')
            << QSize(0, 300000000) << int(ImgData::Double) << QVector<double>();
        QTest::newRow("zrt comment with a CR inside its key")
            << zrtBytes(3, 2, "Bytes\rPerPixel=4", 4, zrt32) << QSize(3, 2) << int(ImgData::U32) << doubles(zrt32);
    }

    void hostileFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QSize, size);
        QFETCH(QVector<double>, firstRows);
        const QString path = write("hostile.bin", bytes);
        {
            const MemoryLimit limit(256 << 20);
            QVERIFY(reused.load(path));
        }
        QCOMPARE(QSize(reused.width, reused.height), size);
        QTEST(reused.sampleKind, "kind");
        QVector<double> read;
        for (int y = 0; y < reused.rows.size(); ++y)
            for (int x = 0; x < reused.width; ++x)
                read.append(reused.sample(x, y));
        QCOMPARE(read, firstRows);
        if (qint64(size.width()) * size.height() > 1 << 24) {
            if (!MemoryLimit::possible())
                return;
            const MemoryLimit limit(256 << 20);
            QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^not enough memory for a grid of "));
            QVERIFY(!std::unique_ptr<TDData>(reused.toTDData()));
        } else {
            const std::unique_ptr<TDData> data(reused.toTDData());
            QCOMPARE(QSize(data->width, data->height), size);
            QCOMPARE(data->values.mid(0, firstRows.size()), firstRows);
            QVERIFY(std::all_of(data->values.begin() + firstRows.size(), data->values.end(), [](double v) { return v == 0.0; }));
        }
    }

    // A window watching a read sees each reader's rows, and may stop it: the read then fails
    // and keeps no rows.
    void progressAndCancel_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        // Rows done when cancelled: the readers of rows stop after one, 2dData before its first band.
        QTest::addColumn<int>("doneWhenCancelled");
        QTest::newRow("tiff") << tiff("wl", {1, 16, SAMPLEFORMAT_UINT}, hostBytes(u16)) << 1;
        QTest::newRow("zrt") << zrtBytes(3, 2, "", 2, zrt16) << 1;
        QTest::newRow("ct") << QByteArray("#PLMR-CTImg\n# RANGE_X1 = 2\n# RANGE_Y0 = -1\n# RANGE_Y1 = 1\n0 0 1\n1 0 2\n0 1 4\n") << 1;
        QTest::newRow("2dData") << saved2dData() << 0;
    }

    void progressAndCancel()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, doneWhenCancelled);
        const QString path = write("watched", bytes);
        for (const bool cancelled : {false, true}) {
            ParallelRows::Progress progress;
            progress.cancelled = cancelled;
            const ParallelRows::Scope scope(&progress);
            ImgData img;
            if (cancelled)
                QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^reading cancelled "));
            QCOMPARE(img.load(path), !cancelled);
            QCOMPARE(int(progress.total), 2);
            QCOMPARE(int(progress.done), cancelled ? doneWhenCancelled : 2);
            QCOMPARE(img.rows.size(), cancelled ? 0 : 2);
            QCOMPARE(img.errorString(), cancelled ? QStringLiteral("reading cancelled") : QString());
        }
    }

    // toTDData against its plain definition: sample(x, y) stored with setValue in scan order, on
    // any number of threads.
    void toTDDataMatchesPlain_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("floats");
        QTest::addColumn<int>("threads");
        for (int threads : {1, 2, 7}) {
            QTest::addRow("16-bit wide, %d threads", threads) << 67 << 3 << false << threads;
            QTest::addRow("float with NaN and infinities, %d threads", threads) << 11 << 6 << true << threads;
            QTest::addRow("float, tall, %d threads", threads) << 3 << 40 << true << threads;
        }
    }

    void toTDDataMatchesPlain()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(bool, floats);
        QFETCH(int, threads);
        ParallelRows::setThreadCount(threads);
        const TiffLayout layout{1, floats ? 32 : 16, floats ? SAMPLEFORMAT_IEEEFP : SAMPLEFORMAT_UINT, width, height};
        const QString path = dir.filePath("plain.tif");
        QVERIFY(writeTiff(path, "w", layout, randomSamples(width * height, floats, quint32(width * 100 + height))));
        QVERIFY(reused.load(path));

        const std::unique_ptr<TDData> got(reused.toTDData());
        TDData want(width, height);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x)
                want.setValue(x, y, reused.sample(x, y));
        }
        QCOMPARE(QSize(got->width, got->height), QSize(width, height));
        QCOMPARE(got->valids, want.valids);
        for (int i = 0; i < want.values.size(); ++i)
            QVERIFY2(sameDouble(got->values[i], want.values[i]), qPrintable(QString::number(i)));
        QVERIFY(sameDouble(got->minVal, want.minVal));
        QVERIFY(sameDouble(got->maxVal, want.maxVal));
    }

    void cleanup() { ParallelRows::setThreadCount(0); }

    // A record without rows gives valid zeros; the range takes in 0.0 on either side.
    void conversion()
    {
        ImgData img;
        img.fileName = "C:/data/run1.part2.tif";
        img.width = 2;
        img.height = 1;
        const std::unique_ptr<TDData> none(img.toTDData());
        QVERIFY(none->values == QVector<double>(2, 0.0));
        QCOMPARE(none->valids.count(true), 2);
        img.rows.append(new float[2]{-2.5f, -1.25f});
        img.sampleKind = ImgData::Float;
        const std::unique_ptr<TDData> data(img.toTDData());
        QCOMPARE(data->dataId, QString("run1"));
        QCOMPARE(QPointF(data->minVal, data->maxVal), QPointF(-2.5, 0.0));
    }
};

QTEST_GUILESS_MAIN(TestImgData)
#include "tst_imgdata.moc"
