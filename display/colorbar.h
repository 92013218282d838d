#pragma once

#include "display/colorbar0.h"
#include "display/dispa.h"
#include "display/drawtext.h"

#include <QPixmap>

class QPainter;

// The colour scale as a vertical bar with its lower and upper marks and value labels; the user
// drags the mark nearest to a press. cBarUpdated() follows every redraw of the scale and the end
// of a drag, cBarUpdating() every drag step, each alone: holders render their data again on both.
class ColorBar : public DispA, public ColorBar0
{
    Q_OBJECT

public:
    explicit ColorBar(QWidget *parent = nullptr);

    DrawText drawText;
    QPixmap barPicture;
    bool dragging = false;
    bool dragLower = true;  // which mark a drag moves: true the lower, false the upper

signals:
    void cBarUpdated();
    void cBarUpdating();

public slots:
    // Redraws the bar picture from the current scale, then emits cBarUpdated() and repaints.
    void paintCBar();
    // Draws the bar picture stretched over the whole widget.
    void draw1(QPainter *p);
    void onMouseMoved();
    void onMousePressed();
    void onMouseReleased();
    // The colour of a valid value at widget height h above the bottom (t = h / height, clamped).
    QColor colorOfH(int h);

protected:
    // The picture's colours follow the widget's rows (colorOfH), so a new height redraws it; the
    // scale itself is unchanged, so nothing is announced.
    void resizeEvent(QResizeEvent *e) override;

private:
    // Redraws the bar picture from the current scale, with the dragged mark's value while dragging.
    void drawPicture();
    // Fraction of the bar height at the recorded mouse position, 0 at the bottom edge.
    double mouseFraction() const;
    void drawLabel(QPainter &p, int y, int flags, double value);
};
