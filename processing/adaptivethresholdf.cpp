#include "adaptivethresholdf.h"

#include "data/lanes.h"
#include "data/parallelrows.h"
#include "data/runningmeans.h"
#include "data/tddata.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using Lanes::Bits;
using Lanes::Doubles;

// One row of the map: 1.0 where the pixel is valid and above its mean, 0.0 where it is valid
// otherwise; the flags follow the source. Returns whether any 1.0 was stored.
QUELVO_LANE_CLONES
bool thresholdRow(const double *values, const bool *valids, const double *mean, int n, double *out, bool *outValid)
{
    Bits any{};
    auto chunk = [&any](const double *v, const bool *f, const double *m, double *o, bool *ov) QUELVO_LANE_LAMBDA {
        Doubles value, average, map;
        Bits valid;
        std::memcpy(&value, v, sizeof value);
        std::memcpy(&average, m, sizeof average);
        Lanes::flagMask(f, &valid);
        const Bits above = valid & (average < value);
        Lanes::choose(above, Doubles{} + 1.0, Doubles{}, &map);
        std::memcpy(o, &map, sizeof map);
        std::memcpy(ov, f, Lanes::count);
        any |= above;
    };
    int i = 0;
    for (; i + Lanes::count <= n; i += Lanes::count)
        chunk(values + i, valids + i, mean + i, out + i, outValid + i);
    if (i < n) {
        // The last few pixels go through copies padded with invalid pixels.
        double v[Lanes::count] = {};
        bool f[Lanes::count] = {};
        double m[Lanes::count] = {};
        double o[Lanes::count];
        bool ov[Lanes::count];
        std::copy_n(values + i, n - i, v);
        std::copy_n(valids + i, n - i, f);
        std::copy_n(mean + i, n - i, m);
        chunk(v, f, m, o, ov);
        std::copy_n(o, n - i, out + i);
        std::copy_n(ov, n - i, outValid + i);
    }
    for (int k = 0; k < Lanes::count; ++k) {
        if (any[k])
            return true;
    }
    return false;
}

} // namespace

AdaptiveThresholdF::AdaptiveThresholdF(int areaHW, int areaHH)
    : FilterWArea(AdaptiveThreshold, areaHW, areaHH)
{
}

TDData *AdaptiveThresholdF::exec(const TDData *src, const QRect &rect) const
{
    // Owned here until returned: a run that throws (out of memory, say) must not leak the grid.
    std::unique_ptr<TDData> result(new TDData(src->width, src->height));
    const QRect r = insideGrid(src, rect);
    // The fresh result holds 0.0 everywhere, so storing 0.0 only sets the flag, and its range
    // already holds 0.0: only a 1.0 can widen it.
    std::atomic<bool> anyAbove{false};
    double *out = result->values.data();
    bool *outValid = result->valids.data();
    // Columns c0 .. c1 - 1 of row y, cut to the rectangle.
    auto threshold = [&](int y, int c0, int c1, const double *meanRow) {
        const int left = std::max(c0, r.left());
        const int right = std::min(c1 - 1, r.right());
        if (y < r.top() || left > right)
            return;
        const int i = src->index(left, y);
        if (thresholdRow(src->values.constData() + i, src->valids.constData() + i, meanRow + left, right - left + 1,
                         out + i, outValid + i))
            anyAbove = true;
    };
    if (areaHH >= 1) {
        // The means come row by row from one sweep, compared as they come, and never fill a grid.
        RunningMeans(src, areaHW, areaHH).sweepMeans(r.bottom() + 1, threshold);
    } else {
        // Released at once: on a worker thread, without an event loop, deleteLater would keep the
        // grid until the thread ends.
        const std::unique_ptr<TDData> mean(src->movingAvr(areaHW, areaHH));
        ParallelRows::run(r.top(), r.bottom() + 1, 0, [&](int first, int last) {
            for (int y = first; y < last; ++y)
                threshold(y, r.left(), r.right() + 1, mean->values.constData() + src->index(0, y));
        });
    }
    if (anyAbove)
        result->widenRange(1.0);
    result->dataId = QStringLiteral("%1: AT(%2,%3)").arg(src->dataId, QString::number(areaHW), QString::number(areaHH));
    src->copyInfos(result.get());
    return result.release();
}
