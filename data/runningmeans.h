#pragma once

#include <functional>
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
// With several threads the grid is cut into strips of columns, each making its own part of the
// means along rows, a group of a few rows at a time, and taking its columns down; every sum still
// runs in one lane in its defined order, so the bits do not depend on the thread count.
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

    // The means of the rows from the next one up to (not including) last, top to bottom, handed
    // to use(row, c0, c1, means) in strips of columns: means[c] for c0 <= c < c1, meaningless where
    // the source is invalid. With several threads (ParallelRows) use runs for different strips
    // at once, each strip's rows in order. Stops early when the run is cancelled.
    void sweepMeans(int last, const std::function<void(int row, int c0, int c1, const double *means)> &use);
    // All remaining rows into dst (the source's size), at the pixels valid in the source, whose
    // range is then widened as writing the means one by one column after column would widen it.
    void writeRows(TDData0 *dst);
    // The same into a grid whose pixels hold nothing yet (TDData0::Unfilled), of which it writes
    // every one: the pixels invalid in the source become 0.0 and invalid, as in a new grid. Rows a
    // cancelled sweep leaves undone are set so too.
    void fillRows(TDData0 *dst);

    // The map of the pixels above their means, rows first .. last - 1 into dst, a grid of the
    // source's size whose pixels hold nothing yet (TDData0::Unfilled): 1.0 where the source pixel
    // is valid and above its mean, 0.0 where it is valid and not, both flagged; 0.0 and invalid
    // where the source is invalid. The rows before first are swept, not written. dst's range is
    // widened as writing the values one by one would widen it.
    void fillAbove(TDData0 *dst, int first, int last);

    // The means along rows alone, with half width a, into dst (the source's size): only pixels
    // valid in the source are written, and dst's range is widened in row order.
    static void alongRows(const TDData0 *src, TDData0 *dst, int a);

private:
    struct RowPass;
    class Sweep;
    using Use = std::function<void(int row, int c0, int c1, double *means)>;

    // One row's step of the column sums from column c0 (a multiple of the lanes) on:
    // step(enter, own, leave, state) takes the entering row, the output row's source pixels and
    // the leaving row from column c0 on, and the columns' sums and extremes from there.
    template <typename Step>
    void columnsOfRow(int row, int c0, const Step &step);
    void write(TDData0 *dst, bool everyPixel);
    // Rows up to last over the threads (see Sweep); use gets a buffer of the grid's width of its
    // own thread.
    void sweep(int last, const Use &use);
    void startSweep();
    double *ringRow(int slot);
    const double *sourceRow(int row);
    // Where the rows of the group from firstRow go: a slot of the ring for each.
    void ringSlots(int firstRow, double **out);

    const TDData0 *src;
    int ay;
    int ax;
    int y = 0;
    // Rows of means along rows in a ring from ringStart, row r at slot r % ringRows, made a group
    // at a time; one spare slot behind the ring takes the rows made beyond the grid. Left
    // unfilled: a row is always made before it is read. It starts half a page into a page.
    std::unique_ptr<RowPass> rowPass;
    std::unique_ptr<double[]> ring;
    double *ringStart = nullptr;
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
