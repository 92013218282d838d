#include "tddata0.h"

#include "data/datainfo.h"
#include "data/hugepages.h"
#include "data/parallelrows.h"
#include "data/runningmeans.h"
#include "data/savefile.h"
#include "data/tddataheader.h"

#include <QDebug>
#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <climits>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <vector>

namespace {

// Values are converted to little-endian in chunks, so that saving needs no second copy of the grid.
const int chunkValues = 1 << 16;

bool writeValues(SaveFile *device, const QVector<double> &values)
{
    QByteArray chunk;
    for (int i = 0; i < values.size(); i += chunkValues) {
        const int n = qMin(chunkValues, values.size() - i);
        chunk.resize(n * int(sizeof(double)));
        qToLittleEndian<double>(values.constData() + i, n, chunk.data());
        if (!device->write(chunk))
            return false;
    }
    return true;
}

bool writeFlags(SaveFile *device, const QVector<bool> &valids)
{
    QByteArray flags(valids.size(), '\0');
    for (int i = 0; i < valids.size(); ++i)
        flags[i] = valids.at(i) ? 1 : 0;
    return device->write(flags);
}

// Reads as many whole values as the device holds, a band of rows at a time, reporting the rows;
// the rest of values, a value held in part included, becomes 0.0. False when the run was
// cancelled first.
bool readValues(QIODevice *device, int width, QVector<double> *values)
{
    char *data = reinterpret_cast<char *>(values->data());
    const qint64 rowBytes = qint64(width) * qint64(sizeof(double));
    const int rows = width > 0 ? values->size() / width : 0;
    const int band = int(std::clamp<qint64>((1 << 20) / std::max<qint64>(rowBytes, 1), 1, std::max(rows, 1)));
    ParallelRows::rowsStarted(rows);
    qint64 bytes = 0;
    for (int y = 0; y < rows; y += band) {
        if (ParallelRows::cancelled())
            return false;
        const int n = std::min(band, rows - y);
        const qint64 wanted = n * rowBytes;
        const qint64 got = qMax<qint64>(device->read(data + y * rowBytes, wanted), 0);
        bytes += got;
        if (got < wanted)
            break;
        ParallelRows::rowsDone(n);
    }
    const qint64 whole = bytes / qint64(sizeof(double));
    qFromLittleEndian<double>(data, whole, data);
    std::fill(values->begin() + int(whole), values->end(), 0.0);
    return true;
}

// Any non-zero byte is a valid pixel; those the device lacks are invalid.
void readFlags(QIODevice *device, QVector<bool> *valids)
{
    const QByteArray flags = device->read(valids->size());
    const char *in = flags.constData();
    std::transform(in, in + flags.size(), valids->data(), [](char c) { return c != 0; });
    std::fill(valids->begin() + flags.size(), valids->end(), false);
}

// Grid storage starts on a page (4 KiB), so that the same pixel of two grids lies at the same
// offset within a page. A loop that reads one grid and writes another then never has a read wait
// for an earlier write whose address merely agrees in its last 12 bits, which the processor takes
// for the same place until it knows better: the threshold of a 2048 x 2048 frame took 9.4 ms
// instead of 8.3 on one thread when its result happened to start 64 bytes further into a page
// than its source.
const size_t gridAlignment = 4096;

// A vector of n elements left as malloc hands them over. QVector constructs every element it
// grows by, so its header is made here, as its own allocation would make it.
template <typename T>
QVector<T> unfilledVector(int n)
{
    if (n == 0)
        return {};
    auto *d = static_cast<QTypedArrayData<T> *>(QArrayData::allocate(sizeof(T), gridAlignment, size_t(n)));
    if (!d)
        throw std::bad_alloc();
    HugePages::advise(d->data(), size_t(n) * sizeof(T));
    d->size = n;
    return QVector<T>(QArrayDataPointerRef<T>{d});
}

} // namespace

TDData0::TDData0(int width, int height)
    : TDData0(width, height, Unfilled())
{
    // All 0.0 and invalid: storing 0.0 in every pixel through setValue would leave exactly that,
    // with the range 0..0 the grid has.
    std::fill(values.begin(), values.end(), 0.0);
    std::fill(valids.begin(), valids.end(), false);
}

TDData0::TDData0(int width, int height, Unfilled)
{
    if (!fitsStorage(width, height)) {
        qDebug() << "can't hold a grid of" << width << "x" << height;
        return;
    }
    this->width = width;
    this->height = height;
    const int n = width * height;
    values = unfilledVector<double>(n);
    valids = unfilledVector<bool>(n);
    if (n > 0)
        widenRange(0.0);
}

TDData0::~TDData0()
{
    qDeleteAll(infos);
}

bool TDData0::fitsStorage(qint64 width, qint64 height)
{
    // Qt 5 containers hold at most INT_MAX bytes, header and its padding to the alignment included.
    const qint64 header = qint64(sizeof(QArrayData) + gridAlignment);
    const qint64 maxPixels = (std::numeric_limits<int>::max() - header) / qint64(sizeof(double));
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
    const qint64 top = r.top();
    const int firstRow = int(std::min<qint64>(std::max<qint64>(0, -top), INT_MAX));
    const int endRow = int(std::max<qint64>(0, std::min({qint64(r.bottom()) - top + 1, height - top,
                                                          toOrigin ? dst->height : dst->height - top})));
    if (firstRow < endRow) {
        ParallelRows::Extremes extremes(firstRow, endRow);
        double *dstValues = dst->values.data();
        bool *dstValids = dst->valids.data();
        ParallelRows::run(firstRow, endRow, 0, [&](int first, int last) {
            for (int dy = first; dy < last; ++dy) {
                const int sy = r.top() + dy;
                const int ty = toOrigin ? dy : sy;
                for (int dx = 0; dx <= r.right() - r.left(); ++dx) {
                    const int sx = r.left() + dx;
                    const int tx = toOrigin ? dx : sx;
                    if (sx < 0 || sx >= width || tx < 0 || tx >= dst->width)
                        continue;
                    const int s = index(sx, sy);
                    const int t = dst->index(tx, ty);
                    dstValues[t] = values[s];
                    dstValids[t] = valids[s];
                    extremes.widen(dy, values[s]);
                }
            }
        });
        extremes.foldInto(dst, firstRow, endRow);
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
    RunningMeans::alongRows(this, dst, a);
}

void TDData0::movingAvrY(TDData0 *dst, int a) const
{
    RunningMeans(this, 0, a).writeRows(dst);
}

bool TDData0::read2dData(const QString &fileName, QString *reason)
{
    auto fail = [reason](const QString &text) {
        if (reason)
            *reason = text;
        return false;
    };
    TDDataHeader header;
    if (!header.readHeader(fileName)) {
        qDebug() << fileName << "is not a TDData0 file.";
        return fail(tr("not a 2dData file"));
    }
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        qDebug() << "can't open" << fileName;
        return fail(tr("can not be opened: %1").arg(file.errorString()));
    }
    // readHeader made sure the product fits. Memory follows what the file holds, not what its
    // header claims: a file a few bytes short loads with zeros, one that lacks most of its grid
    // is not taken for one.
    const int n = header.width * header.height;
    const qint64 blocks = qint64(n) * qint64(sizeof(double) + 1);
    const qint64 held = qBound<qint64>(0, file.size() - header.headerSize, blocks);
    if (held < blocks - held) {
        qDebug() << fileName << "is" << file.size() << "bytes long, its grid of" << header.width << "x"
                 << header.height << "needs" << header.headerSize + blocks;
        return fail(tr("claims %1 × %2 but holds %n bytes", nullptr, int(qMin<qint64>(file.size(), INT_MAX)))
                        .arg(header.width)
                        .arg(header.height));
    }
    QVector<double> newValues;
    QVector<bool> newValids;
    try {
        // Unfilled: every pixel is read or, where the file lacks it, set below.
        newValues = unfilledVector<double>(n);
        newValids = unfilledVector<bool>(n);
    } catch (const std::bad_alloc &) {
        qDebug() << "not enough memory for the grid of" << fileName << header.width << "x" << header.height;
        return fail(tr("not enough memory for %1 × %2").arg(header.width).arg(header.height));
    }
    if (file.seek(header.headerSize)) {
        if (!readValues(&file, header.width, &newValues)) {
            qDebug() << "reading cancelled" << fileName;
            return fail(tr("reading cancelled"));
        }
        readFlags(&file, &newValids);
    } else {
        newValues.fill(0.0);
        newValids.fill(false);
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

QString TDData0::shownId() const
{
    if (dataId.size() <= shownIdLength)
        return dataId;
    const int tail = shownIdLength / 5;
    int headEnd = shownIdLength - tail - 1;
    int tailStart = dataId.size() - tail;
    // Never half a surrogate pair at either cut.
    if (dataId.at(headEnd - 1).isHighSurrogate())
        --headEnd;
    if (dataId.at(tailStart).isLowSurrogate())
        ++tailStart;
    return dataId.left(headEnd) + QChar(0x2026) + dataId.mid(tailStart);
}

bool TDData0::save2dData(const QString &fileName, QString *reason) const
{
    TDDataHeader header;
    header.width = width;
    header.height = height;
    header.dataId = dataId;
    header.minVal = minVal;
    header.maxVal = maxVal;
    const QByteArray text = header.headerText();
    qDebug() << "2dData save:" << QString::fromLatin1(text) << text.size();

    SaveFile file(fileName);
    if (!file.open()) {
        qDebug() << "can't open" << fileName << "to save 2dData:" << file.errorString();
        if (reason)
            *reason = file.errorString();
        return false;
    }
    const QByteArray padding(int(TDDataHeader::headerSizeFor(text.size()) - text.size()), '\0');
    if (!file.write(text) || !file.write(padding) || !writeValues(&file, values) || !writeFlags(&file, valids)
        || !file.commit()) {
        qDebug() << "can't write" << fileName << "to save 2dData:" << file.errorString();
        if (reason)
            *reason = file.errorString();
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
