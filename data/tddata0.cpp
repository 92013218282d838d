#include "tddata0.h"

#include "data/datainfo.h"
#include "data/tddataheader.h"

#include <QDebug>
#include <QFile>
#include <QSaveFile>
#include <QtEndian>

#include <algorithm>
#include <limits>
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
    for (int i = 0; i < flags.size(); ++i)
        (*valids)[i] = flags.at(i) != 0;
}

// The averages below give the same bits as the plain running sums of their definition: every
// sum still adds and subtracts its pixels one by one in the defined order. Loops run across
// independent sums instead, with invalid pixels replaced by 0.0: a sum starts at +0.0 and so
// can never become -0.0, which makes adding or subtracting 0.0 leave it exactly as it is.

const double infinity = std::numeric_limits<double>::infinity();

// Rows whose running sums are computed side by side along x.
const int rowGroup = 4;

// Extremes of the written means, one pair per lane so that the loops carry no dependency.
struct LaneRange
{
    explicit LaneRange(int lanes)
        : lo(size_t(lanes), infinity)
        , hi(size_t(lanes), -infinity)
    {
    }

    // Widens dst's range with the lanes in lane order, which equals widening value by value in
    // the order written when that order visits the lanes one after the other. Otherwise only a
    // tie between +0.0 and -0.0 can tell the orders apart, and only against a range that does not
    // hold 0 yet: then dst is left alone and false returned.
    bool foldInto(TDData0 *dst) const
    {
        double minVal = dst->minVal;
        double maxVal = dst->maxVal;
        for (size_t i = 0; i < lo.size(); ++i) {
            if (minVal > lo[i])
                minVal = lo[i];
            if (hi[i] > maxVal)
                maxVal = hi[i];
        }
        if ((minVal == 0.0 && dst->minVal > 0.0) || (maxVal == 0.0 && dst->maxVal < 0.0))
            return false;
        dst->minVal = minVal;
        dst->maxVal = maxVal;
        return true;
    }

    std::vector<double> lo;
    std::vector<double> hi;
};

void maskRow(const double *values, const bool *valids, int n, double *masked, int *flags)
{
    for (int i = 0; i < n; ++i) {
        masked[i] = valids[i] ? values[i] : 0.0;
        flags[i] = valids[i];
    }
}

// Adds (entering) or subtracts (leaving) one row of pixels to the column sums.
template <bool entering>
void slideRow(const double *values, const bool *valids, int n, double *sums, int *counts)
{
    for (int i = 0; i < n; ++i) {
        const double v = valids[i] ? values[i] : 0.0;
        if (entering) {
            sums[i] += v;
            counts[i] += valids[i];
        } else {
            sums[i] -= v;
            counts[i] -= valids[i];
        }
    }
}

// The running sums of rowGroup masked rows (each padded by ae zeros on both sides) as the
// definition forms them: the entering pixel x + ae added, the sum taken for x, the leaving
// pixel x - ae subtracted.
void runningRowSums(const double *masked, const int *flags, int padded, int ae, int width, double *sums, int *counts)
{
    double s[rowGroup] = {};
    int n[rowGroup] = {};
    for (int e = ae; e < 2 * ae; ++e) {
        for (int r = 0; r < rowGroup; ++r) {
            s[r] += masked[r * padded + e];
            n[r] += flags[r * padded + e];
        }
    }
    for (int x = 0; x < width; ++x) {
        for (int r = 0; r < rowGroup; ++r) {
            const double *m = masked + r * padded;
            const int *f = flags + r * padded;
            s[r] += m[x + 2 * ae];
            n[r] += f[x + 2 * ae];
            sums[r * width + x] = s[r];
            counts[r * width + x] = n[r];
            s[r] -= m[x];
            n[r] -= f[x];
        }
    }
}

// Stores sum / count where the source pixel is valid (its own pixel makes the count at least 1).
void writeMeans(const double *sums, const int *counts, const bool *valids, double *out, bool *outValid, int n,
                LaneRange *range)
{
    double *lo = range->lo.data();
    double *hi = range->hi.data();
    for (int i = 0; i < n; ++i) {
        const bool w = valids[i];
        const double q = sums[i] / (w ? counts[i] : 1);
        out[i] = w ? q : out[i];
        outValid[i] = w || outValid[i];
        lo[i] = w && q < lo[i] ? q : lo[i];
        hi[i] = w && q > hi[i] ? q : hi[i];
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
    values.resize(n);
    valids.resize(n);
    // Stored through setValue so that every sized grid's range starts at 0..0.
    for (int i = 0; i < n; ++i) {
        values[i] = 0.0;
        widenRange(0.0);
        valids[i] = false;
    }
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
    const int padded = width + 2 * ae;
    // Each row's sum is one long chain of dependent additions; a group of rows runs side by side
    // so that the chains overlap. Every row keeps its own order of additions.
    std::vector<double> masked(size_t(rowGroup) * padded, 0.0);
    std::vector<int> flags(size_t(rowGroup) * padded, 0);
    std::vector<double> sums(size_t(rowGroup) * width);
    std::vector<int> counts(size_t(rowGroup) * width);
    LaneRange range(width);
    double *out = dst->values.data();
    bool *outValid = dst->valids.data();
    for (int y0 = 0; y0 < height; y0 += rowGroup) {
        const int rows = std::min(rowGroup, height - y0);
        for (int r = 0; r < rows; ++r) {
            maskRow(values.constData() + index(0, y0 + r), valids.constData() + index(0, y0 + r), width,
                    masked.data() + r * padded + ae, flags.data() + r * padded + ae);
        }
        runningRowSums(masked.data(), flags.data(), padded, ae, width, sums.data(), counts.data());
        for (int r = 0; r < rows; ++r) {
            const int i = index(0, y0 + r);
            writeMeans(sums.data() + r * width, counts.data() + r * width, valids.constData() + i, out + i,
                       outValid + i, width, &range);
        }
    }
    if (!range.foldInto(dst)) {
        // The lanes cannot tell which signed zero was written first: widen again in writing order.
        for (int i = 0; i < valids.size(); ++i) {
            if (valids[i])
                dst->widenRange(out[i]);
        }
    }
}

void TDData0::movingAvrY(TDData0 *dst, int a) const
{
    // Every column is one running sum; a whole row of columns advances at once, each column
    // keeping its own order of additions.
    const int ae = std::clamp(a, 0, height);
    std::vector<double> sums(width, 0.0);
    std::vector<int> counts(width, 0);
    LaneRange range(width);
    double *out = dst->values.data();
    bool *outValid = dst->valids.data();
    const double *v = values.constData();
    const bool *f = valids.constData();
    for (int e = 0; e < ae; ++e)
        slideRow<true>(v + index(0, e), f + index(0, e), width, sums.data(), counts.data());
    for (int y = 0; y < height; ++y) {
        if (y + ae < height)
            slideRow<true>(v + index(0, y + ae), f + index(0, y + ae), width, sums.data(), counts.data());
        const int i = index(0, y);
        writeMeans(sums.data(), counts.data(), f + i, out + i, outValid + i, width, &range);
        if (y - ae >= 0)
            slideRow<false>(v + index(0, y - ae), f + index(0, y - ae), width, sums.data(), counts.data());
    }
    // The lanes are the columns, which is also the order in which the definition writes.
    range.foldInto(dst);
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
