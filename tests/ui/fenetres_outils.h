#pragma once
// Pointer helpers for the secondary windows' tests: events are sent to the
// child that lies under a point of the window, so that the painting order
// and the widgets' own mouse handling decide who gets them, as on screen.
#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

namespace vt::test {

// The widget under `p` (window coordinates): the top-most child, or the
// window itself.
inline QWidget* sous(QWidget* fenetre, QPoint p) {
    QWidget* w = fenetre->childAt(p);
    return w ? w : fenetre;
}

// The centre of `w` in its window's coordinates.
inline QPoint centre(QWidget* w) { return w->mapTo(w->window(), w->rect().center()); }

inline void evenement(QWidget* fenetre, QPoint p, QEvent::Type type, Qt::MouseButton b, Qt::MouseButtons e) {
    QWidget* w = sous(fenetre, p);
    const QPoint local = w->mapFrom(fenetre, p);
    QMouseEvent ev(type, QPointF(local), QPointF(w->mapToGlobal(local)), b, e, Qt::NoModifier);
    QApplication::sendEvent(w, &ev);
}

// The pointer moves over `p` with no button held.
inline void survoler(QWidget* fenetre, QPoint p) {
    evenement(fenetre, p, QEvent::MouseMove, Qt::NoButton, Qt::NoButton);
}

// A left click at `p`.
inline void cliquer(QWidget* fenetre, QPoint p) {
    evenement(fenetre, p, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
    evenement(fenetre, p, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton);
}

}  // namespace vt::test
