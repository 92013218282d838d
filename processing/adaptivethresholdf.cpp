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
        Lanes::stream(map, o);
        // Flags are stored plainly: streaming four bytes at a time was slower.
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
    Lanes::streamed();
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
    // Every pixel is written once, so the grid is not filled first. Owned here until returned: a
    // run that throws (out of memory, say) must not leak the grid.
    std::unique_ptr<TDData> result(new TDData(src->width, src->height, TDData::Unfilled()));
    const QRect r = insideGrid(src, rect);
    // Outside the rectangle the result is as a new grid holds it: 0.0 and invalid. Its range
    // holds 0.0 already, so only a 1.0 can widen it.
    std::atomic<bool> anyAbove{false};
    double *out = result->values.data();
    bool *outValid = result->valids.data();
    auto clear = [&](int first, int last) {
        std::fill(out + first, out + last, 0.0);
        std::fill(outValid + first, outValid + last, false);
    };
    // Columns c0 .. c1 - 1 of row y: the map inside the rectangle, cleared around it.
    auto threshold = [&](int y, int c0, int c1, const double *meanRow) {
        const int row = src->index(0, y);
        const int left = std::max(c0, r.left());
        const int right = std::min(c1 - 1, r.right());
        if (y < r.top() || y > r.bottom() || left > right) {
            clear(row + c0, row + c1);
            return;
        }
        clear(row + c0, row + left);
        clear(row + right + 1, row + c1);
        const int i = row + left;
        // Stored once only: threads storing to one flag row after row would take its cache line
        // from each other every time.
        if (thresholdRow(src->values.constData() + i, src->valids.constData() + i, meanRow + left, right - left + 1,
                         out + i, outValid + i)
            && !anyAbove.load(std::memory_order_relaxed))
            anyAbove.store(true, std::memory_order_relaxed);
    };
    if (areaHH >= 1 && r.top() <= r.bottom() && r.left() == 0 && r.right() == src->width - 1) {
        // Whole rows: each mean is compared where the sweep takes it, and never stored.
        RunningMeans(src, areaHW, areaHH).fillAbove(result.get(), r.top(), r.bottom() + 1);
        clear(0, src->index(0, r.top()));
        clear(src->index(0, r.bottom() + 1), src->index(0, src->height));
    } else if (areaHH >= 1) {
        // The means come row by row from one sweep, compared as they come, and never fill a grid.
        const int swept = std::max(0, r.bottom() + 1);
        RunningMeans(src, areaHW, areaHH).sweepMeans(swept, threshold);
        clear(src->index(0, swept), src->index(0, src->height));
    } else {
        // Released at once: on a worker thread, without an event loop, deleteLater would keep the
        // grid until the thread ends.
        const std::unique_ptr<TDData> mean(src->movingAvr(areaHW, areaHH));
        ParallelRows::run(0, src->height, 0, [&](int first, int last) {
            for (int y = first; y < last; ++y)
                threshold(y, 0, src->width, mean->values.constData() + src->index(0, y));
        });
    }
    // A cancelled run leaves rows unwritten, which must not show what the memory held.
    if (ParallelRows::cancelled())
        clear(0, src->index(0, src->height));
    if (anyAbove)
        result->widenRange(1.0);
    result->dataId = QStringLiteral("%1: AT(%2,%3)").arg(src->dataId, QString::number(areaHW), QString::number(areaHH));
    src->copyInfos(result.get());
    return result.release();
}
