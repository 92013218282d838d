#include "copyregion.h"

#include "data/tddata.h"

#include <QCoreApplication>
#include <QDebug>

TDData *CopyRegion::exec(const TDData0 *src, const QRect &r, bool resize)
{
    const qint64 w = qint64(r.right()) - r.left() + 1;
    const qint64 h = qint64(r.bottom()) - r.top() + 1;
    if (w < 1 || h < 1)
        return nullptr;
    // The size of a resized copy comes from the region: it may be more than memory holds.
    TDData *copy = resize ? TDData::newGrid(w, h) : new TDData(src->width, src->height);
    if (!copy)
        return nullptr;
    // In place only the part inside the source can land anywhere; clipping keeps the walk short
    // for regions dragged far beyond the image.
    src->copyRect(copy, resize ? r : r & QRect(0, 0, src->width, src->height), resize);
    copy->dataId = QCoreApplication::translate("CopyCtrl", "%1: Cp(%2,%3)-(%4,%5)")
                       .arg(src->dataId, QString::number(r.left()), QString::number(r.top()),
                            QString::number(r.right()), QString::number(r.bottom()));
    return copy;
}
