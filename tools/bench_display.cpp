// Times rendering and loading side by side with their plain per-pixel versions on synthetic
// frames of doubles with about one pixel in a hundred invalid, at 1024, 2048 and 4096 pixels a
// side, single-threaded, and prints one table row per operation with the ratio; also one paint
// of such a frame into an image area.
// Run from a Release build: bench_display [sides...], e.g. bench_display 1024 2048.
//
// Each figure is the best of five runs in processor time of the running thread. Files are read
// from a warm cache: each is read once before it is timed.

#include "data/imgdata.h"
#include "data/tddata.h"
#include "display/colorbar0.h"
#include "display/datactrl.h"

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <time.h>
#include <tiffio.h>
#include <vector>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

std::unique_ptr<TDData> frame(int side)
{
    QRandomGenerator rng(12345);
    auto grid = std::make_unique<TDData>(side, side);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            grid->setValue(x, y, 100.0 * std::sin(x * 0.05) * std::cos(y * 0.07) + rng.bounded(10.0));
            if (rng.bounded(100) == 0)
                grid->setValid(x, y, false);
        }
    }
    return grid;
}

double threadMs()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec * 1e-6;
}

double bestMs(const std::function<void()> &op)
{
    double best = 1e300;
    for (int run = 0; run < 5; ++run) {
        const double start = threadMs();
        op();
        best = std::min(best, threadMs() - start);
    }
    return best;
}

void row(const QString &operation, int side, double plainMs, double fastMs)
{
    QTextStream(stdout) << QStringLiteral("| %1 | %2 | %3 | %4 | %5 |")
                               .arg(operation)
                               .arg(side)
                               .arg(plainMs, 0, 'f', 2)
                               .arg(fastMs, 0, 'f', 2)
                               .arg(plainMs / fastMs, 0, 'f', 1)
                        << Qt::endl;
}

// The plain rendering: a fresh zeroed buffer, writePixel for each pixel, an image over it.
void plainMakeImg(TDData *g, const ColorBar0 &cb)
{
    delete g->img;
    delete[] g->imgBuf;
    g->imgBuf = ColorBar0::newImageBuffer(cb.format, g->width, g->height);
    const qint64 bpl = ColorBar0::bytesPerLine(cb.format, g->width);
    const double range = g->maxVal - g->minVal;
    for (int y = 0; y < g->height; ++y) {
        uchar *out = g->imgBuf + y * bpl;
        for (int x = 0; x < g->width; ++x)
            out = cb.writePixel((g->value(x, y) - g->minVal) / range, g->isValid(x, y), out);
    }
    g->img = ColorBar0::newImage(cb.format, g->imgBuf, g->width, g->height);
}

// The plain 2dData reading: the whole file, then every value and flag stored one by one.
void plain2dData(const QString &path, TDData *g)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = file.readAll();
    const qint64 n = qint64(g->width) * g->height;
    const char *values = bytes.constData() + bytes.size() - n * 9;
    for (int i = 0; i < n; ++i) {
        g->values[i] = qFromLittleEndian<double>(values + 8 * i);
        g->valids[i] = values[8 * n + i] != 0;
    }
}

bool writeTiff16(const QString &path, int side)
{
    TIFF *tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
    if (!tif)
        return false;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(side));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(side));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(16));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(1));
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, uint16_t(PHOTOMETRIC_MINISBLACK));
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG));
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(16));
    std::vector<quint16> line(size_t(side), 0);
    bool ok = true;
    for (int y = 0; y < side && ok; ++y) {
        for (int x = 0; x < side; ++x)
            line[size_t(x)] = quint16((x * 37 + y * 11) & 0xffff);
        ok = TIFFWriteScanline(tif, line.data(), uint32_t(y), 0) >= 0;
    }
    TIFFClose(tif);
    return ok;
}

// The plain conversion: every sample through sample() and setValue().
TDData *plainToTDData(const ImgData &img)
{
    auto *data = new TDData(img.width, img.height);
    for (int y = 0; y < data->height; ++y) {
        for (int x = 0; x < data->width; ++x)
            data->setValue(x, y, img.sample(x, y));
    }
    return data;
}

void benchSide(int side, const QTemporaryDir &dir)
{
    const std::unique_ptr<TDData> src = frame(side);
    ColorBar0 cb;
    cb.lowerMark = 0.2;
    cb.upperMark = 0.9;
    for (int format : {int(ColorBar0::FormatRGB888), int(ColorBar0::FormatGrayscale8)}) {
        cb.format = format;
        row(QStringLiteral("makeImg, format %1").arg(format), side, bestMs([&] { plainMakeImg(src.get(), cb); }),
            bestMs([&] { src->makeImg(&cb); }));
    }

    const QString dataPath = dir.filePath(QStringLiteral("frame.2dData"));
    src->save2dData(dataPath);
    TDData loaded;
    loaded.read2dData(dataPath);
    row(QStringLiteral("read2dData"), side, bestMs([&] { plain2dData(dataPath, &loaded); }),
        bestMs([&] { loaded.read2dData(dataPath); }));

    const QString tiffPath = dir.filePath(QStringLiteral("frame.tif"));
    if (writeTiff16(tiffPath, side)) {
        ImgData img;
        row(QStringLiteral("16-bit TIFF load + toTDData"), side,
            bestMs([&] { img.load(tiffPath); delete plainToTDData(img); }),
            bestMs([&] { img.load(tiffPath); delete img.toTDData(); }));
    }
}

// One paint of an 800 x 800 image area: the whole frame, a 4x zoom-in about the centre and a
// zoom-out showing the frame at half its area width; plain is the whole-image drawImage.
void benchPaint(int side)
{
    const std::unique_ptr<TDData> src = frame(side);
    QImage area(800, 800, QImage::Format_RGB32);
    const QRectF views[] = {QRectF(0, 0, side, side), QRectF(side * 0.375, side * 0.375, side / 4.0, side / 4.0),
                            QRectF(-side / 2.0, -side / 2.0, side * 2.0, side * 2.0)};
    const char *names[] = {"whole", "4x zoom-in", "zoom-out"};
    ColorBar0 cb;
    for (int format : {int(ColorBar0::FormatRGB888), int(ColorBar0::FormatGrayscale8)}) {
        cb.format = format;
        src->makeImg(&cb);
        QPainter p(&area);
        for (int i = 0; i < 3; ++i) {
            row(QStringLiteral("paint 800 x 800, %1, format %2").arg(QLatin1String(names[i])).arg(format), side,
                bestMs([&] { p.drawImage(QRectF(0, 0, 800, 800), *src->img, views[i]); }),
                bestMs([&] { DataCtrl::drawView(&p, *src->img, views[i], QSizeF(800, 800)); }));
        }
    }
}

void silence(QtMsgType, const QMessageLogContext &, const QString &) {}

} // namespace

int main(int argc, char **argv)
{
#if defined(__GLIBC__)
    // As in bench_filters: keep freed frames for the next run instead of paying fresh page faults.
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
#endif
    QCoreApplication app(argc, argv);
    qInstallMessageHandler(&silence);
    QTemporaryDir dir;
    QList<int> sides;
    for (const QString &arg : app.arguments().mid(1))
        sides.append(arg.toInt());
    if (sides.isEmpty())
        sides = {1024, 2048, 4096};
    QTextStream(stdout) << "| operation | side | plain ms | fast ms | plain / fast |" << Qt::endl
                        << "|---|---|---|---|---|" << Qt::endl;
    for (int side : qAsConst(sides)) {
        if (side > 0) {
            benchSide(side, dir);
            benchPaint(side);
        }
    }
    return 0;
}
