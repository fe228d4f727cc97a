#pragma once
// The native PulseAudio output (also PipeWire's PulseAudio service), on
// libpulse's asynchronous API with a threaded main loop, and the choice of
// the default output.
//
// Buffer: the stream asks the server for about a second of sound
// (kTamponMs) and is woken when a quarter of it has played (kRequeteMs), so
// the player writes four times a second and the server's sink, whose own
// latency is what is left (half a second), wakes about twice a second.
// Controls do not wait for that buffer: the engine hands this output the
// controls of its pilot channel (see SortieAudio). None of them cuts the
// wave where the server's device happens to be: the output asks the server
// where it plays and writes over its queue, from a little past that place
// (debut_fondu), the kept sound again with a ramp of about 6 ms
// (trames_fondu), so that each is heard within 2 kMargeFonduMs + 6 ms (more
// when the server is slow to answer):
//  - level and balance (and mute): the sound ramps to the new gains, which
//    the output applies to all it writes; the server's volume stays full,
//    so at full level the samples reach it unchanged;
//  - pause, stop, seek: the sound fades out, silence follows, and once the
//    fade has been heard the stream is corked (pause) or corked and flushed
//    (stop, seek). Meanwhile nothing new is written. A resume plays again,
//    faded in, the kept sound from the end of the fade-out.
//  - a queued file withdrawn once mixed in (revenir): what the server
//    holds from its join on is written over with silence at once, and the
//    sound that replaces it goes back over that silence, from the join;
//  - a start that follows at once (enchainer: next, back, a double click):
//    the sound fades out as for a stop, and the new sound, which the
//    engine fades in, is written right behind the fade-out, over the rest
//    of the queue: the stream is neither corked nor flushed, and no
//    silence comes between them.
//
// Time: the output counts the frames it pulled from the engine and how many
// of them have been heard, which the engine turns into track positions. The
// heard count follows the clock from the moment the stream is uncorked with
// sound in it (the server then rewinds its device and plays the stream from
// that moment), stops while it is corked, never passes what was written,
// and jumps to it when a flush drops the rest. A device that starts with our
// stream plays it later than that (by up to a second), so while the stream
// plays the server is also asked what it has played, and when the stream or
// the server is lost the count goes back to that place: the new stream goes
// on from what was heard, not from what the clock said.
//
// Writing: the output writes only sound that exists. A channel waiting for
// its decoder makes it try again 10 ms later instead of writing silence
// into the buffer; when nothing at all plays, it stops writing until the
// engine wakes it (the server then has nothing to do either). After a flush
// (a start, stop or seek) the stream gets a little silence first
// (ecrire_silence) and is uncorked only once it holds half its buffer, so
// that the server never runs dry right after the uncork: new sound written
// into such an underrun made it skip part of the track.
//
// Threads: libpulse's main loop thread runs the stream's callbacks and
// pulls from the engine (lock order: main loop lock -> mixer lock). A watch
// thread, asleep unless something breaks, recreates a stream the server
// killed and, when the server itself went away, connects again: at once,
// then every 0.5 to 1 s, and at once again whenever the engine starts,
// seeks or resumes something, without holding up the GUI's calls.
// Meanwhile the heard count stays where the sound stopped and the engine's
// controls (pause, stop, seek, a new start, level, title) are noted for the
// next stream. A new stream, after either loss, first plays again what the
// lost one held and had not played, so the track goes on from the heard
// place.
//
// No sink: a server whose only device went away (unloaded, unplugged)
// refuses our stream. The output then subscribes to the server's sink
// events and asks nothing more until a sink appears, the heard count
// standing where the sound stopped; the new stream goes on from there.
//
// No server at the start: the output opens SDL2 when allowed and SDL2 has
// a device; otherwise (no device, PulseAudio forced, descriptors running
// out) it waits for a server as after a crash, so that the track is heard
// as soon as one answers. Without a loadable libpulse, or without a thread
// to be had for libpulse's loop or for the watch, there is nothing to wait
// for: ouvrir fails and the engine cannot play.
#include "audio/sortie_sdl.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>

namespace vt {

// Streams the server killed are made again up to kMax times in a row: a
// kill that comes within kFenetre of the last one made again counts on, a
// longer gap starts the count again. Past kMax the server is given up (and
// reached again from scratch).
class CompteurRecreations {
public:
    using Instant = std::chrono::steady_clock::time_point;
    static constexpr int kMax = 3;
    static constexpr std::chrono::seconds kFenetre{5};

    // A stream was killed at `quand`: true to make it again, false to give
    // the server up.
    bool accepter(Instant quand) {
        if (quand - dernier_ > kFenetre) n_ = 0;
        if (n_ >= kMax) return false;
        ++n_;
        dernier_ = quand;
        return true;
    }
    void remettre_a_zero() { n_ = 0; }

private:
    int n_ = 0;
    Instant dernier_{};
};

// The output frame the server has read up to: `ecrites` frames written,
// up to its write index `ecriture`, and read up to `lecture`.
inline std::int64_t trame_lue(std::int64_t ecrites, std::int64_t ecriture, std::int64_t lecture) {
    return ecrites - (ecriture - lecture);
}

// The frame a stream's listener hears, in frames written since the output
// opened: `ecrites` of them have been written, up to the server's write
// index `ecriture`; the server has read up to `lecture` (both in frames of
// the server's own count, which a flush moves) and its device holds
// `latence` frames more before they are heard. Never past what was written.
inline std::int64_t trame_entendue(std::int64_t ecrites, std::int64_t ecriture, std::int64_t lecture,
                                   std::int64_t latence) {
    return std::min(ecrites, trame_lue(ecrites, ecriture, lecture) - latence);
}

// The fade of a command (pause, stop, seek, another track) and of the
// resume that follows a pause: about 6 ms at `frequence` (never under 16
// frames), short enough to be heard as immediate, long enough not to click.
std::size_t trames_fondu(int frequence);

// Multiplies `n` stereo frames, frames [de, de + n) of a level change, by
// its gains: frame i of a ramp of `total` frames from (g0, d0) toward
// (g1, d1) by g0 + (g1 - g0) (i + 1) / total on the left (the same on the
// right), frames past it by (g1, d1). A fade-out is a ramp to 0 (its last
// frame silent), a fade-in a ramp from 0 (its last frame whole).
void appliquer_rampe(float* trames, std::size_t n, std::size_t de, std::size_t total, float g0, float d0,
                     float g1, float d1);

// Where a command's fade-out starts, in frames written since the output
// opened. `ecrites` of them have been written, up to the server's write
// index `ecriture`; the server has read up to `lecture` and its device holds
// `latence` more (vt::trame_entendue); its answer is `age` frames old; the
// heard count says `entendues`. What is heard is the later of the server's
// view and the count: right after a start the server reports its device's
// latency far too long. The fade starts `marge` past what the server has
// read, so that it needs no rewind (a rewind is heard but never reaches the
// sink's monitor), unless that is over `marge` past what is heard: then
// `marge` past that, and the server rewinds. Never past `ecrites`: that
// value means nothing is left to fade.
inline std::int64_t entendue_selon_serveur(std::int64_t ecrites, std::int64_t ecriture, std::int64_t lecture,
                                           std::int64_t latence, std::int64_t age, std::int64_t entendues) {
    return std::max(trame_entendue(ecrites, ecriture, lecture, latence) + std::max<std::int64_t>(age, 0),
                    entendues);
}
inline std::int64_t debut_fondu(std::int64_t ecrites, std::int64_t ecriture, std::int64_t lecture,
                                std::int64_t latence, std::int64_t age, std::int64_t marge,
                                std::int64_t entendues) {
    const std::int64_t ici = entendue_selon_serveur(ecrites, ecriture, lecture, latence, age, entendues);
    const std::int64_t lu = trame_lue(ecrites, ecriture, lecture) + std::max<std::int64_t>(age, 0);
    return std::min(ecrites, std::max(std::min(lu, ici + marge), ici) + marge);
}

// A stream or the server lost: the output frame from which a new stream
// plays again. The server's last view carried forward to now (`vue`) when
// that is behind the heard count, but never older than the frames still kept
// (`tirees - capacite`), nor than `plancher`, the first frame of the sound
// since the output opened or was last flushed: a device latency longer than
// what the server had read puts `vue` before the stream's first byte.
inline std::int64_t entendues_apres_perte(std::int64_t entendues, std::int64_t vue, std::int64_t tirees,
                                          std::int64_t capacite, std::int64_t plancher) {
    return std::min(entendues, std::max({vue, tirees - capacite, plancher}));
}

// Starts `fil` on `corps`; false when the system has no thread to give
// (std::system_error: memory or the thread limit exhausted).
template <class F>
bool lancer_fil(std::thread& fil, F&& corps) {
    try {
        fil = std::thread(std::forward<F>(corps));
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

// No descriptor can be opened now (the process's or the system's limit).
bool descripteurs_epuises();

// The first local socket (its path) in a list of servers as libpulse
// writes them ("unix:/run/user/1000/pulse/native", "{id}unix:/path",
// "/path", "tcp:host:4713", space-separated); "" when there is none.
std::string chemin_socket_serveur(std::string_view serveurs);

// Our stream lost while the connection stays: made again (a kill, the
// server's own refusal), or, when the server has no sink for it
// (PA_ERR_NOENTITY: its only device unloaded or unplugged), left until the
// server announces one: the first time the output subscribes to its sink
// events (AttendreSink), later failures while subscribed wait (Attendre).
// A lost connection means the server went away.
enum class SuitePerteFlux { Recreer, AttendreSink, Attendre, QuitterServeur };
SuitePerteFlux suite_perte_flux(bool contexte_ok, int erreur, bool attente_sink);

class SortiePulse : public SortieAudio {
public:
    static constexpr int kTamponMs = 1000;
    static constexpr int kRequeteMs = 250;
    // How far past the place the server reads a command's fade-out starts
    // (debut_fondu): time for the server to get it before it mixes there.
    static constexpr int kMargeFonduMs = 20;
    // The default time a server has to answer before the player uses SDL2.
    static constexpr std::chrono::milliseconds kDelaiConnexion{200};

    // What happens when no server answers at the start: SDL2, or silence
    // (PulseAudio forced by the user). A server that goes away later is
    // waited for, in both cases.
    enum class Repli { SDL, Silence };

    explicit SortiePulse(Repli repli = Repli::SDL, std::chrono::milliseconds delai = kDelaiConnexion);
    ~SortiePulse() override;
    SortiePulse(const SortiePulse&) = delete;
    SortiePulse& operator=(const SortiePulse&) = delete;

    // Connects to the server (PULSE_SERVER, or the user's session) within
    // the delay, without starting one; false when none answers. ouvrir
    // connects when this was not tried; after a failed try it goes straight
    // to SDL2 or to waiting for a server.
    bool connecter();

    bool ouvrir(int frequence, SourceAudio& source) override;
    void lancer(bool marche) override;
    void fermer() override;
    std::size_t trames_par_periode() const override { return SortieSDL::kTramesParPeriode; }
    bool temps_reel() const override { return true; }

    bool controles_serveur() const override {
        Mode m = mode_.load();
        return m == Mode::Pulse || m == Mode::Attente;
    }
    void bloquer() override;
    void debloquer() override;
    std::int64_t trames_entendues() override;
    void definir_niveaux(float gauche, float droite) override;
    void suspendre(bool pause) override;
    void vider() override;
    bool enchainer() override;
    bool revenir(std::int64_t trame) override;
    void reveiller() override;
    void definir_titre(const std::string& nom) override;

    // Diagnostics and tests.
    bool sur_serveur() const { return mode_.load() == Mode::Pulse; }
    bool sur_sdl() const { return mode_.load() == Mode::SDL; }
    // Waiting for a server that went away.
    bool en_attente_serveur() const { return mode_.load() == Mode::Attente; }
    // Streams created again after the server killed ours.
    int recreations() const { return recreations_.load(); }
    // Connections made again after the server went away, or made at last
    // when none answered at the start.
    int reconnexions() const { return reconnexions_.load(); }

private:
    enum class Mode { Ferme, Pulse, SDL, Attente };
    struct Etat;

    void surveiller();                           // the watch thread
    bool recreer_flux();                         // with the switch lock held
    void quitter_serveur();                      // the same: the server went away
    void reconnecter();                          // watch thread, without it: until connected or closed
    bool attendre_serveur(SourceAudio& source);  // ouvrir with no server: wait for one (false: no thread)

    std::unique_ptr<Etat> e_;
    Repli repli_;
    std::chrono::milliseconds delai_;
    std::atomic<Mode> mode_{Mode::Ferme};
    std::atomic<int> recreations_{0};
    std::atomic<int> reconnexions_{0};
};

}  // namespace vt
