#include "filterwarea.h"

FilterWArea::FilterWArea(int type, int areaHW, int areaHH)
    : Filter(type)
    , areaHW(areaHW)
    , areaHH(areaHH)
{
}
