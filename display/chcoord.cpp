#include "chcoord.h"

namespace {

// Maps v from the range a0..a1 onto b0..b1.
double mapLinear(double v, double a0, double a1, double b0, double b1)
{
    return b0 + (v - a0) * (b1 - b0) / (a1 - a0);
}

} // namespace

ChCoord::ChCoord(QObject *parent)
    : QObject(parent)
{
}

void ChCoord::setWidgetRange(double x0, double y0, double x1, double y1)
{
    wx0 = x0;
    wy0 = y0;
    wx1 = x1;
    wy1 = y1;
}

void ChCoord::setRange(double x0, double y0, double x1, double y1)
{
    dx0 = x0;
    dy0 = y0;
    dx1 = x1;
    dy1 = y1;
}

double ChCoord::toWidgetX(double x) const
{
    return mapLinear(x, dx0, dx1, wx0, wx1);
}

double ChCoord::toWidgetY(double y) const
{
    return mapLinear(y, dy0, dy1, wy0, wy1);
}

double ChCoord::toDataX(double px) const
{
    return mapLinear(px, wx0, wx1, dx0, dx1);
}

double ChCoord::toDataY(double py) const
{
    return mapLinear(py, wy0, wy1, dy0, dy1);
}
