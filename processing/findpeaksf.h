#pragma once

#include "processing/filter.h"

#include <QPointF>
#include <QVector>

class TDData;
class TDData0;

// Finds peakNum extreme pixels (maxima or minima) of the work rectangle, one pass each, every new
// peak at least exclRadius away from those found before. Ties go to the first pixel in scan order
// (top row first, then left column).
class FindPeaksF : public Filter
{
    Q_OBJECT

public:
    FindPeaksF(double exclRadius, int peakNum, bool findMax);

    // Returns a grid showing the peak values at the peaks and 0.0 on the rectangle's other valid
    // pixels, invalid elsewhere, named "<source>: PKs(+)" or "PKs(-)". It carries the source's info
    // items followed by the new peak list (kind 1, "Peaks(+)" or "Peaks(-)") of exactly peakNum
    // points; a pass where no pixel qualifies records (0, 0). Points outside the grid (only
    // possible for an empty grid) stay in the list but show nothing. The caller owns the result.
    // Null, with a debug line, when peakNum exceeds maxPeaks or the list's memory cannot be had.
    TDData *exec(const TDData *src, const QRect &rect) const;
    // The most peaks exec takes for src: its pixel count plus 2^20 points for passes that find
    // nothing, and never more than a list can hold.
    static qint64 maxPeaks(const TDData0 *src);

    double exclRadius;
    int peakNum;
    bool findMax;

private:
    QVector<QPointF> findPeaks(const TDData *src, const QRect &r) const;
};
