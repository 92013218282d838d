#include "filter.h"

#include "data/tddata0.h"

Filter::Filter(int type)
    : QObject(nullptr)
    , type(type)
{
}

QRect Filter::insideGrid(const TDData0 *src, const QRect &rect)
{
    // QRect::intersected() would silently normalise an inverted rectangle; here it means no pixel.
    if (rect.right() < rect.left() || rect.bottom() < rect.top())
        return QRect();
    return rect.intersected(QRect(0, 0, src->width, src->height));
}
