#pragma once
// Where the audio engine comes from. The tests and benchmarks link it in.
// The player's executable keeps it in a shared library of its own
// (libvantrel_moteur.so, beside the executable) that it opens once the
// first window is painted, because the decoding and output libraries it
// pulls in cost tens of milliseconds to load. The engine is still started
// (initialised, then the output type requested) before any stream is
// opened: a stream operation that comes first starts it on the spot.
class lecteur_media;

namespace vt {

// True when the engine is opened on demand (the executable), false when it
// is linked in.
bool moteur_a_la_demande();

// Opens and starts the engine now if that has not happened yet; nothing
// when it is linked in (lecteur_media's construction started it).
void demarrer_moteur(lecteur_media& lecteur);

}  // namespace vt
