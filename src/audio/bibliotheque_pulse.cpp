#include "audio/bibliotheque_pulse.h"

#if VANTREL_AVEC_PULSE

#include "audio/bibliotheque_optionnelle.h"

namespace vt::audio {

const BibliothequePulse* bibliotheque_pulse() {
    static TableBibliotheque<BibliothequePulse> bibliotheque(
        "libpulse.so.0", "pa_",
        [](Resolution& r, BibliothequePulse& table) { VT_FONCTIONS_PULSE(VT_RESOUDRE_MEMBRE) });
    return bibliotheque.table();
}

}  // namespace vt::audio

#endif
