// The main window's keys, wheel and row drag: each a second way to an
// operation the window already has. Ctrl+O opens the "+" button's dialog;
// on the play list Delete is the "−" button, Space pauses or plays and
// Return starts the selected entry (the shared actions); the wheel over the
// volume and balance bars moves their cursors; a row dragged along the list
// takes its entry there, as the move buttons do.
#include "playlist/liste_courante.h"
#include "ui/actions.h"
#include "ui/gestes.h"
#include "ui/module.h"
#include "ui/tform1.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QShortcut>
#include <QWheelEvent>

#include <algorithm>
#include <utility>

void TForm1::brancher_gestes() {
    auto* ouvrir = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_O), this);
    ouvrir->setContext(Qt::WindowShortcut);
    ouvrir->setAutoRepeat(false);
    connect(ouvrir, &QShortcut::activated, m_.actions->ajouter, &QAction::trigger);
}

bool TForm1::touche_liste(const QKeyEvent* k) {
    switch (vt::touche_liste(k->key(), k->modifiers(), k->isAutoRepeat())) {
        case vt::ToucheListe::Aucune:
            return false;
        case vt::ToucheListe::Ignorer:
            return true;
        case vt::ToucheListe::Lancer:
            if (index_courant() >= 0) list_lectureDblClick();
            return true;
        case vt::ToucheListe::PauseLecture:
            m_.actions->pause_ou_lecture->trigger();
            return true;
        case vt::ToucheListe::Supprimer:
            m_.actions->supprimer->trigger();
            return true;
    }
    return false;
}

void TForm1::wheelEvent(QWheelEvent* e) {
    // Wheel events that no element took come here, in the window's
    // coordinates. The position bar takes none: a stray wheel never seeks.
    const QPoint p = e->position().toPoint();
    vt::GlissiereSkin* g = volume_->zone().contains(p) ? volume_ : balance_->zone().contains(p) ? balance_ : nullptr;
    if (!g) {
        e->ignore();
        return;
    }
    e->accept();
    const int delta = e->angleDelta().y() != 0 ? e->angleDelta().y() : -e->angleDelta().x();
    g->molette(e->inverted() ? -delta : delta);
}

bool TForm1::glisser_ligne(QEvent* e) {
    const auto type = e->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
        return false;
    const auto* s = static_cast<QMouseEvent*>(e);
    const QPoint p = s->position().toPoint();
    QWidget* vue = list_lecture->viewport();
    if (type == QEvent::MouseButtonPress) {
        // The press selects the row as ever; a drag then carries its entry.
        ligne_en_route_ = false;
        ligne_glissee_ = QPersistentModelIndex();
        if (s->button() == Qt::LeftButton && s->modifiers() == Qt::NoModifier) {
            ligne_glissee_ = list_lecture->indexAt(p);
            appui_ligne_ = p;
        }
        return false;
    }
    if (type == QEvent::MouseButtonRelease) {
        if (s->button() != Qt::LeftButton) return false;
        // The end of a drag is not a click: the list would select the row
        // now under the pointer (pressed on a row already selected, it
        // selects on release), and the carried entry must stay selected.
        const bool glissee = std::exchange(ligne_en_route_, false);
        if (glissee) vue->unsetCursor();
        ligne_glissee_ = QPersistentModelIndex();
        return glissee;
    }
    if (!ligne_glissee_.isValid() || !(s->buttons() & Qt::LeftButton)) return false;
    // While the button is held on an entry, the pointer does not select the
    // rows it crosses: the entry goes with it once it has gone far enough.
    if (!ligne_en_route_) {
        if ((p - appui_ligne_).manhattanLength() < QApplication::startDragDistance()) return true;
        ligne_en_route_ = true;
        vue->setCursor(Qt::ClosedHandCursor);
    }
    const int y = std::clamp(p.y(), 0, std::max(vue->height() - 1, 0));
    const int cote = p.y() < 0 ? -1 : (p.y() >= vue->height() ? 1 : 0);
    const int vers = vt::ligne_visee(list_lecture->indexAt(QPoint(1, y)).row(), cote, m_.liste.nombre());
    const int de = ligne_glissee_.row();
    if (vers >= 0 && vers != de) {
        m_.liste.deplacer_ligne(de, vers);
        list_lecture->scrollTo(m_.liste.index(vers, 0));
    }
    return true;
}
