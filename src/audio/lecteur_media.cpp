// What the linked-in and the on-demand engine share: the start with the
// start-up constants and the player object's end.
#include "audio/lecteur_media.h"

namespace vt {

bool demarrer(MoteurAudio& m) { return m.initialiser(kFrequenceMoteur, kCanauxMoteur); }

}  // namespace vt

lecteur_media::~lecteur_media() { moteur_->fermer(); }
