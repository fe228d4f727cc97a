#pragma once
// The main window's moves that are not its skin's: a drag by its title
// strip or its background (vt::Glissement, handed to the compositor where it
// places the windows), and the way back on screen when the screen it lay on
// goes away (vt::place_entiere).
#include "ui/session.h"

#include <QObject>
#include <QWidget>

#include <functional>
#include <optional>

class QScreen;

namespace vt {

class DeplacementFenetre : public QObject {
    Q_OBJECT
public:
    // `sans_glissement` runs when the pointer moves with no drag held.
    DeplacementFenetre(QWidget& fenetre, std::function<void()> sans_glissement);

    // A press at (x, y) of `source`: the left button starts a drag.
    void appui(QWidget* source, Qt::MouseButton b, int x, int y);
    // The pointer moved, at `global` on the screen: a drag pressed there
    // moves the window once it has gone far enough.
    void suivre(Qt::MouseButtons e, QPoint global);
    void lacher() { glissement_.reset(); }

private:
    void ecran_retire(QScreen* ecran);

    QWidget& fenetre_;
    std::function<void()> sans_glissement_;
    std::optional<Glissement> glissement_;  // a press on the strip or the background, held
};

}  // namespace vt
