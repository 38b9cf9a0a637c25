// Small helpers for the skin tests: synthetic mouse and key events without QtTest.
#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

namespace skintest {

inline void mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

inline void press(QWidget* w, QPoint at)
{
    mouse(w, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
}
/// A pointer move; drag = the left button is held.
inline void move(QWidget* w, QPoint at, bool drag = false)
{
    mouse(w, QEvent::MouseMove, at, Qt::NoButton, drag ? Qt::MouseButtons(Qt::LeftButton) : Qt::MouseButtons());
}
inline void release(QWidget* w, QPoint at)
{
    mouse(w, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
}
inline void click(QWidget* w, QPoint at)
{
    press(w, at);
    release(w, at);
}

inline void key(QWidget* w, int k)
{
    QKeyEvent e(QEvent::KeyPress, k, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

/// Delivers queued (posted) notifications.
inline void drain()
{
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
}

} // namespace skintest
