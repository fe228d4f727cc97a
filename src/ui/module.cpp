#include "ui/module.h"

#include "audio/sortie_audio.h"
#include "config/configuration.h"
#include "config/emplacements.h"
#include "ui/actions.h"

#include <QCoreApplication>

namespace vt {

ModuleVantrel::ModuleVantrel(Configuration& configuration, std::unique_ptr<SortieAudio> sortie)
    : configuration(configuration),
      lecteur(std::make_unique<Lecteur>(liste, std::move(sortie))),
      actions(std::make_unique<Actions>(*lecteur, liste, configuration, [this] { terminer(); })),
      terminer([] { QCoreApplication::quit(); }) {}

ModuleVantrel::~ModuleVantrel() {
    // The secondary windows, then the main window, whose end releases the
    // drop registration; then the player (waiting for an engine still
    // loading, then closing the engine). Nothing runs the message loop
    // meanwhile: what waited for the engine never runs.
    supprimer_fenetres();
    actions.reset();
    lecteur.reset();
}

ServicesFenetres ModuleVantrel::services_fenetres() {
    return ServicesFenetres{
        .porte = *lecteur,
        .liste = liste,
        .actions = *actions,
        .navigation = navigation,
        .configuration = configuration,
        .lire_reglages = [this] { return lire_reglages(); },
        .dossier_playlist_lu = [this] { return dossier_lu_; },
        .retenir_niveaux = [this](int volume, int balance) { retenir_niveaux(volume, balance); },
        .preparer_moteur = [this] { preparer_moteur(); },
        .enregistrer_et_quitter = [this](std::optional<Place> place) { enregistrer_et_quitter(place); },
    };
}

std::optional<ValeursConfig> ModuleVantrel::lire_reglages() {
    std::optional<ValeursConfig> valeurs = configuration.lire();
    dossier_lu_.reset();
    if (valeurs) dossier_lu_ = dossier_playlist(valeurs->rep_playlist);
    retirer_restes_au_demarrage(configuration.chemin(), dossier_lu_);
    if (valeurs) lecteur->definir_boucle(valeurs->boucle);
    return valeurs;
}

void ModuleVantrel::enregistrer_et_quitter(std::optional<Place> place) {
    configuration.ecrire_sortie(place, lecteur->boucle());
    terminer();
}

}  // namespace vt
