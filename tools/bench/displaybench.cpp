// Times rendering, loading and painting against plain per-pixel versions. Files are read from a
// warm cache: each is read once before it is timed.

#include "displaybench.h"

#include "benchtools.h"
#include "data/imgdata.h"
#include "data/tddata.h"
#include "display/chcoord.h"
#include "display/colorbar.h"
#include "display/colorbar0.h"
#include "display/datactrl.h"

#include <QFile>
#include <QCoreApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QTemporaryDir>
#include <QtEndian>

#include <tiffio.h>
#include <vector>

namespace Bench {

namespace {

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

void renderAndLoad(int side, const QTemporaryDir &dir, Table *table)
{
    const std::unique_ptr<TDData> src = frame(side);
    ColorBar0 cb;
    cb.lowerMark = 0.2;
    cb.upperMark = 0.9;
    for (int format : {int(ColorBar0::FormatRGB888), int(ColorBar0::FormatGrayscale8)}) {
        cb.format = format;
        table->row(QStringLiteral("makeImg, format %1").arg(format), side,
                   bestMs([&] { plainMakeImg(src.get(), cb); }), fastMs([&] { src->makeImg(&cb); }),
                   QStringLiteral("plain: fresh buffer, writePixel per pixel"));
    }

    const QString dataPath = dir.filePath(QStringLiteral("frame.2dData"));
    src->save2dData(dataPath);
    TDData loaded;
    loaded.read2dData(dataPath);
    table->row(QStringLiteral("read2dData"), side, bestMs([&] { plain2dData(dataPath, &loaded); }),
               fastMs([&] { loaded.read2dData(dataPath); }),
               QStringLiteral("plain: every value and flag stored one by one"));

    const QString tiffPath = dir.filePath(QStringLiteral("frame.tif"));
    if (writeTiff16(tiffPath, side)) {
        ImgData img;
        table->row(QStringLiteral("16-bit TIFF load + toTDData"), side,
                   bestMs([&] { img.load(tiffPath); delete plainToTDData(img); }),
                   fastMs([&] { img.load(tiffPath); delete img.toTDData(); }),
                   QStringLiteral("plain: sample() and setValue() per pixel"));
    }
}

// One paint of an 800 x 800 image area: the whole frame, a 4x zoom-in about the centre and a
// zoom-out showing the frame at half its area width.
void paint(int side, Table *table)
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
            ChCoord cc;
            cc.setWidgetRange(0, 800, 800, 0);
            cc.setRange(views[i].left(), views[i].bottom(), views[i].right(), views[i].top());
            table->row(QStringLiteral("paint 800 x 800, %1, format %2").arg(QLatin1String(names[i])).arg(format), side,
                       bestMs([&] { p.drawImage(QRectF(0, 0, 800, 800), *src->img, views[i]); }),
                       fastMs([&] { DataCtrl::drawView(&p, *src->img, cc, QSize(800, 800)); }),
                       QStringLiteral("plain: drawImage of the view's part"));
        }
    }
}

// One drag step of a colour bar mark over a frame shown in its row: the bar picture redrawn and
// the frame rendered once, as the row receives the step. The plain version renders it twice, as
// the row did when a step also announced a new scale.
void colourBarDrag(int side, Table *table)
{
    DataCtrl row;
    row.setData(frame(side).release());
    ColorBar *bar = row.imgDisp.ui.CBar;
    bar->resize(20, 600);
    auto send = [bar](QEvent::Type type, int y) {
        QMouseEvent e(type, QPointF(10, y), QPointF(10, y), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(bar, &e);
    };
    send(QEvent::MouseButtonPress, 100);
    int y = 100;
    auto step = [&] { send(QEvent::MouseMove, y = (y == 100 ? 110 : 100)); };
    table->row(QStringLiteral("colour bar drag step, format 13"), side,
               bestMs([&] { step(); row.data(false)->makeImg(bar); }), fastMs(step),
               QStringLiteral("plain: the step renders the frame twice"));
    send(QEvent::MouseButtonRelease, y);
}

} // namespace

void display(int side, const QTemporaryDir &dir, Table *table)
{
    renderAndLoad(side, dir, table);
    paint(side, table);
    colourBarDrag(side, table);
}

} // namespace Bench
