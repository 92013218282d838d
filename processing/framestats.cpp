#include "processing/framestats.h"

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

// The fine histogram that finds the order statistics.
const int FineBins = 4096;

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
        : bins(bins)
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

    int of(double v) const
    {
        const double b = (v * half - offset) * scale;
        return b >= 1.0 ? (b < bins ? int(b) : bins - 1) : 0;
    }

    int bins;
    double half = 1.0;
    double offset = 0.0;
    double scale = 0.0;
};

// The pixels of rows top..bottom (inclusive) between left and right, Rows rows at a time, so that
// each row's running sum is a chain of its own and the chains of a block overlap in the processor.
// pixel(k, value, flag) is called for every pixel, k the row within the block; rowDone(k) after a
// block for each of its rows in order, top to bottom.
template <int Rows, typename Pixel, typename RowDone>
void block(const TDData0 &d, int y, int left, int right, Pixel &pixel, RowDone &rowDone)
{
    const double *values[Rows];
    const bool *flags[Rows];
    for (int k = 0; k < Rows; ++k) {
        values[k] = d.values.constData() + d.index(0, y + k);
        flags[k] = d.valids.constData() + d.index(0, y + k);
    }
    for (int x = left; x <= right; ++x) {
        for (int k = 0; k < Rows; ++k)
            pixel(k, values[k][x], flags[k][x]);
    }
    for (int k = 0; k < Rows; ++k)
        rowDone(k);
}

template <typename Pixel, typename RowDone>
void sweep(const TDData0 &d, const QRect &r, Pixel pixel, RowDone rowDone)
{
    int y = r.top();
    for (; y + 4 <= r.bottom() + 1; y += 4)
        block<4>(d, y, r.left(), r.right(), pixel, rowDone);
    for (; y <= r.bottom(); ++y)
        block<1>(d, y, r.left(), r.right(), pixel, rowDone);
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

    // First sweep: counts, extremes, sum, and a fine histogram over the dataset's running range,
    // which holds the valid values in all but odd cases (a range read from a file); values outside
    // it go to the end bins, so the order statistics are still found, only with more work.
    // Without branches: a pixel left out adds +0.0 to a sum that can never be -0.0 (no bit
    // changes) and counts in a spare bin.
    const bool rangeUsable = std::isfinite(d.minVal) && std::isfinite(d.maxVal) && d.minVal < d.maxVal;
    const Binning fine(rangeUsable ? d.minVal : 0.0, rangeUsable ? d.maxVal : 0.0, FineBins);
    std::vector<qint64> fineCounts(FineBins + 1, 0);
    double rowSums[4] = {};
    double min = std::numeric_limits<double>::infinity();
    double max = -min;
    qint64 valid = 0;
    qint64 flagged = 0;
    qint64 nan = 0;
    double sum = 0.0;
    sweep(d, r,
          [&](int k, double v, bool flag) {
              const bool ok = isValidValue(flag, v);
              flagged += flag;
              valid += ok;
              nan += flag && std::isnan(v);
              rowSums[k] += ok ? v : 0.0;
              min = std::min(min, ok ? v : min);
              max = std::max(max, ok ? v : max);
              ++fineCounts[size_t(ok ? fine.of(v) : FineBins)];
          },
          [&](int k) {
              sum += rowSums[k];
              rowSums[k] = 0.0;
          });
    res.valid = valid;
    res.invalid = qint64(r.width()) * r.height() - flagged;
    res.nan = nan;
    res.infinite = flagged - valid - nan;
    if (valid == 0)
        return res;
    res.min = min;
    res.max = max;
    res.sum = sum;
    res.mean = sum / double(valid);

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

    // Second sweep: squared deviations, the histogram, and the picked values (each pixel is
    // written behind the last picked one and kept only when picked; one spare place at the end).
    const double mean = res.mean;
    const Binning shown(min, max, HistogramBins);
    std::vector<qint64> shownCounts(HistogramBins + 1, 0);
    // As many values as the grid in the worst case (all in one bin): no abort when that fails.
    const size_t pickedCount = size_t(pickedBelow.back());
    const std::unique_ptr<double[]> values(new (std::nothrow) double[pickedCount + 1]);
    if (!values) {
        qDebug() << "FrameStats: no memory to sort" << pickedCount << "values";
        res.stdDev = res.median = res.lowQuantile = res.highQuantile = qQNaN();
        return res;
    }
    size_t kept = 0;
    double squares = 0.0;
    sweep(d, r,
          [&](int k, double v, bool flag) {
              const bool ok = isValidValue(flag, v);
              const double dev = v - mean;
              rowSums[k] += ok ? dev * dev : 0.0;
              ++shownCounts[size_t(ok ? shown.of(v) : HistogramBins)];
              values[kept] = v;
              kept += ok && picked[size_t(fine.of(v))];
          },
          [&](int k) {
              squares += rowSums[k];
              rowSums[k] = 0.0;
          });
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
