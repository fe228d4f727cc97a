// The executable's side of the engine: the player starts with the null
// engine, and demarrer_moteur opens libvantrel_moteur.so, makes the engine
// with its one exported factory and puts it in place. When the library
// cannot be opened the null engine stays: queries answer that nothing
// plays and controls are lost, as with no sound device.
#include "audio/chargement.h"
#include "audio/lecteur_media.h"
#include "config/configuration.h"

#include <dlfcn.h>
#include <string>

namespace vt {

namespace {

// The factory of the library beside the executable; null when it cannot
// be opened. Opening it again only counts one more reference.
CreerMoteur fabrique() {
    std::string chemin = chemin_executable();
    std::size_t sep = chemin.find_last_of('/');
    chemin = (sep == std::string::npos ? std::string() : chemin.substr(0, sep + 1)) + kBibliothequeMoteur;
    void* dl = ::dlopen(chemin.c_str(), RTLD_NOW | RTLD_LOCAL);
    return dl ? reinterpret_cast<CreerMoteur>(::dlsym(dl, kSymboleMoteur)) : nullptr;
}

}  // namespace

bool moteur_a_la_demande() { return true; }

void demarrer_moteur(lecteur_media& lecteur) {
    if (!dynamic_cast<MoteurNul*>(&lecteur.moteur())) return;  // already loaded
    CreerMoteur f = fabrique();
    if (!f) return;
    std::unique_ptr<MoteurAudio> m(f(nullptr));
    demarrer(*m);
    lecteur.installer(std::move(m));
}

}  // namespace vt

// Construction records nothing: the engine is loaded after the first paint,
// or earlier if a stream is needed first.
lecteur_media::lecteur_media(std::unique_ptr<vt::SortieAudio>) : moteur_(std::make_unique<vt::MoteurNul>()) {}
