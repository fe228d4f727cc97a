// The executable's side of the engine: the player starts with the null
// engine, and demarrer_moteur opens libvantrel_moteur.so, makes the engine
// with its one exported factory and puts it in place. When the library
// cannot be opened the null engine stays: queries answer that nothing
// plays and controls are lost, as with no sound device.
//
// Opening the library costs tens of milliseconds (the decoding libraries
// and their own dependencies, over a hundred of them), and starting the
// engine one connection to the sound server: precharger_moteur does both on
// a thread of its own, so that the window stays live meanwhile, and
// demarrer_moteur then only takes the result.
#include "audio/chargement.h"
#include "audio/lecteur_media.h"
#include "config/configuration.h"

#include <dlfcn.h>
#include <future>
#include <mutex>
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

// A started engine from the library; null without the library.
std::unique_ptr<MoteurAudio> charger() {
    CreerMoteur f = fabrique();
    if (!f) return nullptr;
    std::unique_ptr<MoteurAudio> m(f(nullptr));
    demarrer(*m);
    return m;
}

// The one loading in the background, taken by the first demarrer_moteur
// after it. Left untaken, the process's end waits for it and closes its
// engine.
struct Prechargement {
    std::mutex verrou;
    std::future<std::unique_ptr<MoteurAudio>> resultat;
};
Prechargement& prechargement() {
    static Prechargement p;
    return p;
}

}  // namespace

bool moteur_a_la_demande() { return true; }

bool moteur_charge(const lecteur_media& lecteur) { return !dynamic_cast<const MoteurNul*>(&lecteur.moteur()); }

void precharger_moteur(std::function<void()> quand_pret) {
    Prechargement& p = prechargement();
    std::lock_guard<std::mutex> v(p.verrou);
    if (p.resultat.valid()) return;
    p.resultat = std::async(std::launch::async, [quand_pret = std::move(quand_pret)] {
        std::unique_ptr<MoteurAudio> m = charger();
        if (quand_pret) quand_pret();
        return m;
    });
}

void demarrer_moteur(lecteur_media& lecteur) {
    if (moteur_charge(lecteur)) return;
    std::unique_ptr<MoteurAudio> m;
    bool precharge = false;
    {
        Prechargement& p = prechargement();
        std::lock_guard<std::mutex> v(p.verrou);
        if (p.resultat.valid()) {
            m = p.resultat.get();
            precharge = true;
        }
    }
    // A loading that found no library would find none again.
    if (!precharge) m = charger();
    if (m) lecteur.installer(std::move(m));
}

}  // namespace vt

// Construction records nothing: the engine is loaded in the background or
// by the first play that needs it.
lecteur_media::lecteur_media(std::unique_ptr<vt::SortieAudio>) : moteur_(std::make_unique<vt::MoteurNul>()) {}
