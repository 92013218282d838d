#pragma once

#include <memory>
#include <vector>

class TDData0;

// Running means of the valid pixels of a grid over windows of 2a+1 pixels cut at the edges, as
// TDData0::movingAvrX and movingAvrY define them, bit for bit.
//
// A RunningMeans object sweeps down the grid once and hands out the means of the pass along
// columns row by row. That pass runs over the source itself or, when ax > 0, over the means
// along rows with half width ax, which are made a few rows ahead and kept only while inside the
// column window: the two passes of a moving average then cost one trip through memory and no
// intermediate grid. The source must outlive the sweep and stay unchanged while it runs.
//
// It lives in data/, not with the filters in processing/, because TDData0::movingAvrX/Y and
// TDData::movingAvr are built on it and data/ does not reach into processing/.
class RunningMeans
{
public:
    // Means along columns with half height ay, over the means along rows with half width ax when
    // ax > 0, else over the source. Half sizes below 0 count as 0.
    RunningMeans(const TDData0 *src, int ax, int ay);
    ~RunningMeans();
    RunningMeans(const RunningMeans &) = delete;
    RunningMeans &operator=(const RunningMeans &) = delete;

    // Writes the means of the next row, top to bottom, to out at the pixels valid in the source
    // and sets their flags in outValid; the other pixels keep what they hold. Both have room for
    // the source's width. Called at most once per row.
    void nextRow(double *out, bool *outValid);
    // The same for a sweep that wants the means only: they go to every pixel of out (meaningless
    // where the source is invalid) and no extremes are kept for writeRows.
    void nextMeans(double *out);
    // All remaining rows into dst (the source's size), whose range is then widened as writing
    // the means one by one column after column would widen it.
    void writeRows(TDData0 *dst);

    // The means along rows alone, with half width a, into dst (the source's size): only pixels
    // valid in the source are written, and dst's range is widened in row order.
    static void alongRows(const TDData0 *src, TDData0 *dst, int a);

private:
    struct RowPass;

    void step(double *out, bool *outValid);
    double *ringRow(int slot);
    const double *sourceRow(int row);
    void makeRowsUpTo(int row);

    const TDData0 *src;
    int ay;
    int y = 0;
    // Rows of means along rows in a ring, row r at slot r % ringRows, made eight at a time; one
    // spare slot behind the ring takes the rows made beyond the grid.
    std::unique_ptr<RowPass> rowPass;
    std::vector<double> ring;
    int ringRows = 0;
    int madeRows = 0;
    // Per column: the running sum and count of the pass along columns, and the extremes of the
    // means handed out.
    std::vector<double> sums;
    std::vector<double> counts;
    std::vector<double> lo;
    std::vector<double> hi;
    // A row of invalid pixels, for rows beyond the grid.
    std::vector<double> zeros;
    std::unique_ptr<bool[]> noneValid;
};
