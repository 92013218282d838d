#include "adaptivethresholdf.h"

#include "data/tddata.h"

AdaptiveThresholdF::AdaptiveThresholdF(int areaHW, int areaHH)
    : FilterWArea(AdaptiveThreshold, areaHW, areaHH)
{
}

TDData *AdaptiveThresholdF::exec(const TDData *src, const QRect &rect) const
{
    TDData *mean = src->movingAvr(areaHW, areaHH);
    auto *result = new TDData(src->width, src->height);
    const QRect r = insideGrid(src, rect);
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            if (src->isValid(x, y))
                result->setValue(x, y, mean->value(x, y) < src->value(x, y) ? 1.0 : 0.0);
        }
    }
    mean->deleteLater();
    result->dataId = QStringLiteral("%1: AT(%2,%3)").arg(src->dataId, QString::number(areaHW), QString::number(areaHH));
    src->copyInfos(result);
    return result;
}
