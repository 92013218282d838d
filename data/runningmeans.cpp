#include "runningmeans.h"

#include "data/lanes.h"
#include "data/parallelrows.h"
#include "data/tddata0.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>
#include <thread>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The means come out with the same bits as the plain running sums of their definition, except
// that a mean that is NaN may be another NaN (sign and payload) than the plain one, as the lanes
// may add a NaN to a NaN sum in the other operand order; every other value is identical. Every sum
// still adds and subtracts its pixels one by one in the defined order. The sums run side by side
// instead, each lane of a vector one sum (a column for the pass along columns, a row for the pass
// along rows), with invalid pixels and pixels beyond the edges read as 0.0: a sum starts at +0.0
// and so can never become -0.0, which makes adding or subtracting 0.0 leave it exactly as it is.
// Counts are kept as doubles: whole numbers, exact, divided by as the definition's int count is.

namespace {

using Lanes::Bits;
using Lanes::Doubles;

const double infinity = std::numeric_limits<double>::infinity();


// Rows read ahead of the one entering the column sums, which are quick enough to wait for memory.
const int prefetchRows = 2;

// Room for a whole number of vectors.
int lanesFor(int n)
{
    return (n + Lanes::count - 1) / Lanes::count * Lanes::count;
}

int powerOfTwoFrom(int n)
{
    int p = 1;
    while (p < n)
        p *= 2;
    return p;
}

void prefetchRow(const double *values, const bool *valids, int n)
{
    const int line = 64;
    for (int i = 0; i < n; i += line / int(sizeof(double)))
        __builtin_prefetch(values + i);
    for (int i = 0; i < n; i += line)
        __builtin_prefetch(valids + i);
}

// Extremes of the written means, one pair per lane, folded into dst's range. Widening value by
// value in another order could only end on another of two values that compare equal, +0.0 and
// -0.0 (NaN never widens). A range that holds 0.0 already, as a new grid's does, keeps its own
// zero on such a tie; a range that does not and ends on a zero takes the first zero written in
// the order of the definition, column after column, from dst itself.
void foldRange(const double *lo, const double *hi, int lanes, const bool *written, TDData0 *dst)
{
    const bool holdsZero = dst->minVal <= 0.0 && dst->maxVal >= 0.0;
    for (int i = 0; i < lanes; ++i) {
        if (dst->minVal > lo[i])
            dst->minVal = lo[i];
        if (hi[i] > dst->maxVal)
            dst->maxVal = hi[i];
    }
    if (holdsZero || (dst->minVal != 0.0 && dst->maxVal != 0.0))
        return;
    for (int x = 0; x < dst->width; ++x) {
        for (int y = 0; y < dst->height; ++y) {
            const int i = dst->index(x, y);
            if (written[i] && dst->values.at(i) == 0.0) {
                (dst->minVal == 0.0 ? dst->minVal : dst->maxVal) = dst->values.at(i);
                return;
            }
        }
    }
}

// Rows (values and flags) of which a vector is read at a time; the last few pixels of a row go
// through copies padded with invalid pixels, so that nothing past the row is read or written.
struct PixelRow
{
    const double *values;
    const bool *valids;
};

struct Tail
{
    Tail(PixelRow row, int i, int n)
    {
        std::copy_n(row.values + i, n - i, values);
        std::copy_n(row.valids + i, n - i, valids);
    }
    PixelRow row() const { return {values, valids}; }

    double values[Lanes::count] = {};
    bool valids[Lanes::count] = {};
};

// One vector of pixels of a grid row: values with 0.0 where invalid, flags as 0.0 or 1.0.
QUELVO_LANE_INLINE void loadMasked(const double *values, const bool *valids, Doubles *masked, Doubles *flags)
{
    Doubles v;
    Bits w;
    std::memcpy(&v, values, sizeof v);
    Lanes::flagMask(valids, &w);
    Lanes::choose(w, v, Doubles{}, masked);
    Lanes::choose(w, Doubles{} + 1.0, Doubles{}, flags);
}

// *mean = sum / count in the lanes of valid pixels, where the pixel itself makes the count at
// least 1; the other lanes hold a value nobody reads.
QUELVO_LANE_INLINE void meanOf(const Doubles &sum, const Doubles &count, const Bits &valid, Doubles *mean)
{
    Doubles divisor;
    Lanes::choose(valid, count, Doubles{} + 1.0, &divisor);
    *mean = sum / divisor;
}

// meanOf, and the lanes' extremes *lo and *hi widened with the valid lanes' means.
QUELVO_LANE_INLINE void meanLanes(const Doubles &sum, const Doubles &count, const Bits &valid, Doubles *mean,
                                  Doubles *lo, Doubles *hi)
{
    meanOf(sum, count, valid, mean);
    Lanes::choose(valid & (*mean < *lo), *mean, *lo, lo);
    Lanes::choose(valid & (*mean > *hi), *mean, *hi, hi);
}

// Writes mean to the pixels of out whose source pixel (valids) is valid and marks them valid;
// the others keep what they hold, or with every, become 0.0 and invalid.
template <bool every = false>
QUELVO_LANE_INLINE void storeValidLanes(const Doubles &mean, const bool *valids, double *out, bool *outValid)
{
    Lanes::FlagWord b;
    std::memcpy(&b, valids, sizeof b);
    Doubles stored = mean;
    // Mostly all the pixels are valid: then the destination need not be read.
    if (b != Lanes::allFlags) {
        Bits w;
        Doubles old{};
        Lanes::flagMask(valids, &w);
        if (!every)
            std::memcpy(&old, out, sizeof old);
        Lanes::choose(w, mean, old, &stored);
        Lanes::FlagWord ob = 0;
        if (!every)
            std::memcpy(&ob, outValid, sizeof ob);
        b |= ob;
    }
    if (every)
        Lanes::stream(stored, out);
    else
        std::memcpy(out, &stored, sizeof stored);
    std::memcpy(outValid, &b, sizeof b);
}

// Transposes a square of vectors in place: lane j of vector i becomes lane i of vector j.
QUELVO_LANE_INLINE void transpose(Doubles r[Lanes::count])
{
    static_assert(Lanes::count == 4, "a square of four vectors");
    const Doubles t0 = __builtin_shufflevector(r[0], r[1], 0, 4, 2, 6);
    const Doubles t1 = __builtin_shufflevector(r[0], r[1], 1, 5, 3, 7);
    const Doubles t2 = __builtin_shufflevector(r[2], r[3], 0, 4, 2, 6);
    const Doubles t3 = __builtin_shufflevector(r[2], r[3], 1, 5, 3, 7);
    r[0] = __builtin_shufflevector(t0, t2, 0, 1, 4, 5);
    r[1] = __builtin_shufflevector(t1, t3, 0, 1, 4, 5);
    r[2] = __builtin_shufflevector(t0, t2, 2, 3, 6, 7);
    r[3] = __builtin_shufflevector(t1, t3, 2, 3, 6, 7);
}

// Writes the means (room for lanesFor(n)) to the pixels of out valid in valids.
QUELVO_LANE_CLONES
void storeMeans(const double *means, const bool *valids, double *out, bool *outValid, int n)
{
    auto chunk = [means](int i, const bool *f, double *o, bool *ov) QUELVO_LANE_LAMBDA {
        Doubles mean;
        std::memcpy(&mean, means + i, sizeof mean);
        storeValidLanes(mean, f, o, ov);
    };
    int i = 0;
    for (; i + Lanes::count <= n; i += Lanes::count)
        chunk(i, valids + i, out + i, outValid + i);
    if (i < n) {
        Tail tail({out, valids}, i, n);
        bool ov[Lanes::count] = {};
        std::copy_n(outValid + i, n - i, ov);
        chunk(i, tail.valids, tail.values, ov);
        std::copy_n(tail.values, n - i, out + i);
        std::copy_n(ov, n - i, outValid + i);
    }
}

// How far ahead of the columns being read the group's rows are fetched.
const int prefetchColumns = 64;

// Outputs of the pass along rows made between two rounds of transposing.
const int slideBlock = 32;

// The widest half width for which the pass along rows keeps a ring of transposed columns (of
// 16 MiB then). Wider windows, which only very long rows allow, average each row on its own.
const int widestRingWindow = 1 << 15;

// Where the pass along rows keeps the pixels of a group of Lanes::count rows, transposed: column c of
// the group is a vector of masked values and one of flags, in slot c modulo the ring's size.
// Columns beyond the edges are columns of zeros like any other. The ring has room for every
// column from the oldest still inside the window to the newest transposed, at most a window, a
// block of outputs and two vectors ahead of it.
struct ColumnRing
{
    ColumnRing(int n, int ae)
        : n(n)
        , ae(ae)
        , mask(powerOfTwoFrom(2 * ae + 2 * Lanes::count + slideBlock) - 1)
        , masked(size_t(mask + 1) * Lanes::count, 0.0)
        , flags(masked.size(), 0.0)
    {
    }

    double *maskedAt(int c) { return masked.data() + size_t(c & mask) * Lanes::count; }
    double *flagsAt(int c) { return flags.data() + size_t(c & mask) * Lanes::count; }

    // Zeros for the columns left of the row, which the group before may have overwritten.
    void clearLeftMargin()
    {
        for (int c = -ae; c < 0; ++c) {
            std::fill_n(maskedAt(c), Lanes::count, 0.0);
            std::fill_n(flagsAt(c), Lanes::count, 0.0);
        }
    }

    int n;
    int ae;
    int mask;
    std::vector<double> masked;
    std::vector<double> flags;
};

// Transposes the Lanes::count columns from c (a multiple of them) into the ring; columns past the
// row's end go in as zeros.
QUELVO_LANE_INLINE void transposeColumns(const PixelRow rows[Lanes::count], int c, ColumnRing *ring)
{
    const int n = ring->n;
    const bool fetchAhead = c + prefetchColumns < n;
    Doubles m[Lanes::count], f[Lanes::count];
#pragma GCC unroll 4
    for (int r = 0; r < Lanes::count; ++r) {
        // Rows read side by side are more streams than the processor follows alone.
        if (fetchAhead) {
            __builtin_prefetch(rows[r].values + c + prefetchColumns);
            __builtin_prefetch(rows[r].valids + c + prefetchColumns);
        }
        if (c + Lanes::count <= n) {
            loadMasked(rows[r].values + c, rows[r].valids + c, &m[r], &f[r]);
        } else if (c >= n) {
            m[r] = f[r] = Doubles{};
        } else {
            const Tail tail(rows[r], c, n);
            loadMasked(tail.values, tail.valids, &m[r], &f[r]);
        }
    }
    transpose(m);
    transpose(f);
#pragma GCC unroll 4
    for (int k = 0; k < Lanes::count; ++k) {
        Lanes::store(m[k], ring->maskedAt(c + k));
        Lanes::store(f[k], ring->flagsAt(c + k));
    }
}

// Where the running sums along a group of rows stand between two outputs: the sums and counts
// of the rows' windows, lane by lane.
struct RowSums
{
    double sum[Lanes::count];
    double count[Lanes::count];
};

// The running sums along Lanes::count rows side by side, as the definition forms them: the entering
// pixel x + ae added, the mean taken for x, the leaving pixel x - ae subtracted. Means go to
// out[r] (room for lanesFor(n)) for the pixels x0 .. x1 - 1 (x0 a multiple of the lanes; the
// outputs are made by vectors, up to lanesFor(x1)); with widen, the valid pixels' ones go into the
// row extremes lo[r] and hi[r] as well. From x0 > 0 the sums go on from where at says they stood
// before x0, and at takes where they stand after x1 - 1: the same additions as in one go.
template <bool widen>
QUELVO_LANE_INLINE void groupMeans(const PixelRow rows[Lanes::count], int ae, ColumnRing *ring, double *const out[Lanes::count],
                                   int x0, int x1, RowSums *at, double *lo, double *hi)
{
    Doubles sum{}, count{}, l{}, h{};
    if (widen) {
        std::memcpy(&l, lo, sizeof l);
        std::memcpy(&h, hi, sizeof h);
    }
    int transposed = 0;
    auto transposeUpTo = [&](int c) QUELVO_LANE_LAMBDA {
        for (; transposed < c; transposed += Lanes::count)
            transposeColumns(rows, transposed, ring);
    };
    auto slide = [&](int c, bool entering) QUELVO_LANE_LAMBDA {
        Doubles m, f;
        std::memcpy(&m, ring->maskedAt(c), sizeof m);
        std::memcpy(&f, ring->flagsAt(c), sizeof f);
        if (entering) {
            sum += m;
            count += f;
        } else {
            sum -= m;
            count -= f;
        }
    };
    if (x0 - ae < 0)
        ring->clearLeftMargin();
    else
        transposed = (x0 - ae) / Lanes::count * Lanes::count;
    if (x0 == 0) {
        transposeUpTo(ae);
        for (int c = 0; c < ae; ++c)
            slide(c, true);
    } else {
        std::memcpy(&sum, at->sum, sizeof sum);
        std::memcpy(&count, at->count, sizeof count);
    }
    // Lanes::count outputs from v: means of the rows' windows, stored row by row.
    auto meansFrom = [&](int v) QUELVO_LANE_LAMBDA {
        Doubles means[Lanes::count];
#pragma GCC unroll 4
        for (int k = 0; k < Lanes::count; ++k) {
            const int x = v + k;
            slide(x + ae, true);
            Doubles own;
            std::memcpy(&own, ring->flagsAt(x), sizeof own);
            if (widen)
                meanLanes(sum, count, own != 0.0, &means[k], &l, &h);
            else
                meanOf(sum, count, own != 0.0, &means[k]);
            slide(x - ae, false);
        }
        transpose(means);
#pragma GCC unroll 4
        for (int r = 0; r < Lanes::count; ++r)
            Lanes::store(means[r], out[r] + v);
    };
    // The columns a block of outputs needs are transposed before it, so that the sums stay in
    // registers while the block runs.
    for (int b0 = x0; b0 < x1; b0 += slideBlock) {
        transposeUpTo(b0 + slideBlock + ae);
        const int b1 = std::min(x1, b0 + slideBlock);
        for (int v = b0; v < b1; v += Lanes::count)
            meansFrom(v);
    }
    if (at) {
        std::memcpy(at->sum, &sum, sizeof sum);
        std::memcpy(at->count, &count, sizeof count);
    }
    if (widen) {
        std::memcpy(lo, &l, sizeof l);
        std::memcpy(hi, &h, sizeof h);
    }
}

QUELVO_LANE_CLONES
void groupMeansWidening(const PixelRow rows[Lanes::count], int ae, ColumnRing *ring, double *const out[Lanes::count], double *lo,
                        double *hi)
{
    groupMeans<true>(rows, ae, ring, out, 0, ring->n, nullptr, lo, hi);
}

QUELVO_LANE_CLONES
void groupMeansOnly(const PixelRow rows[Lanes::count], int ae, ColumnRing *ring, double *const out[Lanes::count], int x0,
                    int x1, RowSums *at)
{
    groupMeans<false>(rows, ae, ring, out, x0, x1, at, nullptr, nullptr);
}

// The pass along one row as plainly as the definition runs it, into out (room for n); lo and hi,
// when given, take the extremes of the valid pixels' means.
void rowMeansAlone(PixelRow row, int n, int ae, double *out, double *lo, double *hi)
{
    double sum = 0.0;
    int count = 0;
    for (int x = -ae; x < n; ++x) {
        const int e = x + ae;
        if (e < n && row.valids[e]) {
            sum += row.values[e];
            ++count;
        }
        if (x >= 0) {
            const bool valid = row.valids[x];
            out[x] = sum / (valid ? count : 1);
            if (valid && lo && out[x] < *lo)
                *lo = out[x];
            if (valid && hi && out[x] > *hi)
                *hi = out[x];
        }
        const int l = x - ae;
        if (l >= 0 && row.valids[l]) {
            sum -= row.values[l];
            --count;
        }
    }
}

// Extremes of the means along a group of rows, one pair per row.
struct RowExtremes
{
    RowExtremes()
    {
        std::fill_n(lo, Lanes::count, infinity);
        std::fill_n(hi, Lanes::count, -infinity);
    }
    double lo[Lanes::count];
    double hi[Lanes::count];
};

// Column sums, one lane per column, and the extremes of the means written, one lane per column
// of the first vector of each strip.
struct ColumnState
{
    double *sums;
    double *counts;
    double *lo;
    double *hi;
};

// What a step of the column sums writes: every mean, meaningless where the row is invalid; or
// the means where the row is valid, flagged and widening the extremes, other pixels kept as they
// are (ValidPixels) or set to 0.0 and invalid (EveryPixel); or, flagged as the row is, 1.0 where
// the row's pixel is valid and above its mean and 0.0 elsewhere, only the upper extremes taking
// them (Above: 0.0 is in the range of a new grid already). EveryPixel and Above write a new
// result, read by nobody soon: its values are streamed past the caches.
enum class Writes { Means, ValidPixels, EveryPixel, Above };

// One step of the column sums: the entering row added, the mean taken, the leaving row
// subtracted. A row that does not take part is a row of invalid pixels. What the output row own
// is given goes to out as writes says, outValid taking its flags. The extremes are kept per lane
// in registers while the row is under way, and in the strip's first lanes after.
template <Writes writes>
QUELVO_LANE_INLINE void columnStep(PixelRow enter, PixelRow own, double *out, bool *outValid, PixelRow leave, int n,
                                   ColumnState s)
{
    if (n <= 0)
        return;
    const bool widen = writes != Writes::Means;
    Doubles l, h;
    if (widen) {
        std::memcpy(&l, s.lo, sizeof l);
        std::memcpy(&h, s.hi, sizeof h);
    }
    const bool streams = writes == Writes::EveryPixel || writes == Writes::Above;
    // 1.0 in the lanes where valid and the own row's value is above mean, else 0.0.
    auto above = [](const Bits &valid, const Doubles &mean, const double *values, Doubles *map) QUELVO_LANE_LAMBDA {
        Doubles value;
        std::memcpy(&value, values, sizeof value);
        Lanes::choose(valid & (mean < value), Doubles{} + 1.0, Doubles{}, map);
    };
    // Where the entering, the output and the leaving pixels are all valid, nothing needs masking
    // and the count, a whole number, is one more for the mean and as it was after.
    auto allValid = [&](int i, PixelRow e, PixelRow w, double *o, bool *ov, PixelRow leaving) QUELVO_LANE_LAMBDA {
        Doubles sum, count, m, mean;
        std::memcpy(&sum, s.sums + i, sizeof sum);
        std::memcpy(&count, s.counts + i, sizeof count);
        std::memcpy(&m, e.values, sizeof m);
        sum += m;
        mean = sum / (count + 1.0);
        if (writes == Writes::Above)
            above(Bits{} - 1, mean, w.values, &mean);
        if (widen) {
            if (writes != Writes::Above)
                Lanes::lesser(mean, l, &l);
            Lanes::greater(mean, h, &h);
            std::memcpy(ov, &Lanes::allFlags, sizeof Lanes::allFlags);
        }
        if (streams)
            Lanes::stream(mean, o);
        else
            Lanes::store(mean, o);
        std::memcpy(&m, leaving.values, sizeof m);
        sum -= m;
        Lanes::store(sum, s.sums + i);
    };
    auto chunk = [&](int i, PixelRow e, PixelRow w, double *o, bool *ov, PixelRow leaving) QUELVO_LANE_LAMBDA {
        const bool *f = w.valids;
        Lanes::FlagWord fe, ff, fl;
        std::memcpy(&fe, e.valids, sizeof fe);
        std::memcpy(&ff, f, sizeof ff);
        std::memcpy(&fl, leaving.valids, sizeof fl);
        if ((fe & ff & fl) == Lanes::allFlags) {
            allValid(i, e, w, o, ov, leaving);
            return;
        }
        Doubles sum, count, m, c, mean;
        Bits valid;
        std::memcpy(&sum, s.sums + i, sizeof sum);
        std::memcpy(&count, s.counts + i, sizeof count);
        loadMasked(e.values, e.valids, &m, &c);
        sum += m;
        count += c;
        Lanes::flagMask(f, &valid);
        if (writes == Writes::Above) {
            meanOf(sum, count, valid, &mean);
            above(valid, mean, w.values, &mean);
            Lanes::greater(mean, h, &h);
            Lanes::stream(mean, o);
            std::memcpy(ov, f, Lanes::count);
        } else if (widen) {
            meanLanes(sum, count, valid, &mean, &l, &h);
            storeValidLanes<writes == Writes::EveryPixel>(mean, f, o, ov);
        } else {
            meanOf(sum, count, valid, &mean);
            std::memcpy(o, &mean, sizeof mean);
        }
        loadMasked(leaving.values, leaving.valids, &m, &c);
        sum -= m;
        count -= c;
        std::memcpy(s.sums + i, &sum, sizeof sum);
        std::memcpy(s.counts + i, &count, sizeof count);
    };
    int i = 0;
    for (; i + Lanes::count <= n; i += Lanes::count) {
        chunk(i, {enter.values + i, enter.valids + i}, {own.values + i, own.valids + i}, out + i,
              widen ? outValid + i : nullptr, {leave.values + i, leave.valids + i});
    }
    if (i < n) {
        const Tail e(enter, i, n);
        const Tail w(own, i, n);
        const Tail l(leave, i, n);
        double o[Lanes::count] = {};
        bool ov[Lanes::count] = {};
        // Flags not yet written may hold any byte, which is no bool.
        if (writes == Writes::ValidPixels) {
            std::copy_n(out + i, n - i, o);
            std::copy_n(outValid + i, n - i, ov);
        }
        chunk(i, e.row(), w.row(), o, ov, l.row());
        std::copy_n(o, n - i, out + i);
        if (widen)
            std::copy_n(ov, n - i, outValid + i);
    }
    if (widen) {
        Lanes::store(l, s.lo);
        Lanes::store(h, s.hi);
    }
    if (streams)
        Lanes::streamed();
}

QUELVO_LANE_CLONES
void columnStepWriting(Writes writes, PixelRow enter, PixelRow own, double *out, bool *outValid, PixelRow leave,
                       int n, ColumnState s)
{
    switch (writes) {
    case Writes::Means:
        return columnStep<Writes::Means>(enter, own, out, outValid, leave, n, s);
    case Writes::ValidPixels:
        return columnStep<Writes::ValidPixels>(enter, own, out, outValid, leave, n, s);
    case Writes::EveryPixel:
        return columnStep<Writes::EveryPixel>(enter, own, out, outValid, leave, n, s);
    case Writes::Above:
        return columnStep<Writes::Above>(enter, own, out, outValid, leave, n, s);
    }
}

} // namespace

// The pass along rows over groups of Lanes::count rows of a grid; rows beyond the grid read as invalid.
struct RunningMeans::RowPass
{
    RowPass(const TDData0 *src, int a)
        : src(src)
        , ae(std::clamp(a, 0, src->width))
        , ring(ae <= widestRingWindow ? std::make_unique<ColumnRing>(src->width, ae) : nullptr)
        , zeros(size_t(src->width), 0.0)
        , noneValid(new bool[size_t(src->width)]())
    {
    }

    // Whether the rows can be made a part at a time (see runColumns): not for the widest windows.
    bool inParts() const { return bool(ring); }

    // Means of the Lanes::count rows from y0 into out, widening the extremes per row if given.
    void run(int y0, double *const out[Lanes::count], RowExtremes *extremes = nullptr)
    {
        PixelRow rows[Lanes::count];
        group(y0, rows);
        if (!ring) {
            for (int r = 0; r < Lanes::count; ++r) {
                rowMeansAlone(rows[r], src->width, ae, out[r], extremes ? &extremes->lo[r] : nullptr,
                              extremes ? &extremes->hi[r] : nullptr);
            }
        } else if (extremes) {
            groupMeansWidening(rows, ae, ring.get(), out, extremes->lo, extremes->hi);
        } else {
            groupMeansOnly(rows, ae, ring.get(), out, 0, src->width, nullptr);
        }
    }

    // The means of columns x0 .. x1 - 1 alone (x0 a multiple of the lanes), the sums going on from
    // and to at; with inParts() only.
    void runColumns(int y0, double *const out[Lanes::count], int x0, int x1, RowSums *at)
    {
        PixelRow rows[Lanes::count];
        group(y0, rows);
        groupMeansOnly(rows, ae, ring.get(), out, x0, x1, at);
    }

    void group(int y0, PixelRow rows[Lanes::count]) const
    {
        for (int r = 0; r < Lanes::count; ++r) {
            rows[r] = {zeros.data(), noneValid.get()};
            if (y0 + r < src->height) {
                const int i = src->index(0, y0 + r);
                rows[r] = {src->values.constData() + i, src->valids.constData() + i};
            }
        }
    }

    const TDData0 *src;
    int ae;
    std::unique_ptr<ColumnRing> ring;
    std::vector<double> zeros;
    std::unique_ptr<bool[]> noneValid;
};

// One sweep over the threads, with no barrier between them. The columns are cut into a strip per
// thread. A strip makes its own part of each group of rows averaged along rows, into the ring, its
// sums going on from where the strip on its left left them in that group, and moves its column
// sums down over the rows it has made: so whoever works on a strip reads again only what was made
// or read for that strip, a few dozen rows before, still in the caches. A strip is held by one
// thread at a time, which keeps its sums in their order, and whichever thread is free takes one
// that is not held, its own first: the sweep ends even when the pool runs it on one thread alone.
// A strip's columns of a ring slot are made again once its column sums are past the rows that
// read them.
class RunningMeans::Sweep
{
public:
    // Rows made ahead of the foremost strip's entering row, and rows the strips may drift apart
    // before the foremost waits.
    static constexpr int lookahead = 4 * Lanes::count;
    static int slack(int threads) { return threads > 1 ? 8 * Lanes::count : 0; }

    Sweep(RunningMeans *means, int last, const Use &use)
        : m(means)
        , last(last)
        , lastGroup(std::min(last - 1 + means->ay, means->src->height - 1) / Lanes::count)
        , use(use)
        , threadCount(ParallelRows::threadCount())
        , stripCount(means->rowPass && !means->rowPass->inParts() ? 1 : std::min(threadCount, vectorsOf(means)))
        , strips(new Strip[size_t(stripCount)])
        , groupSlots(std::max(1, means->ringRows / Lanes::count))
        , madeIn(new std::atomic<int>[size_t(stripCount) * size_t(groupSlots)])
        , handed(new RowSums[size_t(stripCount) * size_t(groupSlots)])
    {
        const int vectors = vectorsOf(means);
        for (int s = 0; s < stripCount; ++s) {
            strips[s].c0 = int(qint64(vectors) * s / stripCount) * Lanes::count;
            strips[s].c1 = std::min(means->src->width, int(qint64(vectors) * (s + 1) / stripCount) * Lanes::count);
            strips[s].row = means->y;
            strips[s].nextGroup = strips[s].groupsSeen = means->madeRows / Lanes::count;
        }
        for (int i = 0; i < stripCount * groupSlots; ++i)
            madeIn[i] = -1;
    }

    int threads() const { return threadCount; }
    int rowsSwept() const { return slowest(); }
    // A sweep that ends makes the groups up to the same one in every strip.
    int rowsMade() const { return stripCount > 0 ? strips[0].nextGroup * Lanes::count : m->madeRows; }

    // The work of one thread; self picks the strip it tries first.
    void work(int self)
    {
        std::unique_ptr<RowPass> pass(m->rowPass ? new RowPass(m->src, m->ax) : nullptr);
        std::vector<double> means(size_t(m->src->width));
        int idle = 0;
        try {
            while (!stop.load(std::memory_order_relaxed)) {
                bool worked = false;
                for (int k = 0; !worked && k < stripCount; ++k)
                    worked = advance((self + k) % stripCount, pass.get(), means.data());
                if (worked) {
                    idle = 0;
                } else if (slowest() >= last) {
                    return;
                } else if (ParallelRows::cancelled()) {
                    stop = true;
                } else {
                    wait(&idle);
                }
            }
        } catch (...) {
            // The others would wait forever for this thread's strip.
            stop = true;
            throw;
        }
    }

private:
    struct alignas(64) Strip
    {
        int c0 = 0;
        int c1 = 0;
        // The next row to take, and whether a thread holds the strip.
        std::atomic<int> row{0};
        std::atomic<bool> held{false};
        // The next group of rows to make, and the groups known to be made: touched by the
        // strip's holder only.
        int nextGroup = 0;
        int groupsSeen = 0;
    };

    // Rows a thread moves a strip by before it looks for a group to make.
    static constexpr int stripStep = Lanes::count;

    static int vectorsOf(const RunningMeans *means) { return (means->src->width + Lanes::count - 1) / Lanes::count; }

    int slowest() const
    {
        int row = last;
        for (int s = 0; s < stripCount; ++s)
            row = std::min(row, strips[s].row.load(std::memory_order_acquire));
        return row;
    }
    int foremost() const
    {
        int row = 0;
        for (int s = 0; s < stripCount; ++s)
            row = std::max(row, strips[s].row.load(std::memory_order_relaxed));
        return row;
    }
    std::atomic<int> &madeSlot(int s, int group) const
    {
        return madeIn[size_t(s) * size_t(groupSlots) + size_t(group % groupSlots)];
    }
    bool made(int s, int group) const { return madeSlot(s, group).load(std::memory_order_acquire) == group; }
    RowSums &handedOn(int s, int group) const { return handed[size_t(s) * size_t(groupSlots) + size_t(group % groupSlots)]; }

    // Works on strip s unless another thread holds it: makes its part of the next group of rows
    // when due, else moves its column sums down.
    bool advance(int s, RowPass *pass, double *means)
    {
        Strip &strip = strips[s];
        if (strip.row.load(std::memory_order_relaxed) >= last || strip.held.exchange(true, std::memory_order_acquire))
            return false;
        const bool worked = makeDueGroup(s, pass) || moveStrip(s, means);
        strip.held.store(false, std::memory_order_release);
        return worked;
    }

    // Makes strip s's part of its next group of rows when the foremost strip will soon need the
    // group, the strip's columns of the slots are free, the strip on the left has made its part,
    // and the strip on the right has taken what this one handed on for the group a ring before.
    bool makeDueGroup(int s, RowPass *pass)
    {
        Strip &strip = strips[s];
        const int g = strip.nextGroup;
        const int first = g * Lanes::count;
        // The last row the slots held, read last by the column sums of the row ay below it.
        const int replaced = first + Lanes::count - 1 - m->ringRows;
        if (!pass || g > lastGroup || first > foremost() + m->ay + lookahead
            || (replaced >= 0 && strip.row.load(std::memory_order_relaxed) <= replaced + m->ay)
            || (s > 0 && !made(s - 1, g))
            || (s + 1 < stripCount && madeSlot(s + 1, g).load(std::memory_order_acquire) < g - groupSlots))
            return false;
        double *out[Lanes::count];
        m->ringSlots(first, out);
        if (stripCount == 1) {
            pass->run(first, out);
        } else {
            RowSums sums = s > 0 ? handedOn(s - 1, g) : RowSums{};
            pass->runColumns(first, out, strip.c0, strip.c1, &sums);
            if (s + 1 < stripCount)
                handedOn(s, g) = sums;
        }
        madeSlot(s, g).store(g, std::memory_order_release);
        ++strip.nextGroup;
        return true;
    }

    // Moves strip s down by up to stripStep rows, as far as the rows made allow.
    bool moveStrip(int s, double *means)
    {
        Strip &strip = strips[s];
        const int height = m->src->height;
        const int start = strip.row.load(std::memory_order_relaxed);
        const int end = std::min(last, start + stripStep);
        int row = start;
        for (; row < end; ++row) {
            const int entering = row + m->ay;
            if (m->rowPass) {
                const int needed = std::min(entering, height - 1) / Lanes::count;
                while (strip.groupsSeen <= needed && made(s, strip.groupsSeen))
                    ++strip.groupsSeen;
                if (strip.groupsSeen <= needed)
                    break;
            } else if (entering + prefetchRows < height) {
                const int ahead = m->src->index(strip.c0, entering + prefetchRows);
                prefetchRow(m->src->values.constData() + ahead, m->src->valids.constData() + ahead, strip.c1 - strip.c0);
            }
            use(row, strip.c0, strip.c1, means);
            strip.row.store(row + 1, std::memory_order_release);
        }
        if (row == start)
            return false;
        report();
        return true;
    }

    // Reports the rows every strip is past; a cancelled run stops every thread.
    void report()
    {
        const int swept = slowest();
        int reported = rowsReported.load(std::memory_order_relaxed);
        while (reported < swept && !rowsReported.compare_exchange_weak(reported, swept)) {
        }
        if (reported < swept && !ParallelRows::rowsDone(swept - reported))
            stop = true;
    }

    // Spins a while for another thread's work, then gives the processor to other threads.
    static void wait(int *idle)
    {
        if (++*idle < 64) {
#if defined(__SSE2__)
            _mm_pause();
#endif
        } else {
            std::this_thread::yield();
        }
    }

    RunningMeans *const m;
    const int last;
    const int lastGroup;
    const Use &use;
    const int threadCount;
    const int stripCount;
    const std::unique_ptr<Strip[]> strips;
    // Per strip and group of slots in the ring: the group whose part the strip made there last,
    // and where its sums along the rows stood at its right edge, for the strip on its right.
    const int groupSlots;
    const std::unique_ptr<std::atomic<int>[]> madeIn;
    const std::unique_ptr<RowSums[]> handed;
    std::atomic<int> rowsReported{0};
    std::atomic<bool> stop{false};
};

RunningMeans::RunningMeans(const TDData0 *src, int ax, int ay)
    : src(src)
    , ay(std::clamp(ay, 0, src->height))
    , ax(ax)
    , sums(size_t(lanesFor(src->width)), 0.0)
    , counts(sums.size(), 0.0)
    , lo(sums.size(), infinity)
    , hi(sums.size(), -infinity)
    , zeros(size_t(src->width), 0.0)
    , noneValid(new bool[size_t(src->width)]())
{
    if (ax > 0)
        rowPass = std::make_unique<RowPass>(src, ax);
}

RunningMeans::~RunningMeans() = default;

template <typename Step>
void RunningMeans::columnsOfRow(int row, int c0, const Step &step)
{
    const bool *valids = src->valids.constData();
    auto at = [&](int r) { return PixelRow{sourceRow(r) + c0, valids + src->index(c0, r)}; };
    const PixelRow none{zeros.data(), noneValid.get()};
    const ColumnState state{sums.data() + c0, counts.data() + c0, lo.data() + c0, hi.data() + c0};
    if (row == 0) {
        // The first rows of the window enter before the first mean; rows of invalid pixels
        // stand for the output row.
        for (int e = 0; e < ay; ++e)
            step(at(e), none, none, state);
    }
    const int entering = row + ay;
    const int leaving = row - ay;
    const int i = src->index(c0, row);
    step(entering < src->height ? at(entering) : none, PixelRow{src->values.constData() + i, valids + i},
         leaving >= 0 ? at(leaving) : none, state);
}

void RunningMeans::startSweep()
{
    if (!rowPass || ring)
        return;
    // Rows y - ay .. y + ay are in use while rows are made ahead of y + ay, and the strips
    // may lie some rows apart.
    const int threads = ParallelRows::threadCount();
    ringRows = lanesFor(std::min(2 * ay + 1 + Sweep::lookahead + Sweep::slack(threads), src->height));
    // Half a page into a page: grids start on pages (see TDData0), and a ring whose columns lay
    // at the same offsets within pages as theirs made the moving average 6 % slower.
    const size_t page = 4096 / sizeof(double);
    ring.reset(new double[size_t(ringRows + 1) * size_t(lanesFor(src->width)) + 2 * page]);
    void *start = ring.get();
    size_t room = (2 * page + 1) * sizeof(double);
    ringStart = static_cast<double *>(std::align(4096, sizeof(double), start, room)) + page / 2;
}

void RunningMeans::sweep(int last, const Use &use)
{
    startSweep();
    last = std::min(last, src->height);
    if (y >= last)
        return;
    ParallelRows::rowsStarted(last - y);
    Sweep sweep(this, last, use);
    ParallelRows::run(0, sweep.threads(), 0, [&](int first, int end) {
        for (int self = first; self < end; ++self)
            sweep.work(self);
    });
    y = sweep.rowsSwept();
    madeRows = sweep.rowsMade();
}

void RunningMeans::sweepMeans(int last, const std::function<void(int row, int c0, int c1, const double *means)> &use)
{
    sweep(last, [&](int row, int c0, int c1, double *means) {
        columnsOfRow(row, c0, [&](PixelRow enter, PixelRow own, PixelRow leave, ColumnState s) {
            columnStepWriting(Writes::Means, enter, own, means + c0, nullptr, leave, c1 - c0, s);
        });
        use(row, c0, c1, means);
    });
}

void RunningMeans::fillAbove(TDData0 *dst, int first, int last)
{
    double *values = dst->values.data();
    bool *valids = dst->valids.data();
    sweep(last, [&](int row, int c0, int c1, double *means) {
        const int i = dst->index(c0, row);
        columnsOfRow(row, c0, [&](PixelRow enter, PixelRow own, PixelRow leave, ColumnState s) {
            if (row < first)
                columnStepWriting(Writes::Means, enter, own, means + c0, nullptr, leave, c1 - c0, s);
            else
                columnStepWriting(Writes::Above, enter, own, values + i, valids + i, leave, c1 - c0, s);
        });
    });
    foldRange(lo.data(), hi.data(), src->width, src->valids.constData(), dst);
}

void RunningMeans::writeRows(TDData0 *dst)
{
    write(dst, false);
}

void RunningMeans::fillRows(TDData0 *dst)
{
    write(dst, true);
    // A cancelled sweep leaves rows unwritten, which must not show what the memory held.
    const int i = dst->index(0, y);
    std::fill(dst->values.begin() + i, dst->values.end(), 0.0);
    std::fill(dst->valids.begin() + i, dst->valids.end(), false);
}

void RunningMeans::write(TDData0 *dst, bool everyPixel)
{
    double *values = dst->values.data();
    bool *valids = dst->valids.data();
    const Writes writes = everyPixel ? Writes::EveryPixel : Writes::ValidPixels;
    sweep(src->height, [&](int row, int c0, int c1, double *) {
        const int i = dst->index(c0, row);
        columnsOfRow(row, c0, [&](PixelRow enter, PixelRow own, PixelRow leave, ColumnState s) {
            columnStepWriting(writes, enter, own, values + i, valids + i, leave, c1 - c0, s);
        });
    });
    foldRange(lo.data(), hi.data(), src->width, src->valids.constData(), dst);
}

void RunningMeans::alongRows(const TDData0 *src, TDData0 *dst, int a)
{
    const int n = src->width;
    const size_t stride = size_t(lanesFor(n));
    const int groups = (src->height + Lanes::count - 1) / Lanes::count;
    ParallelRows::Extremes extremes(0, src->height);
    double *values = dst->values.data();
    bool *valids = dst->valids.data();
    ParallelRows::run(0, groups, 0, [&](int g0, int g1) {
        RowPass pass(src, a);
        std::vector<double> means(Lanes::count * stride);
        double *out[Lanes::count];
        for (int r = 0; r < Lanes::count; ++r)
            out[r] = means.data() + r * stride;
        for (int y0 = g0 * Lanes::count; y0 < g1 * Lanes::count; y0 += Lanes::count) {
            RowExtremes rowExtremes;
            pass.run(y0, out, &rowExtremes);
            const int rows = std::min(Lanes::count, src->height - y0);
            for (int r = 0; r < rows; ++r) {
                const int i = src->index(0, y0 + r);
                storeMeans(out[r], src->valids.constData() + i, values + i, valids + i, n);
                extremes.set(y0 + r, rowExtremes.lo[r], rowExtremes.hi[r]);
            }
        }
    });
    extremes.foldInto(dst, 0, src->height);
}

double *RunningMeans::ringRow(int slot)
{
    return ringStart + size_t(slot) * size_t(lanesFor(src->width));
}

const double *RunningMeans::sourceRow(int row)
{
    return rowPass ? ringRow(row % ringRows) : src->values.constData() + src->index(0, row);
}

// Rows beyond the grid are made into the spare slot behind the ring.
void RunningMeans::ringSlots(int firstRow, double **out)
{
    for (int r = 0; r < Lanes::count; ++r)
        out[r] = firstRow + r < src->height ? ringRow((firstRow + r) % ringRows) : ringRow(ringRows);
}
