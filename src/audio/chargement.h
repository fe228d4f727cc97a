#pragma once
// Where the audio engine comes from. The tests and benchmarks link it in.
// The player's executable keeps it in a shared library of its own
// (libvantrel_moteur.so, beside the executable), because the decoding and
// output libraries it pulls in cost tens of milliseconds to load and some
// twenty megabytes to keep. Here is only how an engine is made; when it is
// (in the background, what waits for it) is the player's loading,
// player/chargement_moteur.h.
#include <memory>

namespace vt {

class MoteurAudio;

inline constexpr const char* kBibliothequeMoteur = "libvantrel_moteur.so";
inline constexpr const char* kSymboleMoteur = "creer_moteur";

// A new engine, started (see demarrer), on the default output: the
// executable opens the library beside it and calls its one factory (null
// when the library cannot be opened); linked in, it is made at once. Takes
// tens of milliseconds in the executable: not for the GUI thread, but for
// a play that cannot wait.
std::unique_ptr<MoteurAudio> ouvrir_moteur();

}  // namespace vt
