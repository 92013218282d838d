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
#include <cstring>
#include <functional>

namespace {

const char *const FocusedStyle = "background-color: rgb(249, 240, 107);";
const char *const NotFocusedStyle = "background-color: rgb(190, 190, 160);";

const QColor CrosshairColor(240, 255, 240);
const QColor RegionListColor(190, 190, 240);
// Beside every light line, so that it also shows on the white and yellow end of the colour table.
const QColor EdgeColor(40, 40, 40);

const double ZoomOutLimit = 1000.0;

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

DataCtrl::DataCtrl(QWidget *parent, DisplayStart start)
    : QFrame(parent)
{
    ui.setupUi(this);
    // Start from "focused" so that the call below really applies the grey indicator.
    focusedFlag = true;
    setFocused(false);
    noticedPos = QPoint(-1, -1);
    if (start == DisplayStart::Shown)
        imgDisp.setVisible(ui.Show->isChecked());

    connect(ui.Show, &QCheckBox::toggled, this, &DataCtrl::showImg);
    connect(&imgDisp, &ImgDisp::drawImage1, this, &DataCtrl::draw);
    connect(imgDisp.ui.CBar, &ColorBar::cBarUpdated, this, &DataCtrl::cBarUpdated);
    connect(imgDisp.ui.CBar, &ColorBar::cBarUpdating, this, &DataCtrl::cBarUpdated);
    connect(&imgDisp, &ImgDisp::closing, this, &DataCtrl::closingImgDisp);
    connect(&imgDisp, &ImgDisp::mMovedWithin, this, &DataCtrl::mMovedWithin);
    connect(&imgDisp, &ImgDisp::wMoved, this, &DataCtrl::wMoved);
    connect(&imgDisp.mouseC, &MouseC::mMoved, this, &DataCtrl::pan);
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
    setToolTip(d->provenance);
    imgDisp.setWindowTitle(d->shownId());
    imgDisp.setDataSize(d->width, d->height, d->minVal, d->maxVal);

    ColorBar *bar = imgDisp.ui.CBar;
    bar->scaleMin = d->minVal;
    bar->scaleMax = d->maxVal;
    // Redrawing the scale renders d through cBarUpdated(); a second rendering would only repeat it.
    bar->paintCBar();

    // The whole width and height, as Scale Reset shows them: drawing, read-out, crosshair and
    // regions share one mapping from the first view on.
    setView(QRectF(0, 0, d->width, d->height));
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
    drawView(p, *dataset->img, cc, area->size());

    if (imgDisp.regionState == ImgDisp::Dragging || imgDisp.regionState == ImgDisp::RegionSet)
        drawOutline(p, imgDisp.regionRectInWidget(),
                    ColorBar0::markColor(imgDisp.regionState == ImgDisp::Dragging ? 0 : 1));

    if (noticedPos.x() >= 0 && noticedPos.y() >= 0) {
        // Along the left and top edge of the pixel, each line with a dark line inside beside it.
        const int wx = cc.widgetColumnOf(noticedPos.x());
        const int wy = cc.widgetRowOf(noticedPos.y());
        p->fillRect(wx + 1, 0, 1, area->height(), EdgeColor);
        p->fillRect(0, wy + 1, area->width(), 1, EdgeColor);
        p->fillRect(wx, 0, 1, area->height(), CrosshairColor);
        p->fillRect(0, wy, area->width(), 1, CrosshairColor);
    }

    for (int i = 0; i < imgDisp.ui.Regions->count(); ++i)
        drawOutline(p, cc.widgetRectOf(imgDisp.listedRegion(i)), RegionListColor);
    p->setPen(RegionListColor);
    drawPeaks(p);
}

void DataCtrl::drawOutline(QPainter *p, const QRect &w, const QColor &color)
{
    if (w.isEmpty())
        return;
    // On the outermost widget pixels of the region, with a dark edge just outside.
    auto frame = [p](const QRect &r, const QColor &c) {
        p->fillRect(r.left(), r.top(), r.width(), 1, c);
        p->fillRect(r.left(), r.bottom(), r.width(), 1, c);
        p->fillRect(r.left(), r.top(), 1, r.height(), c);
        p->fillRect(r.right(), r.top(), 1, r.height(), c);
    };
    frame(w.adjusted(-1, -1, 1, 1), EdgeColor);
    frame(w, color);
}

namespace {

// The image pixel (column or row) shown at each widget pixel of an area, -1 outside the image.
QVector<int> shownPixels(int count, int imageExtent, const std::function<double(int)> &toData)
{
    QVector<int> shown(qMax(0, count), -1);
    for (int i = 0; i < shown.size(); ++i) {
        const double d = std::floor(toData(i));
        if (d >= 0 && d < imageExtent)
            shown[i] = int(d);
    }
    return shown;
}

// out[x] = src[col[x]] for pixels of Bytes bytes (of bpp bytes when Bytes is 0).
template<int Bytes>
void gatherRow(uchar *out, const uchar *src, const int *col, int n, int bpp = Bytes)
{
    for (int x = 0; x < n; ++x)
        memcpy(out + x * bpp, src + col[x] * bpp, Bytes ? size_t(Bytes) : size_t(bpp));
}

} // namespace

void DataCtrl::drawView(QPainter *p, const QImage &img, const ChCoord &cc, const QSize &area)
{
    const int bpp = img.depth() / 8;
    if (img.isNull() || img.depth() % 8 != 0 || area.isEmpty())
        return;
    const QVector<int> cols = shownPixels(area.width(), img.width(), [&cc](int c) { return cc.toDataX(c); });
    const QVector<int> rows = shownPixels(area.height(), img.height(), [&cc](int r) { return cc.toDataY(r); });
    // The mapping grows, so the image covers one run of columns and one run of rows.
    auto run = [](const QVector<int> &shown) {
        int first = 0;
        while (first < shown.size() && shown[first] < 0)
            ++first;
        int last = first;
        while (last < shown.size() && shown[last] >= 0)
            ++last;
        return qMakePair(first, last - first);
    };
    const QPair<int, int> xs = run(cols);
    const QPair<int, int> ys = run(rows);
    if (xs.second == 0 || ys.second == 0)
        return;
    // Each widget pixel gets exactly the image pixel the read-out names there; drawn unscaled.
    QImage part(xs.second, ys.second, img.format());
    if (part.isNull())
        return;
    const uchar *prevSrc = nullptr;
    for (int y = 0; y < ys.second; ++y) {
        const uchar *src = img.constScanLine(rows[ys.first + y]);
        uchar *out = part.scanLine(y);
        if (src == prevSrc) {
            memcpy(out, part.constScanLine(y - 1), size_t(xs.second) * bpp);
            continue;
        }
        prevSrc = src;
        const int *col = cols.constData() + xs.first;
        switch (bpp) {
        case 1:
            gatherRow<1>(out, src, col, xs.second);
            break;
        case 3:
            gatherRow<3>(out, src, col, xs.second);
            break;
        case 4:
            gatherRow<4>(out, src, col, xs.second);
            break;
        default:
            gatherRow<0>(out, src, col, xs.second, bpp);
        }
    }
    p->drawImage(xs.first, ys.first, part);
}

void DataCtrl::drawPeaks(QPainter *p) const
{
    struct Seen
    {
        int index;
        QPointF at;
        QPoint widget;
    };
    const ChCoord &cc = imgDisp.chCoord;
    const QRect sight(0, 0, p->device()->width(), p->device()->height());
    // A peak's label and cross around its widget position; with the pen's width, what they cover.
    const QRect label(-20, -20, 400, 16);
    const QRect cross(-2, -2, 5, 5);
    const QRect marks = label.united(cross).adjusted(-1, -1, 1, 1);
    QVector<Seen> seen;
    for (const DataInfo *info : qAsConst(dataset->infos)) {
        if (info->kind != DataInfo::PeakList)
            continue;
        for (int j = 0; j < info->points.size(); ++j) {
            const QPointF pt = info->points.at(j);
            const QPoint w(static_cast<int>(saturated(cc.toWidgetX(pt.x()))),
                           static_cast<int>(saturated(cc.toWidgetY(pt.y()))));
            if (marks.translated(w).intersects(sight))
                seen.append({j, pt, w});
        }
    }
    DrawText drawText;
    for (const Seen &peak : qAsConst(seen)) {
        const QRect c = cross.translated(peak.widget);
        p->drawLine(c.topLeft(), c.bottomRight());
        p->drawLine(c.bottomLeft(), c.topRight());
        if (seen.size() > maxLabelledPeaks)
            continue;
        QRectF box(label.translated(peak.widget));
        drawText.drawFittedText(p, box, QFont(), Qt::AlignLeft | Qt::AlignVCenter, 1,
                                QStringLiteral("%1:(%2, %3)").arg(peak.index).arg(peak.at.x()).arg(peak.at.y()), 16);
    }
}

QString DataCtrl::inputName() const
{
    return dataset ? QStringLiteral("I[%1] %2").arg(ui.No->text(), dataset->shownId()) : QString();
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
    for (int i = 0; i < qAbs(step); ++i)
        zoomOnce(step < 0);
}

void DataCtrl::zoomOnce(bool out)
{
    const DispA *area = imgDisp.ui.ImgDispA;
    const double cx = imgDisp.chCoord.toDataX(area->mouseC.pos.x());
    const double cy = imgDisp.chCoord.toDataY(area->mouseC.pos.y());
    const double w = viewRect.width();
    const double h = viewRect.height();
    // A view without extent (no dataset yet, or an area never laid out) cannot be mapped back.
    if (!dataset || !isFiniteRect(viewRect) || w <= 0.0 || h <= 0.0 || !std::isfinite(cx) || !std::isfinite(cy)) {
        qDebug() << "DataCtrl: no zoom from a view without extent";
        return;
    }
    // Bounded both ways, so that the other direction always works: in to one data pixel across
    // the view, out to a thousand times the dataset.
    double f = out ? 1.1 : 0.9;
    if (out)
        f = qMin(f, qMin(ZoomOutLimit * dataset->width / w, ZoomOutLimit * dataset->height / h));
    else
        f = qMax(f, qMax(1.0 / w, 1.0 / h));
    if (out ? f <= 1.0 : f >= 1.0)
        return;
    const double x0 = cx + (viewRect.x() - cx) * f;
    const double x1 = cx + (viewRect.x() + w - cx) * f;
    const double y0 = cy + (viewRect.y() - cy) * f;
    const double y1 = cy + (viewRect.y() + h - cy) * f;
    setView(QRectF(x0, y0, x1 - x0, y1 - y0));
}

void DataCtrl::pan()
{
    const MouseC &m = imgDisp.mouseC;
    if (!dataset || !m.pressed || m.pressButton != Qt::MiddleButton)
        return;
    const ChCoord &cc = imgDisp.chCoord;
    // The data point under the mouse stays under it.
    const QPointF by(cc.toDataX(m.prevPos.x()) - cc.toDataX(m.pos.x()), cc.toDataY(m.prevPos.y()) - cc.toDataY(m.pos.y()));
    const QRectF view = viewRect.translated(by);
    if (isFiniteRect(view))
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
