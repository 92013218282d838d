#include "tddata.h"

#include "data/lanes.h"
#include "data/parallelrows.h"
#include "data/runningmeans.h"
#include "display/colorbar0.h"

#include <QDebug>
#include <QImage>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace {

// The scale arithmetic of ColorBar0::writePixel for one dataset: the table position of a value is
// trunc(clamp(((v - minVal) / range - lower) / span) x steps) limited to last, 0 for a NaN
// position, and invalidIndex for an invalid pixel.
struct Scale
{
    double minVal;
    double range;
    double lower;
    double span;
    double steps;
    qint32 last;
    qint32 invalidIndex;
};

// The vectors of N pixels the rendering works on: N = Lanes::count, or Lanes::wideCount where the
// processor has registers that wide.
template <int N>
struct PixelLanes
{
    typedef double Doubles __attribute__((vector_size(N * sizeof(double))));
    typedef qint64 Bits __attribute__((vector_size(N * sizeof(qint64))));
    typedef qint32 Indices __attribute__((vector_size(N * sizeof(qint32))));
    // The bytes of the 32-bit lanes.
    typedef uchar WordBytes __attribute__((vector_size(N * sizeof(qint32))));
};

// All ones in the lanes whose flag is set, else zeros. Four flags are shifted as one 32-bit word
// in 32-bit lanes; eight as one 64-bit word in 64-bit lanes, then narrowed (one instruction with
// AVX-512): the compiler would move the bytes one by one otherwise.
template <int N>
QUELVO_LANE_INLINE void validMask(const bool *valids, typename PixelLanes<N>::Indices *mask);

template <>
QUELVO_LANE_INLINE void validMask<Lanes::count>(const bool *valids, PixelLanes<Lanes::count>::Indices *mask)
{
    using I = PixelLanes<Lanes::count>::Indices;
    Lanes::FlagWord flags;
    std::memcpy(&flags, valids, sizeof flags);
    const I shifts = {0, 8, 16, 24};
    *mask = -((I{} + qint32(flags)) >> shifts & 1);
}

template <>
QUELVO_LANE_INLINE void validMask<Lanes::wideCount>(const bool *valids, PixelLanes<Lanes::wideCount>::Indices *mask)
{
    using B = PixelLanes<Lanes::wideCount>::Bits;
    quint64 flags;
    std::memcpy(&flags, valids, sizeof flags);
    const B shifts = {0, 8, 16, 24, 32, 40, 48, 56};
    *mask = -__builtin_convertvector((B{} + qint64(flags)) >> shifts & 1, PixelLanes<Lanes::wideCount>::Indices);
}

// Table positions of N pixels. The scaled positions lie in 0..steps, so converting them to 32-bit
// integers truncates exactly as to 64-bit ones, and has a vector instruction.
template <int N>
QUELVO_LANE_INLINE void laneIndices(const double *values, const bool *valids, const Scale &sc, qint32 *indices)
{
    using L = PixelLanes<N>;
    typename L::Doubles v;
    std::memcpy(&v, values, sizeof v);
    const typename L::Doubles t = (v - sc.minVal) / sc.range;
    typename L::Doubles s = (t - sc.lower) / sc.span;
    // Comparisons with NaN are false, so a NaN position passes both limits and becomes 0 after.
    const typename L::Doubles zero = {};
    const typename L::Doubles one = zero + 1.0;
    Lanes::choose(s < zero, zero, s, &s);
    Lanes::choose(one < s, one, s, &s);
    Lanes::choose(s == s, s, zero, &s);
    typename L::Indices index = __builtin_convertvector(s * sc.steps, typename L::Indices);
    const typename L::Indices over = index > sc.last;
    index = (index & ~over) | (sc.last & over);
    typename L::Indices valid;
    validMask<N>(valids, &valid);
    index = (index & valid) | (sc.invalidIndex & ~valid);
    std::memcpy(indices, &index, sizeof index);
}

// Table positions of the last rest (< N) pixels of a row, through padded copies.
template <int N>
QUELVO_LANE_INLINE void tailIndices(const double *values, const bool *valids, int rest, const Scale &sc, qint32 *indices)
{
    double v[N] = {};
    bool f[N] = {};
    qint32 out[N];
    std::copy(values, values + rest, v);
    std::copy(valids, valids + rest, f);
    laneIndices<N>(v, f, sc, out);
    std::copy(out, out + rest, indices);
}

// Table positions of a row.
template <int N>
QUELVO_LANE_INLINE void rowIndicesOf(const double *values, const bool *valids, int width, const Scale &scale,
                                     qint32 *indices)
{
    // A copy the stores of positions cannot alias, so the loop keeps the scale in registers.
    const Scale sc = scale;
    const int whole = width - width % N;
    for (int x = 0; x < whole; x += N)
        laneIndices<N>(values + x, valids + x, sc, indices + x);
    if (whole < width)
        tailIndices<N>(values + whole, valids + whole, width - whole, sc, indices + whole);
}

// Writes the low byte of each of N 32-bit lanes at out.
template <int N, int... J>
QUELVO_LANE_INLINE void lowBytes(const typename PixelLanes<N>::WordBytes &bytes, uchar *out, std::integer_sequence<int, J...>)
{
    const typename PixelLanes<N>::WordBytes low = __builtin_shufflevector(bytes, bytes, (J < N ? 4 * J : 0)...);
    std::memcpy(out, &low, N);
}

// A row of grey pixels: a grey level is its table position, and the scale gives invalid pixels the
// invalid grey as their position, so the positions only need narrowing to bytes.
template <int N>
QUELVO_LANE_INLINE void rowGreyOf(const double *values, const bool *valids, int width, const Scale &scale, uchar *out)
{
    using L = PixelLanes<N>;
    const Scale sc = scale;
    const int whole = width - width % N;
    for (int x = 0; x < whole; x += N) {
        typename L::Indices index;
        laneIndices<N>(values + x, valids + x, sc, reinterpret_cast<qint32 *>(&index));
        lowBytes<N>(reinterpret_cast<const typename L::WordBytes &>(index), out + x,
                    std::make_integer_sequence<int, 4 * N>());
    }
    if (whole < width) {
        qint32 rest[N];
        tailIndices<N>(values + whole, valids + whole, width - whole, sc, rest);
        std::copy(rest, rest + (width - whole), out + whole);
    }
}

// Four pixels of a row of table positions, each gathered as one word of four bytes in memory order.
typedef quint32 Words __attribute__((vector_size(Lanes::count * sizeof(quint32))));
typedef uchar WordBytes __attribute__((vector_size(sizeof(Words))));

QUELVO_LANE_INLINE void gatherWords(const quint32 *entries, const qint32 *indices, WordBytes *bytes)
{
    const Words w = {entries[indices[0]], entries[indices[1]], entries[indices[2]], entries[indices[3]]};
    *bytes = reinterpret_cast<WordBytes>(w);
}

// A row of four-byte pixels, a vector store for every four. Eight-lane vectors gain nothing here:
// the words are gathered one by one either way.
QUELVO_LANE_CLONES
void writeWords(const quint32 *entries, const qint32 *indices, int n, uchar *out)
{
    int x = 0;
    for (; x + Lanes::count <= n; x += Lanes::count) {
        WordBytes b;
        gatherWords(entries, indices + x, &b);
        std::memcpy(out + 4 * x, &b, sizeof b);
    }
    for (; x < n; ++x)
        std::memcpy(out + 4 * x, entries + indices[x], 4);
}

// A row of three-byte pixels: every four entries lose their padding bytes and go out as one vector
// of twelve bytes and four spare ones, which the next store overwrites. The store ends before the
// row does for all but the last few pixels, which go one by one; the last writes its three bytes
// alone, so nothing beyond the row is touched.
QUELVO_LANE_CLONES
void writeTriples(const quint32 *entries, const qint32 *indices, int n, uchar *out)
{
    int x = 0;
    for (; x + 2 * Lanes::count <= n; x += Lanes::count) {
        WordBytes b;
        gatherWords(entries, indices + x, &b);
        const WordBytes packed = __builtin_shufflevector(b, b, 0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, 15, 15, 15, 15);
        std::memcpy(out + 3 * x, &packed, sizeof packed);
    }
    for (; x + 1 < n; ++x)
        std::memcpy(out + 3 * x, entries + indices[x], 4);
    if (n > 0)
        std::memcpy(out + 3 * (n - 1), entries + indices[n - 1], 3);
}

// The row loops by vectors of four, compiled per instruction set, and of eight, compiled for
// AVX-512 alone and taken where the processor has it. Each lane computes as the plain loop does,
// so both give the same bytes.
struct RowLoops
{
    void (*indices)(const double *, const bool *, int, const Scale &, qint32 *);
    void (*grey)(const double *, const bool *, int, const Scale &, uchar *);
};

QUELVO_NARROW_CLONES
void rowIndices(const double *values, const bool *valids, int width, const Scale &scale, qint32 *indices)
{
    rowIndicesOf<Lanes::count>(values, valids, width, scale, indices);
}

QUELVO_NARROW_CLONES
void rowGrey(const double *values, const bool *valids, int width, const Scale &scale, uchar *out)
{
    rowGreyOf<Lanes::count>(values, valids, width, scale, out);
}

QUELVO_WIDE_LANES
void rowIndicesWide(const double *values, const bool *valids, int width, const Scale &scale, qint32 *indices)
{
    rowIndicesOf<Lanes::wideCount>(values, valids, width, scale, indices);
}

QUELVO_WIDE_LANES
void rowGreyWide(const double *values, const bool *valids, int width, const Scale &scale, uchar *out)
{
    rowGreyOf<Lanes::wideCount>(values, valids, width, scale, out);
}

RowLoops rowLoops()
{
    if (Lanes::wide())
        return {rowIndicesWide, rowGreyWide};
    return {rowIndices, rowGrey};
}

// Colour pixel bytes by table position, in the memory order of one image format (three-byte
// pixels with a fourth byte of padding), as one word an entry; the entry behind the table is the
// invalid colour.
struct PixelTable
{
    explicit PixelTable(int format)
        : threeBytes(ColorBar0::bytesPerPixel(format) == 3)
        , entries(ColorBar0::ColorTableSize + 1)
    {
        for (int i = 0; i <= ColorBar0::ColorTableSize; ++i) {
            const QRgb c = i < ColorBar0::ColorTableSize ? ColorBar0::colorTableEntry(i) : ColorBar0::invalidColor();
            const uchar bytes[4] = {uchar(threeBytes ? qRed(c) : qBlue(c)), uchar(qGreen(c)),
                                    uchar(threeBytes ? qBlue(c) : qRed(c)), uchar(threeBytes ? 0 : 255)};
            std::memcpy(&entries[size_t(i)], bytes, sizeof bytes);
        }
    }

    // Writes the pixels of n table positions at out.
    void write(const qint32 *indices, int n, uchar *out) const
    {
        (threeBytes ? writeTriples : writeWords)(entries.data(), indices, n, out);
    }

    bool threeBytes;
    std::vector<quint32> entries;
};

} // namespace

TDData::TDData(int width, int height)
    : TDData0(width, height)
{
}

TDData::TDData(int width, int height, Unfilled)
    : TDData0(width, height, Unfilled())
{
}

namespace {

// A new TDData(width, height, tag...), or null with a debug line when it cannot be held or had.
template <typename... Tag>
TDData *gridOrNull(qint64 width, qint64 height, Tag... tag)
{
    if (!TDData0::fitsStorage(width, height)) {
        qDebug() << "can't hold a grid of" << width << "x" << height;
        return nullptr;
    }
    try {
        return new TDData(int(width), int(height), tag...);
    } catch (const std::bad_alloc &) {
        qDebug() << "not enough memory for a grid of" << width << "x" << height;
        return nullptr;
    }
}

} // namespace

TDData *TDData::newGrid(qint64 width, qint64 height)
{
    return gridOrNull(width, height);
}

TDData *TDData::newGrid(qint64 width, qint64 height, Unfilled)
{
    return gridOrNull(width, height, Unfilled());
}

TDData::~TDData()
{
    delete img;
    delete[] imgBuf;
}

TDData *TDData::movingAvr(int ax, int ay) const
{
    if (ay >= 1) {
        // Both passes, or the one along columns, in one sweep without an intermediate grid, which
        // writes every pixel. Owned here until returned: a sweep that throws (out of memory, say)
        // must not leak the grid.
        std::unique_ptr<TDData> result(new TDData(width, height, Unfilled()));
        RunningMeans(this, ax, ay).fillRows(result.get());
        return result.release();
    }
    std::unique_ptr<TDData> result(new TDData(width, height));
    if (ax > 0) {
        movingAvrX(result.get(), ax);
    } else {
        copyRect(result.get(), QRect(0, 0, width, height), false);
        copyInfos(result.get());
    }
    return result.release();
}

TDData *TDData::snapshot() const
{
    auto *copy = new TDData;
    copy->dataId = dataId;
    copy->width = width;
    copy->height = height;
    copy->values = values;
    copy->valids = valids;
    copy->minVal = minVal;
    copy->maxVal = maxVal;
    copy->region = region;
    copy->regionSet = regionSet;
    copyInfos(copy);
    return copy;
}

QImage *TDData::makeImg(const ColorBar0 *cb)
{
    if (!cb)
        return nullptr;
    // The buffer of a rendering of the same format and size is reused: a fresh one costs a page
    // fault per 4 KiB on first touch.
    const bool reuse = img && imgBuf && int(img->format()) == cb->format && img->width() == width
                       && img->height() == height;
    delete img;
    img = nullptr;
    if (!reuse) {
        delete[] imgBuf;
        imgBuf = ColorBar0::newImageBuffer(cb->format, width, height);
    }
    if (!imgBuf)
        return nullptr;
    const qint64 bytesPerLine = ColorBar0::bytesPerLine(cb->format, width);
    // Every byte of a row is written, the padding at its end as zeros, so no byte of the image
    // depends on what the buffer held.
    const qint64 pixelBytes = qint64(ColorBar0::bytesPerPixel(cb->format)) * width;
    auto clearPadding = [&](int y) {
        std::fill(imgBuf + y * bytesPerLine + pixelBytes, imgBuf + (y + 1) * bytesPerLine, uchar(0));
    };
    const bool grey = cb->format == ColorBar0::FormatGrayscale8;
    const Scale scale = {minVal,
                         maxVal - minVal,
                         cb->lowerMark,
                         cb->upperMark - cb->lowerMark,
                         double(grey ? ColorBar0::GreyLevels : ColorBar0::ColorTableSize - 1),
                         grey ? ColorBar0::GreyLevels - 1 : ColorBar0::ColorTableSize - 1,
                         grey ? ColorBar0::InvalidGrey : ColorBar0::ColorTableSize};
    const RowLoops loops = rowLoops();
    if (grey) {
        ParallelRows::run(0, height, 0, [&](int first, int last) {
            for (int y = first; y < last; ++y) {
                const int row = index(0, y);
                loops.grey(values.constData() + row, valids.constData() + row, width, scale, imgBuf + y * bytesPerLine);
                clearPadding(y);
            }
        });
    } else {
        const PixelTable table(cb->format);
        ParallelRows::run(0, height, 0, [&](int first, int last) {
            std::vector<qint32> indices(static_cast<size_t>(width));
            for (int y = first; y < last; ++y) {
                const int row = index(0, y);
                loops.indices(values.constData() + row, valids.constData() + row, width, scale, indices.data());
                table.write(indices.data(), width, imgBuf + y * bytesPerLine);
                clearPadding(y);
            }
        });
    }
    img = ColorBar0::newImage(cb->format, imgBuf, width, height);
    return img;
}
