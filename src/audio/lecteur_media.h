#pragma once
// The player object: the audio engine and the two handles the windows use,
// the open stream (0 = none) and its channel (-1 = none).
//
// The engine's operations, all called from the GUI thread, all returning at
// once (only ouvrir_flux probes the file):
//   initialiser / definir_sortie / fermer      engine start and end
//   ouvrir_flux -> handle or 0                 open a file, non-looping
//   jouer_flux(-1, flux) -> channel or -1      start it on a free channel
//   arreter_flux, fermer_flux                  stop, then release
//   en_pause / mettre_en_pause                 paused query, pause or resume
//   en_lecture                                 playing query
//   definir_volume 0..255, definir_pan 0..255 (0 left, 128 centre, 255 right)
//   definir_muet
//   temps_ms, longueur_ms, aller_a_ms          elapsed, total, seek (ms)
//   position, longueur                         read position and length;
//                                              equal once the file is played out
// Operations on no stream or no channel are harmless; queries then answer
// that nothing plays.
#include "audio/sortie_audio.h"

#include <cstdint>
#include <memory>
#include <string>

namespace vt {

class MoteurAudio {
public:
    // `sortie` is the device output; nullptr chooses the default (SDL2).
    explicit MoteurAudio(std::unique_ptr<SortieAudio> sortie = nullptr);
    ~MoteurAudio();
    MoteurAudio(const MoteurAudio&) = delete;
    MoteurAudio& operator=(const MoteurAudio&) = delete;

    bool initialiser(int frequence, int canaux_max, unsigned drapeaux);
    void definir_sortie(int type);
    void fermer();
    bool initialise() const;
    // The output type last requested (-1: none). It is only recorded: the
    // device output is the one the engine was built with.
    int type_sortie() const;

    int ouvrir_flux(const std::string& chemin);
    int jouer_flux(int canal_demande, int flux);
    void arreter_flux(int flux);
    void fermer_flux(int flux);

    bool en_pause(int canal) const;
    void mettre_en_pause(int canal, bool pause);
    bool en_lecture(int canal) const;
    void definir_volume(int canal, int volume);
    void definir_pan(int canal, int pan);
    void definir_muet(int canal, bool muet);

    std::int64_t temps_ms(int flux) const;
    std::int64_t longueur_ms(int flux) const;
    void aller_a_ms(int flux, std::int64_t ms);
    // In frames of the engine's rate. The position stays below the length
    // until the last frame of the file has been rendered to the output.
    std::int64_t position(int flux) const;
    std::int64_t longueur(int flux) const;

    // Testing and diagnostics: the output in use (never null once constructed).
    SortieAudio& sortie();

private:
    struct Etat;
    std::unique_ptr<Etat> etat_;
};

}  // namespace vt

class lecteur_media {
public:
    // Initialises the engine (44100, 32, 0) and, only when that succeeds,
    // requests output type 3. A failed start is silent: the player then
    // opens nothing and plays nothing.
    explicit lecteur_media(std::unique_ptr<vt::SortieAudio> sortie = nullptr);
    // Closes the engine, releasing any open stream.
    ~lecteur_media();

    vt::MoteurAudio moteur;
    int flux = 0;
    int canal = -1;
};
