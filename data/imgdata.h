#pragma once

#include <QCoreApplication>
#include <QString>
#include <QVector>

#include <memory>

class TDData;
typedef struct tiff TIFF;

// A raw image as read from a file, each row kept in the sample type of its file, until it is
// converted into a dataset. Formats are recognised by their first bytes, never by the name:
// TIFF ("II" or "MM"), the ZRT camera format ("IM"), PLMR CT text ("#PLMR-CTImg") and 2dData.
//
// The record owns its row buffers and releases them in the manner of their kind. Readers return
// false (with a line on the debug stream, and the reason in plain words in errorString()) on
// failure and then leave no rows behind. Every size
// read from a file is checked against the grid storage, and against the file's length where the
// rows lie in it uncompressed, before anything is allocated; a row that cannot be allocated is a
// failure too.
class ImgData
{
    Q_DECLARE_TR_FUNCTIONS(ImgData)

public:
    // Type of every sample; decides how a row buffer is read and released.
    enum SampleKind {
        TiffU16 = 0,  // unsigned 16-bit, buffers from _TIFFmalloc (16-bit TIFF)
        U16 = 1,      // unsigned 16-bit (ZRT with 2 bytes per pixel, 8-bit TIFF widened)
        U32 = 2,      // unsigned 32-bit (ZRT with 4 bytes per pixel, 32-bit TIFF)
        Float = 3,    // 32-bit float (CT text, floating-point TIFF)
        Double = 4,   // 64-bit double (2dData)
        None = 5
    };

    ImgData() = default;
    ~ImgData();
    ImgData(const ImgData &) = delete;
    ImgData &operator=(const ImgData &) = delete;

    // Recognises the format of fname by its first 15 bytes and runs its reader. Rows of an
    // earlier load are released first. False when the file cannot be read or is of no known format.
    // pageIndex picks a page of a multi-page TIFF (0 = the first); every other format has page 0 only.
    // claimedBefore counts the bytes of the file that earlier pages of the same file took as
    // uncompressed rows: pages sharing their rows must not make a stack hold more than its file.
    bool load(const QString &fname, int pageIndex = 0, qint64 claimedBefore = 0);

    // The pages of one file read in order by loadPage: the next page, the page count (known once
    // the first page is read) and the bytes the pages read so far took. A multi-page TIFF stays
    // open between its pages, so that each is found from the one before rather than by walking
    // the file's chain of pages from the first: n pages take time in proportion to n.
    struct Stack
    {
        int page = 0;
        int pages = 1;
        qint64 claimed = 0;
        std::shared_ptr<TIFF> tiff;

        bool atEnd() const { return page >= pages; }
    };
    // Reads stack's next page (of any format for the first) and moves stack on to the page after.
    // On failure the stack ends before the page that could not be read.
    bool loadPage(const QString &fname, Stack *stack);

    // A new dataset of width x height holding every sample as a valid pixel, dataId the base name
    // of fileName, followed by "[n]" (page n counted from 1) for a page of a stack. Its range includes 0.0. The caller owns the result; null, with a debug line,
    // when no grid of that size can be held or its memory cannot be had.
    TDData *toTDData() const;

    // Sample (x, y) as a double; 0.0 for kind None or a missing row.
    double sample(int x, int y) const;

    // The single readers; load picks one by the first bytes. Each sets fileName, width and height
    // and, on success, rows and sampleKind.
    bool readTiff(const QString &fname, int pageIndex = 0, qint64 claimedBefore = 0);
    // Offset of the samples, 0 on failure. Sets width, height and the bytes per pixel.
    int readZrtHeader(const QString &fname);
    bool readZrt(const QString &fname);
    // Number of header lines, -1 on failure. Sets width and height.
    int readCtHeader(const QString &fname);
    bool readCtImg(const QString &fname);
    bool load2dData(const QString &fname);

    // Why the last load or reader failed, translated; empty after a success.
    QString errorString() const { return error; }

    QString fileName;
    int width = 0;
    int height = 0;
    // Up to height buffers of width samples of sampleKind; rows missing at the end (a CT file that
    // ends early, an image without samples) read as 0.
    QVector<void *> rows;
    int sampleKind = None;
    // The page read and the number of pages of the file (more than 1 only for a TIFF stack).
    int page = 0;
    int pageCount = 1;
    // Bytes of the file this page's rows lie in (the rows themselves, or their compressed strips),
    // checked against the file's length together with what the pages read before claimed.
    qint64 claimedBytes = 0;

private:
    // Reads the page tif is at, page pageIndex of pages.
    bool readTiffPage(TIFF *tif, const QString &fname, int pageIndex, int pages, qint64 claimedBefore);
    // Tells a window watching the read (ParallelRows) that a row is read; false, with readRows
    // released and the record failed, when the read was cancelled.
    bool rowRead(QVector<void *> *readRows, int kind, const QString &fname);
    // Takes over readRows as the record's rows of the given kind.
    void adopt(const QVector<void *> &readRows, int kind);
    void clear();
    // Keeps reason as errorString() and returns false.
    bool fail(const QString &reason);
    // "claims w × h but holds n bytes"
    bool failShort(qint64 w, qint64 h, qint64 bytes);

    quint16 zrtBytesPerPixel = 2;
    QString error;
};
