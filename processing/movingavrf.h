#pragma once

#include "processing/filterwarea.h"

class TDData;

// Moving average over the valid pixels of a window, computed with running sums so that the
// cost does not depend on the window size. Invalid source pixels stay invalid.
class MovingAvrF : public FilterWArea
{
    Q_OBJECT

public:
    MovingAvrF(int areaHW, int areaHH);

    // Averages the whole grid (the work rectangle is not used) and names the result
    // "<source>: MA(hw,hh)". With both half sizes 0 or less the result is a plain copy keeping
    // the source's region. The result carries the source's info items. Never fails; the caller
    // owns the result.
    TDData *exec(const TDData *src, const QRect &rect) const;
};
