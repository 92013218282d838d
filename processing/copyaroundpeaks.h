#pragma once

#include <QPointF>
#include <QRect>
#include <QString>
#include <QVector>

class TDData;
class TDData0;

// The order in which the copies around peaks are handed out: each peak gets the key cx * x + cy * y
// and the peaks are sorted by ascending key.
struct SaveOrder
{
    enum Axis {
        Collection,  // keep the order in which the peaks were collected
        H,           // by x
        V,           // by y
        HFirst,      // by x, then by y among equal x
        VFirst       // by y, then by x among equal y
    };

    Axis axis = H;
    bool rightToLeft = false;
    bool bottomToTop = false;

    double cx() const;
    double cy() const;
};

// One copy around a peak: its number k in save order, the peak, and the rectangle of the
// template's dataset that it copies (corners inclusive, possibly reaching past that grid).
struct PeakTile
{
    int k = 0;
    QPointF peak;
    QRect rect;
};

// The copy panel's copy around peaks: one rectangle of a dataset is copied around every peak of
// another, placed so that the rectangle's top-left corner keeps its offset from a reference peak.
class CopyAroundPeaks
{
public:
    // The points of every peak list (info items of kind 1), list after list, each in its order.
    static QVector<QPointF> collectPeaks(const TDData0 *data);
    // The data's region, or its whole grid when it has none.
    static QRect templateRect(const TDData0 *data);
    static QVector<double> orderKeys(const QVector<QPointF> &peaks, const SaveOrder &order);
    // Indices into keys by ascending key, from a selection sort in which only a strictly smaller
    // key replaces the candidate and the minimum is swapped into place: equal keys may change their
    // relative order when a swap moves one of them.
    static QVector<int> sortedOrder(QVector<double> keys);
    // Whether a grid of templ's size can be held; an empty templ, which makes no tiles, can.
    static bool tileFits(const QRect &templ);
    // The tiles in save order. reference indexes peaks in collection order; empty when it does
    // not name a peak, when templ is empty, or when a tile of its size cannot be held (debug line).
    static QVector<PeakTile> plan(const QVector<QPointF> &peaks, int reference, const QRect &templ,
                                  const SaveOrder &order);
    // A new grid of the tile's size holding the tile's rectangle of src (invalid where the
    // rectangle leaves src's grid), with src's region (or whole grid) as region, named
    // "<src>:CpAPk[k(x,y)]" (format translated in the context CopyCtrl). The caller owns it; null,
    // with a debug line, when its memory cannot be had.
    static TDData *makeTile(const TDData0 *src, const PeakTile &tile);
};
