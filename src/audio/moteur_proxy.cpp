// The executable's side of the engine: MoteurAudio forwards every call to
// the engine in libvantrel_moteur.so, which it opens the first time the
// engine is needed (see chargement.h). Until then, and for good when the
// library cannot be opened, the player behaves as with no sound device:
// queries answer that nothing plays and controls are lost.
#include "audio/chargement.h"
#include "audio/lecteur_media.h"
#include "audio/table_moteur.h"
#include "config/configuration.h"

#include <cstdlib>
#include <dlfcn.h>

namespace vt {

struct MoteurAudio::Etat {
    const TableMoteur* table = nullptr;
    void* moteur = nullptr;
    bool demarrage_tente = false;
    bool initialise = false;
    int type_sortie = -1;

    // Opens the library and starts the engine: initialisation, then, only
    // when it succeeded, the output type.
    void demarrer() {
        if (demarrage_tente) return;
        demarrage_tente = true;
        std::string chemin = chemin_executable();
        std::size_t sep = chemin.find_last_of('/');
        chemin = (sep == std::string::npos ? std::string() : chemin.substr(0, sep + 1)) + kBibliothequeMoteur;
        void* dl = ::dlopen(chemin.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!dl) return;
        using Point = const TableMoteur* (*)();
        auto point = reinterpret_cast<Point>(::dlsym(dl, kSymboleTableMoteur));
        const TableMoteur* t = point ? point() : nullptr;
        if (!t || t->version != kVersionTableMoteur) return;
        table = t;
        moteur = table->creer();
        initialise = table->initialiser(moteur, 44100, 32, 0);
        if (initialise) {
            table->definir_sortie(moteur, 3);
            type_sortie = 3;
        }
    }
    bool pret() const { return moteur != nullptr; }
};

MoteurAudio::MoteurAudio(std::unique_ptr<SortieAudio>) : etat_(std::make_unique<Etat>()) {}

MoteurAudio::~MoteurAudio() {
    if (etat_->pret()) etat_->table->detruire(etat_->moteur);
}

bool MoteurAudio::initialiser(int, int, unsigned) {
    etat_->demarrer();
    return etat_->initialise;
}
void MoteurAudio::definir_sortie(int type) {
    etat_->demarrer();
    if (etat_->pret()) etat_->table->definir_sortie(etat_->moteur, type);
}
void MoteurAudio::fermer() {
    if (etat_->pret()) etat_->table->fermer(etat_->moteur);
}
bool MoteurAudio::initialise() const { return etat_->pret() && etat_->table->initialise(etat_->moteur); }
int MoteurAudio::type_sortie() const { return etat_->pret() ? etat_->table->type_sortie(etat_->moteur) : -1; }

int MoteurAudio::ouvrir_flux(const std::string& chemin) {
    etat_->demarrer();
    return etat_->pret() ? etat_->table->ouvrir_flux(etat_->moteur, chemin.data(), chemin.size()) : 0;
}
int MoteurAudio::jouer_flux(int canal, int flux) {
    etat_->demarrer();
    return etat_->pret() ? etat_->table->jouer_flux(etat_->moteur, canal, flux) : -1;
}
void MoteurAudio::arreter_flux(int flux) {
    if (etat_->pret()) etat_->table->arreter_flux(etat_->moteur, flux);
}
void MoteurAudio::fermer_flux(int flux) {
    if (etat_->pret()) etat_->table->fermer_flux(etat_->moteur, flux);
}
bool MoteurAudio::en_pause(int canal) const { return etat_->pret() && etat_->table->en_pause(etat_->moteur, canal); }
void MoteurAudio::mettre_en_pause(int canal, bool pause) {
    if (etat_->pret()) etat_->table->mettre_en_pause(etat_->moteur, canal, pause);
}
bool MoteurAudio::en_lecture(int canal) const { return etat_->pret() && etat_->table->en_lecture(etat_->moteur, canal); }
void MoteurAudio::definir_volume(int canal, int v) {
    if (etat_->pret()) etat_->table->definir_volume(etat_->moteur, canal, v);
}
void MoteurAudio::definir_pan(int canal, int p) {
    if (etat_->pret()) etat_->table->definir_pan(etat_->moteur, canal, p);
}
void MoteurAudio::definir_muet(int canal, bool muet) {
    if (etat_->pret()) etat_->table->definir_muet(etat_->moteur, canal, muet);
}
std::int64_t MoteurAudio::temps_ms(int flux) const { return etat_->pret() ? etat_->table->temps_ms(etat_->moteur, flux) : 0; }
std::int64_t MoteurAudio::longueur_ms(int flux) const {
    return etat_->pret() ? etat_->table->longueur_ms(etat_->moteur, flux) : 0;
}
void MoteurAudio::aller_a_ms(int flux, std::int64_t ms) {
    if (etat_->pret()) etat_->table->aller_a_ms(etat_->moteur, flux, ms);
}
std::int64_t MoteurAudio::position(int flux) const { return etat_->pret() ? etat_->table->position(etat_->moteur, flux) : 0; }
std::int64_t MoteurAudio::longueur(int flux) const { return etat_->pret() ? etat_->table->longueur(etat_->moteur, flux) : 0; }

SortieAudio& MoteurAudio::sortie() {
    // The device output lives inside the library; the program never asks
    // for it (only tests do, and they link the engine in).
    std::abort();
}

bool moteur_a_la_demande() { return true; }

void demarrer_moteur(lecteur_media& lecteur) {
    // The first call opens the library, initialises the engine and, when
    // that succeeded, requests the output type; later calls do nothing.
    (void)lecteur.moteur.initialiser(44100, 32, 0);
}

}  // namespace vt

// Construction records nothing: the engine starts after the first paint,
// or earlier if a stream is needed first.
lecteur_media::lecteur_media(std::unique_ptr<vt::SortieAudio> sortie) : moteur(std::move(sortie)) {}
lecteur_media::~lecteur_media() { moteur.fermer(); }
