#include "display/plotarea.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>

#include <cmath>

namespace {

// The margins around the plot are at least these, and wider where the texts need it.
const int MinLeftMargin = 56;
const int RightMargin = 10;
const int MinTopMargin = 18;
const int MinBottomMargin = 20;
const int TickLength = 4;
// Between a tick's text and its tick, or the widget's edge.
const int TextGap = 2;

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
    // Counted, not stepped: far from 0 a step can be below the spacing of the doubles.
    const double first = std::ceil(a / step);
    for (int i = 0; i <= 12; ++i) {
        const double t = (first + i) * step;
        if (t > b + step * 1e-9)
            break;
        if (result.isEmpty() || t > result.last())
            result.append(std::abs(t) < step * 1e-9 ? 0.0 : t);
    }
    return result;
}

// Half the distance from a to b, finite for any two finite doubles: ranges may span the doubles.
double halfSpan(double a, double b)
{
    return b * 0.5 - a * 0.5;
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
    fitMargins();
}

void PlotArea::setTitle(const QString &t)
{
    titleText = t;
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
    fitMargins();
    update();
}

void PlotArea::fitMargins()
{
    const QFontMetrics fm(font());
    int widest = 0;
    for (const Tick &t : yTicks())
        widest = qMax(widest, fm.horizontalAdvance(t.text));
    margins = QMargins(qMax(MinLeftMargin, TextGap + widest + TextGap + TickLength),
                       qMax(MinTopMargin, fm.height() + TextGap), RightMargin,
                       qMax(MinBottomMargin, TickLength + fm.height()));
}

void PlotArea::changeEvent(QEvent *e)
{
    if (e->type() == QEvent::FontChange)
        fitMargins();
    QWidget::changeEvent(e);
}

QRectF PlotArea::plotRect() const
{
    return QRectF(margins.left(), margins.top(), qMax(1, width() - margins.left() - margins.right()),
                  qMax(1, height() - margins.top() - margins.bottom()));
}

double PlotArea::toWidgetX(double x) const
{
    const QRectF r = plotRect();
    return r.left() + halfSpan(x0, x) / halfSpan(x0, x1) * r.width();
}

double PlotArea::toWidgetY(double y) const
{
    const QRectF r = plotRect();
    return r.bottom() - halfSpan(y0, y) / halfSpan(y0, y1) * r.height();
}

double PlotArea::toDataX(double wx) const
{
    const QRectF r = plotRect();
    return 2.0 * (x0 * 0.5 + (wx - r.left()) / r.width() * halfSpan(x0, x1));
}

QVector<PlotArea::Tick> PlotArea::yTicks() const
{
    QVector<Tick> result;
    for (double t : ticks(y0, y1))
        result.append({t, number(t)});
    return result;
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
    p.drawText(QRectF(r.left(), 0, r.width(), margins.top()), Qt::AlignLeft | Qt::AlignVCenter, titleText);
    const QFontMetrics fm(p.font());
    for (double t : ticks(x0, x1)) {
        const double wx = toWidgetX(t);
        p.drawLine(QPointF(wx, r.bottom()), QPointF(wx, r.bottom() + TickLength));
        // Centred under its tick, but moved in where it would leave the widget at either end.
        const QString text = number(t);
        const int w = fm.horizontalAdvance(text);
        const double left = qBound(double(TextGap), wx - w / 2.0, double(width() - TextGap - w));
        p.drawText(QRectF(left, r.bottom() + TickLength, w, fm.height()), Qt::AlignLeft | Qt::AlignTop, text);
    }
    for (const Tick &t : yTicks()) {
        const double wy = toWidgetY(t.y);
        p.drawLine(QPointF(r.left() - TickLength, wy), QPointF(r.left(), wy));
        p.drawText(QRectF(0, wy - fm.height() / 2.0, r.left() - TickLength - TextGap, fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter, t.text);
    }
}
