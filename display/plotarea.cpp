#include "display/plotarea.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QtNumeric>

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
    // A span near the smallest doubles has no step that can be counted.
    if (!(step > 0.0) || !std::isfinite(first))
        return result;
    for (int i = 0; i <= 12; ++i) {
        const double t = (first + i) * step;
        if (t > b + step * 1e-9)
            break;
        // The quotient may round the first tick to just below a.
        if (t < a - step * 1e-9)
            continue;
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

// The texts of ticks in increasing order: four significant digits, or as many more as it takes to
// tell neighbours apart (a narrow range far from 0).
QStringList tickTexts(const QVector<double> &ticks)
{
    QStringList texts;
    for (int digits = 4; digits <= 17; ++digits) {
        texts.clear();
        bool distinct = true;
        for (double t : ticks) {
            texts << QString::number(t, 'g', digits);
            distinct = distinct && (texts.size() == 1 || texts.last() != texts.at(texts.size() - 2));
        }
        if (distinct)
            break;
    }
    return texts;
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
    // Room for the texts around the plot, and a plot to see.
    return QSize(qMax(200, margins.left() + margins.right() + 80), qMax(100, margins.top() + margins.bottom() + 40));
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
    const QMargins fitted(qMax(MinLeftMargin, TextGap + widest + TextGap + TickLength),
                          qMax(MinTopMargin, fm.height() + TextGap), RightMargin,
                          qMax(MinBottomMargin, TickLength + fm.height()));
    if (fitted == margins)
        return;
    margins = fitted;
    // The minimum size follows the margins.
    updateGeometry();
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
    const QVector<double> at = ticks(y0, y1);
    const QStringList texts = tickTexts(at);
    QVector<Tick> result;
    for (int i = 0; i < at.size(); ++i)
        result.append({at[i], texts[i]});
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
    // A text that would overlap the one drawn before it is left out; its tick stays.
    double xTextsEnd = -qInf();
    const QVector<double> xs = ticks(x0, x1);
    const QStringList xTexts = tickTexts(xs);
    for (int i = 0; i < xs.size(); ++i) {
        const double wx = toWidgetX(xs[i]);
        p.drawLine(QPointF(wx, r.bottom()), QPointF(wx, r.bottom() + TickLength));
        // Centred under its tick, but moved in where it would leave the widget at either end.
        const int w = fm.horizontalAdvance(xTexts[i]);
        const double left = qBound(double(TextGap), wx - w / 2.0, double(width() - TextGap - w));
        if (left < xTextsEnd + TextGap)
            continue;
        p.drawText(QRectF(left, r.bottom() + TickLength, w, fm.height()), Qt::AlignLeft | Qt::AlignTop, xTexts[i]);
        xTextsEnd = left + w;
    }
    // The y ticks go upwards.
    double yTextsTop = qInf();
    for (const Tick &t : yTicks()) {
        const double wy = toWidgetY(t.y);
        p.drawLine(QPointF(r.left() - TickLength, wy), QPointF(r.left(), wy));
        const double top = wy - fm.height() / 2.0;
        if (top + fm.height() > yTextsTop)
            continue;
        p.drawText(QRectF(0, top, r.left() - TickLength - TextGap, fm.height()), Qt::AlignRight | Qt::AlignVCenter,
                   t.text);
        yTextsTop = top;
    }
}
