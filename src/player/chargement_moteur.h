#pragma once
// The audio engine's loading, in one place. The player owns one
// (Lecteur::chargement()); everything that needs the engine goes through it:
//   - the triggers (a file named at start, the pointer or a drag coming
//     over the main window) call charger(), which starts the loading on a
//     thread of its own, once, so that the windows stay live meanwhile;
//   - actions that need the engine (playing a file named at start or handed
//     over) go through quand_pret(): they run at once when the engine is up,
//     otherwise they wait, in order, and run on this thread once it is;
//   - a play that cannot wait (Lecteur::jouer) calls charger_maintenant(),
//     which takes the background loading's engine (waiting for it) or makes
//     one on the spot.
// Linked in (tests, benchmarks), the engine is up from the start and all of
// this runs at once. How an engine is made is audio/chargement.h.
#include "audio/chargement.h"

#include <QObject>

#include <functional>
#include <future>
#include <memory>
#include <vector>

class lecteur_media;

namespace vt {

// Makes a started engine (blocking); null when there is none to be had.
using SourceMoteur = std::function<std::unique_ptr<MoteurAudio>()>;

class ChargementMoteur : public QObject {
public:
    // Puts the engine made by `source` into `media` (which must outlive it).
    explicit ChargementMoteur(lecteur_media& media, SourceMoteur source = ouvrir_moteur);
    // A loading still running is waited for; what waited for it is dropped.
    ~ChargementMoteur() override;

    // The engine is up, or its loading has been tried (the null engine then
    // stays): what comes runs at once.
    bool pret() const;
    // Starts loading in the background, on a thread of its own; once it
    // is done, back on this thread, the engine is put in place and what
    // waited for it runs. Nothing when it is up or already loading.
    void charger();
    // Runs `action` once the engine is up: at once when it is ready (see
    // pret), else after the actions already waiting, and the loading starts.
    void quand_pret(std::function<void()> action);
    // Puts an engine in place now if there is none: the background one
    // (waiting for it if it is still loading), else one made now. What waits
    // for the engine still runs at the background loading's end.
    void charger_maintenant();

private:
    // Back on this thread after the background loading.
    void achever();

    lecteur_media& media_;
    SourceMoteur source_;
    std::future<std::unique_ptr<MoteurAudio>> resultat_;  // the background loading
    bool lance_ = false;                                  // the background loading has started
    bool essaye_ = false;                                 // ... and has ended (achever has run)
    std::vector<std::function<void()>> en_attente_;
};

}  // namespace vt
