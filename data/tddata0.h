#pragma once

#include <QObject>
#include <QRect>
#include <QString>
#include <QVector>

class DataInfo;

// One dataset: a grid of values with a valid flag per pixel, the running range of the stored
// values, an identifier, an optional region of interest and attached info items (owned).
// Pixel (x, y) is element y * width + x. Accessors do not check coordinates; callers keep them
// inside the grid. The range is only ever widened, except when a 2dData file sets it outright.
class TDData0 : public QObject
{
    Q_OBJECT

public:
    // A grid of width x height pixels, all 0.0 and invalid, range 0..0 (1e300..-1e300 when empty).
    // A size that cannot be held (see fitsStorage) gives an empty grid and a debug line.
    explicit TDData0(int width = 0, int height = 0);
    // Tag for a grid whose pixels are left as the allocator hands the memory over.
    struct Unfilled
    {
    };
    // A grid as above whose values and flags hold anything until the caller writes them: for
    // results that write every pixel anyway, which would otherwise go through memory twice. Its
    // storage is aligned to whole cache lines. Throws std::bad_alloc without the memory.
    TDData0(int width, int height, Unfilled);
    ~TDData0() override;

    // True when a grid of that size can be held: both sides non-negative and every pixel
    // addressable in the value storage. Readers check sizes taken from files with it.
    static bool fitsStorage(qint64 width, qint64 height);

    int index(int x, int y) const { return y * width + x; }
    double value(int x, int y) const { return values[index(x, y)]; }
    bool isValid(int x, int y) const { return valids[index(x, y)]; }
    // Stores v, marks the pixel valid and widens the range with v.
    void setValue(int x, int y, double v);
    // Sets the flag only; the range is left alone.
    void setValid(int x, int y, bool valid) { valids[index(x, y)] = valid; }
    // Widens the range with v; NaN never widens it.
    void widenRange(double v)
    {
        if (minVal > v)
            minVal = v;
        if (v > maxVal)
            maxVal = v;
    }

    // Copies the pixels of r (values and flags, widening dst's range) to dst, at (0, 0) when toOrigin
    // is set, else in place; pixels outside either grid are skipped. dst takes this dataId, and this
    // region or, without one, the whole of this grid as its region.
    void copyRect(TDData0 *dst, const QRect &r, bool toOrigin) const;
    // Appends a deep copy of every info item to dst's items.
    void copyInfos(TDData0 *dst) const;
    // Running mean of the valid pixels over a window of 2a+1 along rows (X) or columns (Y), cut at
    // the edges; a below 0 counts as 0. Only pixels valid here are written to dst, which must have
    // the same size. The running sums keep the definition's order of additions, so a valid pixel
    // holding NaN or an infinity spoils the means after it along its row or column.
    void movingAvrX(TDData0 *dst, int a) const;
    void movingAvrY(TDData0 *dst, int a) const;

    // Replaces this grid (size, identifier, range, pixels) by the 2dData file fileName; the range is
    // taken from the file, not from the values. Region and info items are dropped. Parts missing from
    // a short file read as 0.0 and invalid. Returns false with a debug line, leaving the grid as it
    // was, when the file is not 2dData, claims a size that cannot be held, holds less than half of
    // its grid's values and flags, or the grid's memory cannot be had; the reason in plain words
    // then goes to reason when given.
    bool read2dData(const QString &fileName, QString *reason = nullptr);
    // Writes this grid as a 2dData file through SaveFile: fileName is replaced only once everything
    // is written, or written in place where its folder takes no new file. Returns false, with a
    // debug line naming the file and the system's reason, when any of it cannot be written; that
    // reason also goes to reason when given.
    bool save2dData(const QString &fileName, QString *reason = nullptr) const;

    // dataId as labels, window titles and tooltips show it: whole up to shownIdLength characters,
    // else its start and its end around an ellipsis. A file may carry an identifier of megabytes,
    // which would hold the window for seconds each time a label laid it out.
    QString shownId() const;
    static constexpr int shownIdLength = 200;

    QString dataId;
    int width = 0;
    int height = 0;
    QVector<double> values;
    QVector<bool> valids;
    double minVal = 1e300;
    double maxVal = -1e300;
    QRect region;
    bool regionSet = false;
    QVector<DataInfo *> infos;
    // For a panel's result: the sources, regions and settings that made it, shown as its row's
    // tooltip. Empty for loaded data; neither copied nor saved.
    QString provenance;

public slots:
    void setRegion(QRect rR);
    void regionCleared();
};
