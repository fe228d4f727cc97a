#include "audio/bibliotheque_pulse.h"

#if VANTREL_AVEC_PULSE

#include <dlfcn.h>
#include <mutex>

namespace vt::audio {

namespace {

const BibliothequePulse* charger() {
    // RTLD_NODELETE: libpulse keeps thread-local state and atexit hooks that
    // must outlive any unloading.
    void* dl = ::dlopen("libpulse.so.0", RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!dl) return nullptr;
    static BibliothequePulse table;
    bool complet = true;
#define VT_CHARGER(nom)                                                       \
    table.nom = reinterpret_cast<decltype(table.nom)>(::dlsym(dl, "pa_" #nom)); \
    complet = complet && table.nom != nullptr;
    VT_FONCTIONS_PULSE(VT_CHARGER)
#undef VT_CHARGER
    return complet ? &table : nullptr;
}

}  // namespace

const BibliothequePulse* bibliotheque_pulse() {
    // A failed loading is tried again at the next call: it may have met
    // descriptors running out, not a missing library.
    static std::mutex verrou;
    static const BibliothequePulse* table = nullptr;
    std::lock_guard<std::mutex> g(verrou);
    if (!table) table = charger();
    return table;
}

}  // namespace vt::audio

#endif
