#pragma once

#include <QObject>
#include <QRect>

// Linear mapping between widget pixels and data coordinates of one painted area.
// The widget range (wx0..wx1, wy0 at the bottom edge .. wy1 at the top edge) is the area's
// size, reset by the area at every paint; the data range is the part of the data shown there
// (dy0 at the bottom edge, dy1 at the top; for images data y grows downwards, so dy0 > dy1).
// Results are doubles; with a range of zero extent they are infinite or NaN, so the mapping is
// only meaningful once both ranges are set.
class ChCoord : public QObject
{
    Q_OBJECT

public:
    explicit ChCoord(QObject *parent = nullptr);

    void setWidgetRange(double x0, double y0, double x1, double y1);
    // Arguments in the order left, bottom, right, top. With square pixels this is the range asked
    // for: the range shown (dx0 .. dy1) holds it, widened about its centre along one axis so that a
    // data unit spans as many widget pixels across as down.
    void setRange(double x0, double y0, double x1, double y1);
    // Keeps the data range fitted to the widget range as above after every change of either.
    void setSquarePixels(bool on);
    bool squarePixels() const { return square; }

    double toWidgetX(double x) const;
    double toWidgetY(double y) const;
    double toDataX(double px) const;
    double toDataY(double py) const;

    // Every widget pixel shows the data pixel under its left and top edge (toDataX, toDataY of
    // its own coordinates, rounded down), as the mouse read-out names it. These give the first
    // widget column (row) whose edge lies at data x (y) or beyond, so data pixel ix starts at
    // widgetColumnOf(ix) and ends before widgetColumnOf(ix + 1). Saturated to +-1e6; a mapping
    // without extent gives 0 or a saturated value. Needs data x and y to grow with widget x and y.
    int widgetColumnOf(double x) const;
    int widgetRowOf(double y) const;
    // The widget pixels (inclusive corners) that show the data pixels of r: empty for an empty r,
    // at least one widget pixel wide and high otherwise.
    QRect widgetRectOf(const QRect &r) const;

    double wx0 = 0.0;
    double wx1 = 1.0;
    double wy0 = 0.0;
    double wy1 = 1.0;
    double dx0 = 0.0;
    double dx1 = 1.0;
    double dy0 = 0.0;
    double dy1 = 1.0;

private:
    void fit();

    bool square = false;
    // The range asked for by setRange, in its argument order.
    double askedX0 = 0.0;
    double askedY0 = 0.0;
    double askedX1 = 1.0;
    double askedY1 = 1.0;
};
