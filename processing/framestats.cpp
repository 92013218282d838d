#include "processing/framestats.h"

#include "data/lanes.h"
#include "data/parallelrows.h"
#include "data/tddata0.h"

#include <QDebug>
#include <QtNumeric>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <new>
#include <vector>

namespace {

// The per-pixel steps are inlined into the row loops, whose locals then stay in registers.
#define QUELVO_STATS_INLINE __attribute__((always_inline))

// The fine histogram that finds the order statistics.
const int FineBins = 4096;
// The spare bin of the shown histogram, for the pixels left out.
const int ShownLeftOut = FrameStats::HistogramBins;

bool isValidValue(bool flag, double v)
{
    return flag && std::isfinite(v);
}

// Bins of equal width over [min, max]; values beyond either end go to the first or last bin. The
// bin of a value never decreases as the value grows, so the k-th smallest value lies in the bin at
// which the running count passes k, whatever the range.
struct Binning
{
    Binning(double min, double max, int bins)
        : last(bins - 1)
    {
        double range = max - min;
        // A range beyond the doubles is measured in halves, which changes no bin order.
        if (!std::isfinite(range)) {
            half = 0.5;
            range = max * 0.5 - min * 0.5;
        }
        offset = min * half;
        // Limited so that a range close to 0 still maps every value to a finite position.
        scale = range > 0.0 ? std::min(bins / range, std::numeric_limits<double>::max() / bins) : 0.0;
    }

    // Without branches, which the values' noise would make the processor guess wrong; any value
    // (NaN included) gives a bin, so that callers may compute it before knowing they need it.
    int of(double v) const
    {
        const double b = (v * half - offset) * scale;
        const double above = b >= 0.0 ? b : 0.0;
        return int(above < last ? above : last);
    }

    double last;  // the last bin
    double half = 1.0;
    double offset = 0.0;
    double scale = 0.0;
};

// The rows of r split into a few bands per thread, each band swept by body(band, rows) on its
// own, by whichever thread is free. Everything a band finds is kept apart and combined in band
// order afterwards, so the figures do not depend on the number of bands. A cancelled run stops
// between two bands.
struct Bands
{
    explicit Bands(const QRect &r)
        : r(r)
        , count(std::min(BandsPerThread * ParallelRows::threadCount(), r.height()))
    {
    }
    static constexpr int BandsPerThread = 4;
    QRect rows(int band) const
    {
        const int top = r.top() + int(qint64(r.height()) * band / count);
        const int bottom = r.top() + int(qint64(r.height()) * (band + 1) / count) - 1;
        return QRect(QPoint(r.left(), top), QPoint(r.right(), bottom));
    }
    // False when the run was cancelled, leaving bands undone.
    template <typename Body>
    bool run(Body body) const
    {
        return ParallelRows::run(0, count, 1, [&](int first, int last) {
            for (int band = first; band < last; ++band)
                body(band, rows(band));
        });
    }

    QRect r;
    int count;
};

// Bin counts of one band, kept in BinCopies copies taken by neighbouring pixels in turn: such
// pixels often fall into the same bin, and one counter would have each increment wait for the
// one before. 32 bits are enough, as a grid holds fewer than 2^31 pixels.
constexpr int BinCopies = 4;

struct BandBins
{
    explicit BandBins(int bins)
        : bins(bins)
        , counts(size_t(bins) * BinCopies, 0)
    {
    }
    qint64 at(int bin) const
    {
        qint64 sum = 0;
        for (int c = 0; c < BinCopies; ++c)
            sum += counts[size_t(c) * bins + bin];
        return sum;
    }
    void addTo(std::vector<qint64> *total) const
    {
        for (int b = 0; b < bins; ++b)
            (*total)[size_t(b)] += at(b);
    }

    int bins;
    std::vector<quint32> counts;
};

// Calls pixel(x, copy) for x = 0 .. n - 1, copy being the bin copy that x takes.
template <typename Pixel>
inline QUELVO_STATS_INLINE void overRow(int n, Pixel pixel)
{
    int x = 0;
    for (; x + BinCopies <= n; x += BinCopies) {
        for (int c = 0; c < BinCopies; ++c)
            pixel(x + c, c);
    }
    for (; x < n; ++x)
        pixel(x, 0);
}

// Adds up the rows' sums from top to bottom.
double total(const std::vector<double> &rowSums)
{
    double sum = 0.0;
    for (double rowSum : rowSums)
        sum += rowSum;
    return sum;
}

// What the first sweep finds in one band.
struct FirstSweep
{
    BandBins fine = BandBins(FineBins + 1);  // the last bin takes the pixels left out
    double min = std::numeric_limits<double>::infinity();
    double max = -std::numeric_limits<double>::infinity();
    qint64 nonFinite = 0;  // flagged, but NaN or infinite
    qint64 nan = 0;
};

// The first sweep over one row of n pixels into f; returns the row's sum. Without branches: a
// pixel left out adds +0.0 to a sum that can never be -0.0 (no bit changes) and counts in the
// spare bin. Everything lives in locals, which the stores into the bins cannot alias. Compiled
// for each instruction set like the vector loops (lanes.h): with AVX's three-operand forms the
// scalar loop needs fewer moves.
QUELVO_LANE_CLONES
double firstSweepRow(const double *values, const bool *flags, int n, const Binning &fine, FirstSweep *f)
{
    const Binning bins = fine;
    quint32 *const counts = f->fine.counts.data();
    double min = f->min;
    double max = f->max;
    qint64 nonFinite = 0;
    qint64 nan = 0;
    double sum = 0.0;
    overRow(n, [&](int x, int copy) QUELVO_STATS_INLINE {
        const double v = values[x];
        const bool flag = flags[x];
        const bool ok = isValidValue(flag, v);
        // Flagged non-finite values are rare, so the branch is well predicted. The valid values
        // are counted by the bins.
        if (flag && !ok) {
            ++nonFinite;
            nan += std::isnan(v);
        }
        sum += ok ? v : 0.0;
        min = std::min(min, ok ? v : min);
        max = std::max(max, ok ? v : max);
        ++counts[size_t(copy) * (FineBins + 1) + size_t(ok ? bins.of(v) : FineBins)];
    });
    f->min = min;
    f->max = max;
    f->nonFinite += nonFinite;
    f->nan += nan;
    return sum;
}

// What the second sweep of one band needs, and where it writes.
struct SecondSweep
{
    double mean;
    Binning fine;
    Binning shown;
    const char *picked;  // per fine bin
    quint32 *shownCounts;  // BinCopies copies of HistogramBins + 1 bins
    double *out;  // room for the band's picked values
    size_t kept;
};

// The second sweep over one row: returns the row's sum of squared deviations, counts the valid
// values into the shown bins and keeps those of picked fine bins, in order.
QUELVO_LANE_CLONES
double secondSweepRow(const double *values, const bool *flags, int n, SecondSweep *s)
{
    const double mean = s->mean;
    const Binning fine = s->fine;
    const Binning shown = s->shown;
    const char *const picked = s->picked;
    quint32 *const counts = s->shownCounts;
    double *const out = s->out;
    size_t kept = s->kept;
    double sum = 0.0;
    overRow(n, [&](int x, int copy) QUELVO_STATS_INLINE {
        const double v = values[x];
        const bool ok = isValidValue(flags[x], v);
        const double dev = v - mean;
        sum += ok ? dev * dev : 0.0;
        ++counts[size_t(copy) * (ShownLeftOut + 1) + size_t(ok ? shown.of(v) : ShownLeftOut)];
        // Few values are picked, so the branch is well predicted.
        if (ok && picked[fine.of(v)])
            out[kept++] = v;
    });
    s->kept = kept;
    return sum;
}

// Runs sweepRow(values, flags, n) over the rows of band, storing each row's result in rowSums
// (indexed from the top of r).
template <typename SweepRow>
void sweepBand(const TDData0 &d, const QRect &r, const QRect &band, std::vector<double> *rowSums, SweepRow sweepRow)
{
    for (int y = band.top(); y <= band.bottom(); ++y) {
        const int i = d.index(r.left(), y);
        (*rowSums)[size_t(y - r.top())] = sweepRow(d.values.constData() + i, d.valids.constData() + i, r.width());
    }
}

// Quantile q of n values given their order statistics through at(rank).
template <typename At>
double quantile(double q, qint64 n, At at)
{
    const double h = q * double(n - 1);
    const qint64 i = qint64(std::floor(h));
    const double f = h - double(i);
    const double xi = at(i);
    if (f == 0.0 || i + 1 >= n)
        return xi;
    return xi + f * (at(i + 1) - xi);
}

// The ranks quantile q needs among n values.
void neededRanks(double q, qint64 n, std::vector<qint64> *ranks)
{
    const double h = q * double(n - 1);
    const qint64 i = qint64(std::floor(h));
    ranks->push_back(i);
    if (h > double(i) && i + 1 < n)
        ranks->push_back(i + 1);
}

} // namespace

QRect FrameStats::wholeGrid(const TDData0 &d)
{
    return QRect(0, 0, d.width, d.height);
}


FrameStats::Result FrameStats::compute(const TDData0 &d, const QRect &rect, Histogram *histogram)
{
    Result res;
    if (histogram)
        *histogram = Histogram();
    // An empty rectangle stays empty: intersecting would normalise one with crossed corners.
    const QRect r = rect.isEmpty() ? QRect() : rect & wholeGrid(d);
    if (r.isEmpty())
        return res;
    const Bands bands(r);
    // Each row's sum, added up in row order once all bands are done.
    std::vector<double> rowSums(size_t(r.height()));

    // First sweep: counts, extremes, sum, and a fine histogram over the dataset's running range,
    // which holds the valid values in all but odd cases (a range read from a file); values outside
    // it go to the end bins, so the order statistics are still found, only with more work.
    const bool rangeUsable = std::isfinite(d.minVal) && std::isfinite(d.maxVal) && d.minVal < d.maxVal;
    const Binning fine(rangeUsable ? d.minVal : 0.0, rangeUsable ? d.maxVal : 0.0, FineBins);
    std::vector<FirstSweep> firsts(size_t(bands.count));
    const bool swept = bands.run([&](int band, const QRect &rows) {
        sweepBand(d, r, rows, &rowSums, [&](const double *values, const bool *flags, int n) {
            return firstSweepRow(values, flags, n, fine, &firsts[size_t(band)]);
        });
    });
    if (!swept)
        return Result();
    // Bands in order: on a tie between +0.0 and -0.0 the extremes keep the earlier one, as
    // widening pixel by pixel does.
    double min = std::numeric_limits<double>::infinity();
    double max = -min;
    qint64 nonFinite = 0;
    qint64 nan = 0;
    std::vector<qint64> fineCounts(FineBins + 1, 0);
    for (const FirstSweep &f : firsts) {
        min = std::min(min, f.min);
        max = std::max(max, f.max);
        nonFinite += f.nonFinite;
        nan += f.nan;
        f.fine.addTo(&fineCounts);
    }
    // The spare bin holds every pixel left out: the invalid ones and the non-finite ones.
    const qint64 leftOut = fineCounts[FineBins];
    const qint64 valid = qint64(r.width()) * r.height() - leftOut;
    res.valid = valid;
    res.invalid = leftOut - nonFinite;
    res.nan = nan;
    res.infinite = nonFinite - nan;
    if (valid == 0)
        return res;
    res.min = min;
    res.max = max;
    res.sum = total(rowSums);
    res.mean = res.sum / double(valid);

    // The fine bins that hold a needed order statistic, and where their values will lie once
    // picked out.
    std::vector<qint64> ranks;
    for (double q : {LowQuantile, 0.5, HighQuantile})
        neededRanks(q, valid, &ranks);
    std::vector<qint64> below(FineBins + 1, 0);  // values in the bins before b
    for (int b = 0; b < FineBins; ++b)
        below[size_t(b) + 1] = below[size_t(b)] + fineCounts[size_t(b)];
    auto binOfRank = [&below](qint64 rank) {
        return int(std::upper_bound(below.begin(), below.end(), rank) - below.begin()) - 1;
    };
    std::vector<char> picked(FineBins, 0);
    for (qint64 rank : ranks)
        picked[size_t(binOfRank(rank))] = 1;
    std::vector<qint64> pickedBelow(FineBins + 1, 0);
    for (int b = 0; b < FineBins; ++b)
        pickedBelow[size_t(b) + 1] = pickedBelow[size_t(b)] + (picked[size_t(b)] ? fineCounts[size_t(b)] : 0);
    // Each band keeps its picked values in a stretch of its own, the stretches in band order: the
    // values end up in pixel order, as one sweep would keep them.
    std::vector<size_t> bandStart(size_t(bands.count) + 1, 0);
    for (int band = 0; band < bands.count; ++band) {
        size_t count = 0;
        for (int b = 0; b < FineBins; ++b)
            count += picked[size_t(b)] ? size_t(firsts[size_t(band)].fine.at(b)) : 0;
        bandStart[size_t(band) + 1] = bandStart[size_t(band)] + count;
    }

    // Second sweep: squared deviations, the histogram, and the picked values.
    const Binning shown(min, max, HistogramBins);
    // As many values as the grid in the worst case (all in one bin): no abort when that fails.
    const size_t pickedCount = size_t(pickedBelow.back());
    const std::unique_ptr<double[]> values(new (std::nothrow) double[pickedCount]);
    if (!values) {
        qDebug() << "FrameStats: no memory to sort" << pickedCount << "values";
        res.stdDev = res.median = res.lowQuantile = res.highQuantile = qQNaN();
        return res;
    }
    std::vector<BandBins> bandShown(size_t(bands.count), BandBins(HistogramBins + 1));
    const bool sweptAgain = bands.run([&](int band, const QRect &rows) {
        SecondSweep sweep{res.mean, fine, shown, picked.data(), bandShown[size_t(band)].counts.data(),
                          values.get() + bandStart[size_t(band)], 0};
        sweepBand(d, r, rows, &rowSums, [&sweep](const double *values, const bool *flags, int n) {
            return secondSweepRow(values, flags, n, &sweep);
        });
    });
    // Nothing of the histogram is given yet.
    if (!sweptAgain)
        return Result();
    const double squares = total(rowSums);
    std::vector<qint64> shownCounts(HistogramBins + 1, 0);
    for (const BandBins &counts : bandShown)
        counts.addTo(&shownCounts);
    res.stdDev = valid > 1 ? std::sqrt(squares / double(valid - 1)) : 0.0;
    if (histogram) {
        histogram->min = min;
        histogram->max = max;
        histogram->counts = QVector<qint64>(shownCounts.begin(), shownCounts.end() - 1);
    }

    double *const first = values.get();
    double *const last = first + pickedCount;
    auto at = [&](qint64 rank) {
        const int b = binOfRank(rank);
        double *const pos = first + (rank - below[size_t(b)] + pickedBelow[size_t(b)]);
        std::nth_element(first, pos, last);
        return *pos;
    };
    res.median = quantile(0.5, valid, at);
    res.lowQuantile = quantile(LowQuantile, valid, at);
    res.highQuantile = quantile(HighQuantile, valid, at);
    return res;
}
