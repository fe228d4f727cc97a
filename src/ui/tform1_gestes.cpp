// The main window's keys and wheel: each a second way to an operation the
// window already has. Ctrl+O opens the "+" button's dialog; on the play list
// Delete is the "−" button, Space pauses or plays (but goes on with a name
// being typed) and Return starts the selected entry (the shared actions);
// the wheel moves the level cursors.
#include "ui/actions.h"
#include "ui/curseurs_lecteur.h"
#include "ui/gestes.h"
#include "ui/tform1.h"
#include "ui/vue_courant.h"

#include <QKeyEvent>
#include <QShortcut>
#include <QWheelEvent>

void TForm1::brancher_gestes() {
    auto* ouvrir = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_O), this);
    ouvrir->setContext(Qt::WindowShortcut);
    ouvrir->setAutoRepeat(false);
    connect(ouvrir, &QShortcut::activated, services_.actions.ajouter, &QAction::trigger);
}

bool TForm1::touche_liste(const QKeyEvent* k) {
    const auto* vue = qobject_cast<const vt::VueListe*>(list_lecture);
    switch (vt::touche_liste(k->key(), k->modifiers(), k->isAutoRepeat(), vue && vue->saisie_en_cours())) {
        case vt::ToucheListe::Aucune:
            return false;
        case vt::ToucheListe::Ignorer:
            return true;
        case vt::ToucheListe::Lancer:
            if (index_courant() >= 0) list_lectureDblClick();
            return true;
        case vt::ToucheListe::PauseLecture:
            services_.actions.pause_ou_lecture->trigger();
            return true;
        case vt::ToucheListe::Supprimer:
            services_.actions.supprimer->trigger();
            return true;
        case vt::ToucheListe::Tapee:
            list_lecture->keyboardSearch(k->text());
            return true;
    }
    return false;
}

void TForm1::wheelEvent(QWheelEvent* e) {
    // Wheel events that no element took come here, in the window's
    // coordinates. The position bar takes none: a stray wheel never seeks.
    const int delta = e->angleDelta().y() != 0 ? e->angleDelta().y() : -e->angleDelta().x();
    e->setAccepted(curseurs_->molette(e->position().toPoint(), e->inverted() ? -delta : delta));
}
