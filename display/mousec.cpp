#include "mousec.h"

#include <QMouseEvent>
#include <QWheelEvent>

#include <cmath>

namespace {

// Halves round upwards on both axes, so a sub-pixel position maps the same way left and right of 0.
int roundHalfUp(qreal v)
{
    return int(std::floor(v + 0.5));
}

QPoint widgetPixel(const QMouseEvent *e)
{
    const QPointF p = e->localPos();
    return QPoint(roundHalfUp(p.x()), roundHalfUp(p.y()));
}

} // namespace

MouseC::MouseC(QObject *parent)
    : QObject(parent)
{
}

QPoint MouseC::moveTo(QMouseEvent *e)
{
    prevPos = pos;
    pos = widgetPixel(e);
    button = e->button();
    modifiers = e->modifiers();
    return pos;
}

void MouseC::takeMove(QMouseEvent *e)
{
    moveTo(e);
    emit mMoved();
}

void MouseC::takePress(QMouseEvent *e)
{
    pressPos = moveTo(e);
    pressed = true;
    pressButton = button;
    pressModifiers = modifiers;
    emit mPressed();
}

void MouseC::takeRelease(QMouseEvent *e)
{
    releasePos = moveTo(e);
    pressed = false;
    releaseButton = button;
    releaseModifiers = modifiers;
    emit mReleased();
}

void MouseC::takeDoubleClick(QMouseEvent *e)
{
    dClickPos = widgetPixel(e);
    button = dClickButton = e->button();
    modifiers = dClickModifiers = e->modifiers();
    emit mDClicked();
}

void MouseC::takeWheel(QWheelEvent *e)
{
    // angleDelta is in eighths of a degree; a standard notch is 15 degrees (120). Touchpads and
    // fine wheels send parts of a notch, which add up until a whole one is turned; turning the
    // other way starts afresh.
    const int delta = e->angleDelta().y();
    if ((delta < 0 && wheelRest > 0) || (delta > 0 && wheelRest < 0))
        wheelRest = 0;
    wheelRest += delta;
    const int step = wheelRest / WheelNotch;
    wheelRest -= step * WheelNotch;
    if (step != 0)
        emit wMoved(step);
}
