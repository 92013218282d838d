#pragma once

#include "processing/filterwarea.h"

class TDData;

// Two-valued map of where a pixel is brighter than the mean of its window: 1.0 when the
// window's moving average is strictly below the pixel, else 0.0 (also for ties and NaN).
class AdaptiveThresholdF : public FilterWArea
{
    Q_OBJECT

public:
    AdaptiveThresholdF(int areaHW, int areaHH);

    // Computes the valid source pixels of the work rectangle that lie inside the grid; every other
    // pixel of the result is invalid. The mean is taken over the whole grid. The result is named
    // "<source>: AT(hw,hh)" (never translated), has no region and carries the source's info items.
    // Never fails; the caller owns the result.
    TDData *exec(const TDData *src, const QRect &rect) const;
};
