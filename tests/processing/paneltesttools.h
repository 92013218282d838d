#pragma once

// Shared helpers of the panel tests: a main window with rows, and clicks as the user makes them.

#include "app/body.h"
#include "data/tddata.h"
#include "display/datactrl.h"

#include <QAbstractButton>
#include <QtTest>

// Adds d to the main window's list as a panel result would be added, and returns its row.
inline DataCtrl *addRow(Body &body, TDData *d)
{
    const int before = body.ctrls.dataCtrls.size();
    if (!QMetaObject::invokeMethod(&body, "calculatedData", Q_ARG(TDData *, d))
        || body.ctrls.dataCtrls.size() != before + 1)
        qFatal("row not added");
    return body.ctrls.dataCtrls.last();
}

// Clicks near the left end, where check boxes and radio buttons have their indicator.
inline void click(QAbstractButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(6, button->height() / 2));
}

// A grid named id whose pixel (x, y) holds base + x + 100 y, all valid.
inline TDData *ramp(const QString &id, int width, int height, double base = 1.0)
{
    auto *d = new TDData(width, height);
    d->dataId = id;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            d->setValue(x, y, base + x + 100.0 * y);
    }
    return d;
}

// The dataset of the row added last.
inline const TDData *lastData(Body &body)
{
    return body.ctrls.dataCtrls.last()->data(false);
}

// Puts the row's image window into the state a drag from `from` to `to` leaves.
inline void dragRegion(DataCtrl *row, QPointF from, QPointF to)
{
    row->imgDisp.regionState = ImgDisp::RegionSet;
    row->imgDisp.pressData = from;
    row->imgDisp.curData = to;
}
