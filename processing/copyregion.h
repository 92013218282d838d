#pragma once

#include <QRect>

class TDData;
class TDData0;

// The copy panel's simple copy: one rectangle of a dataset becomes a new dataset.
class CopyRegion
{
public:
    // Copies r (corners inclusive) of src. With resize the new grid is r's size and r lands at its
    // origin; otherwise it has src's size and r stays in place. Pixels of r outside src, and every
    // pixel outside r, stay invalid. The copy takes src's region (or src's whole grid as region), no
    // info items, and is named "<src>: Cp(l,t)-(r,b)" (format translated in the context CopyCtrl).
    // Returns null for an empty r (width or height below 1), and with a debug line for a size that
    // cannot be held or whose memory cannot be had. The caller owns the result.
    static TDData *exec(const TDData0 *src, const QRect &r, bool resize);
};
