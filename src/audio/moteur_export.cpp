// The entry point of libvantrel_moteur.so: the engine's calls as a table.
#include "audio/lecteur_media.h"
#include "audio/table_moteur.h"

#include <string>

namespace {

vt::MoteurAudio* M(void* m) { return static_cast<vt::MoteurAudio*>(m); }
const vt::MoteurAudio* M(const void* m) { return static_cast<const vt::MoteurAudio*>(m); }

const vt::TableMoteur kTable{
    vt::kVersionTableMoteur,
    []() -> void* { return new vt::MoteurAudio(nullptr); },
    [](void* m) { delete M(m); },
    [](void* m, int f, int c, unsigned d) { return M(m)->initialiser(f, c, d); },
    [](void* m, int t) { M(m)->definir_sortie(t); },
    [](void* m) { M(m)->fermer(); },
    [](void* m, const char* c, std::size_t n) { return M(m)->ouvrir_flux(std::string(c, n)); },
    [](void* m, int c, int f) { return M(m)->jouer_flux(c, f); },
    [](void* m, int f) { M(m)->arreter_flux(f); },
    [](void* m, int f) { M(m)->fermer_flux(f); },
    [](const void* m, int c) { return M(m)->en_pause(c); },
    [](void* m, int c, bool p) { M(m)->mettre_en_pause(c, p); },
    [](const void* m, int c) { return M(m)->en_lecture(c); },
    [](void* m, int c, int v) { M(m)->definir_volume(c, v); },
    [](void* m, int c, int p) { M(m)->definir_pan(c, p); },
    [](void* m, int c, bool b) { M(m)->definir_muet(c, b); },
    [](const void* m, int f) { return M(m)->temps_ms(f); },
    [](const void* m, int f) { return M(m)->longueur_ms(f); },
    [](void* m, int f, std::int64_t ms) { M(m)->aller_a_ms(f, ms); },
    [](const void* m, int f) { return M(m)->position(f); },
    [](const void* m, int f) { return M(m)->longueur(f); },
    [](const void* m) { return M(m)->initialise(); },
    [](const void* m) { return M(m)->type_sortie(); },
};

}  // namespace

extern "C" __attribute__((visibility("default"))) const vt::TableMoteur* vantrel_table_moteur() { return &kTable; }
