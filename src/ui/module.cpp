#include "ui/module.h"

#include "audio/sortie_audio.h"
#include "config/configuration.h"

#include <QCoreApplication>

namespace vt {

ModuleVantrel::ModuleVantrel(Configuration& configuration, std::unique_ptr<SortieAudio> sortie)
    : configuration(configuration),
      joueur(std::make_unique<Lecteur>(liste, std::move(sortie))),
      terminer([] { QCoreApplication::quit(); }) {}

ModuleVantrel::~ModuleVantrel() {
    // The secondary windows, then the main window, whose end releases the
    // drop registration; then the player (waiting for an engine still
    // loading, then closing the engine). Nothing runs the message loop
    // meanwhile: what waited for the engine never runs.
    supprimer_fenetres();
    joueur.reset();
}

}  // namespace vt
