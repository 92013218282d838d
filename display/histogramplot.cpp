#include "display/histogramplot.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

const QColor BarColor(120, 140, 190);
// The colour bar's own mark colour.
const QColor MarkColor(0, 192, 255);

} // namespace

HistogramPlot::HistogramPlot(QWidget *parent)
    : PlotArea(parent)
{
    updateRanges();
}

void HistogramPlot::setHistogram(const FrameStats::Histogram &histogram)
{
    hist = histogram;
    updateRanges();
}

void HistogramPlot::setLogCounts(bool log)
{
    logCounts = log;
    updateRanges();
}

void HistogramPlot::setMarks(double lower, double upper)
{
    lowerMark = lower;
    upperMark = upper;
    update();
}

double HistogramPlot::countY(qint64 count) const
{
    return logCounts ? std::log10(double(count) + 1.0) : double(count);
}

void HistogramPlot::updateRanges()
{
    const qint64 top = hist.counts.isEmpty() ? 1 : *std::max_element(hist.counts.begin(), hist.counts.end());
    setRanges(hist.min, hist.max, 0.0, countY(std::max<qint64>(top, 1)) * 1.05);
}

QVector<PlotArea::Tick> HistogramPlot::yTicks() const
{
    if (!logCounts)
        return PlotArea::yTicks();
    // Counts of 0 and of whole decades, at most about five of them, where those counts lie.
    const double decades = std::floor(yTop());
    const int step = std::max(1, int(std::ceil(decades / 5.0)));
    QVector<Tick> result{{0.0, QStringLiteral("0")}};
    // A count of 1 only when the scale spans few decades: elsewhere its text would crowd that of 0.
    for (int k = decades < 2 ? 0 : step; k <= decades; k += step) {
        const double count = std::pow(10.0, k);
        const double y = countY(qint64(count));
        if (y <= yTop())
            result.append({y, QString::number(count, 'g', 4)});
    }
    return result;
}

double HistogramPlot::markX(double value) const
{
    const QRectF r = plotRect();
    const double wx = toWidgetX(value);
    return std::isfinite(wx) ? std::clamp(wx, r.left(), r.right()) : r.left();
}

double HistogramPlot::valueAt(double wx) const
{
    const QRectF r = plotRect();
    return toDataX(std::clamp(wx, r.left(), r.right()));
}

void HistogramPlot::drawContents(QPainter &p)
{
    // Bins are equal parts of the plot's x range, whatever values they stand for.
    const QRectF r = plotRect();
    const int bins = hist.counts.size();
    const double base = toWidgetY(0.0);
    for (int k = 0; k < bins; ++k) {
        if (hist.counts[k] == 0)
            continue;
        const double left = r.left() + r.width() * k / bins;
        const double right = r.left() + r.width() * (k + 1) / bins;
        const double top = toWidgetY(countY(hist.counts[k]));
        p.fillRect(QRectF(QPointF(left, top), QPointF(std::max(right, left + 1.0), base)), BarColor);
    }
    p.setPen(QPen(MarkColor, 2));
    for (double mark : {lowerMark, upperMark})
        p.drawLine(QPointF(markX(mark), r.top()), QPointF(markX(mark), r.bottom()));
}

void HistogramPlot::mousePressEvent(QMouseEvent *e)
{
    if (hist.counts.isEmpty())
        return;
    const double toLower = std::abs(e->localPos().x() - markX(lowerMark));
    const double toUpper = std::abs(e->localPos().x() - markX(upperMark));
    if (toLower != toUpper) {
        dragging = true;
        dragLower = toLower < toUpper;
    }
}

void HistogramPlot::mouseMoveEvent(QMouseEvent *e)
{
    if (dragging && (e->buttons() & Qt::LeftButton))
        emit markDragged(dragLower, valueAt(e->localPos().x()));
}

void HistogramPlot::mouseReleaseEvent(QMouseEvent *)
{
    dragging = false;
}
