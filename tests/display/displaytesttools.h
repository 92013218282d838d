#pragma once

// Small helpers shared by the display tests: rectangles by corners and real mouse events.

#include <QCoreApplication>
#include <QMouseEvent>
#include <QRect>
#include <QWheelEvent>
#include <QWidget>

inline QRect corners(int left, int top, int right, int bottom)
{
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

// Sends a mouse event at the widget position pos. A move holds `button` (none for a plain move),
// a press or double click holds it, a release holds nothing.
inline void sendMouse(QWidget *w, QEvent::Type type, QPointF pos, Qt::MouseButton button = Qt::NoButton,
                      Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
    QMouseEvent e(type, pos, pos + QPointF(w->mapToGlobal(QPoint(0, 0))),
                  type == QEvent::MouseMove ? Qt::NoButton : button, held, mods);
    QCoreApplication::sendEvent(w, &e);
}

inline void sendWheel(QWidget *w, QPointF pos, int angle)
{
    QWheelEvent e(pos, pos + QPointF(w->mapToGlobal(QPoint(0, 0))), QPoint(), QPoint(0, angle), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w, &e);
}
