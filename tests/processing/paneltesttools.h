#pragma once

// Shared helpers of the panel tests: a main window with rows, and clicks as the user makes them.

#include "app/body.h"
#include "data/tddata.h"
#include "display/datactrl.h"

#include <QAbstractButton>
#include <QtTest>

#include <memory>

// A fresh, shown main window for each test function: open() from init(), close() from cleanup().
struct PanelFixture
{
    std::unique_ptr<Body> body;

    void open()
    {
        qRegisterMetaType<TDData *>();
        body.reset(new Body);
        body->show();
    }
    void close()
    {
        body.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // Adds d to the main window's list as a panel result would be added, and returns its row.
    DataCtrl *addRow(TDData *d)
    {
        const int before = body->ctrls.dataCtrls.size();
        if (!QMetaObject::invokeMethod(body.get(), "calculatedData", Q_ARG(TDData *, d))
            || body->ctrls.dataCtrls.size() != before + 1)
            qFatal("row not added");
        return body->ctrls.dataCtrls.last();
    }
    DataCtrl *row(int i) const { return body->ctrls.dataCtrls.at(i); }
    // The dataset of the row added last.
    const TDData *lastData() const { return body->ctrls.dataCtrls.last()->data(false); }
};

// Clicks near the left end, where check boxes and radio buttons have their indicator.
inline void click(QAbstractButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(6, button->height() / 2));
}

// The main window's button shows the panel and hides it again.
inline void checkToggles(QAbstractButton *button, const QWidget *panel)
{
    click(button);
    QVERIFY(panel->isVisible());
    click(button);
    QVERIFY(!panel->isVisible());
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

// Puts the row's image window into the state a drag from `from` to `to` leaves.
inline void dragRegion(DataCtrl *row, QPointF from, QPointF to)
{
    row->imgDisp.regionState = ImgDisp::RegionSet;
    row->imgDisp.pressData = from;
    row->imgDisp.curData = to;
}
