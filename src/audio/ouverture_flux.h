#pragma once
// Opening a file off the caller's thread. Probing a file is the one part of
// the engine that a file controls: a damaged or crafted header may keep a
// decoder busy for a long time without reading anything (FFmpeg parsing a
// FLAC of a hundred thousand comments spends over a minute inside its
// dictionary, where its interruption is never asked). So opens run on an
// opening thread, which waits for the next one once an open is done, and
// the caller (the GUI thread) waits for each at most kDelai: an open not
// done by then is given up, and the caller is told the file does not play,
// as for any unplayable file. Its thread ends with it, and the next open
// starts another.
//
// An open given up runs on to its end, alone: it raises its stream's stop
// signal (FFmpeg then gives up at its next read), and whatever it opened is
// closed on its own thread, never handed to the caller. At most
// kAbandonneesMax such opens run at once; beyond them, every open is
// refused at once, until one of them ends (they may each hold a core).
//
// Threads: ouvrir and the destruction run on the caller's thread; the
// opens on a thread "vt-ouverture". An open shares with its thread only its
// task (Tache, held by both, with the path) and the decoder table, which
// has static storage. It never touches the engine. Its code lies in the
// engine's library and in the FFmpeg module, which are never unloaded once
// opened (RTLD_NODELETE), so a thread left running when the engine is
// destroyed still runs mapped code on memory it owns.
#include "audio/decodeurs.h"
#include "audio/flux_audio.h"

#include <chrono>
#include <memory>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace vt::audio {

class OuverturesFlux {
public:
    // How long the caller waits for an open. Local files open in a few
    // milliseconds with mpg123 and libsndfile, and FFmpeg's probe stops at
    // 150 ms of CPU time; 250 ms covers that with room for a loaded
    // machine, and is as long as a window may stay still before the user
    // sees it hang (the media service answers well within its callers'
    // patience).
    static constexpr std::chrono::milliseconds kDelai{250};
    // Opens given up that may run at once.
    static constexpr std::size_t kAbandonneesMax = 2;
    // How long the destruction waits for the opens given up, once their
    // stop signal is raised; those still running then are left to end
    // alone (see above): closing the engine never waits for a file.
    static constexpr std::chrono::milliseconds kDelaiFermeture{250};

    // `table` has static storage (an open given up may read it after this
    // object is gone).
    OuverturesFlux(std::span<const EntreeDecodeur> table, ChoixDecodeurs choix);
    ~OuverturesFlux();
    OuverturesFlux(const OuverturesFlux&) = delete;
    OuverturesFlux& operator=(const OuverturesFlux&) = delete;

    // FluxAudio::ouvrir, probed on another thread and waited for at most
    // kDelai: the stream, its worker started, or nullptr when nothing plays
    // the file, when the open was given up, or when too many opens given up
    // still run. `memoire` is taken, and handed back when the file was
    // found unplayable in time.
    std::shared_ptr<FluxAudio> ouvrir(const std::string& chemin, int frequence, FluxAudio::Memoire& memoire);

    // The opens given up that still run.
    std::size_t abandonnees();

private:
    struct Tache;
    struct Poste;
    struct EnCours {
        std::shared_ptr<Tache> tache;
        std::thread fil;
    };
    // Joins the threads of the opens given up that have ended.
    void recolter();

    std::span<const EntreeDecodeur> table_;
    ChoixDecodeurs choix_;
    std::vector<EnCours> abandonnees_;
    // The opening thread that waits for the next open (none before the
    // first, nor after one is given up).
    std::shared_ptr<Poste> poste_;
    std::thread fil_;
};

}  // namespace vt::audio
