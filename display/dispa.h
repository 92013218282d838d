#pragma once

#include "display/chcoord.h"
#include "display/mousec.h"

#include <QColor>
#include <QFrame>

class QPainter;

// The painted surface on which data are drawn: it fills itself with its background colour,
// keeps chCoord's widget range equal to its own size (reset at every paint) and leaves the
// drawing to whoever is connected to drawImage1 and drawImage2, emitted in that order with a
// painter active on the area. Mouse and wheel events are recorded in mouseC, which relays them.
// Once an event with Alt held has been recorded, mouse moves are ignored until a press, release
// or double click without Alt is recorded.
class DispA : public QFrame
{
    Q_OBJECT

public:
    explicit DispA(QWidget *parent = nullptr);

    ChCoord chCoord;
    MouseC mouseC;
    QColor bgColor = QColor(255, 255, 255);

signals:
    void drawImage1(QPainter *p);
    void drawImage2(QPainter *p);

protected slots:
    void paintEvent(QPaintEvent *p) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void wheelEvent(QWheelEvent *e) override;
};
