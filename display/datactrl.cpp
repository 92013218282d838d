#include "display/datactrl.h"

#include "data/datainfo.h"
#include "data/imgdata.h"
#include "data/tddata.h"
#include "display/colorbar.h"
#include "display/drawtext.h"

#include <QDebug>
#include <QFont>
#include <QImage>
#include <QLineF>
#include <QPainter>
#include <QPen>

#include <cmath>

namespace {

const char *const FocusedStyle = "background-color: rgb(249, 240, 107);";
const char *const NotFocusedStyle = "background-color: rgb(190, 190, 160);";

const QColor CrosshairColor(240, 255, 240);
const QColor RegionListColor(190, 190, 240);

// Far outside any screen, yet small enough for the painter and for int. A degenerate mapping
// (a data range of zero extent, as for a one-pixel-wide image) gives inf or NaN, which must
// never reach a conversion to int.
const double WidgetLimit = 1e6;

double saturated(double v)
{
    return std::isnan(v) ? 0.0 : qBound(-WidgetLimit, v, WidgetLimit);
}

bool isFiniteRect(const QRectF &r)
{
    return std::isfinite(r.x()) && std::isfinite(r.y()) && std::isfinite(r.width()) && std::isfinite(r.height());
}

} // namespace

DataCtrl::DataCtrl(QWidget *parent)
    : QFrame(parent)
{
    ui.setupUi(this);
    // Start from "focused" so that the call below really applies the grey indicator.
    focusedFlag = true;
    setFocused(false);
    noticedPos = QPoint(-1, -1);
    imgDisp.setVisible(ui.Show->isChecked());

    connect(ui.Show, &QCheckBox::toggled, this, &DataCtrl::showImg);
    connect(&imgDisp, &ImgDisp::drawImage1, this, &DataCtrl::draw);
    connect(imgDisp.ui.CBar, &ColorBar::cBarUpdated, this, &DataCtrl::cBarUpdated);
    connect(imgDisp.ui.CBar, &ColorBar::cBarUpdating, this, &DataCtrl::cBarUpdated);
    connect(&imgDisp, &ImgDisp::closing, this, &DataCtrl::closingImgDisp);
    connect(&imgDisp, &ImgDisp::mMovedWithin, this, &DataCtrl::mMovedWithin);
    connect(&imgDisp, &ImgDisp::wMoved, this, &DataCtrl::wMoved);
    connect(&imgDisp, &ImgDisp::newRegion, this, &DataCtrl::newRegion);
    connect(&imgDisp, &ImgDisp::regionCleared, this, &DataCtrl::regionCleared);
    connect(&imgDisp, &ImgDisp::scaleReset, this, &DataCtrl::scaleReset);
    connect(ui.Del, &QPushButton::clicked, this, &DataCtrl::deleteMe);
}

DataCtrl::~DataCtrl()
{
    // Someone may still hold the pointer from a signal; it stays valid until the event loop.
    if (dataset)
        dataset->deleteLater();
}

void DataCtrl::setData(TDData *d)
{
    if (!d || d == dataset) {
        qDebug() << "DataCtrl: no new dataset to attach";
        return;
    }
    if (dataset)
        dataset->deleteLater();
    dataset = d;

    ui.FName->setText(d->dataId);
    imgDisp.setWindowTitle(d->dataId);
    imgDisp.dataWidth = d->width;
    imgDisp.dataHeight = d->height;

    ColorBar *bar = imgDisp.ui.CBar;
    bar->scaleMin = d->minVal;
    bar->scaleMax = d->maxVal;
    bar->paintCBar();
    d->makeImg(bar);

    viewRect = QRectF(0, 0, d->width, d->height);
    // The last pixel, not the far edge, at the right and bottom: the first view is the one the
    // user knows, Scale Reset and zoom then work with the full extent.
    imgDisp.chCoord.setRange(0, d->height - 1, d->width - 1, 0);
    restoreRegions();
}

void DataCtrl::restoreRegions()
{
    // Iterate over a copy: setRegion reaches the dataset again through newRegion.
    const QVector<DataInfo *> infos = dataset->infos;
    for (const DataInfo *info : infos) {
        if (info->kind == DataInfo::RegionList) {
            for (int j = 0; j < info->rects.size(); ++j)
                imgDisp.insertRegion(j, info->rects.at(j));
        } else if (info->kind == DataInfo::Region) {
            imgDisp.setRegion(info->rect);
        }
    }
}

void DataCtrl::setImage(ImgData *rec)
{
    if (!rec) {
        qDebug() << "DataCtrl: no image record to convert";
        return;
    }
    setData(rec->toTDData());
}

TDData *DataCtrl::data(bool withRegions)
{
    if (withRegions && dataset)
        replaceRegionInfos();
    return dataset;
}

// Region items describe the display's state at the time of asking; older ones would pile up
// with every save or processing run and be restored as duplicates.
void DataCtrl::replaceRegionInfos()
{
    QVector<DataInfo *> kept;
    for (DataInfo *info : qAsConst(dataset->infos)) {
        if (info->kind == DataInfo::RegionList || info->kind == DataInfo::Region)
            delete info;
        else
            kept.append(info);
    }
    dataset->infos = kept;

    if (imgDisp.regionState == ImgDisp::RegionSet) {
        auto *region = new DataInfo(DataInfo::Region, QString());
        region->rect = imgDisp.regionRect();
        dataset->infos.append(region);
        qDebug() << "Adding Region Info";
    }
    const int listed = imgDisp.ui.Regions->count();
    if (listed > 0) {
        auto *list = new DataInfo(DataInfo::RegionList, QString());
        for (int i = 0; i < listed; ++i)
            list->rects.append(imgDisp.listedRegion(i));
        dataset->infos.append(list);
    }
}

void DataCtrl::draw(QPainter *p)
{
    if (!dataset || !dataset->img)
        return;
    const DispA *area = imgDisp.ui.ImgDispA;
    const ChCoord &cc = imgDisp.chCoord;
    drawView(p, *dataset->img, viewRect, area->size());

    if (imgDisp.regionState == ImgDisp::Dragging || imgDisp.regionState == ImgDisp::RegionSet) {
        p->setPen(ColorBar0::markColor(imgDisp.regionState == ImgDisp::Dragging ? 0 : 1));
        p->drawRect(imgDisp.regionRectInWidget());
    }

    if (noticedPos.x() >= 0 && noticedPos.y() >= 0) {
        p->setPen(CrosshairColor);
        const int wx = static_cast<int>(saturated(cc.toWidgetX(noticedPos.x())));
        const int wy = static_cast<int>(saturated(cc.toWidgetY(noticedPos.y())));
        p->drawLine(wx, 0, wx, area->height());
        p->drawLine(0, wy, area->width(), wy);
    }

    p->setPen(RegionListColor);
    drawRegionList(p);
    drawPeaks(p);
}

void DataCtrl::drawView(QPainter *p, const QImage &img, const QRectF &view, const QSizeF &area)
{
    if (!isFiniteRect(view) || view.width() <= 0 || view.height() <= 0 || img.depth() % 8 != 0)
        return;
    const QRect src = view.toAlignedRect() & img.rect();
    if (src.isEmpty())
        return;
    // Same mapping as drawing view into the whole area, restricted to the whole pixels inside img.
    const double sx = area.width() / view.width();
    const double sy = area.height() / view.height();
    const QRectF target((src.x() - view.x()) * sx, (src.y() - view.y()) * sy, src.width() * sx,
                        src.height() * sy);
    const QImage part(img.constBits() + qint64(src.y()) * img.bytesPerLine() + src.x() * (img.depth() / 8),
                      src.width(), src.height(), img.bytesPerLine(), img.format());
    p->drawImage(target, part);
}

void DataCtrl::drawRegionList(QPainter *p) const
{
    const ChCoord &cc = imgDisp.chCoord;
    auto widgetPoint = [&cc](int x, int y) {
        return QPointF(saturated(cc.toWidgetX(x)), saturated(cc.toWidgetY(y)));
    };
    for (int i = 0; i < imgDisp.ui.Regions->count(); ++i) {
        const QRect r = imgDisp.listedRegion(i);
        const QPointF corners[4] = {widgetPoint(r.left(), r.top()), widgetPoint(r.right(), r.top()),
                                    widgetPoint(r.right(), r.bottom()), widgetPoint(r.left(), r.bottom())};
        p->drawPolygon(corners, 4);
    }
}

void DataCtrl::drawPeaks(QPainter *p) const
{
    const ChCoord &cc = imgDisp.chCoord;
    DrawText drawText;
    for (const DataInfo *info : qAsConst(dataset->infos)) {
        if (info->kind != DataInfo::PeakList)
            continue;
        for (int j = 0; j < info->points.size(); ++j) {
            const QPointF pt = info->points.at(j);
            const int wx = static_cast<int>(saturated(cc.toWidgetX(pt.x())));
            const int wy = static_cast<int>(saturated(cc.toWidgetY(pt.y())));
            p->drawLine(wx - 2, wy - 2, wx + 2, wy + 2);
            p->drawLine(wx - 2, wy + 2, wx + 2, wy - 2);
            QRectF box(wx - 20, wy - 20, 400, 16);
            drawText.drawFittedText(p, box, QFont(), Qt::AlignLeft | Qt::AlignVCenter, 1,
                                    QStringLiteral("%1:(%2, %3)").arg(j).arg(pt.x()).arg(pt.y()), 16);
        }
    }
}

void DataCtrl::showImg(bool f)
{
    imgDisp.setVisible(f);
}

void DataCtrl::cBarUpdated()
{
    if (!dataset)
        return;
    dataset->makeImg(imgDisp.ui.CBar);
    imgDisp.ui.ImgDispA->update();
}

void DataCtrl::closingImgDisp()
{
    ui.Show->setChecked(false);
    emit comeMeBackToTab();
}

void DataCtrl::mMovedWithin(int ix, int iy)
{
    if (dataset && ix >= 0 && ix < dataset->width && iy >= 0 && iy < dataset->height)
        imgDisp.showPosVal(ix, iy, dataset->value(ix, iy), dataset->isValid(ix, iy));
    emit pointAt(ix, iy);
    setFocused(true);
}

void DataCtrl::wMoved(int step)
{
    const DispA *area = imgDisp.ui.ImgDispA;
    const double cx = imgDisp.chCoord.toDataX(area->mouseC.pos.x());
    const double cy = imgDisp.chCoord.toDataY(area->mouseC.pos.y());
    const double f = step < 0 ? 1.1 : 0.9;
    const double x0 = cx + (viewRect.x() - cx) * f;
    const double x1 = cx + (viewRect.x() + viewRect.width() - cx) * f;
    const double y0 = cy + (viewRect.y() - cy) * f;
    const double y1 = cy + (viewRect.y() + viewRect.height() - cy) * f;
    const QRectF view(x0, y0, x1 - x0, y1 - y0);
    // A view without extent (no dataset yet, or an area never laid out) cannot be mapped back.
    if (!isFiniteRect(view) || view.width() == 0.0 || view.height() == 0.0) {
        qDebug() << "DataCtrl: no zoom from a view without extent";
        return;
    }
    setView(view);
}

void DataCtrl::scaleReset()
{
    if (!dataset)
        return;
    setView(QRectF(0, 0, dataset->width, dataset->height));
}

void DataCtrl::setView(const QRectF &view)
{
    viewRect = view;
    imgDisp.chCoord.setRange(view.left(), view.top() + view.height(), view.left() + view.width(), view.top());
    imgDisp.ui.ImgDispA->update();
}

void DataCtrl::newRegion(QRect rR)
{
    if (dataset)
        dataset->setRegion(rR);
}

void DataCtrl::regionCleared()
{
    if (dataset)
        dataset->regionCleared();
}

void DataCtrl::noticedAt(int ix, int iy)
{
    noticedPos = QPoint(ix, iy);
    imgDisp.ui.ImgDispA->update();
}

void DataCtrl::setFocused(bool f)
{
    if (f == focusedFlag)
        return;
    focusedFlag = f;
    ui.Stat->setStyleSheet(QLatin1String(f ? FocusedStyle : NotFocusedStyle));
    if (f)
        emit focused();
}
