#pragma once

#include <QRect>
#include <QVector>

class TDData0;

// Statistics of the pixels of a dataset inside a rectangle, as the analysis window and the batch
// tool show them. Widget-free; nothing is kept between calls. The rows are swept in bands over
// ParallelRows' threads, with the same figures, bit for bit, for any number of threads.
//
// Pixels fall into four kinds, counted apart: valid (flag set and a finite value), invalid (flag
// clear, whatever the value), NaN and infinite (flag set, value NaN or +-inf). Only the valid
// values enter the minimum, maximum, sum, mean, standard deviation, median and quantiles.
//
// Definitions, for the n valid values:
// - sum: each row of the rectangle is added from left to right, then the row sums are added
//   from top to bottom, all in double (so the figures do not depend on how the work is split);
// - mean = sum / n;
// - standard deviation = sqrt(D / (n - 1)) with D the squared deviations from the mean, added in
//   the same order as the sum; 0 for n = 1 (the sample standard deviation, as ImageJ shows it);
// - quantile q (0 <= q <= 1): with the values sorted ascending as x[0] .. x[n-1], h = q (n - 1),
//   i = floor(h) and f = h - i, it is x[i] when f = 0 and x[i] + f (x[i+1] - x[i]) otherwise
//   (linear interpolation between order statistics, numpy's and R's default); median = quantile 0.5.
// The order statistics are found exactly: a fine histogram locates the bins holding them and only
// those bins' values are partially sorted.
//
// Histogram: bins equal parts of [minimum, maximum] of the valid values; a value v goes to bin
// floor((v - minimum) * (bins / (maximum - minimum))), the maximum into the last bin, every value
// into bin 0 when minimum = maximum. When maximum - minimum overflows, value, minimum and maximum
// are all halved first.
class FrameStats
{
public:
    struct Result
    {
        qint64 valid = 0;
        qint64 invalid = 0;
        qint64 nan = 0;
        qint64 infinite = 0;
        // Meaningful only when valid > 0.
        double min = 0.0;
        double max = 0.0;
        double sum = 0.0;
        double mean = 0.0;
        double stdDev = 0.0;
        double median = 0.0;
        double lowQuantile = 0.0;   // quantile 0.005
        double highQuantile = 0.0;  // quantile 0.995

        bool empty() const { return valid == 0; }
        qint64 pixels() const { return valid + invalid + nan + infinite; }
    };

    struct Histogram
    {
        double min = 0.0;  // the valid minimum and maximum the bins divide
        double max = 0.0;
        QVector<qint64> counts;  // empty when there is no valid value
    };

    static const int HistogramBins = 256;
    static constexpr double LowQuantile = 0.005;
    static constexpr double HighQuantile = 0.995;

    // Statistics of the pixels of d inside rect (inclusive corners, as ImgDisp::regionRect()
    // gives it), clipped to the grid; an empty or outside rectangle gives an empty result. When
    // histogram is given it receives the HistogramBins-bin histogram of the same valid values.
    // Should the memory for sorting fail, only counts, extremes, sum and mean are known, with a
    // debug line: standard deviation, median and quantiles are then NaN (never a made-up 0), and
    // no histogram is given. Inside a ParallelRows run that is cancelled it stops at its next band
    // of rows and gives an empty result.
    static Result compute(const TDData0 &d, const QRect &rect, Histogram *histogram = nullptr);
    // The whole grid of d, as a rectangle for compute().
    static QRect wholeGrid(const TDData0 &d);
};
