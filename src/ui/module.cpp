#include "ui/module.h"

#include "audio/chargement.h"
#include "audio/sortie_audio.h"
#include "config/configuration.h"

#include <QCoreApplication>

namespace vt {

ModuleVantrel::ModuleVantrel(std::unique_ptr<SortieAudio> sortie)
    : parseur(std::make_unique<gestion_vantrel>()),
      joueur(std::make_unique<Lecteur>(liste, std::move(sortie))),
      lecteur(&joueur->media()),
      terminer([] { QCoreApplication::quit(); }),
      retour_moteur(std::make_unique<QObject>()) {
    chemin_config.clear();
}

void ModuleVantrel::quand_moteur_pret(std::function<void()> action) {
    // Once the loading has been tried, what comes runs at once, on the
    // null engine if the library could not be opened (as with no device).
    if (moteur_charge(*lecteur) || moteur_essaye) {
        action();
        return;
    }
    en_attente_moteur.push_back(std::move(action));
    charger_moteur();
}

void ModuleVantrel::charger_moteur() {
    if (chargement_lance || moteur_charge(*lecteur)) return;
    chargement_lance = true;
    // Back on this thread once the engine is up; dropped if the module has
    // gone meanwhile (its destructor waits for the loading first).
    QObject* retour = retour_moteur.get();
    precharger_moteur([this, retour] {
        QMetaObject::invokeMethod(retour, [this] { demarrer_moteur(); }, Qt::QueuedConnection);
    });
}

void ModuleVantrel::demarrer_moteur() {
    vt::demarrer_moteur(*lecteur);
    moteur_essaye = true;
    auto actions = std::move(en_attente_moteur);
    en_attente_moteur.clear();
    for (auto& a : actions) a();
}

ModuleVantrel::~ModuleVantrel() {
    // An engine still loading in the background is waited for and put in
    // the player, so that nothing comes back from that thread later. Then
    // the secondary windows, then the main window, whose end releases the
    // drop registration; then the player (closing the audio engine) and
    // the shared parser.
    if (chargement_lance) vt::demarrer_moteur(*lecteur);
    retour_moteur.reset();
    supprimer_fenetres();
    lecteur = nullptr;
    joueur.reset();
    parseur.reset();
}

}  // namespace vt
