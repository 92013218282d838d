#include "colorbar0.h"

#include "data/hugepages.h"

#include <QDebug>
#include <QImage>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <limits>
#include <new>

namespace {

// Black to red (0..255), red to yellow (256..510), yellow towards white (511..765), white (766).
constexpr std::array<QRgb, ColorBar0::ColorTableSize> makeColorTable()
{
    std::array<QRgb, ColorBar0::ColorTableSize> table{};
    for (int i = 0; i < ColorBar0::ColorTableSize; ++i) {
        if (i <= 255)
            table[i] = qRgb(i, 0, 0);
        else if (i <= 510)
            table[i] = qRgb(255, i - 255, 0);
        else if (i <= 765)
            table[i] = qRgb(255, 255, i - 510);
        else
            table[i] = qRgb(255, 255, 255);
    }
    return table;
}

// Constant, so the tables exist before anything (the application object included) is created.
constexpr std::array<QRgb, ColorBar0::ColorTableSize> ColorTable = makeColorTable();
constexpr QRgb InvalidColor = qRgb(210, 220, 210);

const char *const MarkStyles[] = {
    "background-color: rgb(255, 243, 162);",
    "background-color: rgb(211, 255, 241);",
    "background-color: rgb(255, 192, 192);",
    "background-color: rgb(230, 192, 192);",
};

// trunc(s x steps) limited to 0..last; NaN (e.g. from a dataset with minimum = maximum) gives 0.
int tableIndex(double s, int steps, int last)
{
    if (std::isnan(s))
        return 0;
    return std::clamp(int(s * steps), 0, last);
}

} // namespace

QRgb ColorBar0::colorTableEntry(int i)
{
    return ColorTable[std::clamp(i, 0, ColorTableSize - 1)];
}

QRgb ColorBar0::invalidColor()
{
    return InvalidColor;
}

bool ColorBar0::isSupportedFormat(int format)
{
    return bytesPerPixel(format) > 0;
}

int ColorBar0::bytesPerPixel(int format)
{
    switch (format) {
    case FormatRGB32:
    case FormatARGB32:
        return 4;
    case FormatRGB888:
        return 3;
    case FormatGrayscale8:
        return 1;
    default:
        return 0;
    }
}

qint64 ColorBar0::bytesPerLine(int format, int width)
{
    const qint64 raw = qint64(bytesPerPixel(format)) * width;
    return (raw + 3) / 4 * 4;
}

uchar *ColorBar0::newImageBuffer(int format, int width, int height)
{
    const qint64 bpl = bytesPerLine(format, width);
    if (bpl <= 0 || height <= 0)
        return nullptr;
    // QImage addresses its lines and its size with int.
    if (bpl > std::numeric_limits<int>::max() / height) {
        qDebug() << "image too large" << width << height;
        return nullptr;
    }
    // Left unwritten: whoever fills it takes the first touch of each page, on every thread at once.
    uchar *buffer = new (std::nothrow) uchar[size_t(bpl * height)];
    if (buffer)
        HugePages::advise(buffer, size_t(bpl * height));
    return buffer;
}

QImage *ColorBar0::newImage(int format, uchar *buffer, int width, int height)
{
    const qint64 bpl = bytesPerLine(format, width);
    if (!isSupportedFormat(format) || !buffer || bpl <= 0 || height <= 0
        || bpl > std::numeric_limits<int>::max() / height)
        return nullptr;
    return new QImage(buffer, width, height, int(bpl), QImage::Format(format));
}

QColor ColorBar0::markColor(int n)
{
    if (n < 0 || n >= int(std::size(MarkStyles)))
        return QColor();
    return colorFromStyle(QString::fromLatin1(MarkStyles[n]));
}

QColor ColorBar0::colorFromStyle(const QString &style)
{
    const QString prefix = QStringLiteral("background-color: rgb(");
    const int start = style.indexOf(prefix);
    if (start < 0)
        return QColor();
    const int begin = start + prefix.size();
    const int end = style.indexOf(QLatin1Char(')'), begin);
    if (end < 0)
        return QColor();
    QString inner = style.mid(begin, end - begin);
    inner.remove(QRegularExpression(QStringLiteral("\\s")));
    const QStringList parts = inner.split(QLatin1Char(','));
    if (parts.size() != 3)
        return QColor();
    int rgb[3];
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        rgb[i] = parts[i].toInt(&ok);
        if (!ok || rgb[i] < 0 || rgb[i] > 255)
            return QColor();
    }
    return QColor(rgb[0], rgb[1], rgb[2]);
}

uchar *ColorBar0::writePixel(double t, bool valid, uchar *out) const
{
    double s = (t - lowerMark) / (upperMark - lowerMark);
    if (!std::isnan(s))
        s = std::clamp(s, 0.0, 1.0);
    switch (format) {
    case FormatRGB32:
    case FormatARGB32:
    case FormatRGB888: {
        const QRgb c = valid ? ColorTable[tableIndex(s, ColorTableSize - 1, ColorTableSize - 1)]
                             : InvalidColor;
        if (format == FormatRGB888) {
            *out++ = uchar(qRed(c));
            *out++ = uchar(qGreen(c));
            *out++ = uchar(qBlue(c));
        } else {
            *out++ = uchar(qBlue(c));
            *out++ = uchar(qGreen(c));
            *out++ = uchar(qRed(c));
            *out++ = 255;
        }
        break;
    }
    case FormatGrayscale8:
        // The grey ramp maps entry i to level i.
        *out++ = uchar(valid ? tableIndex(s, GreyLevels, GreyLevels - 1) : InvalidGrey);
        break;
    default:
        break;
    }
    return out;
}

QColor ColorBar0::colorOf(double t) const
{
    uchar px[4] = {0, 0, 0, 0};
    writePixel(t, true, px);
    switch (format) {
    case FormatRGB32:
    case FormatARGB32:
        return QColor(px[2], px[1], px[0]);
    case FormatRGB888:
        return QColor(px[0], px[1], px[2]);
    case FormatGrayscale8:
        return QColor(px[0], px[0], px[0]);
    default:
        return QColor(0, 0, 0);
    }
}
