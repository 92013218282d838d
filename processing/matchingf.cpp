#include "matchingf.h"

#include "data/lanes.h"
#include "data/parallelrows.h"
#include "data/tddata.h"

#include <QDebug>
#include <QElapsedTimer>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

// The sums with AVX-512 intrinsics, in functions compiled for it and chosen at run time.
#ifdef QUELVO_HAS_WIDE_LANES
#include <immintrin.h>
#endif

namespace {

// The part of the template that can ever count: tw x th source pixels from (x0, y0), which lie
// dx, dy pixels right of and below the window position. Template pixels outside the grid, or
// whose partner is outside the grid for every window position from `from` on, never count, so
// they are left out, and no buffer is sized by a region larger than the grid.
struct Template
{
    int x0 = 0;
    int y0 = 0;
    int tw = 0;
    int th = 0;
    int dx = 0;
    int dy = 0;
};

// The clipped span of one axis: template from `left` to `right` (inclusive) on a grid of `size`,
// window positions from `from`.
void clipAxis(qint64 left, qint64 right, int size, int from, int *x0, int *length, int *offset)
{
    const qint64 first = std::max<qint64>(left, 0);
    // Partner of template pixel p at window position x is x + p - left, inside the grid below size.
    const qint64 last = std::min<qint64>({right, size - 1, left + size - 1 - std::max(from, 0)});
    *x0 = int(first);
    *offset = int(std::min<qint64>(first - left, size));
    *length = int(std::max<qint64>(last - first + 1, 0));
}

Template templateOf(const TDData0 *src, const QRect &positions)
{
    Template t;
    clipAxis(src->region.left(), src->region.right(), src->width, positions.left(), &t.x0, &t.tw, &t.dx);
    clipAxis(src->region.top(), src->region.bottom(), src->height, positions.top(), &t.y0, &t.th, &t.dy);
    if (t.tw == 0 || t.th == 0)
        t.tw = t.th = 0;  // nothing ever counts
    return t;
}

// Lanes of one block of window positions.
constexpr int blockLanes = 16;
// Window rows computed from one padded copy of the source.
constexpr int stripRows = 32;
// Blocks of window positions taken through every row of a strip before the next ones: the part of
// the strip their windows cover then stays in the processor's second-level cache.
constexpr int tileBlocks = 8;

// A valid template pixel: where its partner lies relative to the window position in the padded
// copy, its value and the bits of its square (masked like integers, so no arithmetic touches them).
struct TemplatePixel
{
    int offset;
    double t;
    qint64 ttBits;
};

// The bits of -0.0, which marks a pixel that does not count in the strip: a valid zero is kept as
// +0.0 there, so one load tells both the value and whether it counts. Either zero adds a*a = +0.0
// and a*t = +-0.0 (or NaN with an infinite t, masked where that matters), so the sign a valid zero
// loses changes no sum.
constexpr qint64 holeBits = qint64(1) << 63;

// The source around a strip of window rows, ready for the pair loop: values, with +0.0 for a valid
// zero and -0.0 where a pixel is invalid or beyond the grid. Window positions are columns from 0;
// pixels to the right and below are padding.
struct Strip
{
    int stride = 0;
    std::vector<double> values;
    // Per row, the pixels before each column (stride + 1 entries) that cannot count.
    std::vector<int> unusableBefore;

    // True when the windows of positions first .. last (columns of the strip) at row r, which
    // start dx, dy pixels away and reach over tw x th pixels, hold only pixels that count.
    bool allUsable(int r, int first, int last, const Template &tpl) const
    {
        const int c0 = first + tpl.dx;
        const int c1 = last + tpl.dx + tpl.tw;
        const int *before = unusableBefore.data() + size_t(r + tpl.dy) * (stride + 1);
        for (int j = 0; j < tpl.th; ++j, before += stride + 1) {
            if (before[c1] != before[c0])
                return false;
        }
        return true;
    }
};

void fillStrip(const TDData *src, int x0, int y0, int rows, Strip *strip)
{
    strip->values.assign(size_t(strip->stride) * rows, -0.0);
    strip->unusableBefore.resize(size_t(strip->stride + 1) * rows);
    const int columns = std::max(0, std::min(strip->stride, src->width - x0));
    for (int r = 0; r < rows; ++r) {
        int *before = strip->unusableBefore.data() + size_t(r) * (strip->stride + 1);
        before[0] = 0;
        const int inside = y0 + r < src->height ? columns : 0;
        if (inside > 0) {
            const int i = src->index(x0, y0 + r);
            const double *values = src->values.constData() + i;
            const bool *valids = src->valids.constData() + i;
            double *v = strip->values.data() + size_t(r) * strip->stride;
            for (int c = 0; c < inside; ++c) {
                if (valids[c])
                    v[c] = values[c] == 0.0 ? 0.0 : values[c];
                before[c + 1] = before[c] + !valids[c];
            }
        }
        for (int c = inside; c < strip->stride; ++c)
            before[c + 1] = before[c] + 1;
    }
}

// The three sums of blocks consecutive blocks of window positions, where some of their windows
// hold pixels that do not count. Each lane is one position and goes through the template pixels
// in their order, exactly as the plain loop does; a pair that does not count adds +0.0 to St2
// instead of being skipped, which changes no sum: none is ever -0.0. With an infinite or NaN
// template value (MaskProducts) a*t is masked too, after multiplying, so that an infinite value
// meeting an invalid pixel gives 0.0, not NaN.
template <bool MaskProducts>
QUELVO_LANE_INLINE void partialSumsOver(const double *values, const TemplatePixel *tpl, int count, int blocks,
                                        double *st2, double *sa2, double *sat)
{
    using D = Lanes::Doubles;
    using B = Lanes::Bits;
    constexpr int lanes = Lanes::count;
    // Two vectors a step: with four, the sums and their constants would not fit in AVX2's registers.
    constexpr int vectors = 2;
    const B hole = B{} + holeBits;
    const int steps = blocks * blockLanes / (vectors * lanes);
    for (int b = 0; b < steps; ++b) {
        const double *v = values + b * vectors * lanes;
        D t2[vectors] = {};
        D a2[vectors] = {};
        D at[vectors] = {};
        for (int k = 0; k < count; ++k) {
            const int o = tpl[k].offset;
            const double t = tpl[k].t;
            const qint64 ttBits = tpl[k].ttBits;
            for (int h = 0; h < vectors; ++h) {
                D a;
                std::memcpy(&a, v + o + h * lanes, sizeof a);
                const B valid = reinterpret_cast<B>(a) != hole;
                t2[h] += reinterpret_cast<D>(valid & ttBits);
                a2[h] += a * a;
                if (MaskProducts)
                    at[h] += reinterpret_cast<D>(reinterpret_cast<B>(a * t) & valid);
                else
                    at[h] += a * t;
            }
        }
        for (int h = 0; h < vectors; ++h) {
            const int i = (b * vectors + h) * lanes;
            std::memcpy(st2 + i, &t2[h], sizeof t2[h]);
            std::memcpy(sa2 + i, &a2[h], sizeof a2[h]);
            std::memcpy(sat + i, &at[h], sizeof at[h]);
        }
    }
}

QUELVO_NARROW_CLONES
void partialSumsNarrow(const double *values, const TemplatePixel *tpl, int count, int blocks, bool maskProducts,
                       double *st2, double *sa2, double *sat)
{
    if (maskProducts)
        partialSumsOver<true>(values, tpl, count, blocks, st2, sa2, sat);
    else
        partialSumsOver<false>(values, tpl, count, blocks, st2, sa2, sat);
}

// Sa2 and Sat of blocks of window positions whose windows are whole, each lane summing as the
// general loop does; nothing needs a mask. Four vectors of two sums keep the adders busy while
// each sum waits on itself.
QUELVO_NARROW_CLONES
void windowSumsNarrow(const double *values, const TemplatePixel *tpl, int count, int blocks, double *sa2, double *sat)
{
    using Lanes::Doubles;
    constexpr int vectors = blockLanes / Lanes::count;
    for (int b = 0; b < blocks; ++b) {
        const double *v = values + b * blockLanes;
        Doubles a2[vectors] = {};
        Doubles at[vectors] = {};
        for (int k = 0; k < count; ++k) {
            const int o = tpl[k].offset;
            const double t = tpl[k].t;
            for (int h = 0; h < vectors; ++h) {
                Doubles a;
                std::memcpy(&a, v + o + h * Lanes::count, sizeof a);
                a2[h] += a * a;
                at[h] += a * t;
            }
        }
        for (int h = 0; h < vectors; ++h) {
            const int i = b * blockLanes + h * Lanes::count;
            std::memcpy(sa2 + i, &a2[h], sizeof a2[h]);
            std::memcpy(sat + i, &at[h], sizeof at[h]);
        }
    }
}

#ifdef QUELVO_HAS_WIDE_LANES

// The same sums with AVX-512, in its intrinsics: eight lanes a register, and up to four blocks (eight
// registers of each sum) a step, so that a template pixel's offset and constants, loaded once a
// step, serve 64 positions. A pixel that does not count is left out of St2 by one masked addition
// where the loop above adds +0.0: the same bits, one instruction fewer. With Whole (every window
// of the blocks whole) St2 is not summed at all.
template <int Vectors, bool Whole, bool MaskProducts>
QUELVO_WIDE_LANES inline __attribute__((always_inline)) void wideStep(const double *values, const TemplatePixel *tpl,
                                                                       int count, int i, double *st2, double *sa2,
                                                                       double *sat)
{
    const __m512i hole = _mm512_set1_epi64(holeBits);
    __m512d t2[Vectors], a2[Vectors], at[Vectors];
    for (int h = 0; h < Vectors; ++h)
        t2[h] = a2[h] = at[h] = _mm512_setzero_pd();
    for (int k = 0; k < count; ++k) {
        const double *v = values + i + tpl[k].offset;
        const __m512d t = _mm512_set1_pd(tpl[k].t);
        const __m512d tt = _mm512_castsi512_pd(_mm512_set1_epi64(tpl[k].ttBits));
        for (int h = 0; h < Vectors; ++h) {
            const __m512d a = _mm512_loadu_pd(v + 8 * h);
            a2[h] = _mm512_add_pd(a2[h], _mm512_mul_pd(a, a));
            __m512d product = _mm512_mul_pd(a, t);
            if (!Whole) {
                const __mmask8 valid = _mm512_cmpneq_epi64_mask(_mm512_castpd_si512(a), hole);
                t2[h] = _mm512_mask_add_pd(t2[h], valid, t2[h], tt);
                if (MaskProducts)
                    product = _mm512_maskz_mov_pd(valid, product);
            }
            at[h] = _mm512_add_pd(at[h], product);
        }
    }
    for (int h = 0; h < Vectors; ++h) {
        if (!Whole)
            _mm512_storeu_pd(st2 + i + 8 * h, t2[h]);
        _mm512_storeu_pd(sa2 + i + 8 * h, a2[h]);
        _mm512_storeu_pd(sat + i + 8 * h, at[h]);
    }
}

// Four blocks a step while there are, then two, then one. st2 is not written with Whole.
template <bool Whole, bool MaskProducts>
QUELVO_WIDE_LANES void wideSums(const double *values, const TemplatePixel *tpl, int count, int blocks,
                                double *st2, double *sa2, double *sat)
{
    constexpr int perBlock = blockLanes / 8;
    int b = 0;
    for (; b + 4 <= blocks; b += 4)
        wideStep<4 * perBlock, Whole, MaskProducts>(values, tpl, count, b * blockLanes, st2, sa2, sat);
    for (; b + 2 <= blocks; b += 2)
        wideStep<2 * perBlock, Whole, MaskProducts>(values, tpl, count, b * blockLanes, st2, sa2, sat);
    for (; b < blocks; ++b)
        wideStep<perBlock, Whole, MaskProducts>(values, tpl, count, b * blockLanes, st2, sa2, sat);
}
#endif

// The valid template pixels in their order, with what the sums need to know of them as a whole.
struct TemplateSums
{
    std::vector<TemplatePixel> pixels;
    // St2 of a window where every partner counts, summed as the lanes sum it.
    double energy = 0.0;
    // No template value is infinite or NaN.
    bool finite = true;

    void windowSums(const double *values, int blocks, double *sa2, double *sat) const
    {
        const int count = int(pixels.size());
#ifdef QUELVO_HAS_WIDE_LANES
        if (Lanes::wide())
            return wideSums<true, false>(values, pixels.data(), count, blocks, nullptr, sa2, sat);
#endif
        windowSumsNarrow(values, pixels.data(), count, blocks, sa2, sat);
    }
    void partialSums(const double *values, int blocks, double *st2, double *sa2, double *sat) const
    {
        const int count = int(pixels.size());
#ifdef QUELVO_HAS_WIDE_LANES
        if (Lanes::wide()) {
            return (finite ? wideSums<false, false> : wideSums<false, true>)(values, pixels.data(), count, blocks,
                                                                             st2, sa2, sat);
        }
#endif
        partialSumsNarrow(values, pixels.data(), count, blocks, !finite, st2, sa2, sat);
    }
};

// The sums of one window row over the blocks of positions b0 .. b1 - 1, into st2, sa2 and sat
// from the position b0 * blockLanes on. Runs of blocks whose windows are whole take the template's
// energy as St2 and need no look at which pixels count.
void rowSums(const Strip &strip, int r, const Template &tpl, const TemplateSums &sums, int b0, int b1, double *st2,
             double *sa2, double *sat)
{
    const double *values = strip.values.data() + size_t(r) * strip.stride;
    auto whole = [&](int b) { return strip.allUsable(r, b * blockLanes, (b + 1) * blockLanes - 1, tpl); };
    for (int b = b0; b < b1;) {
        const bool fast = whole(b);
        int e = b + 1;
        while (e < b1 && whole(e) == fast)
            ++e;
        const int i = b * blockLanes;
        if (fast) {
            sums.windowSums(values + i, e - b, sa2 + i, sat + i);
            std::fill(st2 + i, st2 + e * blockLanes, sums.energy);
        } else {
            sums.partialSums(values + i, e - b, st2 + i, sa2 + i, sat + i);
        }
        b = e;
    }
}

// Similarity map of src against the template, the window's top-left corner at every position of
// the in-grid rectangle positions. pixel(i, j, &t) gives template pixel (i, j) and whether it counts.
template <typename TemplatePixelOf>
std::unique_ptr<TDData> similarityMap(const TDData *src, const QRect &positions, const Template &tpl, int measure,
                      const char *rowLabel, TemplatePixelOf pixel)
{
    // Owned here until returned: a run that throws (out of memory, say) must not leak the grid.
    std::unique_ptr<TDData> result(new TDData(src->width, src->height));
    const int blocks = (positions.width() + blockLanes - 1) / blockLanes;
    const int stride = blocks * blockLanes + tpl.dx + tpl.tw;
    TemplateSums sums;
    for (int j = 0; j < tpl.th; ++j) {
        for (int i = 0; i < tpl.tw; ++i) {
            double t;
            if (pixel(i, j, &t)) {
                const double tt = t * t;
                sums.energy += tt;
                sums.finite = sums.finite && std::isfinite(t);
                qint64 ttBits;
                std::memcpy(&ttBits, &tt, sizeof tt);
                sums.pixels.push_back({(tpl.dy + j) * stride + tpl.dx + i, t, ttBits});
            }
        }
    }
    // Each thread takes whole strips of rows with buffers of its own; the rows are announced in
    // order once their chunk is done.
    ParallelRows::Extremes extremes(positions.top(), positions.bottom() + 1);
    double *values = result->values.data();
    bool *valids = result->valids.data();
    auto rows = [&](int first, int last) {
        Strip strip;
        strip.stride = stride;
        std::vector<double> st2(size_t(blocks) * blockLanes);
        std::vector<double> sa2(st2.size());
        std::vector<double> sat(st2.size());
        for (int y0 = first; y0 < last; y0 += stripRows) {
            const int rows = std::min(stripRows, last - y0);
            fillStrip(src, positions.left(), y0, rows + std::max(tpl.dy + tpl.th, 1) - 1, &strip);
            // Each row's positions still come left to right, so its extremes widen in row order.
            for (int b0 = 0; b0 < blocks; b0 += tileBlocks) {
                const int b1 = std::min(blocks, b0 + tileBlocks);
                for (int r = 0; r < rows; ++r) {
                    const int y = y0 + r;
                    rowSums(strip, r, tpl, sums, b0, b1, st2.data(), sa2.data(), sat.data());
                    for (int k = b0 * blockLanes; k < std::min(b1 * blockLanes, positions.width()); ++k) {
                        if (st2[k] > 0.0 && sa2[k] > 0.0) {
                            double c = sat[k] / std::sqrt(sa2[k] * st2[k]);
                            // Not clamped: a cosine rounded past 1 gives NaN, which never widens the range.
                            if (measure == MatchingF::ArcCosTh)
                                c = 1.0 - std::acos(c) / M_PI;
                            const int i = result->index(positions.left() + k, y);
                            values[i] = c;
                            valids[i] = true;
                            extremes.widen(y, c);
                        }
                    }
                }
            }
        }
    };
    auto announce = [&](int first, int last) {
        for (int y = first; y < last; ++y)
            qDebug() << rowLabel << y;
        extremes.foldInto(result.get(), first, last);
    };
    ParallelRows::run(positions.top(), positions.bottom() + 1, stripRows, rows, announce);
    return result;
}

void finish(const TDData *src, TDData *result, const char *doneLabel, const QElapsedTimer &timer)
{
    result->dataId = MatchingF::tr("%1: PM").arg(src->dataId);
    src->copyInfos(result);
    qDebug() << doneLabel << timer.elapsed();
}

} // namespace

MatchingF::MatchingF(int measure, int execMode)
    : Filter(Matching)
    , measure(measure)
    , execMode(execMode)
{
}

TDData *MatchingF::exec1(const TDData *src, const QRect &rect) const
{
    if (!src->regionSet)
        return nullptr;
    QElapsedTimer timer;
    timer.start();
    const QRect positions = insideGrid(src, rect);
    const Template tpl = templateOf(src, positions);
    auto pixel = [src, &tpl](int i, int j, double *t) {
        const int x = tpl.x0 + i;
        const int y = tpl.y0 + j;
        if (!src->isValid(x, y))
            return false;
        *t = src->value(x, y);
        return true;
    };
    std::unique_ptr<TDData> result = similarityMap(src, positions, tpl, measure, "iy", pixel);
    finish(src, result.get(), "exec1", timer);
    return result.release();
}

TDData *MatchingF::exec2(const TDData *src, const QRect &rect)
{
    if (!src->regionSet)
        return nullptr;
    QElapsedTimer timer;
    timer.start();
    const QRect positions = insideGrid(src, rect);
    const Template tpl = templateOf(src, positions);
    patValues.clear();
    patValids.clear();
    patValues.reserve(tpl.tw * tpl.th);
    patValids.reserve(tpl.tw * tpl.th);
    for (int j = 0; j < tpl.th; ++j) {
        const int y = tpl.y0 + j;
        for (int i = 0; i < tpl.tw; ++i) {
            const int x = tpl.x0 + i;
            const bool valid = src->isValid(x, y);
            patValids.append(valid);
            patValues.append(valid ? src->value(x, y) : 0.0);
        }
    }
    auto pixel = [this, &tpl](int i, int j, double *t) {
        const int k = j * tpl.tw + i;
        *t = patValues.at(k);
        return patValids.at(k);
    };
    std::unique_ptr<TDData> result = similarityMap(src, positions, tpl, measure, "M", pixel);
    finish(src, result.get(), "exec2", timer);
    return result.release();
}
