// The engine linked into the program: lecteur_media's construction makes
// and starts it.
#include "audio/chargement.h"
#include "audio/lecteur_media.h"

lecteur_media::lecteur_media(std::unique_ptr<vt::SortieAudio> sortie) : moteur_(creer_moteur(sortie.release())) {
    vt::demarrer(*moteur_);
}

namespace vt {

bool moteur_a_la_demande() { return false; }
bool moteur_charge(const lecteur_media&) { return true; }
void precharger_moteur(std::function<void()>) {}
void demarrer_moteur(lecteur_media&) {}

}  // namespace vt
