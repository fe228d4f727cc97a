#pragma once
// The calls the executable makes into libvantrel_moteur.so: plain functions
// on an opaque engine, so that nothing but this table crosses the boundary.
#include <cstddef>
#include <cstdint>

namespace vt {

struct TableMoteur {
    int version;
    void* (*creer)();
    void (*detruire)(void* m);
    bool (*initialiser)(void* m, int frequence, int canaux_max, unsigned drapeaux);
    void (*definir_sortie)(void* m, int type);
    void (*fermer)(void* m);
    int (*ouvrir_flux)(void* m, const char* chemin, std::size_t longueur);
    int (*jouer_flux)(void* m, int canal, int flux);
    void (*arreter_flux)(void* m, int flux);
    void (*fermer_flux)(void* m, int flux);
    bool (*en_pause)(const void* m, int canal);
    void (*mettre_en_pause)(void* m, int canal, bool pause);
    bool (*en_lecture)(const void* m, int canal);
    void (*definir_volume)(void* m, int canal, int v);
    void (*definir_pan)(void* m, int canal, int p);
    void (*definir_muet)(void* m, int canal, bool muet);
    std::int64_t (*temps_ms)(const void* m, int flux);
    std::int64_t (*longueur_ms)(const void* m, int flux);
    void (*aller_a_ms)(void* m, int flux, std::int64_t ms);
    std::int64_t (*position)(const void* m, int flux);
    std::int64_t (*longueur)(const void* m, int flux);
    bool (*initialise)(const void* m);
    int (*type_sortie)(const void* m);
};

inline constexpr int kVersionTableMoteur = 1;
inline constexpr const char* kSymboleTableMoteur = "vantrel_table_moteur";
inline constexpr const char* kBibliothequeMoteur = "libvantrel_moteur.so";

}  // namespace vt
