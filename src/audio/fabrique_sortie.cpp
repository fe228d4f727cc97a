#include "audio/fabrique_sortie.h"

#include "audio/sortie_pulse.h"
#include "audio/sortie_sdl.h"

#include <chrono>
#include <cstdlib>

namespace vt {

std::unique_ptr<SortieAudio> creer_sortie(std::string_view choix) {
    if (choix == "sdl") return std::make_unique<SortieSDL>();
    if (choix == "pulse")
        return std::make_unique<SortiePulse>(SortiePulse::Repli::Silence, std::chrono::milliseconds(1000));
    // Tried once here; without an answer ouvrir goes straight to SDL2, or,
    // when SDL2 has no device either, waits for a server.
    auto pulse = std::make_unique<SortiePulse>();
    pulse->connecter();
    return pulse;
}

std::unique_ptr<SortieAudio> creer_sortie_par_defaut() {
    if (const char* pilote = std::getenv("SDL_AUDIODRIVER")) {
        std::string_view p(pilote);
        if (p == "dummy" || p == "disk") return std::make_unique<SortieSDL>();
    }
    const char* choix = std::getenv("VANTREL_SORTIE");
    return creer_sortie(choix ? choix : "");
}

}  // namespace vt
