#include "data/floattiff.h"

#include "data/parallelrows.h"
#include "data/savefile.h"
#include "data/tddata0.h"

#include <QBuffer>
#include <QDebug>
#include <QFile>

#include <tiffio.h>

#include <cmath>
#include <limits>
#include <new>
#include <vector>

namespace {

// libtiff writes through these into a buffer in memory, which then goes to the file in one
// checked write. Writing a plain image never reads back.
tmsize_t readNothing(thandle_t, void *, tmsize_t)
{
    return -1;
}

tmsize_t writeTo(thandle_t h, void *buf, tmsize_t size)
{
    return static_cast<QIODevice *>(h)->write(static_cast<const char *>(buf), size);
}

toff_t seekIn(thandle_t h, toff_t off, int whence)
{
    auto *file = static_cast<QIODevice *>(h);
    qint64 pos = qint64(off);
    if (whence == SEEK_CUR)
        pos += file->pos();
    else if (whence == SEEK_END)
        pos += file->size();
    return file->seek(pos) ? toff_t(file->pos()) : toff_t(-1);
}

int closeNothing(thandle_t)
{
    return 0;
}

toff_t sizeOf(thandle_t h)
{
    return toff_t(static_cast<QIODevice *>(h)->size());
}

int mapNothing(thandle_t, void **, toff_t *)
{
    return 0;
}

void unmapNothing(thandle_t, void *, toff_t) {}

bool fail(const QString &path, const QString &why, QString *reason)
{
    qDebug() << "can't write float TIFF" << path << ":" << why;
    if (reason)
        *reason = why;
    return false;
}

bool writeImage(TIFF *tif, const TDData0 &d)
{
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(d.width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(d.height));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(1));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(32));
    TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, uint16_t(SAMPLEFORMAT_IEEEFP));
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, uint16_t(PHOTOMETRIC_MINISBLACK));
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG));
    TIFFSetField(tif, TIFFTAG_COMPRESSION, uint16_t(COMPRESSION_NONE));
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
    if (!d.dataId.isEmpty())
        TIFFSetField(tif, TIFFTAG_IMAGEDESCRIPTION, d.dataId.toUtf8().constData());
    std::vector<float> line(size_t(d.width));
    ParallelRows::rowsStarted(d.height);
    for (int y = 0; y < d.height; ++y) {
        for (int x = 0; x < d.width; ++x)
            line[size_t(x)] = d.isValid(x, y) ? float(d.value(x, y)) : std::numeric_limits<float>::quiet_NaN();
        if (TIFFWriteScanline(tif, line.data(), uint32_t(y), 0) < 0 || !ParallelRows::rowsDone(1))
            return false;
    }
    return TIFFWriteDirectory(tif) != 0;
}

} // namespace

bool FloatTiff::write(const TDData0 &d, const QString &path, QString *reason)
{
    if (d.width < 1 || d.height < 1)
        return fail(path, QStringLiteral("empty grid"), reason);
    // The pixels plus room for the tags, held in memory: the one large allocation, refused rather
    // than thrown.
    const qint64 size = qint64(d.width) * d.height * 4 + 4096;
    if (size > std::numeric_limits<int>::max() / 2)
        return fail(path, QStringLiteral("too large for one TIFF"), reason);
    QByteArray bytes;
    try {
        bytes.reserve(int(size));
    } catch (const std::bad_alloc &) {
        return fail(path, QStringLiteral("not enough memory"), reason);
    }
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    // "m": no memory mapping; the native byte order, which every TIFF reader accepts.
    TIFF *tif = TIFFClientOpen(QFile::encodeName(path).constData(), "wm", &buffer, readNothing, writeTo, seekIn,
                               closeNothing, sizeOf, mapNothing, unmapNothing);
    if (!tif)
        return fail(path, QStringLiteral("TIFF writer not started"), reason);
    const bool written = writeImage(tif, d);
    TIFFClose(tif);
    if (ParallelRows::cancelled())
        return fail(path, QStringLiteral("cancelled"), reason);
    if (!written)
        return fail(path, QStringLiteral("TIFF not written"), reason);
    QString error;
    if (!SaveFile::save(path, bytes, &error))
        return fail(path, error, reason);
    return true;
}
