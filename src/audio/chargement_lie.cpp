// The engine linked into the program: lecteur_media's construction makes
// and starts it.
#include "audio/chargement.h"
#include "audio/lecteur_media.h"

lecteur_media::lecteur_media(std::unique_ptr<vt::SortieAudio> sortie, vt::audio::ChoixDecodeurs decodeurs)
    : moteur_(vt::creer_moteur_decodeurs(std::move(sortie), decodeurs)) {
    vt::demarrer(*moteur_);
}

namespace vt {

std::unique_ptr<MoteurAudio> ouvrir_moteur() {
    std::unique_ptr<MoteurAudio> m(creer_moteur(nullptr));
    demarrer(*m);
    return m;
}

}  // namespace vt
