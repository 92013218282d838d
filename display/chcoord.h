#pragma once

#include <QObject>

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
    // Arguments in the order left, bottom, right, top.
    void setRange(double x0, double y0, double x1, double y1);

    double toWidgetX(double x) const;
    double toWidgetY(double y) const;
    double toDataX(double px) const;
    double toDataY(double py) const;

    double wx0 = 0.0;
    double wx1 = 1.0;
    double wy0 = 0.0;
    double wy1 = 1.0;
    double dx0 = 0.0;
    double dx1 = 1.0;
    double dy0 = 0.0;
    double dy1 = 1.0;
};
