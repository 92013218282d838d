#include "drawtext.h"

#include <QFont>
#include <QPainter>
#include <QString>

#include <algorithm>
#include <cmath>

namespace {

const double ReferencePointSize = 10.0;
// The rotation keeps this value of pi so that boxes land on the same pixels as they always have.
const double Pi = 3.141592653;

} // namespace

DrawText::DrawText(QObject *parent)
    : QObject(parent)
{
}

void DrawText::normalize(QRectF &r)
{
    r = QRectF(std::min(r.x(), r.x() + r.width()), std::min(r.y(), r.y() + r.height()),
               std::abs(r.width()), std::abs(r.height()));
}

bool DrawText::applyFont(QPainter *p, const QRectF &box, const QFont &font, int flags, int fit,
                         const QString &text, double maxPointSize, QRectF &measured)
{
    if (fit != 1) {
        p->setFont(font);
        return true;
    }
    QFont fitted(font);
    fitted.setPointSizeF(ReferencePointSize);
    p->setFont(fitted);
    measured = p->boundingRect(QRectF(0, 0, 5000, 5000), flags, text);
    const double rw = measured.width() == 0 ? 1.0 : box.width() / measured.width();
    const double rh = measured.height() == 0 ? 1.0 : box.height() / measured.height();
    double size = ReferencePointSize * std::min(rw, rh);
    if (maxPointSize > 0)
        size = std::min(size, maxPointSize);
    if (!(size > 0) || !std::isfinite(size))
        return false;
    fitted.setPointSizeF(size);
    p->setFont(fitted);
    return true;
}

QRectF DrawText::drawFittedText(QPainter *p, QRectF &r, const QFont &font, int flags, int fit,
                                const QString &text, double maxPointSize)
{
    normalize(r);
    QRectF measured;
    if (applyFont(p, r, font, flags, fit, text, maxPointSize, measured))
        p->drawText(r, flags, text);
    p->setFont(font);
    return measured;
}

QRectF DrawText::drawRotatedFittedText(QPainter *p, double angle, QRectF &r, const QFont &font,
                                       int flags, int fit, const QString &text,
                                       double maxPointSize, bool fillBackground,
                                       const QBrush &background)
{
    normalize(r);
    const double t = angle * Pi / 180;
    const QRectF box(std::cos(t) * r.x() + std::sin(t) * r.y() - r.width() / 2,
                     -std::sin(t) * r.x() + std::cos(t) * r.y() - r.height() / 2,
                     r.width(), r.height());
    p->rotate(angle);
    QRectF measured;
    if (applyFont(p, box, font, flags, fit, text, maxPointSize, measured)) {
        if (fillBackground)
            p->fillRect(box, background);
        p->drawText(box, flags, text);
    }
    p->setFont(font);
    p->rotate(-angle);
    return measured;
}
