#include "display/profileplot.h"

#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

bool shown(const LineProfile::Result &line, int i)
{
    return line.valid[i] && std::isfinite(line.values[i]);
}

// The points of a run that fall into one pixel column. Of these only the first, the highest, the
// lowest and the last, in their order along the run, go into the polyline: the line through them
// still spans every column from its lowest to its highest value and joins its neighbours where
// the full line does, and a row of millions of pixels draws in milliseconds instead of seconds.
class ColumnExtremes
{
public:
    void add(int index, double value)
    {
        if (count++ == 0) {
            first = low = high = index;
            lowValue = highValue = value;
        } else if (value < lowValue) {
            low = index;
            lowValue = value;
        } else if (value > highValue) {
            high = index;
            highValue = value;
        }
        last = index;
    }
    // Appends the points kept, each once and in their order, and starts anew.
    template<typename Point>
    void appendTo(QPolygonF &run, Point point)
    {
        if (count == 0)
            return;
        int previous = -1;
        for (int index : {first, std::min(low, high), std::max(low, high), last}) {
            if (index != previous)
                run.append(point(index));
            previous = index;
        }
        count = 0;
    }

private:
    int count = 0;
    int first = 0;
    int low = 0;
    int high = 0;
    int last = 0;
    double lowValue = 0.0;
    double highValue = 0.0;
};

} // namespace

ProfilePlot::ProfilePlot(QWidget *parent)
    : PlotArea(parent)
{
}

void ProfilePlot::setProfile(const LineProfile::Result &profile, int mark)
{
    line = profile;
    marked = mark;
    double lo = std::numeric_limits<double>::infinity();
    double hi = -lo;
    for (int i = 0; i < line.values.size(); ++i) {
        if (shown(line, i)) {
            lo = std::min(lo, line.values[i]);
            hi = std::max(hi, line.values[i]);
        }
    }
    setRanges(0.0, std::max(line.values.size() - 1, 1), lo, hi);
}

// The pixel column a point lands in.
int ProfilePlot::columnOf(int index) const
{
    return int(std::floor(toWidgetX(index) + 0.5));
}

// The index past the last one whose point lands in the pixel column of index's. The columns rise
// with the index; the guess from the inverse mapping is only a start.
int ProfilePlot::columnEnd(int index) const
{
    const int n = line.values.size();
    const int column = columnOf(index);
    const double guess = std::ceil(toDataX(column + 0.5));
    int end = int(std::clamp(guess, double(index + 1), double(n)));
    while (end < n && columnOf(end) == column)
        ++end;
    while (end > index + 1 && columnOf(end - 1) != column)
        --end;
    return end;
}

void ProfilePlot::drawContents(QPainter &p)
{
    p.setPen(QPen(QColor(40, 80, 160), 1));
    QPolygonF run;
    ColumnExtremes column;
    const auto point = [this](int i) { return QPointF(toWidgetX(i), toWidgetY(line.values[i])); };
    auto flush = [&] {
        column.appendTo(run, point);
        if (run.size() == 1)
            p.drawPoint(run.first());
        else if (run.size() > 1)
            p.drawPolyline(run);
        run.clear();
    };
    for (int i = 0, n = line.values.size(); i < n;) {
        for (const int end = columnEnd(i); i < end; ++i) {
            if (shown(line, i))
                column.add(i, line.values[i]);
            else
                flush();
        }
        column.appendTo(run, point);
    }
    flush();
    if (marked >= 0 && marked < line.values.size()) {
        const QRectF r = plotRect();
        p.setPen(QPen(QColor(220, 60, 60), 1, Qt::DashLine));
        p.drawLine(QPointF(toWidgetX(marked), r.top()), QPointF(toWidgetX(marked), r.bottom()));
        if (shown(line, marked)) {
            p.setBrush(QColor(220, 60, 60));
            p.drawEllipse(QPointF(toWidgetX(marked), toWidgetY(line.values[marked])), 3, 3);
        }
    }
}
