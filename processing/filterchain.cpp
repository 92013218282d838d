#include "filterchain.h"

#include "data/tddata.h"
#include "processing/adaptivethresholdf.h"
#include "processing/findpeaksf.h"
#include "processing/matchingf.h"
#include "processing/movingavrf.h"

TDData *FilterChain::run(Filter *filter, const TDData *src, const QRect &rect)
{
    switch (filter->type) {
    case Filter::AdaptiveThreshold:
        return static_cast<AdaptiveThresholdF *>(filter)->exec(src, rect);
    case Filter::MovingAvr:
        return static_cast<MovingAvrF *>(filter)->exec(src, rect);
    case Filter::Matching: {
        auto *matching = static_cast<MatchingF *>(filter);
        if (matching->execMode == MatchingF::Exec1)
            return matching->exec1(src, rect);
        if (matching->execMode == MatchingF::Exec2)
            return matching->exec2(src, rect);
        return nullptr;
    }
    case Filter::FindPeaks:
        return static_cast<FindPeaksF *>(filter)->exec(src, rect);
    default:
        return nullptr;
    }
}

TDData *FilterChain::apply(const QVector<Filter *> &filters, const TDData *src, const QRect &rect)
{
    auto *current = new TDData(src->width, src->height);
    src->copyRect(current, QRect(0, 0, src->width, src->height), false);
    src->copyInfos(current);
    for (Filter *filter : filters) {
        if (TDData *result = run(filter, current, rect)) {
            // Intermediate results never leave this function, so nothing else can point at them.
            delete current;
            current = result;
        }
    }
    return current;
}
