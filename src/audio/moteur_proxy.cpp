// The executable's side of the engine: the player starts with the null
// engine, and ouvrir_moteur opens libvantrel_moteur.so, makes the engine
// with its one exported factory and starts it. When the library cannot be
// opened (missing, not a regular file, damaged, or its bytes not those the
// build recorded) the null engine stays: queries answer that nothing plays
// and controls are lost, as with no sound device.
//
// Opening the library costs tens of milliseconds (the decoding libraries
// and their own dependencies), and starting the engine one connection to
// the sound server: the player's loading (player/chargement_moteur.h)
// calls ouvrir_moteur on a thread of its own, so that the window stays
// live meanwhile.
#include "audio/bibliotheque_optionnelle.h"
#include "audio/chargement.h"
#include "audio/lecteur_media.h"
#include "config/emplacements.h"

#include <dlfcn.h>
#include <string>

namespace vt {

namespace {

// The factory of the library in the app folder (beside the executable);
// null when it cannot be opened. Opening it again only counts one more
// reference; it is never unloaded (RTLD_NODELETE: an open the engine gave
// up may still run its code after the engine is gone, ouverture_flux.h).
CreerMoteur fabrique() {
    const std::string chemin = emplacements().dossier_app + kBibliothequeMoteur;
    CreerMoteur f = nullptr;
    if (void* dl = audio::ouvrir_module(chemin, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE))
        audio::resoudre(dl, kSymboleMoteur, f);
    return f;
}

}  // namespace

std::unique_ptr<MoteurAudio> ouvrir_moteur() {
    CreerMoteur f = fabrique();
    if (!f) return nullptr;
    std::unique_ptr<MoteurAudio> m(f(nullptr));
    demarrer(*m);
    return m;
}

}  // namespace vt

// Construction records nothing: the engine is loaded in the background or
// by the first play that needs it.
lecteur_media::lecteur_media(std::unique_ptr<vt::SortieAudio>, vt::audio::ChoixDecodeurs)
    : moteur_(std::make_unique<vt::MoteurNul>()) {}
