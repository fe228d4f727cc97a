#include "ui/actions.h"

#include "config/configuration.h"
#include "config/emplacements.h"
#include "player/porte_lecteur.h"
#include "playlist/fichiers_playlist.h"
#include "playlist/liste_courante.h"
#include "ui/dialogues.h"
#include "ui/entrees_fichiers.h"

namespace vt {

Actions::Actions(PorteLecteur& porte, ListeCourante& liste, Configuration& configuration,
                 std::function<void()> quitter_)
    : jouer(new QAction(QStringLiteral("=> Play"), this)),
      pause(new QAction(QStringLiteral("|| Pause"), this)),
      arreter(new QAction(QStringLiteral("# Stop"), this)),
      suivant(new QAction(QStringLiteral(">> Next"), this)),
      precedent(new QAction(QStringLiteral("<< Back"), this)),
      quitter(new QAction(QStringLiteral("Quitter"), this)),
      pause_ou_lecture(new QAction(this)),
      ajouter(new QAction(this)),
      supprimer(new QAction(this)),
      monter(new QAction(this)),
      descendre(new QAction(this)),
      vider(new QAction(this)),
      enregistrer(new QAction(this)) {
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
    connect(monter, &QAction::triggered, this, [&porte, &liste] { liste.monter(porte.courant()); });
    connect(descendre, &QAction::triggered, this, [&porte, &liste] { liste.descendre(porte.courant()); });
    connect(vider, &QAction::triggered, this, [&liste] { liste.vider(); });
    connect(enregistrer, &QAction::triggered, this, [this, &liste, &configuration] {
        const std::optional<std::string> dossier = configuration.dossier_playlist();
        const auto choisi = dialogues().enregistrer_fichier(dossier ? *dossier : depart_dialogues());
        if (!choisi) return;
        const EcriturePlaylist e = enregistrer_playlist_sous(liste, *choisi);
        if (!e.echec.isEmpty()) dialogues().message(QStringLiteral("erreur !"), e.echec);
        if (e) emit playlist_enregistree();
    });
}

}  // namespace vt
