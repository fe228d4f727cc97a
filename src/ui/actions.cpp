#include "ui/actions.h"

#include "player/porte_lecteur.h"
#include "playlist/liste_courante.h"
#include "ui/entrees_fichiers.h"

namespace vt {

Actions::Actions(PorteLecteur& porte, ListeCourante& liste, std::function<void()> quitter_)
    : jouer(new QAction(QStringLiteral("=> Play"), this)),
      pause(new QAction(QStringLiteral("|| Pause"), this)),
      arreter(new QAction(QStringLiteral("# Stop"), this)),
      suivant(new QAction(QStringLiteral(">> Next"), this)),
      precedent(new QAction(QStringLiteral("<< Back"), this)),
      quitter(new QAction(QStringLiteral("Quitter"), this)),
      pause_ou_lecture(new QAction(this)),
      ajouter(new QAction(this)),
      supprimer(new QAction(this)) {
    connect(jouer, &QAction::triggered, this, [&porte] { porte.jouer(); });
    connect(pause, &QAction::triggered, this, [&porte] { porte.pause(); });
    connect(arreter, &QAction::triggered, this, [&porte] { porte.arreter(); });
    connect(suivant, &QAction::triggered, this, [&porte] { porte.suivant(); });
    connect(precedent, &QAction::triggered, this, [&porte] { porte.precedent(); });
    connect(quitter, &QAction::triggered, this, [q = std::move(quitter_)] { q(); });
    connect(pause_ou_lecture, &QAction::triggered, this, [&porte] {
        // A paused channel still reports playing.
        if (porte.en_lecture() && !porte.en_pause())
            porte.pause();
        else
            porte.jouer();
    });
    connect(ajouter, &QAction::triggered, this, [&liste] { vt::ajouter_depuis_dialogue(liste); });
    connect(supprimer, &QAction::triggered, this, [&porte, &liste] { liste.supprimer(porte.courant()); });
}

}  // namespace vt
