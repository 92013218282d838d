#include "filterchain.h"

#include "data/tddata.h"
#include "processing/adaptivethresholdf.h"
#include "processing/findpeaksf.h"
#include "processing/matchingf.h"
#include "processing/movingavrf.h"

#include <memory>

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

Filter *FilterChain::copyOf(const Filter *filter)
{
    switch (filter->type) {
    case Filter::AdaptiveThreshold: {
        auto *f = static_cast<const AdaptiveThresholdF *>(filter);
        return new AdaptiveThresholdF(f->areaHW, f->areaHH);
    }
    case Filter::MovingAvr: {
        auto *f = static_cast<const MovingAvrF *>(filter);
        return new MovingAvrF(f->areaHW, f->areaHH);
    }
    case Filter::Matching: {
        auto *f = static_cast<const MatchingF *>(filter);
        auto *copy = new MatchingF(f->measure, f->execMode);
        copy->patValues = f->patValues;
        copy->patValids = f->patValids;
        return copy;
    }
    case Filter::FindPeaks: {
        auto *f = static_cast<const FindPeaksF *>(filter);
        return new FindPeaksF(f->exclRadius, f->peakNum, f->findMax);
    }
    default:
        return new Filter(filter->type);
    }
}

TDData *FilterChain::apply(const QVector<Filter *> &filters, const TDData *src, const QRect &rect)
{
    // Intermediate results never leave this function, so nothing else can point at them; one
    // that a later filter fails on (out of memory, say) goes with the exception.
    std::unique_ptr<TDData> current(new TDData(src->width, src->height));
    src->copyRect(current.get(), QRect(0, 0, src->width, src->height), false);
    src->copyInfos(current.get());
    for (Filter *filter : filters) {
        if (TDData *result = run(filter, current.get(), rect))
            current.reset(result);
    }
    return current.release();
}
