#include "audio/bibliotheque_sdl.h"

#include <dlfcn.h>
#include <mutex>

namespace vt::audio {

namespace {

const BibliothequeSDL* charger() {
    // RTLD_NODELETE: SDL keeps thread-local state and threads of its own
    // that must outlive any unloading.
    void* dl = ::dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!dl) return nullptr;
    static BibliothequeSDL table;
    bool complet = true;
#define VT_CHARGER(nom)                                                        \
    table.nom = reinterpret_cast<decltype(table.nom)>(::dlsym(dl, "SDL_" #nom)); \
    complet = complet && table.nom != nullptr;
    VT_FONCTIONS_SDL(VT_CHARGER)
#undef VT_CHARGER
    return complet ? &table : nullptr;
}

}  // namespace

const BibliothequeSDL* bibliotheque_sdl() {
    // A failed loading is tried again at the next call: it may have met
    // descriptors running out, not a missing library.
    static std::mutex verrou;
    static const BibliothequeSDL* table = nullptr;
    std::lock_guard<std::mutex> g(verrou);
    if (!table) table = charger();
    return table;
}

}  // namespace vt::audio
