#pragma once

#include <QMargins>
#include <QVector>
#include <QWidget>

class QPainter;

// A painted plot with a title, a frame, and numbered axes: the base of the analysis window's
// histogram and profile plots. Subclasses set the data ranges and draw their contents inside
// plotRect() with the mapping below; paintEvent only draws, from the state they set.
class PlotArea : public QWidget
{
    Q_OBJECT

public:
    explicit PlotArea(QWidget *parent = nullptr);

    void setTitle(const QString &title);
    QString title() const { return titleText; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The data ranges shown, x from left to right, y from bottom to top; an empty range is
    // widened so that the mapping stays finite.
    void setRanges(double x0, double x1, double y0, double y1);
    // The rectangle inside the axes, in widget pixels.
    QRectF plotRect() const;
    double toWidgetX(double x) const;
    double toWidgetY(double y) const;
    double toDataX(double wx) const;

    // A tick of the y axis: where it is, in data y, and its text.
    struct Tick
    {
        double y;
        QString text;
    };
    // The ticks of the y axis: by default at 1, 2 or 5 times a power of ten, about five across the
    // range, with their values as texts.
    virtual QVector<Tick> yTicks() const;
    // The top of the y range.
    double yTop() const { return y1; }

protected:
    void paintEvent(QPaintEvent *e) override;
    void changeEvent(QEvent *e) override;
    // Draws the data, clipped to plotRect().
    virtual void drawContents(QPainter &p) = 0;

private:
    void drawAxes(QPainter &p) const;
    // Sizes the margins around the plot to the font and to the widest text of the y axis, which
    // depends on the range and on yTicks().
    void fitMargins();

    QString titleText;
    double x0 = 0.0;
    double x1 = 1.0;
    double y0 = 0.0;
    double y1 = 1.0;
    QMargins margins;
};
