#include "ui/glisser_ligne.h"

#include "playlist/liste_courante.h"
#include "ui/gestes.h"

#include <QApplication>
#include <QListView>
#include <QMouseEvent>

#include <algorithm>
#include <utility>

namespace vt {

GlisserLigne::GlisserLigne(QListView& vue, ListeCourante& liste)
    : QObject(&vue), vue_(vue), zone_(vue.viewport()), liste_(liste) {
    zone_->installEventFilter(this);
}

bool GlisserLigne::eventFilter(QObject* objet, QEvent* e) {
    // The type first: the viewport sends other events while the view that
    // holds it is being destroyed, when the view can no longer be asked.
    const auto type = e->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
        return false;
    QWidget* zone = zone_;
    if (objet != zone) return false;
    const auto* s = static_cast<QMouseEvent*>(e);
    const QPoint p = s->position().toPoint();
    if (type == QEvent::MouseButtonPress) {
        // The press selects the row as ever; a drag then carries its entry.
        en_route_ = false;
        ligne_glissee_ = QPersistentModelIndex();
        if (s->button() == Qt::LeftButton && s->modifiers() == Qt::NoModifier) {
            ligne_glissee_ = vue_.indexAt(p);
            appui_ = p;
        }
        return false;
    }
    if (type == QEvent::MouseButtonRelease) {
        if (s->button() != Qt::LeftButton) return false;
        // The end of a drag is not a click: the list would select the row
        // now under the pointer (pressed on a row already selected, it
        // selects on release), and the carried entry must stay selected.
        const bool glissee = std::exchange(en_route_, false);
        if (glissee) zone->unsetCursor();
        ligne_glissee_ = QPersistentModelIndex();
        return glissee;
    }
    if (!ligne_glissee_.isValid() || !(s->buttons() & Qt::LeftButton)) return false;
    // While the button is held on an entry, the pointer does not select the
    // rows it crosses: the entry goes with it once it has gone far enough.
    if (!en_route_) {
        if ((p - appui_).manhattanLength() < QApplication::startDragDistance()) return true;
        en_route_ = true;
        zone->setCursor(Qt::ClosedHandCursor);
    }
    const int y = std::clamp(p.y(), 0, std::max(zone->height() - 1, 0));
    const int cote = p.y() < 0 ? -1 : (p.y() >= zone->height() ? 1 : 0);
    const int vers = ligne_visee(vue_.indexAt(QPoint(1, y)).row(), cote, liste_.nombre());
    const int de = ligne_glissee_.row();
    if (vers >= 0 && vers != de) {
        liste_.deplacer_ligne(de, vers);
        vue_.scrollTo(liste_.index(vers, 0));
    }
    return true;
}

}  // namespace vt
