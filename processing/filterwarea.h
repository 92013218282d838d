#pragma once

#include "processing/filter.h"

// A filter with a window of 2 * areaHW + 1 columns and 2 * areaHH + 1 rows centred on each pixel.
// A half size of 0 or less switches the window off along that axis.
class FilterWArea : public Filter
{
    Q_OBJECT

public:
    FilterWArea(int type, int areaHW, int areaHH);

    int areaHW;
    int areaHH;
};
