#include "display/profileplot.h"

#include <QPainter>
#include <QPolygonF>

#include <cmath>
#include <limits>

namespace {

bool shown(const LineProfile::Result &line, int i)
{
    return line.valid[i] && std::isfinite(line.values[i]);
}

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

void ProfilePlot::drawContents(QPainter &p)
{
    p.setPen(QPen(QColor(40, 80, 160), 1));
    QPolygonF run;
    auto flush = [&] {
        if (run.size() == 1)
            p.drawPoint(run.first());
        else if (run.size() > 1)
            p.drawPolyline(run);
        run.clear();
    };
    for (int i = 0; i < line.values.size(); ++i) {
        if (!shown(line, i)) {
            flush();
            continue;
        }
        run.append(QPointF(toWidgetX(i), toWidgetY(line.values[i])));
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
