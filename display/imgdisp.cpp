#include "display/imgdisp.h"

#include "display/colorbar.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QIcon>
#include <QPainter>
#include <QShortcut>
#include <QVariant>

#include <cmath>

namespace {

bool grayScaleDefaultFlag = false;
bool squarePixelsDefaultFlag = false;

// Far beyond any image, yet a corner plus the extent of two such corners still fits an int.
const double PixelLimit = 1e9;

// A degenerate coordinate mapping (a range of zero extent) yields inf or NaN; saturating them
// keeps every later conversion to int defined.
double saturated(double v)
{
    return std::isnan(v) ? 0.0 : qBound(-PixelLimit, v, PixelLimit);
}

// Truncation towards zero, as pixels are counted from the top-left corner.
int toPixel(double v)
{
    return static_cast<int>(saturated(v));
}

QRect rectFromCorners(QPointF a, QPointF b)
{
    const double loX = qMin(saturated(a.x()), saturated(b.x()));
    const double hiX = qMax(saturated(a.x()), saturated(b.x()));
    const double loY = qMin(saturated(a.y()), saturated(b.y()));
    const double hiY = qMax(saturated(a.y()), saturated(b.y()));
    const int left = toPixel(loX);
    const int top = toPixel(loY);
    return QRect(QPoint(left, top), QPoint(left + toPixel(hiX - loX) - 1, top + toPixel(hiY - loY) - 1));
}

bool withoutModifiers(Qt::KeyboardModifiers m)
{
    return !(m & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier));
}

} // namespace

ImgDisp::ImgDisp(QWidget *parent)
    : QFrame(parent)
    , mouseC(setUpForm()->mouseC)
    , chCoord(ui.ImgDispA->chCoord)
{
    connect(ui.ImgDispA, &DispA::drawImage1, this, &ImgDisp::drawImage1);
    connect(ui.ImgDispA, &DispA::drawImage2, this, &ImgDisp::drawImage2);
    connect(&mouseC, &MouseC::mMoved, this, &ImgDisp::mMoved);
    connect(&mouseC, &MouseC::mPressed, this, &ImgDisp::mPressed);
    connect(&mouseC, &MouseC::mReleased, this, &ImgDisp::mReleased);
    connect(&mouseC, &MouseC::wMoved, this, &ImgDisp::wMoved);
    connect(ui.SetARegion, &QPushButton::clicked, this, &ImgDisp::setARegion);
    connect(ui.DelARegion, &QPushButton::clicked, this, &ImgDisp::delARegion);
    connect(ui.ScaleReset, &QPushButton::clicked, this, &ImgDisp::scaleReset);

    // The list asks for the width setDataSize gives it, not for its entries', which would widen
    // the window, and shrinks like the labels when the window is narrow.
    ui.Regions->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    ui.Regions->setMinimumWidth(ui.Regions->minimumSizeHint().width());
    setDataSize(dataWidth, dataHeight, 0.0, 0.0);

    ui.GrayScale->setChecked(grayScaleDefaultFlag);
    setCBarGrayScale(grayScaleDefaultFlag);
    connect(ui.GrayScale, &QCheckBox::toggled, this, &ImgDisp::setCBarGrayScale);

    // A shortcut rather than another switch in the full tool row, which sets the window's width.
    setSquarePixels(squarePixelsDefaultFlag);
    auto *square = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_1), this);
    connect(square, &QShortcut::activated, this, [this] { setSquarePixels(!chCoord.squarePixels()); });
}

// The references to the image area's members can only be bound once the form exists.
DispA *ImgDisp::setUpForm()
{
    ui.setupUi(this);
    return ui.ImgDispA;
}

void ImgDisp::setGrayScaleDefault(bool grey)
{
    grayScaleDefaultFlag = grey;
}

bool ImgDisp::grayScaleDefault()
{
    return grayScaleDefaultFlag;
}

int ImgDisp::formatOf(bool grey)
{
    return grey ? ColorBar0::FormatGrayscale8 : ColorBar0::FormatRGB888;
}

void ImgDisp::setSquarePixelsDefault(bool on)
{
    squarePixelsDefaultFlag = on;
}

bool ImgDisp::squarePixelsDefault()
{
    return squarePixelsDefaultFlag;
}

void ImgDisp::setSquarePixels(bool on)
{
    chCoord.setSquarePixels(on);
    ui.ImgDispA->update();
}

QRect ImgDisp::regionRect() const
{
    return rectFromCorners(pressData, curData);
}

QRect ImgDisp::regionRectInWidget() const
{
    return chCoord.widgetRectOf(regionRect());
}

void ImgDisp::setDataSize(int width, int height, double minVal, double maxVal)
{
    dataWidth = width;
    dataHeight = height;
    // Digits as wide as the dataset's largest coordinates, values as long as its extremes or a
    // six-digit value, and room for minus signs: regions may start left of or above the image.
    // Longer texts are elided, and every part of the row can shrink, so nothing here can widen
    // the window; a wider window shows them whole.
    const QString x = QString(QString::number(qMax(1, width - 1)).size(), QLatin1Char('8'));
    const QString y = QString(QString::number(qMax(1, height - 1)).size(), QLatin1Char('8'));
    QString value = QStringLiteral("-8.88888");
    for (double v : {minVal, maxVal}) {
        const QString text = QString::number(v, 'g', 6);
        value = text.size() > value.size() ? text : value;
    }
    ui.Pos->setSampleText(QStringLiteral("%1 (%2, %3)").arg(value, x, y));
    ui.Region->setSampleText(QStringLiteral("(-%1, -%2)-(%1, %2)").arg(x, y));
    const int entry = ui.Regions->fontMetrics().horizontalAdvance(
        regionText(QRect(QPoint(x.toInt(), y.toInt()), QPoint(x.toInt(), y.toInt()))));
    const int perChar = ui.Regions->fontMetrics().horizontalAdvance(QLatin1Char('X'));
    ui.Regions->setMinimumContentsLength((entry + perChar - 1) / perChar);
    ui.Regions->view()->setMinimumWidth(entry + 2 * perChar);
}

void ImgDisp::setRegion(QRect r)
{
    regionState = RegionSet;
    // The far corner lies one past the last pixel, as after a drag, so that regionRect() is r
    // again and a stored region survives any number of save and load rounds unchanged.
    pressData = QPointF(r.left(), r.top());
    curData = QPointF(r.right() + 1.0, r.bottom() + 1.0);
    emit newRegion(regionRect());
    updateRegionLabel();
}

void ImgDisp::insertRegion(int index, QRect r)
{
    const int at = qBound(0, index, ui.Regions->count());
    ui.Regions->insertItem(at, QIcon(), regionText(r), QVariant(r));
    ui.Regions->setCurrentIndex(at);
}

QString ImgDisp::regionText(const QRect &r)
{
    return QStringLiteral("(%1,%2)-(%3,%4)").arg(r.left()).arg(r.top()).arg(r.right()).arg(r.bottom());
}

QRect ImgDisp::listedRegion(int index) const
{
    return ui.Regions->itemData(index).toRect();
}

QRect ImgDisp::currentListedRegion() const
{
    return listedRegion(ui.Regions->currentIndex());
}

void ImgDisp::mMoved()
{
    const QPointF at = mouseInData();
    if (mouseC.pressed && mouseC.pressButton == Qt::LeftButton && withoutModifiers(mouseC.pressModifiers)) {
        curData = at;
        updateRegionLabel();
    }
    emit mMovedWithin(toPixel(at.x()), toPixel(at.y()));
}

void ImgDisp::mPressed()
{
    if (!withoutModifiers(mouseC.pressModifiers))
        return;
    if (mouseC.pressButton == Qt::LeftButton) {
        regionState = Dragging;
        pressData = curData = mouseInData();
        updateRegionLabel();
    } else if (mouseC.pressButton == Qt::RightButton) {
        regionState = NoRegion;
        updateRegionLabel();
        emit regionCleared();
    }
}

void ImgDisp::mReleased()
{
    if (mouseC.releaseButton != Qt::LeftButton || !withoutModifiers(mouseC.releaseModifiers))
        return;
    regionState = RegionSet;
    curData = mouseInData();
    emit newRegion(regionRect());
    updateRegionLabel();
}

void ImgDisp::setCBarGrayScale(bool f)
{
    ui.CBar->format = formatOf(f);
    ui.CBar->paintCBar();
}

void ImgDisp::setARegion()
{
    if (regionState == RegionSet)
        insertRegion(0, regionRect());
}

void ImgDisp::delARegion()
{
    const int current = ui.Regions->currentIndex();
    if (current < 0 || current >= ui.Regions->count())
        return;
    ui.Regions->removeItem(current);
    if (ui.Regions->currentIndex() >= ui.Regions->count())
        ui.Regions->setCurrentIndex(ui.Regions->count() - 1);
}

void ImgDisp::clearRegions()
{
    ui.Region->clear();
}

void ImgDisp::showPosVal(int ix, int iy, double val, bool valid)
{
    const QString value = valid ? QString::number(val, 'g', 6) : QStringLiteral("--");
    ui.Pos->setText(QStringLiteral("%1 (%2, %3)").arg(value).arg(ix).arg(iy));
}

void ImgDisp::closeEvent(QCloseEvent *e)
{
    QFrame::closeEvent(e);
    emit closing();
}

QPointF ImgDisp::mouseInData() const
{
    return QPointF(chCoord.toDataX(mouseC.pos.x()), chCoord.toDataY(mouseC.pos.y()));
}

void ImgDisp::updateRegionLabel()
{
    if (regionState == NoRegion) {
        ui.Region->clear();
        return;
    }
    const QRect r = regionRect();
    ui.Region->setText(QStringLiteral("(%1, %2)-(%3, %4)").arg(r.left()).arg(r.top()).arg(r.right()).arg(r.bottom()));
}
