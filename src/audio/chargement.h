#pragma once
// Where the audio engine comes from. The tests and benchmarks link it in.
// The player's executable keeps it in a shared library of its own
// (libvantrel_moteur.so, beside the executable) that it opens once the
// first window is painted, because the decoding and output libraries it
// pulls in cost tens of milliseconds to load. Until then the null engine
// answers; the player (vt::Lecteur) loads it on the spot when a stream is
// needed first.
class lecteur_media;

namespace vt {

inline constexpr const char* kBibliothequeMoteur = "libvantrel_moteur.so";
inline constexpr const char* kSymboleMoteur = "creer_moteur";

// True when the engine is opened on demand (the executable), false when it
// is linked in.
bool moteur_a_la_demande();

// Opens the library, makes and starts the engine and puts it in `lecteur`
// if that has not happened yet; nothing when it is linked in
// (lecteur_media's construction started it).
void demarrer_moteur(lecteur_media& lecteur);

}  // namespace vt
