#include "movingavrf.h"

#include "data/tddata.h"

#include <memory>

MovingAvrF::MovingAvrF(int areaHW, int areaHH)
    : FilterWArea(MovingAvr, areaHW, areaHH)
{
}

TDData *MovingAvrF::exec(const TDData *src, const QRect & /*rect*/) const
{
    // Owned here until returned: naming it may run out of memory too.
    std::unique_ptr<TDData> result(src->movingAvr(areaHW, areaHH));
    // One-pass arg() so that a "%" in the source name is never taken for a placeholder.
    result->dataId = tr("%1: MA(%2,%3)").arg(src->dataId, QString::number(areaHW), QString::number(areaHH));
    // The plain copy made when both half sizes are off already carries the source's items.
    if (areaHW > 0 || areaHH > 0)
        src->copyInfos(result.get());
    return result.release();
}
