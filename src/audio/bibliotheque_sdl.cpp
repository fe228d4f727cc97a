#include "audio/bibliotheque_sdl.h"

#include "audio/bibliotheque_optionnelle.h"

namespace vt::audio {

namespace {

bool remplir(void* dl, BibliothequeSDL& table) {
    bool complet = true;
#define VT_CHARGER(nom) complet = resoudre(dl, "SDL_" #nom, table.nom) && complet;
    VT_FONCTIONS_SDL(VT_CHARGER)
#undef VT_CHARGER
    return complet;
}

}  // namespace

const BibliothequeSDL* bibliotheque_sdl() {
    static TableBibliotheque<BibliothequeSDL> bibliotheque("libSDL2-2.0.so.0", remplir);
    return bibliotheque.table();
}

}  // namespace vt::audio
