#include "audio/bibliotheque_sdl.h"

#include "audio/bibliotheque_optionnelle.h"

namespace vt::audio {

const BibliothequeSDL* bibliotheque_sdl() {
    static TableBibliotheque<BibliothequeSDL> bibliotheque(
        "libSDL2-2.0.so.0", "SDL_",
        [](Resolution& r, BibliothequeSDL& table) { VT_FONCTIONS_SDL(VT_RESOUDRE_MEMBRE) });
    return bibliotheque.table();
}

}  // namespace vt::audio
