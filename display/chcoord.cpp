#include "chcoord.h"

#include <algorithm>
#include <cmath>

namespace {

// Far outside any screen, yet small enough for the painter and for int.
const double WidgetLimit = 1e6;

// Maps v from the range a0..a1 onto b0..b1.
double mapLinear(double v, double a0, double a1, double b0, double b1)
{
    return b0 + (v - a0) * (b1 - b0) / (a1 - a0);
}

// The smallest integer w with toData(w) >= v, for a growing toData whose inverse is toWidget.
// The inverse gives it up to rounding, which one step either way corrects.
template<typename ToData, typename ToWidget>
int firstAtLeast(double v, ToData toData, ToWidget toWidget)
{
    const double w = std::ceil(toWidget(v));
    int c = std::isnan(w) ? 0 : int(qBound(-WidgetLimit, w, WidgetLimit));
    if (toData(c - 1) >= v)
        --c;
    else if (!(toData(c) >= v) && c < WidgetLimit)
        ++c;
    return c;
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
    fit();
}

void ChCoord::setRange(double x0, double y0, double x1, double y1)
{
    askedX0 = x0;
    askedY0 = y0;
    askedX1 = x1;
    askedY1 = y1;
    fit();
}

void ChCoord::setSquarePixels(bool on)
{
    square = on;
    fit();
}

void ChCoord::fit()
{
    dx0 = askedX0;
    dy0 = askedY0;
    dx1 = askedX1;
    dy1 = askedY1;
    // Data units per widget pixel along each axis; the larger one serves both, so the asked range
    // stays in view. Each axis keeps its centre, hence a zoom about a point keeps that point.
    const double kx = std::abs((askedX1 - askedX0) / (wx1 - wx0));
    const double ky = std::abs((askedY1 - askedY0) / (wy1 - wy0));
    if (!square || !std::isfinite(kx) || !std::isfinite(ky) || kx <= 0.0 || ky <= 0.0)
        return;
    const double k = std::max(kx, ky);
    const double cx = (askedX0 + askedX1) / 2;
    const double cy = (askedY0 + askedY1) / 2;
    dx0 = cx + (askedX0 - cx) * (k / kx);
    dx1 = cx + (askedX1 - cx) * (k / kx);
    dy0 = cy + (askedY0 - cy) * (k / ky);
    dy1 = cy + (askedY1 - cy) * (k / ky);
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

int ChCoord::widgetColumnOf(double x) const
{
    return firstAtLeast(x, [this](double w) { return toDataX(w); }, [this](double d) { return toWidgetX(d); });
}

int ChCoord::widgetRowOf(double y) const
{
    return firstAtLeast(y, [this](double w) { return toDataY(w); }, [this](double d) { return toWidgetY(d); });
}

QRect ChCoord::widgetRectOf(const QRect &r) const
{
    if (r.isEmpty())
        return QRect();
    // A pixel narrower than a widget pixel (far zoomed out) still gets one.
    const int left = widgetColumnOf(r.left());
    const int top = widgetRowOf(r.top());
    const int right = qMax(left, widgetColumnOf(double(r.right()) + 1) - 1);
    const int bottom = qMax(top, widgetRowOf(double(r.bottom()) + 1) - 1);
    return QRect(QPoint(left, top), QPoint(right, bottom));
}
