#include "dispa.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

DispA::DispA(QWidget *parent)
    : QFrame(parent)
{
    setFrameShape(QFrame::StyledPanel);
    setMouseTracking(true);
}

void DispA::paintEvent(QPaintEvent *)
{
    // The frame outline is deliberately not painted: the whole area belongs to the drawing.
    QPainter painter(this);
    painter.fillRect(0, 0, width(), height(), bgColor);
    chCoord.setWidgetRange(0, height(), width(), 0);
    emit drawImage1(&painter);
    emit drawImage2(&painter);
}

void DispA::mouseMoveEvent(QMouseEvent *e)
{
    // Alt freezes the recorded position, so the user can move away without losing it.
    if (mouseC.modifiers & Qt::AltModifier)
        return;
    mouseC.takeMove(e);
    update();
}

void DispA::mousePressEvent(QMouseEvent *e)
{
    mouseC.takePress(e);
    update();
}

void DispA::mouseReleaseEvent(QMouseEvent *e)
{
    mouseC.takeRelease(e);
    update();
}

void DispA::mouseDoubleClickEvent(QMouseEvent *e)
{
    mouseC.takeDoubleClick(e);
    update();
}

void DispA::wheelEvent(QWheelEvent *e)
{
    mouseC.takeWheel(e);
    update();
}
