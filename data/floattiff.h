#pragma once

#include <QString>

class TDData0;

// Writes a dataset as a TIFF of 32-bit floats, one sample per pixel, uncompressed, in strips:
// the layout ImageJ, Fiji and tifffile open and ImgData::load reads back. Invalid pixels are
// written as NaN; valid values are rounded to float (beyond its range they become infinities).
class FloatTiff
{
public:
    // Writes d to path through a temporary file that replaces path only once everything is
    // written, so a failure leaves an existing file as it was. Returns false with a debug line
    // and, when reason is given, a short English reason (an empty grid cannot be written).
    // Inside a ParallelRows run it reports its rows, and once the run is cancelled it stops
    // (reason "cancelled") and leaves path alone.
    static bool write(const TDData0 &d, const QString &path, QString *reason = nullptr);
};
