#include "audio/bibliotheque_pulse.h"

#if VANTREL_AVEC_PULSE

#include "audio/bibliotheque_optionnelle.h"

namespace vt::audio {

namespace {

bool remplir(void* dl, BibliothequePulse& table) {
    bool complet = true;
#define VT_CHARGER(nom) complet = resoudre(dl, "pa_" #nom, table.nom) && complet;
    VT_FONCTIONS_PULSE(VT_CHARGER)
#undef VT_CHARGER
    return complet;
}

}  // namespace

const BibliothequePulse* bibliotheque_pulse() {
    static TableBibliotheque<BibliothequePulse> bibliotheque("libpulse.so.0", remplir);
    return bibliotheque.table();
}

}  // namespace vt::audio

#endif
