#pragma once

#include <QObject>
#include <QPoint>

class QMouseEvent;
class QWheelEvent;

// The mouse state of one painted area: positions, buttons and keyboard modifiers of the last
// move, press, release and double click. The area's event handlers feed it through the take...
// operations; each updates the fields first and then relays the event as a signal.
// Positions are widget pixels rounded to the nearest integer, halves upwards (2.5 -> 3, -2.5 -> -2).
class MouseC : public QObject
{
    Q_OBJECT

public:
    explicit MouseC(QObject *parent = nullptr);

    void takeMove(QMouseEvent *e);
    void takePress(QMouseEvent *e);
    void takeRelease(QMouseEvent *e);
    // Records dClickPos, button and modifiers only: pos and prevPos keep the last move.
    void takeDoubleClick(QMouseEvent *e);
    // Adds the event's vertical angle delta to what is left of earlier ones in the same direction
    // and emits wMoved with the whole notches (120 eighths of a degree each) this completes, if any.
    void takeWheel(QWheelEvent *e);

    QPoint prevPos;
    QPoint pos;
    QPoint pressPos;
    QPoint releasePos;
    QPoint dClickPos;
    bool pressed = false;
    Qt::MouseButton button = Qt::NoButton;
    Qt::MouseButton pressButton = Qt::NoButton;
    Qt::MouseButton releaseButton = Qt::NoButton;
    Qt::MouseButton dClickButton = Qt::NoButton;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
    Qt::KeyboardModifiers pressModifiers = Qt::NoModifier;
    Qt::KeyboardModifiers releaseModifiers = Qt::NoModifier;
    Qt::KeyboardModifiers dClickModifiers = Qt::NoModifier;
    // Angle delta turned so far that does not yet make a whole notch.
    int wheelRest = 0;

signals:
    void mMoved();
    void mPressed();
    void mReleased();
    void mDClicked();
    void wMoved(int step);

private:
    static const int WheelNotch = 120;
    // Moves, presses and releases all shift pos into prevPos.
    QPoint moveTo(QMouseEvent *e);
};
