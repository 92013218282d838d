#pragma once

#include <QPointF>
#include <QRect>
#include <QString>
#include <QVector>

// An item attached to a dataset. Its kind decides which payload is meaningful:
// a peak list (points), the image window's kept regions (rects) or one region (rect).
// Items are plain values; a dataset owns the items in its info list.
class DataInfo
{
public:
    enum Kind { PeakList = 1, RegionList = 2, Region = 3 };

    // An item of the given kind with an empty payload (an empty list, or a rectangle at 0, 0 - 0, 0).
    DataInfo(int kind, const QString &name);

    int kind;
    QString name;
    QVector<QPointF> points;  // PeakList
    QVector<QRect> rects;     // RegionList
    QRect rect;               // Region
};
