#include "adaptivethresholdf.h"

#include "data/tddata.h"

namespace {

// One row of the map: 1.0 where the pixel is valid and above its mean, 0.0 where it is valid
// otherwise; the flags follow the source. Returns whether any 1.0 was stored.
bool thresholdRow(const double *values, const bool *valids, const double *mean, int n, double *out, bool *outValid)
{
    bool any = false;
    for (int i = 0; i < n; ++i) {
        const bool above = valids[i] && mean[i] < values[i];
        out[i] = above ? 1.0 : 0.0;
        outValid[i] = valids[i];
        any |= above;
    }
    return any;
}

} // namespace

AdaptiveThresholdF::AdaptiveThresholdF(int areaHW, int areaHH)
    : FilterWArea(AdaptiveThreshold, areaHW, areaHH)
{
}

TDData *AdaptiveThresholdF::exec(const TDData *src, const QRect &rect) const
{
    TDData *mean = src->movingAvr(areaHW, areaHH);
    auto *result = new TDData(src->width, src->height);
    const QRect r = insideGrid(src, rect);
    // The fresh result holds 0.0 everywhere, so storing 0.0 only sets the flag, and its range
    // already holds 0.0: only a 1.0 can widen it.
    bool anyAbove = false;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const int i = src->index(r.left(), y);
        anyAbove = thresholdRow(src->values.constData() + i, src->valids.constData() + i,
                                mean->values.constData() + i, r.width(), result->values.data() + i,
                                result->valids.data() + i) || anyAbove;
    }
    if (anyAbove)
        result->widenRange(1.0);
    mean->deleteLater();
    result->dataId = QStringLiteral("%1: AT(%2,%3)").arg(src->dataId, QString::number(areaHW), QString::number(areaHH));
    src->copyInfos(result);
    return result;
}
