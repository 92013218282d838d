// fuzz_corpus <folder>: writes the seed corpus of the fuzz targets, small valid files of every
// format and damaged ones (cut short, sizes that claim more than the file holds, broken text),
// into <folder>/<target>/. The corpus in tools/fuzz/corpus is this tool's output plus the inputs
// fuzzing has found; fuzz_replay runs all of it in every build.
#include "cli/peakcsv.h"
#include "data/savefile.h"
#include "data/tddata0.h"
#include "tools/zrtheader.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QPointF>

#include <tiffio.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

QDir root;
bool ok = true;

void put(const char *target, const QString &name, const QByteArray &bytes)
{
    QDir().mkpath(root.filePath(QString::fromLatin1(target)));
    QString error;
    if (!SaveFile::save(root.filePath(QString::fromLatin1(target) + QLatin1Char('/') + name), bytes, &error)) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(name), qPrintable(error));
        ok = false;
    }
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A file as valid, and cut to a few lengths: the damage a broken download does.
void putWithCuts(const char *target, const QString &name, const QByteArray &bytes)
{
    put(target, name, bytes);
    for (int cut : {bytes.size() - 1, bytes.size() / 2, 20})
        if (cut > 0 && cut < bytes.size())
            put(target, QStringLiteral("%1-cut%2").arg(name).arg(cut), bytes.left(cut));
}

QByteArray grid2dData(int w, int h, const QString &id)
{
    TDData0 grid(w, h);
    grid.dataId = id;
    for (int i = 0; i < grid.values.size(); ++i) {
        grid.values[i] = i % 3 == 0 ? -0.0 : i * 0.5;
        grid.valids[i] = i % 4 != 1;
    }
    const QString path = root.filePath(QStringLiteral("scratch.qlv"));
    grid.save2dData(path);
    const QByteArray bytes = readAll(path);
    QFile::remove(path);
    return bytes;
}

// A header line replaced, as a damaged or hostile file has it.
QByteArray withLine(QByteArray bytes, const QByteArray &key, const QByteArray &line)
{
    const int at = bytes.indexOf(key);
    const int end = bytes.indexOf('\n', at);
    return bytes.replace(at, end - at, line);
}

void twoDData()
{
    const QByteArray valid = grid2dData(3, 2, QStringLiteral("abc"));
    for (const char *target : {"header", "imgdata"}) {
        putWithCuts(target, QStringLiteral("valid.qlv"), valid);
        put(target, QStringLiteral("empty.qlv"), grid2dData(0, 0, QString()));
        put(target, QStringLiteral("crlf.qlv"), QByteArray(valid).replace('\n', "\r\n"));
        put(target, QStringLiteral("huge-claim.qlv"), withLine(withLine(valid, "WIDTH:", "WIDTH: 16000"), "HEIGHT:", "HEIGHT: 16000"));
        put(target, QStringLiteral("no-width.qlv"), withLine(withLine(valid, "WIDTH:", "X"), "HEIGHT:", "HEIGHT: 300000000"));
        put(target, QStringLiteral("negative.qlv"), withLine(valid, "WIDTH:", "WIDTH: -5"));
        put(target, QStringLiteral("header-size.qlv"), QByteArray("2dData-V0.0 HeaderSize: 2147483647 ") + QByteArray(200, 'x'));
        put(target, QStringLiteral("no-size.qlv"), QByteArray("2dData\nWIDTH: 2\nHEIGHT: 2\n"));
    }
}

QByteArray tiff(int bits, int format, uint16_t compression, int w, int h, int pages = 1)
{
    const QString path = root.filePath(QStringLiteral("scratch.tif"));
    {
        std::unique_ptr<TIFF, void (*)(TIFF *)> tif(TIFFOpen(QFile::encodeName(path).constData(), "w"), TIFFClose);
        for (int page = 0; page < pages; ++page) {
            TIFFSetField(tif.get(), TIFFTAG_IMAGEWIDTH, uint32_t(w));
            TIFFSetField(tif.get(), TIFFTAG_IMAGELENGTH, uint32_t(h));
            TIFFSetField(tif.get(), TIFFTAG_BITSPERSAMPLE, uint16_t(bits));
            TIFFSetField(tif.get(), TIFFTAG_SAMPLESPERPIXEL, uint16_t(1));
            TIFFSetField(tif.get(), TIFFTAG_SAMPLEFORMAT, uint16_t(format));
            TIFFSetField(tif.get(), TIFFTAG_PHOTOMETRIC, uint16_t(PHOTOMETRIC_MINISBLACK));
            TIFFSetField(tif.get(), TIFFTAG_COMPRESSION, compression);
            TIFFSetField(tif.get(), TIFFTAG_ROWSPERSTRIP, uint32_t(2));
            std::vector<uint8_t> row(size_t(w) * bits / 8);
            for (int y = 0; y < h; ++y) {
                for (size_t i = 0; i < row.size(); ++i)
                    row[i] = uint8_t(i * 7 + y + page);
                TIFFWriteScanline(tif.get(), row.data(), uint32_t(y), 0);
            }
            TIFFWriteDirectory(tif.get());
        }
    }
    const QByteArray bytes = readAll(path);
    QFile::remove(path);
    return bytes;
}

QByteArray zrt(const QByteArray &comment, int w, int h, int bytesPerPixel)
{
    QByteArray bytes = zrtHeader(comment, w, h);
    for (int i = 0; i < w * h * bytesPerPixel; ++i)
        bytes += char(i * 13);
    return bytes;
}

void images()
{
    putWithCuts("imgdata", QStringLiteral("u16.tif"), tiff(16, SAMPLEFORMAT_UINT, COMPRESSION_NONE, 5, 4));
    put("imgdata", QStringLiteral("u8.tif"), tiff(8, SAMPLEFORMAT_UINT, COMPRESSION_NONE, 5, 4));
    put("imgdata", QStringLiteral("u32.tif"), tiff(32, SAMPLEFORMAT_UINT, COMPRESSION_NONE, 3, 4));
    put("imgdata", QStringLiteral("float.tif"), tiff(32, SAMPLEFORMAT_IEEEFP, COMPRESSION_NONE, 3, 4));
    putWithCuts("imgdata", QStringLiteral("lzw.tif"), tiff(16, SAMPLEFORMAT_UINT, COMPRESSION_LZW, 6, 6));
    put("imgdata", QStringLiteral("deflate.tif"), tiff(16, SAMPLEFORMAT_UINT, COMPRESSION_ADOBE_DEFLATE, 6, 6));
    put("imgdata", QStringLiteral("packbits.tif"), tiff(16, SAMPLEFORMAT_UINT, COMPRESSION_PACKBITS, 6, 6));
    put("imgdata", QStringLiteral("s16.tif"), tiff(16, SAMPLEFORMAT_INT, COMPRESSION_NONE, 3, 2));
    putWithCuts("imgdata", QStringLiteral("stack.tif"), tiff(16, SAMPLEFORMAT_UINT, COMPRESSION_NONE, 3, 2, 3));
    putWithCuts("imgdata", QStringLiteral("u16.zrt"), zrt("BytesPerPixel=2,Exposure=20ms", 4, 3, 2));
    put("imgdata", QStringLiteral("u32.zrt"), zrt("Camera=x,BytesPerPixel=4", 3, 2, 4));
    put("imgdata", QStringLiteral("cr.zrt"), zrt("Bytes\rPerPixel=4", 3, 2, 4));
    put("imgdata", QStringLiteral("huge-claim.zrt"), zrt("BytesPerPixel=4", 0, 0, 4).replace(4, 4, "\xff\xff\xff\xff"));
    put("imgdata", QStringLiteral("zero-width.zrt"), zrt("", 0, 0, 2).replace(6, 2, "\xff\xff"));
    const QByteArray ct = "#PLMR-CTImg slice\n# RANGE_X0 = 0\n# RANGE_X1 = 3\n#\tRANGE_Y0 = 0\n# range_y1 = 2\n"
                          "0 0 0.01\n1 0 -0.1\n2 0 1e300\n0 1 nan\n1 1 \"2 3\"\n2 1 5\n";
    putWithCuts("imgdata", QStringLiteral("slice.ct"), ct);
    put("imgdata", QStringLiteral("huge-claim.ct"), "#PLMR-CTImg\n# RANGE_X1 = 16000\n# RANGE_Y1 = 16000\n");
    put("imgdata", QStringLiteral("short-lines.ct"), "#PLMR-CTImg\n# RANGE_X1 = 2000\n# RANGE_Y1 = 2000\n1 1 1\n\n2");
}

void configs()
{
    put("config", QStringLiteral("plain.cfg"), "-d /data # root\nDataRoot \"/a b\"\nEmpty\n\"quoted key\" v # c\n");
    put("config", QStringLiteral("include.cfg"), "A 1\nINCLUDE b.cfg\ninclude \"b.cfg\"\nB 2\nInclude missing.cfg\n");
    put("config", QStringLiteral("quotes.cfg"), "K \"unterminated\nL 'x # y\" z\nM v\"\n");
    put("config", QStringLiteral("crlf.cfg"), "A 1\r\nINCLUDE a.cfg\r\nB 2\r\n");
}

void peakCsvs()
{
    TDData0 values(4, 3);
    values.values[5] = -0.0;
    values.values[6] = 2.5;
    const QByteArray csv = PeakCsv::write({QPointF(1, 1), QPointF(2, 1), QPointF(0, 0), QPointF(9, 9)}, &values);
    putWithCuts("peakcsv", QStringLiteral("peaks.csv"), csv);
    put("peakcsv", QStringLiteral("zero-byte.csv"), QByteArray("index,x,y,value\n0,1\0junk,2,3\n", 30));
    put("peakcsv", QStringLiteral("spaces.csv"), "\n index , x , y , value \r\n0, 1e3 ,-2,nan\n1,inf,1,1\n");
    put("peakcsv", QStringLiteral("no-header.csv"), "0,1,2,3\n");
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    root = QDir(QFile::decodeName(argv[1]));
    if (!QDir().mkpath(root.path())) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    twoDData();
    images();
    configs();
    peakCsvs();
    return ok ? 0 : 1;
}
