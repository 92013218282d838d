#include "tddata0.h"

#include "data/datainfo.h"
#include "data/lanes.h"
#include "data/tddataheader.h"

#include <QDebug>
#include <QFile>
#include <QSaveFile>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace {

// Values are converted to little-endian in chunks, so that saving needs no second copy of the grid.
const int chunkValues = 1 << 16;

bool writeValues(QIODevice *device, const QVector<double> &values)
{
    QByteArray chunk;
    for (int i = 0; i < values.size(); i += chunkValues) {
        const int n = qMin(chunkValues, values.size() - i);
        chunk.resize(n * int(sizeof(double)));
        qToLittleEndian<double>(values.constData() + i, n, chunk.data());
        if (device->write(chunk) != chunk.size())
            return false;
    }
    return true;
}

bool writeFlags(QIODevice *device, const QVector<bool> &valids)
{
    QByteArray flags(valids.size(), '\0');
    for (int i = 0; i < valids.size(); ++i)
        flags[i] = valids.at(i) ? 1 : 0;
    return device->write(flags) == flags.size();
}

// Reads as many whole values as the device holds; the rest of values stays as it is.
void readValues(QIODevice *device, QVector<double> *values)
{
    char *data = reinterpret_cast<char *>(values->data());
    const qint64 bytes = qMax<qint64>(device->read(data, qint64(values->size()) * qint64(sizeof(double))), 0);
    const qint64 whole = bytes / qint64(sizeof(double));
    qFromLittleEndian<double>(data, whole, data);
    if (whole < values->size())
        (*values)[int(whole)] = 0.0;
}

// Any non-zero byte is a valid pixel.
void readFlags(QIODevice *device, QVector<bool> *valids)
{
    const QByteArray flags = device->read(valids->size());
    const char *in = flags.constData();
    std::transform(in, in + flags.size(), valids->data(), [](char c) { return c != 0; });
}

// The averages below give the same bits as the plain running sums of their definition: every
// sum still adds and subtracts its pixels one by one in the defined order. They run across
// independent sums instead, each lane of a vector one sum (a column for movingAvrY, a row for
// movingAvrX), with invalid pixels replaced by 0.0: a sum starts at +0.0 and so can never become
// -0.0, which makes adding or subtracting 0.0 leave it exactly as it is. Counts are kept as
// doubles: whole numbers, exact, divided by as the definition's int count would be.

using Lanes::Bits;
using Lanes::Doubles;

const double infinity = std::numeric_limits<double>::infinity();

// Eight set flags read as one number.
const quint64 allValid = 0x0101010101010101;

// Rows read ahead of the one entering the column sums, which are quick enough to wait for memory.
const int prefetchRows = 2;

// Room for a whole number of vectors.
int lanesFor(int n)
{
    return (n + Lanes::count - 1) / Lanes::count * Lanes::count;
}

void prefetchRow(const double *values, const bool *valids, int n)
{
    const int line = 64;
    for (int i = 0; i < n; i += line / int(sizeof(double)))
        __builtin_prefetch(values + i);
    for (int i = 0; i < n; i += line)
        __builtin_prefetch(valids + i);
}

// Extremes of the written means, one pair per lane. Each lane sees one stretch of the writing
// order of the definition (a column, or a row) and the lanes are folded in that order, which
// reaches the very range that widening value by value does, down to which of +0.0 and -0.0
// stays on a tie.
struct LaneRange
{
    explicit LaneRange(int lanes)
        : lo(size_t(lanesFor(lanes)), infinity)
        , hi(size_t(lanesFor(lanes)), -infinity)
    {
    }

    void foldInto(TDData0 *dst, int lanes) const
    {
        for (int i = 0; i < lanes; ++i) {
            if (dst->minVal > lo[i])
                dst->minVal = lo[i];
            if (hi[i] > dst->maxVal)
                dst->maxVal = hi[i];
        }
    }

    std::vector<double> lo;
    std::vector<double> hi;
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

// *mean = sum / count in the lanes of valid pixels (where the pixel itself makes the count at
// least 1), and the lanes' extremes *lo and *hi widened with them.
QUELVO_LANE_INLINE void meanLanes(const Doubles &sum, const Doubles &count, const Bits &valid, Doubles *mean,
                                  Doubles *lo, Doubles *hi)
{
    Doubles divisor;
    Lanes::choose(valid, count, Doubles{} + 1.0, &divisor);
    *mean = sum / divisor;
    Lanes::choose(valid & (*mean < *lo), *mean, *lo, lo);
    Lanes::choose(valid & (*mean > *hi), *mean, *hi, hi);
}

// Writes mean to the pixels of out whose source pixel (valids) is valid and marks them valid;
// the others keep what they hold.
QUELVO_LANE_INLINE void storeValidLanes(const Doubles &mean, const bool *valids, double *out, bool *outValid)
{
    quint64 b;
    std::memcpy(&b, valids, sizeof b);
    Doubles stored = mean;
    // Mostly all eight pixels are valid: then the destination need not be read.
    if (b != allValid) {
        Bits w;
        Doubles old;
        Lanes::flagMask(valids, &w);
        std::memcpy(&old, out, sizeof old);
        Lanes::choose(w, mean, old, &stored);
        quint64 ob;
        std::memcpy(&ob, outValid, sizeof ob);
        b |= ob;
    }
    std::memcpy(out, &stored, sizeof stored);
    std::memcpy(outValid, &b, sizeof b);
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

// masked / flags (room for lanesFor(n)) = the row with 0.0 where invalid / its flags as 0.0 or 1.0.
QUELVO_LANE_CLONES
void maskRow(PixelRow row, int n, double *masked, double *flags)
{
    auto chunk = [masked, flags](int i, PixelRow r) {
        Doubles m, f;
        loadMasked(r.values, r.valids, &m, &f);
        std::memcpy(masked + i, &m, sizeof m);
        std::memcpy(flags + i, &f, sizeof f);
    };
    int i = 0;
    for (; i + Lanes::count <= n; i += Lanes::count)
        chunk(i, {row.values + i, row.valids + i});
    if (i < n)
        chunk(i, Tail(row, i, n).row());
}

// Writes the means (room for lanesFor(n)) to the pixels of out valid in valids.
QUELVO_LANE_CLONES
void storeMeans(const double *means, const bool *valids, double *out, bool *outValid, int n)
{
    auto chunk = [means](int i, const bool *f, double *o, bool *ov) {
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

// Transposes blocks of eight by eight doubles: block b is read from in + b * inStep, row r of it
// at in + r * inStride, and written to out + b * outStep, column r of it at out + r * outStride.
QUELVO_LANE_CLONES
void transposeBlocks(const double *in, int inStride, int inStep, double *out, int outStride, int outStep, int blocks)
{
    for (int b = 0; b < blocks; ++b) {
        Doubles r[8], t[8];
        for (int i = 0; i < 8; ++i)
            std::memcpy(&r[i], in + size_t(b) * inStep + size_t(i) * inStride, sizeof r[i]);
        for (int i = 0; i < 8; i += 2) {
            t[i] = __builtin_shuffle(r[i], r[i + 1], Bits{0, 8, 2, 10, 4, 12, 6, 14});
            t[i + 1] = __builtin_shuffle(r[i], r[i + 1], Bits{1, 9, 3, 11, 5, 13, 7, 15});
        }
        for (int i = 0; i < 8; i += 4) {
            for (int k = i; k < i + 2; ++k) {
                r[k] = __builtin_shuffle(t[k], t[k + 2], Bits{0, 1, 8, 9, 4, 5, 12, 13});
                r[k + 2] = __builtin_shuffle(t[k], t[k + 2], Bits{2, 3, 10, 11, 6, 7, 14, 15});
            }
        }
        for (int k = 0; k < 4; ++k) {
            t[k] = __builtin_shuffle(r[k], r[k + 4], Bits{0, 1, 2, 3, 8, 9, 10, 11});
            t[k + 4] = __builtin_shuffle(r[k], r[k + 4], Bits{4, 5, 6, 7, 12, 13, 14, 15});
        }
        for (int i = 0; i < 8; ++i)
            std::memcpy(out + size_t(b) * outStep + size_t(i) * outStride, &t[i], sizeof t[i]);
    }
}

// The running sums of a group of eight rows lying side by side in the lanes, as the definition
// forms them: the entering pixel x + ae added, the mean taken for x, the leaving pixel x - ae
// subtracted. masked and flags hold the rows transposed, vector c for column c - ae (margins of
// ae zeros on both sides); vector x of means receives the means of column x.
QUELVO_LANE_CLONES
void rowGroupMeans(const double *masked, const double *flags, int ae, int width, double *means, double *lo, double *hi)
{
    Doubles sum{}, count{}, l, h;
    std::memcpy(&l, lo, sizeof l);
    std::memcpy(&h, hi, sizeof h);
    auto slide = [&](int c, bool entering) {
        Doubles m, f;
        std::memcpy(&m, masked + size_t(c) * Lanes::count, sizeof m);
        std::memcpy(&f, flags + size_t(c) * Lanes::count, sizeof f);
        if (entering) {
            sum += m;
            count += f;
        } else {
            sum -= m;
            count -= f;
        }
    };
    for (int c = ae; c < 2 * ae; ++c)
        slide(c, true);
    for (int x = 0; x < width; ++x) {
        slide(x + 2 * ae, true);
        Doubles own, mean;
        std::memcpy(&own, flags + size_t(x + ae) * Lanes::count, sizeof own);
        meanLanes(sum, count, own != 0.0, &mean, &l, &h);
        std::memcpy(means + size_t(x) * Lanes::count, &mean, sizeof mean);
        slide(x, false);
    }
    std::memcpy(lo, &l, sizeof l);
    std::memcpy(hi, &h, sizeof h);
}

// Column sums and the extremes of the means written, one lane per column.
struct ColumnSums
{
    explicit ColumnSums(int width)
        : sums(size_t(lanesFor(width)), 0.0)
        , counts(sums.size(), 0.0)
        , range(width)
    {
    }
    std::vector<double> sums;
    std::vector<double> counts;
    LaneRange range;
};

// One step of the column sums: the entering row added, the means written to out where row is
// valid, the leaving row subtracted. A row that does not take part is a row of invalid pixels.
QUELVO_LANE_CLONES
void columnStep(PixelRow enter, const bool *rowValids, double *out, bool *outValid, PixelRow leave, int n,
                ColumnSums *columns)
{
    double *sums = columns->sums.data();
    double *counts = columns->counts.data();
    double *lo = columns->range.lo.data();
    double *hi = columns->range.hi.data();
    auto chunk = [=](int i, PixelRow e, const bool *f, double *o, bool *ov, PixelRow leaving) {
        Doubles sum, count, m, c, mean, l, h;
        Bits valid;
        std::memcpy(&sum, sums + i, sizeof sum);
        std::memcpy(&count, counts + i, sizeof count);
        std::memcpy(&l, lo + i, sizeof l);
        std::memcpy(&h, hi + i, sizeof h);
        loadMasked(e.values, e.valids, &m, &c);
        sum += m;
        count += c;
        Lanes::flagMask(f, &valid);
        meanLanes(sum, count, valid, &mean, &l, &h);
        std::memcpy(lo + i, &l, sizeof l);
        std::memcpy(hi + i, &h, sizeof h);
        storeValidLanes(mean, f, o, ov);
        loadMasked(leaving.values, leaving.valids, &m, &c);
        sum -= m;
        count -= c;
        std::memcpy(sums + i, &sum, sizeof sum);
        std::memcpy(counts + i, &count, sizeof count);
    };
    int i = 0;
    for (; i + Lanes::count <= n; i += Lanes::count) {
        chunk(i, {enter.values + i, enter.valids + i}, rowValids + i, out + i, outValid + i,
              {leave.values + i, leave.valids + i});
    }
    if (i < n) {
        const Tail e(enter, i, n);
        const Tail l(leave, i, n);
        Tail o({out, rowValids}, i, n);
        bool ov[Lanes::count] = {};
        std::copy_n(outValid + i, n - i, ov);
        chunk(i, e.row(), o.valids, o.values, ov, l.row());
        std::copy_n(o.values, n - i, out + i);
        std::copy_n(ov, n - i, outValid + i);
    }
}

} // namespace

TDData0::TDData0(int width, int height)
{
    if (!fitsStorage(width, height)) {
        qDebug() << "can't hold a grid of" << width << "x" << height;
        return;
    }
    this->width = width;
    this->height = height;
    const int n = width * height;
    // Resizing fills in 0.0 and false; storing 0.0 in every pixel through setValue would leave
    // exactly that, with the range widened to 0..0.
    values.resize(n);
    valids.resize(n);
    if (n > 0)
        widenRange(0.0);
}

TDData0::~TDData0()
{
    qDeleteAll(infos);
}

bool TDData0::fitsStorage(qint64 width, qint64 height)
{
    // Qt 5 containers hold at most INT_MAX bytes, header included.
    const qint64 maxPixels = (std::numeric_limits<int>::max() - 64) / qint64(sizeof(double));
    if (width < 0 || height < 0)
        return false;
    return width == 0 || height <= maxPixels / width;
}

void TDData0::setValue(int x, int y, double v)
{
    const int i = index(x, y);
    values[i] = v;
    valids[i] = true;
    widenRange(v);
}

void TDData0::copyRect(TDData0 *dst, const QRect &r, bool toOrigin) const
{
    // Only the part of r that lies in this grid and, once placed, in dst is copied.
    for (int dy = 0; dy <= r.bottom() - r.top(); ++dy) {
        const int sy = r.top() + dy;
        const int ty = toOrigin ? dy : sy;
        if (sy < 0 || sy >= height || ty < 0 || ty >= dst->height)
            continue;
        for (int dx = 0; dx <= r.right() - r.left(); ++dx) {
            const int sx = r.left() + dx;
            const int tx = toOrigin ? dx : sx;
            if (sx < 0 || sx >= width || tx < 0 || tx >= dst->width)
                continue;
            const int s = index(sx, sy);
            const int t = dst->index(tx, ty);
            dst->values[t] = values[s];
            dst->valids[t] = valids[s];
            dst->widenRange(values[s]);
        }
    }
    dst->dataId = dataId;
    dst->region = regionSet ? region : QRect(0, 0, width, height);
    dst->regionSet = true;
}

void TDData0::copyInfos(TDData0 *dst) const
{
    for (const DataInfo *info : infos)
        dst->infos.append(new DataInfo(*info));
}

void TDData0::movingAvrX(TDData0 *dst, int a) const
{
    // Beyond the row the window only meets zeros, so a wider window changes nothing.
    const int ae = std::clamp(a, 0, width);
    const int rowLanes = lanesFor(width);
    // Rows of eight are transposed so that each row's running sum is one lane; columns of the
    // transposed block run over the row between margins of ae zeros.
    const int columns = lanesFor(rowLanes + 2 * ae);
    const int group = Lanes::count;
    const size_t block = size_t(group) * columns;
    const size_t rowBlock = size_t(group) * rowLanes;
    std::vector<double> buffers(4 * block + 2 * rowBlock, 0.0);
    double *masked = buffers.data();
    double *flags = masked + block;
    double *maskedT = flags + block;
    double *flagsT = maskedT + block;
    double *meansT = flagsT + block;
    double *means = meansT + rowBlock;
    double *out = dst->values.data();
    bool *outValid = dst->valids.data();
    for (int y0 = 0; y0 < height; y0 += group) {
        const int rows = std::min(group, height - y0);
        for (int r = 0; r < group; ++r) {
            double *m = masked + size_t(r) * columns;
            double *f = flags + size_t(r) * columns;
            if (r < rows) {
                const int i = index(0, y0 + r);
                maskRow({values.constData() + i, valids.constData() + i}, width, m + ae, f + ae);
            } else {
                // Rows past the grid take no part: invalid pixels, whose lanes write nothing.
                std::fill_n(m, columns, 0.0);
                std::fill_n(f, columns, 0.0);
            }
        }
        transposeBlocks(masked, columns, group, maskedT, group, group * group, columns / group);
        transposeBlocks(flags, columns, group, flagsT, group, group * group, columns / group);
        LaneRange range(group);
        rowGroupMeans(maskedT, flagsT, ae, width, meansT, range.lo.data(), range.hi.data());
        transposeBlocks(meansT, group, group * group, means, rowLanes, group, rowLanes / group);
        for (int r = 0; r < rows; ++r) {
            const int i = index(0, y0 + r);
            storeMeans(means + size_t(r) * rowLanes, valids.constData() + i, out + i, outValid + i, width);
        }
        range.foldInto(dst, rows);
    }
}

void TDData0::movingAvrY(TDData0 *dst, int a) const
{
    const int ae = std::clamp(a, 0, height);
    const double *v = values.constData();
    const bool *f = valids.constData();
    auto row = [&](int y) { return PixelRow{v + index(0, y), f + index(0, y)}; };
    // Stands for the rows beyond the grid, which add nothing, and for the output row before the
    // first, which is not written.
    const std::vector<double> zeros(size_t(width), 0.0);
    const std::unique_ptr<bool[]> noneValid(new bool[size_t(width)]());
    const PixelRow none{zeros.data(), noneValid.get()};
    std::vector<double> unused(size_t(width), 0.0);
    std::unique_ptr<bool[]> unusedValid(new bool[size_t(width)]());
    ColumnSums columns(width);
    for (int e = 0; e < ae; ++e)
        columnStep(row(e), none.valids, unused.data(), unusedValid.get(), none, width, &columns);
    double *out = dst->values.data();
    bool *outValid = dst->valids.data();
    for (int y = 0; y < height; ++y) {
        if (y + ae + prefetchRows < height)
            prefetchRow(row(y + ae + prefetchRows).values, row(y + ae + prefetchRows).valids, width);
        const int i = index(0, y);
        columnStep(y + ae < height ? row(y + ae) : none, f + i, out + i, outValid + i, y - ae >= 0 ? row(y - ae) : none,
                   width, &columns);
    }
    columns.range.foldInto(dst, width);
}

bool TDData0::read2dData(const QString &fileName)
{
    TDDataHeader header;
    if (!header.readHeader(fileName)) {
        qDebug() << fileName << "is not a TDData0 file.";
        return false;
    }
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        qDebug() << "can't open" << fileName;
        return false;
    }
    // readHeader made sure the product fits.
    const int n = header.width * header.height;
    QVector<double> newValues(n);
    QVector<bool> newValids(n);
    if (file.seek(header.headerSize)) {
        readValues(&file, &newValues);
        readFlags(&file, &newValids);
    }

    dataId = header.dataId;
    width = header.width;
    height = header.height;
    values.swap(newValues);
    valids.swap(newValids);
    minVal = header.minVal;
    maxVal = header.maxVal;
    region = QRect();
    regionSet = false;
    qDeleteAll(infos);
    infos.clear();
    return true;
}

bool TDData0::save2dData(const QString &fileName) const
{
    TDDataHeader header;
    header.width = width;
    header.height = height;
    header.dataId = dataId;
    header.minVal = minVal;
    header.maxVal = maxVal;
    const QByteArray text = header.headerText();
    qDebug() << "2dData save:" << QString::fromLatin1(text) << text.size();

    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        qDebug() << "can't open" << fileName << "to save 2dData";
        return false;
    }
    const QByteArray padding(int(TDDataHeader::headerSizeFor(text.size()) - text.size()), '\0');
    const bool written = file.write(text) == text.size() && file.write(padding) == padding.size()
        && writeValues(&file, values) && writeFlags(&file, valids);
    // Without commit() the temporary file is dropped and an existing file stays as it was.
    if (!written || !file.commit()) {
        qDebug() << "can't write" << fileName << "to save 2dData:" << file.errorString();
        return false;
    }
    return true;
}

void TDData0::setRegion(QRect rR)
{
    region = rR;
    regionSet = true;
}

void TDData0::regionCleared()
{
    regionSet = false;
}
