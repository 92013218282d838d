#pragma once

#include "display/plotarea.h"
#include "processing/framestats.h"

// The histogram of a dataset's valid values with the colour bar's two marks as vertical lines.
// A press picks the mark nearer to it (none at equal distances, as on the colour bar); moving
// with the button held reports every new position of that mark through markDragged. The plot
// only shows: whoever owns the colour bar moves the mark and sets it back with setMarks.
class HistogramPlot : public PlotArea
{
    Q_OBJECT

public:
    explicit HistogramPlot(QWidget *parent = nullptr);

    void setHistogram(const FrameStats::Histogram &histogram);
    // Counts on a logarithmic scale (log10 of count + 1) instead of a linear one.
    void setLogCounts(bool log);
    // The marks as data values; marks outside the histogram's range are drawn at its edges.
    void setMarks(double lower, double upper);
    // On the logarithmic scale, counts of whole decades.
    QVector<Tick> yTicks() const override;

signals:
    void markDragged(bool lower, double value);

protected:
    void drawContents(QPainter &p) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;

private:
    void updateRanges();
    double countY(qint64 count) const;
    // The widget x of a mark, kept inside the plot.
    double markX(double value) const;
    // The value at widget x, kept inside the histogram's range.
    double valueAt(double wx) const;

    FrameStats::Histogram hist;
    bool logCounts = false;
    double lowerMark = 0.0;
    double upperMark = 1.0;
    bool dragging = false;
    bool dragLower = true;
};
