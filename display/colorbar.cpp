#include "colorbar.h"

#include <QFont>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

const int PictureWidth = 20;
const int PictureHeight = 600;
const double LabelLength = 95;
const double LabelMaxPointSize = 10;

} // namespace

ColorBar::ColorBar(QWidget *parent)
    : DispA(parent)
    , barPicture(PictureWidth, PictureHeight)
{
    paintCBar();
    connect(&mouseC, &MouseC::mMoved, this, &ColorBar::onMouseMoved);
    connect(&mouseC, &MouseC::mPressed, this, &ColorBar::onMousePressed);
    connect(&mouseC, &MouseC::mReleased, this, &ColorBar::onMouseReleased);
    connect(this, &DispA::drawImage1, this, &ColorBar::draw1);
    update();
}

QColor ColorBar::colorOfH(int h)
{
    double t = double(h) / height();
    // An empty widget (0 / 0) counts as the bottom of the bar.
    t = std::isnan(t) ? 0.0 : std::clamp(t, 0.0, 1.0);
    return colorOf(t);
}

void ColorBar::paintCBar()
{
    drawPicture();
    emit cBarUpdated();
    update();
}

void ColorBar::resizeEvent(QResizeEvent *e)
{
    DispA::resizeEvent(e);
    drawPicture();
}

void ColorBar::drawPicture()
{
    // The scale row by row, filled in an image and drawn at once: drawing a line per row took over
    // a millisecond of every drag step.
    const int wh = height();
    QImage scale(PictureWidth, PictureHeight, QImage::Format_RGB32);
    for (int r = PictureHeight - 1; r >= 0; --r) {
        const QRgb colour = colorOfH(int(double(PictureHeight - 1 - r) * wh / PictureHeight)).rgb();
        std::fill_n(reinterpret_cast<QRgb *>(scale.scanLine(r)), PictureWidth, colour);
    }
    QPainter p(&barPicture);
    p.drawImage(0, 0, scale);

    p.setPen(QColor(0, 192, 255));
    for (double mark : {upperMark, lowerMark}) {
        // Marks dragged off the bar have no line.
        const double row = std::trunc((1 - mark) * PictureHeight);
        if (row >= 0 && row < PictureHeight)
            p.drawLine(0, int(row), PictureWidth - 1, int(row));
    }

    p.setPen(QColor(0, 255, 192));
    drawLabel(p, 50, Qt::AlignLeft | Qt::AlignVCenter, scaleMax);
    drawLabel(p, PictureHeight - 50, Qt::AlignRight | Qt::AlignVCenter, scaleMin);
    if (dragging) {
        const double f = dragLower ? lowerMark : upperMark;
        drawLabel(p, PictureHeight / 2, Qt::AlignRight | Qt::AlignVCenter,
                  scaleMin + f * (scaleMax - scaleMin));
    }
}

void ColorBar::drawLabel(QPainter &p, int y, int flags, double value)
{
    QRectF box(PictureWidth / 2, y, LabelLength, PictureWidth);
    drawText.drawRotatedFittedText(&p, 90, box, QFont(), flags, 1, QString::number(value, 'g', 6),
                                   LabelMaxPointSize, false, QBrush());
}

void ColorBar::draw1(QPainter *p)
{
    p->drawPixmap(QRect(0, 0, width(), height()), barPicture);
}

double ColorBar::mouseFraction() const
{
    const double wh = height();
    return (wh - mouseC.pos.y()) / wh;
}

void ColorBar::onMousePressed()
{
    const double f = mouseFraction();
    const double toUpper = std::abs(f - upperMark);
    const double toLower = std::abs(f - lowerMark);
    if (toUpper < toLower) {
        dragLower = false;
        dragging = true;
    } else if (toLower < toUpper) {
        dragLower = true;
        dragging = true;
    }
    paintCBar();
}

void ColorBar::onMouseMoved()
{
    if (!mouseC.pressed)
        return;
    // Holders render their data once per step, on cBarUpdating() alone.
    if (dragging) {
        (dragLower ? lowerMark : upperMark) = mouseFraction();
        drawPicture();
    }
    update();
    emit cBarUpdating();
}

void ColorBar::onMouseReleased()
{
    // Redrawn without the dragged mark's value label.
    dragging = false;
    paintCBar();
}
