// Times what the analysis window recomputes: the statistics with histogram on a dataset, range or
// region change, and the two profiles on every crosshair move.

#include "analysisbench.h"

#include "benchtools.h"
#include "data/tddata.h"
#include "processing/framestats.h"
#include "processing/lineprofile.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace Bench {

namespace {

// The plain statistics: the valid values copied out and sorted, the moments added one by one.
double plainStats(const TDData &d)
{
    std::vector<double> v;
    for (int i = 0; i < d.width * d.height; ++i) {
        if (d.valids[i] && std::isfinite(d.values[i]))
            v.push_back(d.values[i]);
    }
    std::sort(v.begin(), v.end());
    double sum = 0.0;
    for (double a : v)
        sum += a;
    const double mean = sum / double(v.size());
    double squares = 0.0;
    for (double a : v)
        squares += (a - mean) * (a - mean);
    return squares + v[v.size() / 2] + v[v.size() / 200];
}

// The plain profiles: every pixel through value() and isValid().
double plainProfiles(const TDData &d, int x, int y)
{
    std::vector<double> row;
    std::vector<double> col;
    for (int i = 0; i < d.width; ++i)
        row.push_back(d.isValid(i, y) ? d.value(i, y) : 0.0);
    for (int i = 0; i < d.height; ++i)
        col.push_back(d.isValid(x, i) ? d.value(x, i) : 0.0);
    return row.back() + col.back();
}

} // namespace

void analysis(int side, Table *table)
{
    const std::unique_ptr<TDData> src = frame(side);
    volatile double sink = 0.0;
    FrameStats::Histogram hist;
    table->row(QStringLiteral("histogram + statistics, whole frame"), side,
               bestMs([&] { sink = plainStats(*src); }),
               fastMs([&] { sink = FrameStats::compute(*src, FrameStats::wholeGrid(*src), &hist).median; }),
               QStringLiteral("plain: valid values sorted"));
    table->row(QStringLiteral("row + column profile"), side,
               bestMs([&] { sink = plainProfiles(*src, side / 2, side / 3); }),
               fastMs([&] {
                   sink = LineProfile::row(*src, side / 3).values.size() + LineProfile::column(*src, side / 2).values.size();
               }),
               QStringLiteral("plain: value() and isValid() per pixel"));
}

} // namespace Bench
