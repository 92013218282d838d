#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QVector>

#include <tiffio.h>

// Whole-file helpers for the tests; an empty result or false means the file could not be used.
inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A little-endian TIFF of unsigned 16-bit pages, one directory per page in order; each page
// holds width * height samples.
inline bool writeU16Stack(const QString &path, int width, int height, const QVector<QVector<quint16>> &pages)
{
    TIFF *tif = TIFFOpen(QFile::encodeName(path).constData(), "wl");
    bool ok = tif != nullptr;
    for (const QVector<quint16> &samples : pages) {
        ok = ok && TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(width)) && TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(height))
            && TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16) && TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1)
            && TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK) && TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(height));
        for (int y = 0; y < height && ok; ++y)
            ok = TIFFWriteScanline(tif, const_cast<quint16 *>(samples.constData() + y * width), uint32_t(y), 0) >= 0;
        ok = ok && TIFFWriteDirectory(tif);
    }
    if (tif)
        TIFFClose(tif);
    return ok;
}
