#pragma once
// Where the audio engine comes from. The tests and benchmarks link it in.
// The player's executable keeps it in a shared library of its own
// (libvantrel_moteur.so, beside the executable), because the decoding and
// output libraries it pulls in cost tens of milliseconds to load and some
// twenty megabytes to keep: it is opened when something is to be played
// (a file named at start, a file handed over, the pointer coming over the
// window), on a thread of its own. Until then the null engine answers; the
// player (vt::Lecteur) loads it on the spot when a stream is needed first.
#include <functional>

class lecteur_media;

namespace vt {

inline constexpr const char* kBibliothequeMoteur = "libvantrel_moteur.so";
inline constexpr const char* kSymboleMoteur = "creer_moteur";

// True when the engine is opened on demand (the executable), false when it
// is linked in.
bool moteur_a_la_demande();

// True once `lecteur` holds a real engine (always when it is linked in).
bool moteur_charge(const lecteur_media& lecteur);

// Opens the library and makes and starts an engine on a thread of its own,
// then calls `quand_pret` on that thread (nothing else: the caller moves
// to its own thread from there). Once per loading: a call while one runs
// or waits to be taken changes nothing. Linked in, nothing happens and
// `quand_pret` is not called.
void precharger_moteur(std::function<void()> quand_pret = nullptr);

// Puts an engine in `lecteur` if it has none yet: the background one
// (waiting for it if it is still loading), else one loaded now. Nothing
// when the engine is linked in (lecteur_media's construction started it).
void demarrer_moteur(lecteur_media& lecteur);

}  // namespace vt
