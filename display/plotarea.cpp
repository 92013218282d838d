#include "display/plotarea.h"

#include <QFontMetrics>
#include <QPainter>

#include <cmath>

namespace {

const int LeftMargin = 56;
const int RightMargin = 10;
const int TopMargin = 18;
const int BottomMargin = 20;
const int TickLength = 4;

// Ticks at multiples of 1, 2 or 5 times a power of ten, at most about five across [a, b].
QVector<double> ticks(double a, double b)
{
    QVector<double> result;
    const double span = b - a;
    if (!(span > 0.0) || !std::isfinite(span))
        return result;
    const double raw = span / 5.0;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    double step = power;
    for (double m : {2.0, 5.0, 10.0}) {
        if (step >= raw)
            break;
        step = power * m;
    }
    for (double t = std::ceil(a / step) * step; t <= b + step * 1e-9; t += step)
        result.append(std::abs(t) < step * 1e-9 ? 0.0 : t);
    return result;
}

QString number(double v)
{
    return QString::number(v, 'g', 4);
}

} // namespace

PlotArea::PlotArea(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PlotArea::setTitle(const QString &t)
{
    title = t;
    update();
}

QSize PlotArea::sizeHint() const
{
    return QSize(420, 170);
}

QSize PlotArea::minimumSizeHint() const
{
    return QSize(200, 100);
}

void PlotArea::setRanges(double ax0, double ax1, double ay0, double ay1)
{
    auto widen = [](double &lo, double &hi) {
        if (!std::isfinite(lo) || !std::isfinite(hi)) {
            lo = 0.0;
            hi = 1.0;
        } else if (!(hi > lo)) {
            const double pad = lo == 0.0 ? 1.0 : std::abs(lo) * 0.5;
            lo -= pad;
            hi += pad;
        }
    };
    widen(ax0, ax1);
    widen(ay0, ay1);
    x0 = ax0;
    x1 = ax1;
    y0 = ay0;
    y1 = ay1;
    update();
}

QRectF PlotArea::plotRect() const
{
    return QRectF(LeftMargin, TopMargin, qMax(1, width() - LeftMargin - RightMargin),
                  qMax(1, height() - TopMargin - BottomMargin));
}

double PlotArea::toWidgetX(double x) const
{
    const QRectF r = plotRect();
    return r.left() + (x - x0) / (x1 - x0) * r.width();
}

double PlotArea::toWidgetY(double y) const
{
    const QRectF r = plotRect();
    return r.bottom() - (y - y0) / (y1 - y0) * r.height();
}

double PlotArea::toDataX(double wx) const
{
    const QRectF r = plotRect();
    return x0 + (wx - r.left()) / r.width() * (x1 - x0);
}

QString PlotArea::yTickText(double y) const
{
    return number(y);
}

void PlotArea::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    p.fillRect(plotRect(), Qt::white);
    p.save();
    p.setClipRect(plotRect());
    p.setRenderHint(QPainter::Antialiasing, false);
    drawContents(p);
    p.restore();
    drawAxes(p);
}

void PlotArea::drawAxes(QPainter &p) const
{
    const QRectF r = plotRect();
    p.setPen(palette().color(QPalette::WindowText));
    p.drawRect(r);
    p.drawText(QRectF(r.left(), 0, r.width(), TopMargin), Qt::AlignLeft | Qt::AlignVCenter, title);
    const QFontMetrics fm(p.font());
    for (double t : ticks(x0, x1)) {
        const double wx = toWidgetX(t);
        p.drawLine(QPointF(wx, r.bottom()), QPointF(wx, r.bottom() + TickLength));
        p.drawText(QRectF(wx - 40, r.bottom() + TickLength, 80, fm.height()), Qt::AlignHCenter | Qt::AlignTop,
                   number(t));
    }
    for (double t : ticks(y0, y1)) {
        const double wy = toWidgetY(t);
        p.drawLine(QPointF(r.left() - TickLength, wy), QPointF(r.left(), wy));
        p.drawText(QRectF(0, wy - fm.height() / 2.0, r.left() - TickLength - 2, fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter, yTickText(t));
    }
}
