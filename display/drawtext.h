#pragma once

#include <QBrush>
#include <QObject>
#include <QRectF>

class QFont;
class QPainter;
class QString;

// Draws short texts (colour bar values, peak labels) so that they fit a box. With fit == 1 the
// font is scaled to the largest point size at which the text fits r, capped at maxPointSize
// when that is above 0; any other fit draws with the font as given. r is normalised in place
// (non-negative width and height). Both calls leave font as the painter's font. A box with no
// room (fitted size not above 0) draws nothing.
// The result is the text's bounding rectangle at 10 points when fitting, else an empty rectangle.
class DrawText : public QObject
{
    Q_OBJECT

public:
    explicit DrawText(QObject *parent = nullptr);

    QRectF drawFittedText(QPainter *p, QRectF &r, const QFont &font, int flags, int fit,
                          const QString &text, double maxPointSize);
    // The same, rotated by angle degrees (clockwise on screen) about (r.x, r.y), which becomes
    // the centre of the r.width x r.height text box. The box is filled with background first
    // when fillBackground is set.
    QRectF drawRotatedFittedText(QPainter *p, double angle, QRectF &r, const QFont &font, int flags,
                                 int fit, const QString &text, double maxPointSize,
                                 bool fillBackground, const QBrush &background = QBrush());

private:
    // Non-negative width and height, the same area.
    static void normalize(QRectF &r);
    // Makes the font for drawing text in box the painter's font; fills measured with the text's
    // bounding rectangle at 10 points when fitting. Returns false when nothing fits.
    static bool applyFont(QPainter *p, const QRectF &box, const QFont &font, int flags, int fit,
                          const QString &text, double maxPointSize, QRectF &measured);
};
