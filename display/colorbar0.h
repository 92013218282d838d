#pragma once

#include <QColor>
#include <QtGlobal>

class QImage;
class QString;

// The colour scale that turns data values into pixels, and the fixed colour tables behind it.
// A value normalised to t (0 at the dataset minimum, 1 at its maximum) is stretched between the
// lower and upper marks and looked up in the black-red-yellow-white table (formats 4, 5, 13)
// or the grey ramp (format 24); invalid pixels get a colour of their own.
// Widget-free: datasets render themselves through it (TDData::makeImg).
class ColorBar0
{
public:
    // QImage::Format numbers the scale can render into.
    enum : int { FormatRGB32 = 4, FormatARGB32 = 5, FormatRGB888 = 13, FormatGrayscale8 = 24 };

    static const int ColorTableSize = 767;
    static const int GreyLevels = 256;
    static const int InvalidGrey = 192;

    // Entry i of the colour table (0 <= i < ColorTableSize) and the invalid-pixel colour.
    static QRgb colorTableEntry(int i);
    static QRgb invalidColor();

    static bool isSupportedFormat(int format);
    // 4, 4, 3 or 1 for the supported formats, 0 for any other.
    static int bytesPerPixel(int format);
    // Bytes per pixel x width rounded up to a multiple of 4; 0 for an unsupported format.
    static qint64 bytesPerLine(int format, int width);
    // An uninitialised buffer of bytesPerLine x height bytes (array new; the caller deletes it
    // with delete[]), or null when that size is 0 or less, the format is unsupported or the image
    // would be too large to address.
    static uchar *newImageBuffer(int format, int width, int height);
    // An image of the format over buffer, neither copying nor freeing it (the caller keeps and
    // frees the buffer after the image). The caller owns the image; null for an unsupported format.
    static QImage *newImage(int format, uchar *buffer, int width, int height);

    // Mark colours 0 to 3 (regions being dragged and set use 0 and 1); invalid for any other number.
    static QColor markColor(int n);
    // Reads "background-color: rgb(r, g, b);"; invalid when unreadable or a component exceeds 255.
    static QColor colorFromStyle(const QString &style);

    // Writes the pixel for normalised value t in the current format at out and returns the
    // position behind it. A NaN scale position selects the first table entry. Writes nothing
    // for an unsupported format.
    uchar *writePixel(double t, bool valid, uchar *out) const;
    // The colour writePixel gives a valid value t; black for an unsupported format.
    QColor colorOf(double t) const;

    int format = FormatRGB32;
    double lowerMark = 0.0;
    double upperMark = 1.0;
    double scaleMin = 0.0;
    double scaleMax = 1.0;
};
