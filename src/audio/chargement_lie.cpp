// The engine linked into the program: lecteur_media's construction starts it.
#include "audio/chargement.h"

namespace vt {

bool moteur_a_la_demande() { return false; }
void demarrer_moteur(lecteur_media&) {}

}  // namespace vt
