#include "ui/deplacement.h"

#include "ui/ecrans.h"
#include "ui/place_ecran.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <QWindow>

namespace vt {

DeplacementFenetre::DeplacementFenetre(QWidget& fenetre, std::function<void()> sans_glissement)
    : QObject(&fenetre), fenetre_(fenetre), sans_glissement_(std::move(sans_glissement)) {
    connect(qApp, &QGuiApplication::screenRemoved, this, &DeplacementFenetre::ecran_retire);
}

void DeplacementFenetre::appui(QWidget* source, Qt::MouseButton b, int x, int y) {
    if (b != Qt::LeftButton) return;
    glissement_.emplace(source->mapToGlobal(QPoint(x, y)), fenetre_.pos());
}

void DeplacementFenetre::suivre(Qt::MouseButtons e, QPoint global) {
    // A release that never came (the button is up) ends the drag.
    if (!(e & Qt::LeftButton)) glissement_.reset();
    if (!glissement_) {
        sans_glissement_();
        return;
    }
    const bool commence = glissement_->commence();
    const std::optional<QPoint> place = glissement_->suivre(global, QApplication::startDragDistance());
    if (!place) return;
    fenetre_.move(*place);
    // Where the compositor places the windows, it takes the move over from
    // the place the pointer has now; where it refuses, the program goes on.
    QWindow* w = fenetre_.windowHandle();
    if (!commence && qui_deplace() == Mouvoir::Systeme && w && w->startSystemMove()) glissement_.reset();
}

void DeplacementFenetre::ecran_retire(QScreen* ecran) {
    if (!position_connue() || !ecran->geometry().intersects(fenetre_.frameGeometry())) return;
    // The screens are known anew once the removal is over.
    QTimer::singleShot(0, this, [this] {
        const QPoint place = place_entiere(fenetre_.pos(), fenetre_.frameGeometry().size(), zones_ecrans());
        if (place != fenetre_.pos()) fenetre_.move(place);
    });
}

}  // namespace vt
