#include "imgdata.h"

#include "data/parallelrows.h"
#include "data/tddata.h"
#include "data/tddataheader.h"
#include "data/textitems.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <QtEndian>

#include <tiffio.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <memory>
#include <new>

namespace {

void releaseRow(void *row, int kind)
{
    switch (kind) {
    case ImgData::TiffU16:
        _TIFFfree(row);
        break;
    case ImgData::U16:
        delete[] static_cast<quint16 *>(row);
        break;
    case ImgData::U32:
        delete[] static_cast<quint32 *>(row);
        break;
    case ImgData::Float:
        delete[] static_cast<float *>(row);
        break;
    case ImgData::Double:
        delete[] static_cast<double *>(row);
        break;
    }
}

void releaseRows(const QVector<void *> &rows, int kind)
{
    for (void *row : rows)
        releaseRow(row, kind);
}

// An image without samples has no rows, however many the file claims.
int rowsOf(int width, int height)
{
    return width > 0 ? height : 0;
}

// Sizes come from files; a grid has to hold them once the record is converted.
bool sizeFits(double width, double height, const QString &fname)
{
    const double intMax = std::numeric_limits<int>::max();
    if (width <= intMax && height <= intMax && TDData0::fitsStorage(qint64(width), qint64(height)))
        return true;
    qDebug() << "Image size out of range" << width << height << fname;
    return false;
}

// The first count items of line, empty ones once the line is used up.
QStringList firstItems(QString line, int count)
{
    QStringList items;
    for (int i = 0; i < count; ++i) {
        QString item;
        line = takeFirstItem(line, &item);
        items.append(item);
    }
    return items;
}

// ---- TIFF ----

struct TiffCloser {
    void operator()(TIFF *tif) const { TIFFClose(tif); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

// The record kind for a TIFF sample layout, None when it is not read. Every accepted sample
// converts exactly to double.
int tiffSampleKind(uint16_t samplesPerPixel, uint16_t bits, uint16_t format)
{
    if (samplesPerPixel != 1)
        return ImgData::None;
    if (format == SAMPLEFORMAT_UINT) {
        switch (bits) {
        case 8:
            return ImgData::U16;
        case 16:
            return ImgData::TiffU16;
        case 32:
            return ImgData::U32;
        }
    }
    if (format == SAMPLEFORMAT_IEEEFP && bits == 32)
        return ImgData::Float;
    return ImgData::None;
}

template <typename To, typename From>
void *convertedRow(const void *line, int width)
{
    const auto *source = static_cast<const From *>(line);
    auto *row = new (std::nothrow) To[size_t(width)];
    if (!row)
        return nullptr;
    std::copy(source, source + width, row);
    return row;
}

// A scanline that libtiff has delivered in host byte order, as a row buffer of kind, null when
// there is no memory for it. 16-bit lines are kept as they are; the others are copied into
// buffers of their kind.
void *tiffRow(void *line, int kind, int width)
{
    if (kind == ImgData::TiffU16)
        return line;
    void *row = nullptr;
    if (kind == ImgData::U16)
        row = convertedRow<quint16, quint8>(line, width);
    else if (kind == ImgData::U32)
        row = convertedRow<quint32, quint32>(line, width);
    else if (kind == ImgData::Float)
        row = convertedRow<float, float>(line, width);
    _TIFFfree(line);
    return row;
}

// ---- ZRT ----

// The value of key in a ZRT comment ("key=value" entries separated by ","), def when missing.
QByteArray commentValue(const QByteArray &comment, const QByteArray &key, const QByteArray &def)
{
    const int at = comment.indexOf(key);
    if (at < 0)
        return def;
    QByteArray value = comment.mid(at + key.size());
    for (char end : {',', '\0'}) {
        const int cut = value.indexOf(end);
        if (cut >= 0)
            value.truncate(cut);
    }
    return value;
}

// One row of width little-endian samples, null when the file ends before it.
template <typename T>
void *readLittleEndianRow(QIODevice &file, int width)
{
    auto *row = new (std::nothrow) T[size_t(width)];
    if (!row)
        return nullptr;
    const qint64 bytes = qint64(width) * qint64(sizeof(T));
    if (file.read(reinterpret_cast<char *>(row), bytes) != bytes) {
        delete[] row;
        return nullptr;
    }
    qFromLittleEndian<T>(row, width, row);
    return row;
}

// ---- CT ----

// A CT value scaled to the stored float: negative products (and NaN) become 0, products beyond
// the float range infinity.
float ctSample(double v)
{
    const double scaled = v * 500.0;
    if (!(scaled > 0.0))
        return 0.0f;
    if (scaled > double(std::numeric_limits<float>::max()))
        return std::numeric_limits<float>::infinity();
    return float(scaled);
}

// Converts n samples of type T to doubles, as sample() reads each of them.
template<typename T>
void convertRow(const void *row, int n, double *out)
{
    const T *in = static_cast<const T *>(row);
    std::copy(in, in + n, out);
}

// A row of samples of kind into out; a missing row (null) or one of no kind reads as zeros.
void convertAnyRow(const void *row, int kind, int n, double *out)
{
    switch (row ? kind : int(ImgData::None)) {
    case ImgData::TiffU16:
    case ImgData::U16:
        convertRow<quint16>(row, n, out);
        break;
    case ImgData::U32:
        convertRow<quint32>(row, n, out);
        break;
    case ImgData::Float:
        convertRow<float>(row, n, out);
        break;
    case ImgData::Double:
        convertRow<double>(row, n, out);
        break;
    default:
        std::fill(out, out + n, 0.0);
        break;
    }
}

// The bytes the strips of the current directory take, as the directory gives them (at most the
// largest qint64).
qint64 stripBytes(TIFF *tif)
{
    uint64_t *counts = nullptr;
    if (!TIFFGetField(tif, TIFFTAG_STRIPBYTECOUNTS, &counts) || !counts)
        return 0;
    const quint64 limit = quint64(std::numeric_limits<qint64>::max());
    quint64 sum = 0;
    for (uint32_t i = 0; i < TIFFNumberOfStrips(tif); ++i)
        sum = std::min<quint64>(limit, sum + std::min<quint64>(counts[i], limit));
    return qint64(sum);
}

} // namespace

ImgData::~ImgData()
{
    clear();
}

void ImgData::clear()
{
    releaseRows(rows, sampleKind);
    rows.clear();
    sampleKind = None;
}

bool ImgData::fail(const QString &reason)
{
    error = reason;
    return false;
}

bool ImgData::failShort(qint64 w, qint64 h, qint64 bytes)
{
    return fail(tr("claims %1 × %2 but holds %n bytes", nullptr, int(qMin<qint64>(bytes, INT_MAX))).arg(w).arg(h));
}

// Reasons shared by the readers.
static QString tooLarge(double width, double height)
{
    return ImgData::tr("claims %1 × %2, more than a grid can hold").arg(width).arg(height);
}

static QString noMemory(int width, int height)
{
    return ImgData::tr("not enough memory for %1 × %2").arg(width).arg(height);
}

static QString notOpened(const QFile &file)
{
    return ImgData::tr("can not be opened: %1").arg(file.errorString());
}

void ImgData::adopt(const QVector<void *> &readRows, int kind)
{
    clear();
    rows = readRows;
    sampleKind = kind;
}

bool ImgData::load(const QString &fname, int pageIndex, qint64 claimedBefore)
{
    clear();
    error.clear();
    const QString unknown = tr("not a TIFF, ZRT, CT text or 2dData file");
    page = 0;
    pageCount = 1;
    claimedBytes = 0;
    QFile file(fname);
    if (!file.open(QIODevice::ReadOnly)) {
        qDebug() << "Can not open (1)" << fname;
        return fail(notOpened(file));
    }
    const QByteArray head = file.read(15);
    file.close();
    if (head.size() < 15) {
        qDebug() << "Error on reading file (1)" << fname;
        return fail(unknown);
    }
    if (head.startsWith("II") || head.startsWith("MM"))
        return readTiff(fname, pageIndex, claimedBefore);
    if (pageIndex != 0) {
        qDebug() << "no page" << pageIndex << "in" << fname;
        return false;
    }
    if (head.startsWith("IM"))
        return readZrt(fname);
    // The magic is compared on the text before the first zero byte.
    if (QByteArray(head.constData()).startsWith("#PLMR-CTImg"))
        return readCtImg(fname);
    TDDataHeader header;
    if (header.readHeader(fname))
        return load2dData(fname);
    return fail(unknown);
}

bool ImgData::readTiff(const QString &fname, int pageIndex, qint64 claimedBefore)
{
    // The name is handed over in the file system's encoding so that non-Latin names open too.
    TiffHandle tif(TIFFOpen(QFile::encodeName(fname).constData(), "r"));
    if (!tif)
        return fail(tr("a TIFF that can not be opened"));
    // libtiff stops at a directory chain that loops, so the count is bounded by the file.
    const int pages = int(std::min<tdir_t>(TIFFNumberOfDirectories(tif.get()), std::numeric_limits<int>::max()));
    if (pageIndex < 0 || pageIndex >= std::max(pages, 1) || (pageIndex > 0 && !TIFFSetDirectory(tif.get(), tdir_t(pageIndex)))) {
        qDebug() << "TIFF page can not be read" << fname << pageIndex;
        return fail(tr("a TIFF page that can not be read"));
    }
    return readTiffPage(tif.get(), fname, pageIndex, pages, claimedBefore);
}

bool ImgData::loadPage(const QString &fname, Stack *stack)
{
    bool read = false;
    if (stack->page == 0) {
        read = load(fname);
        stack->pages = pageCount;
    } else {
        clear();
        error.clear();
        if (!stack->tiff) {
            // The first page was read on its own: the second is one step from it.
            stack->tiff.reset(TIFFOpen(QFile::encodeName(fname).constData(), "r"), TIFFClose);
            if (stack->tiff && !TIFFSetDirectory(stack->tiff.get(), tdir_t(stack->page)))
                stack->tiff.reset();
        } else if (!TIFFReadDirectory(stack->tiff.get())) {
            stack->tiff.reset();
        }
        if (stack->tiff) {
            read = readTiffPage(stack->tiff.get(), fname, stack->page, stack->pages, stack->claimed);
        } else {
            qDebug() << "TIFF page can not be read" << fname << stack->page;
            fail(tr("a TIFF page that can not be read"));
        }
    }
    if (!read) {
        stack->pages = stack->page;
    } else {
        stack->claimed += claimedBytes;
        ++stack->page;
    }
    if (stack->atEnd())
        stack->tiff.reset();
    return read;
}

bool ImgData::readTiffPage(TIFF *tif, const QString &fname, int pageIndex, int pages, qint64 claimedBefore)
{
    uint32_t tiffWidth = 0;
    uint32_t tiffHeight = 0;
    uint16_t samplesPerPixel = 0;
    uint16_t bits = 0;
    uint16_t format = 0;
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &tiffWidth)
        || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &tiffHeight)
        || !TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samplesPerPixel)
        || !TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits)
        || !TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &format)) {
        qDebug() << "TIFF tag can not be read" << fname;
        return fail(tr("a TIFF without readable size tags"));
    }
    const int kind = tiffSampleKind(samplesPerPixel, bits, format);
    if (kind == None || TIFFIsTiled(tif)) {
        qDebug() << "Unsupported TIFF layout" << fname << "samples per pixel" << samplesPerPixel
                 << "bits" << bits << "sample format" << format << "tiled" << bool(TIFFIsTiled(tif));
        if (samplesPerPixel != 1)
            return fail(tr("a TIFF with %n samples per pixel", nullptr, samplesPerPixel));
        if (kind != None)
            return fail(tr("a tiled TIFF"));
        return fail(format == SAMPLEFORMAT_IEEEFP ? tr("a TIFF with %1-bit floating-point samples").arg(bits)
                                                  : tr("a TIFF with %1-bit samples of format %2").arg(bits).arg(format));
    }
    if (!sizeFits(tiffWidth, tiffHeight, fname))
        return fail(tooLarge(tiffWidth, tiffHeight));
    const int w = int(tiffWidth);
    const int h = int(tiffHeight);
    // Every row buffer must hold width samples, whatever the file claims.
    const tmsize_t lineSize = TIFFScanlineSize(tif);
    if (lineSize < tmsize_t(w) * (bits / 8)) {
        qDebug() << "TIFF scanline too short" << fname << lineSize;
        return fail(tr("a TIFF whose rows are shorter than its width"));
    }
    // Uncompressed rows lie in the file as they are: a size the file cannot hold is refused before
    // any row is allocated. Compressed rows are allocated as they decode, and their strips are
    // claimed instead, so that pages of a stack sharing strips cannot decode the same bytes into
    // page after page.
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    const qint64 fileSize = QFileInfo(fname).size();
    const qint64 claimed = compression == COMPRESSION_NONE ? qint64(lineSize) * h : stripBytes(tif);
    if (claimed > fileSize - claimedBefore) {
        qDebug() << "TIFF rows of" << w << "x" << h << "need more than the" << fileSize << "bytes of" << fname;
        return failShort(w, h, fileSize);
    }

    page = pageIndex;
    pageCount = std::max(pages, 1);
    claimedBytes = claimed;
    fileName = fname;
    width = w;
    height = h;
    QVector<void *> readRows;
    // A large page takes a while: a window watching the read sees its rows, and may stop it.
    ParallelRows::rowsStarted(rowsOf(w, h));
    for (int y = 0; y < rowsOf(w, h); ++y) {
        void *line = _TIFFmalloc(std::max<tmsize_t>(lineSize, 1));
        if (!line || TIFFReadScanline(tif, line, uint32_t(y), 0) < 0) {
            qDebug() << "TIFF row can not be read" << fname << y;
            if (line)
                _TIFFfree(line);
            releaseRows(readRows, kind);
            return fail(tr("a TIFF whose row %1 can not be read").arg(y));
        }
        void *row = tiffRow(line, kind, w);
        if (!row) {
            qDebug() << "not enough memory for TIFF row" << y << fname;
            releaseRows(readRows, kind);
            return fail(noMemory(w, h));
        }
        readRows.append(row);
        if (!rowRead(&readRows, kind, fname))
            return false;
    }
    adopt(readRows, kind);
    return true;
}

int ImgData::readZrtHeader(const QString &fname)
{
    width = 0;
    height = 0;
    QFile file(fname);
    if (!file.open(QIODevice::ReadOnly)) {
        qDebug() << "Can not open" << fname << "[" << int(file.error()) << "]";
        fail(notOpened(file));
        return 0;
    }
    const QByteArray head = file.read(40);
    if (head.size() <= 9) {
        qDebug() << "Error on reading (4)" << fname;
        fail(tr("a ZRT file without a complete header"));
        return 0;
    }
    const auto *bytes = reinterpret_cast<const uchar *>(head.constData());
    const int commentLength = qFromLittleEndian<quint16>(bytes + 2);
    width = qFromLittleEndian<quint16>(bytes + 4);
    height = qFromLittleEndian<quint16>(bytes + 6);
    // The comment is text: read in text mode, carriage returns drop out of it.
    file.close();
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qDebug() << "Can not open" << fname;
        fail(notOpened(file));
        return 0;
    }
    QByteArray comment;
    if (file.seek(64))
        comment = file.read(commentLength);
    zrtBytesPerPixel = quint16(commentValue(comment, "BytesPerPixel=", "2").toInt());
    return 64 + commentLength;
}

bool ImgData::readZrt(const QString &fname)
{
    const int offset = readZrtHeader(fname);
    if (offset < 1)
        return false;
    if (!sizeFits(width, height, fname))
        return fail(tooLarge(width, height));
    fileName = fname;
    QFile file(fname);
    if (!file.open(QIODevice::ReadOnly)) {
        qDebug() << "Can not open (2)" << fname;
        return fail(notOpened(file));
    }
    const bool wide = zrtBytesPerPixel == 4;
    const int kind = wide ? U32 : U16;
    auto sizeError = [&] {
        qDebug() << "invalid file size. expected (h,w) = " << height << width;
        qDebug() << (wide ? "Error on reading (2)" : "Error on reading (3)") << fname;
    };
    // The file must hold every row before any is allocated.
    if (file.size() - offset < qint64(height) * width * (wide ? 4 : 2) || !file.seek(offset)) {
        sizeError();
        return failShort(width, height, file.size());
    }
    QVector<void *> readRows;
    ParallelRows::rowsStarted(rowsOf(width, height));
    for (int y = 0; y < rowsOf(width, height); ++y) {
        void *row = wide ? readLittleEndianRow<quint32>(file, width) : readLittleEndianRow<quint16>(file, width);
        if (!row) {
            sizeError();
            releaseRows(readRows, kind);
            return failShort(width, height, file.size());
        }
        readRows.append(row);
        if (!rowRead(&readRows, kind, fname))
            return false;
    }
    adopt(readRows, kind);
    return true;
}

int ImgData::readCtHeader(const QString &fname)
{
    width = 0;
    height = 0;
    QFile file(fname);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qDebug() << "Can not open" << fname;
        fail(notOpened(file));
        return -1;
    }
    QTextStream in(&file);
    double x0 = 0.0;
    double x1 = 0.0;
    double y0 = 0.0;
    double y1 = 0.0;
    int count = 0;
    while (!in.atEnd()) {
        const QStringList items = firstItems(in.readLine(), 4);
        if (!(items[0] + ' ').startsWith('#'))
            break;
        qDebug() << "ksv" << items[1] << items[2] << items[3];
        const QString key = items[1].toUpper();
        const double v = std::trunc(items[3].toDouble());
        if (key == QLatin1String("RANGE_X0"))
            x0 = v;
        else if (key == QLatin1String("RANGE_X1"))
            x1 = v;
        else if (key == QLatin1String("RANGE_Y0"))
            y0 = v;
        else if (key == QLatin1String("RANGE_Y1"))
            y1 = v;
        ++count;
    }
    const double w = x1 - x0;
    const double h = y1 - y0;
    if (!(w > 0.0 && h > 0.0)) {
        fail(tr("a CT text file without a valid range"));
        return -1;
    }
    if (!sizeFits(w, h, fname)) {
        fail(tooLarge(w, h));
        return -1;
    }
    // A pixel takes a line of at least six bytes ("0 0 1" and its end); a file too short for half
    // of its lines is refused, as its grid would take memory out of all proportion to the file.
    if (w * h * 3.0 > double(file.size())) {
        qDebug() << fname << "is" << file.size() << "bytes long, too short for half of a CT grid of" << w << "x" << h;
        failShort(qint64(w), qint64(h), file.size());
        return -1;
    }
    width = int(w);
    height = int(h);
    return count;
}

bool ImgData::readCtImg(const QString &fname)
{
    const int headerLines = readCtHeader(fname);
    if (headerLines < 0)
        return false;
    fileName = fname;
    QFile file(fname);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qDebug() << "Can not open (2)" << fname;
        return fail(notOpened(file));
    }
    QTextStream in(&file);
    for (int i = 0; i < headerLines; ++i)
        in.readLine();
    // One pixel per line; pixels past the end of the file are 0. A row is allocated when its first
    // line arrives, so memory follows the lines the file holds, not the range its header claims;
    // the rows after the last line stay missing, which reads as 0 as well.
    QVector<void *> readRows;
    QString line;
    bool lines = true;
    ParallelRows::rowsStarted(height);
    for (int y = 0; y < height && lines; ++y) {
        if (!(lines = in.readLineInto(&line)))
            break;
        auto *row = new (std::nothrow) float[size_t(width)];
        if (!row) {
            qDebug() << "not enough memory for CT row" << y << fname;
            releaseRows(readRows, Float);
            return fail(noMemory(width, height));
        }
        readRows.append(row);
        for (int x = 0; x < width; ++x) {
            if (x > 0 && !(lines = in.readLineInto(&line))) {
                std::fill(row + x, row + width, 0.0f);
                break;
            }
            row[x] = ctSample(firstItems(line, 3)[2].toDouble());
        }
        if (!rowRead(&readRows, Float, fname))
            return false;
    }
    adopt(readRows, Float);
    return true;
}

bool ImgData::rowRead(QVector<void *> *readRows, int kind, const QString &fname)
{
    if (ParallelRows::rowsDone(1))
        return true;
    qDebug() << "reading cancelled" << fname;
    releaseRows(*readRows, kind);
    return fail(tr("reading cancelled"));
}

bool ImgData::load2dData(const QString &fname)
{
    TDData grid;
    if (!grid.read2dData(fname, &error))
        return false;
    if (grid.values.size() != qint64(grid.width) * grid.height) {
        qDebug() << "Image size out of range" << grid.width << grid.height << fname;
        return fail(tooLarge(grid.width, grid.height));
    }
    fileName = fname;
    width = grid.width;
    height = grid.height;
    qDebug() << "header size" << fname << grid.minVal << grid.maxVal << width << height;
    QVector<void *> readRows;
    for (int y = 0; y < rowsOf(width, height); ++y) {
        auto *row = new (std::nothrow) double[size_t(width)];
        if (!row) {
            qDebug() << "not enough memory for row" << y << fname;
            releaseRows(readRows, Double);
            return fail(noMemory(width, height));
        }
        const double *source = grid.values.constData() + qint64(y) * width;
        std::copy(source, source + width, row);
        readRows.append(row);
    }
    adopt(readRows, Double);
    return true;
}

double ImgData::sample(int x, int y) const
{
    if (x < 0 || x >= width || y < 0 || y >= rows.size())
        return 0.0;
    const void *row = rows[y];
    switch (sampleKind) {
    case TiffU16:
    case U16:
        return static_cast<const quint16 *>(row)[x];
    case U32:
        return static_cast<const quint32 *>(row)[x];
    case Float:
        return static_cast<const float *>(row)[x];
    case Double:
        return static_cast<const double *>(row)[x];
    }
    return 0.0;
}

TDData *ImgData::toTDData() const
{
    // Every pixel is written below. Owned here until returned: a failure further on must not leak
    // the grid.
    std::unique_ptr<TDData> data(TDData::newGrid(width, height, TDData::Unfilled()));
    if (!data)
        return nullptr;
    // Base name: no directory and nothing from the first "." on.
    data->dataId = QFileInfo(fileName).baseName();
    if (pageCount > 1)
        data->dataId += QStringLiteral("[%1]").arg(page + 1);
    // Row by row, as storing sample(x, y) with setValue in scan order would: the same values,
    // every flag set, the range widened by each value in turn; missing rows are zeros. The rows
    // are split over the threads, each keeping its rows' extremes for the fold in row order.
    const int n = data->width;
    const int rowCount = rowsOf(data->width, data->height);
    ParallelRows::Extremes extremes(0, rowCount);
    double *values = data->values.data();
    bool *valids = data->valids.data();
    const bool converted = ParallelRows::run(0, rowCount, 0, [&](int first, int last) {
        for (int y = first; y < last; ++y) {
            double *out = values + data->index(0, y);
            std::fill_n(valids + data->index(0, y), n, true);
            convertAnyRow(y < rows.size() ? rows[y] : nullptr, sampleKind, n, out);
            for (int x = 0; x < n; ++x)
                extremes.widen(y, out[x]);
        }
    });
    // A cancelled run may leave rows unwritten, which must not show what the memory held.
    if (!converted) {
        data->values.fill(0.0);
        data->valids.fill(false);
    }
    extremes.foldInto(data.get(), 0, rowCount);
    return data.release();
}
