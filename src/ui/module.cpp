#include "ui/module.h"

#include "audio/sortie_audio.h"
#include "config/configuration.h"

#include <QCoreApplication>

namespace vt {

ModuleVantrel::ModuleVantrel(std::unique_ptr<SortieAudio> sortie)
    : parseur(std::make_unique<gestion_vantrel>()),
      joueur(std::make_unique<Lecteur>(liste, std::move(sortie))),
      terminer([] { QCoreApplication::quit(); }) {
    chemin_config.clear();
}

ModuleVantrel::~ModuleVantrel() {
    // The secondary windows, then the main window, whose end releases the
    // drop registration; then the player (waiting for an engine still
    // loading, then closing the engine) and the shared parser. Nothing runs
    // the message loop meanwhile: what waited for the engine never runs.
    supprimer_fenetres();
    joueur.reset();
    parseur.reset();
}

}  // namespace vt
