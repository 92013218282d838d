#include "display/viewexport.h"

#include "data/tddata.h"
#include "display/colorbar0.h"

#include <QPainter>

#include <algorithm>

namespace {

const int Gap = 12;
const int BarWidth = 20;
const int LabelWidth = 90;
const int MinHeight = 200;
const int BarMargin = 8;

} // namespace

QImage ViewExport::image(TDData &d, const ColorBar0 &bar, bool withBar)
{
    const QImage *rendered = d.makeImg(&bar);
    if (!rendered)
        return QImage();
    if (!withBar)
        return rendered->copy();

    const int w = rendered->width();
    const int h = std::max(rendered->height(), MinHeight);
    QImage out(w + Gap + BarWidth + LabelWidth, h, QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter p(&out);
    p.drawImage(0, 0, *rendered);

    // The bar runs from the lower mark (bottom) to the upper mark (top), as the data are mapped.
    const int top = BarMargin;
    const int bottom = h - 1 - BarMargin;
    const int left = w + Gap;
    for (int y = top; y <= bottom; ++y) {
        const double f = double(bottom - y) / std::max(bottom - top, 1);
        p.setPen(bar.colorOf(bar.lowerMark + f * (bar.upperMark - bar.lowerMark)));
        p.drawLine(left, y, left + BarWidth - 1, y);
    }
    p.setPen(Qt::black);
    p.drawRect(left - 1, top - 1, BarWidth + 1, bottom - top + 2);
    const QFontMetrics fm(p.font());
    for (double f : {0.0, 0.5, 1.0}) {
        const double t = bar.lowerMark + f * (bar.upperMark - bar.lowerMark);
        const double value = d.minVal + t * (d.maxVal - d.minVal);
        const int y = bottom - int(f * (bottom - top));
        p.drawLine(left + BarWidth, y, left + BarWidth + 3, y);
        p.drawText(QRect(left + BarWidth + 6, y - fm.height() / 2, LabelWidth - 6, fm.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, QString::number(value, 'g', 6));
    }
    return out;
}
