#pragma once
// A private PulseAudio daemon for tests and benchmarks, and a recorder of
// its null sink's monitor.
//
// DemonPulse starts `pulseaudio` with no configuration, one null sink
// ("nul", the default) and a native socket in a fresh temporary folder that
// is also its HOME and XDG_RUNTIME_DIR, so it never meets the user's own
// server. It runs as root too (it only warns). When it cannot start, pret()
// is false and raison() says why: the tests then skip.
//
// Client, a client of that daemon (through the engine's libpulse table),
// records the null sink's monitor as interleaved stereo float at 44.1 kHz,
// plays a reference stream whose clicks tie the server's playback clock to
// the recording (see jouer_reference), and inspects and drives the server
// (streams, sinks, the default sink). The monitor may miss the first second
// or two of a recording, never later frames, so measures look at what comes
// after. The recorder asks for long fragments: short ones would make the
// sink run at a low latency and hide how the player's own buffering behaves.
#include "audio/bibliotheque_pulse.h"
#include "support/environnement.h"
#include "support/wav.h"

#include <QTemporaryDir>

#include <fcntl.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace vt::test::pulse {

using namespace std::chrono_literals;

inline constexpr int kTaux = 44100;

using vt::test::Environnement;

class DemonPulse {
public:
    DemonPulse() {
        if (!dossier_.isValid()) {
            raison_ = "no temporary folder";
            return;
        }
        chemin_ = dossier_.path().toStdString();
        socket_ = chemin_ + "/pulse.sock";
        actif_ = socket_;
        demarrer();
    }
    ~DemonPulse() { arreter(); }
    DemonPulse(const DemonPulse&) = delete;
    DemonPulse& operator=(const DemonPulse&) = delete;

    bool pret() const { return pid_ > 0 && raison_.empty(); }
    const std::string& raison() const { return raison_; }
    // For PULSE_SERVER and pa_context_connect.
    std::string serveur() const { return "unix:" + socket_; }
    pid_t pid() const { return pid_; }

    // The daemon disappears at once, as if it crashed.
    void tuer() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    // Starts the daemon again on the same socket, as after a crash and a
    // restart (the stale socket file is the daemon's to replace).
    void redemarrer() {
        arreter();
        raison_.clear();
        actif_ = socket_;
        demarrer();
    }
    // The same on a socket beside the usual one, which `publier` then puts
    // in its place: a test's client can be set up before the players, which
    // use the usual one, find the server back.
    void redemarrer_a_cote() {
        arreter();
        raison_.clear();
        actif_ = socket_ + ".2";
        demarrer();
    }
    bool publier() {
        if (::rename(actif_.c_str(), socket_.c_str()) != 0) return false;
        actif_ = socket_;
        return true;
    }
    // The socket's path, and the one the daemon listens on now.
    const std::string& socket() const { return socket_; }
    std::string serveur_actif() const { return "unix:" + actif_; }
    void arreter() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        for (int i = 0; i < 200; ++i) {
            if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                return;
            }
            std::this_thread::sleep_for(10ms);
        }
        tuer();
    }

private:
    void demarrer() {
        std::string run = chemin_ + "/run";
        ::mkdir(run.c_str(), 0700);
        std::string protocole = "module-native-protocol-unix socket=" + actif_ + " auth-anonymous=1";
        // The sink first: once the socket answers, the sink exists.
        std::vector<std::string> args = {"pulseaudio",
                                         "-n",
                                         "--daemonize=no",
                                         "--exit-idle-time=-1",
                                         "--disallow-exit",
                                         "--use-pid-file=no",
                                         "--system=false",
                                         "--log-target=stderr",
                                         "-L",
                                         "module-null-sink sink_name=nul",
                                         "-L",
                                         protocole};
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            std::string v = *e;
            if (v.rfind("HOME=", 0) == 0 || v.rfind("XDG_", 0) == 0 || v.rfind("PULSE_", 0) == 0) continue;
            env.push_back(v);
        }
        env.push_back("HOME=" + chemin_);
        env.push_back("XDG_RUNTIME_DIR=" + run);
        env.push_back("XDG_CONFIG_HOME=" + chemin_ + "/config");
        env.push_back("XDG_STATE_HOME=" + chemin_ + "/state");
        std::vector<char*> argv, envp;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        for (auto& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        journal_ = chemin_ + "/pulseaudio.log";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, journal_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        int r = posix_spawnp(&pid_, "pulseaudio", &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (r != 0) {
            pid_ = -1;
            raison_ =
                "pulseaudio could not be started (" + std::string(std::strerror(r)) + "): is it installed?";
            return;
        }
        // Up to 10 s for the socket to accept a connection.
        auto limite = std::chrono::steady_clock::now() + 10s;
        while (std::chrono::steady_clock::now() < limite) {
            int etat = 0;
            if (::waitpid(pid_, &etat, WNOHANG) == pid_) {
                pid_ = -1;
                raison_ = "pulseaudio exited at start: " + fin_journal();
                return;
            }
            if (accepte()) return;
            std::this_thread::sleep_for(10ms);
        }
        raison_ = "pulseaudio did not open its socket within 10 s: " + fin_journal();
        tuer();
    }

    bool accepte() const {
        int s = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (s < 0) return false;
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::strncpy(a.sun_path, actif_.c_str(), sizeof a.sun_path - 1);
        bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        ::close(s);
        return ok;
    }

    std::string fin_journal() const {
        std::ifstream f(journal_);
        std::string tout((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        return tout.size() > 600 ? tout.substr(tout.size() - 600) : tout;
    }

    QTemporaryDir dossier_;
    std::string chemin_, socket_, actif_, journal_, raison_;
    pid_t pid_ = -1;
};

#if VANTREL_AVEC_PULSE

// A client of the test daemon on its own threaded main loop: the recorder,
// and a few server queries and commands.
class Client {
public:
    explicit Client(const std::string& serveur) : pa_(vt::audio::bibliotheque_pulse()) {
        if (!pa_) return;
        boucle_ = pa_->threaded_mainloop_new();
        contexte_ =
            pa_->context_new_with_proplist(pa_->threaded_mainloop_get_api(boucle_), "vantrel tests", nullptr);
        pa_->context_set_state_callback(contexte_, &signal_contexte, this);
        if (pa_->context_connect(contexte_, serveur.c_str(), PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) return;
        pa_->threaded_mainloop_start(boucle_);
        Verrou v(*this);
        for (;;) {
            pa_context_state_t s = pa_->context_get_state(contexte_);
            if (s == PA_CONTEXT_READY) {
                pret_ = true;
                break;
            }
            if (!PA_CONTEXT_IS_GOOD(s)) break;
            pa_->threaded_mainloop_wait(boucle_);
        }
    }
    ~Client() {
        if (!pa_) return;
        if (boucle_) pa_->threaded_mainloop_lock(boucle_);
        if (enregistrement_) {
            pa_->stream_set_read_callback(enregistrement_, nullptr, nullptr);
            pa_->stream_disconnect(enregistrement_);
            pa_->stream_unref(enregistrement_);
        }
        if (reference_) {
            pa_->stream_set_write_callback(reference_, nullptr, nullptr);
            pa_->stream_disconnect(reference_);
            pa_->stream_unref(reference_);
        }
        if (contexte_) {
            pa_->context_set_state_callback(contexte_, nullptr, nullptr);
            pa_->context_disconnect(contexte_);
            pa_->context_unref(contexte_);
        }
        if (boucle_) {
            pa_->threaded_mainloop_unlock(boucle_);
            pa_->threaded_mainloop_stop(boucle_);
            pa_->threaded_mainloop_free(boucle_);
        }
    }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    bool pret() const { return pret_; }

    // ---- Recording.

    // Starts recording `source`, `fragment_ms` per delivery.
    bool enregistrer(const std::string& source = "nul.monitor", int fragment_ms = 1000) {
        Verrou v(*this);
        pa_sample_spec ss{PA_SAMPLE_FLOAT32NE, kTaux, 2};
        enregistrement_ =
            pa_->stream_new_with_proplist(contexte_, "vantrel tests monitor", &ss, nullptr, nullptr);
        if (!enregistrement_) return false;
        pa_->stream_set_read_callback(enregistrement_, &lecture, this);
        pa_->stream_set_state_callback(enregistrement_, &signal_flux, this);
        pa_buffer_attr attr;
        attr.maxlength = std::uint32_t(-1);
        attr.tlength = attr.prebuf = attr.minreq = std::uint32_t(-1);
        attr.fragsize = std::uint32_t(kTaux * fragment_ms / 1000 * 8);
        auto drapeaux = pa_stream_flags_t(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE);
        if (pa_->stream_connect_record(enregistrement_, source.c_str(), &attr, drapeaux) < 0) return false;
        for (;;) {
            pa_stream_state_t s = pa_->stream_get_state(enregistrement_);
            if (s == PA_STREAM_READY) return true;
            if (!PA_STREAM_IS_GOOD(s)) return false;
            pa_->threaded_mainloop_wait(boucle_);
        }
    }
    // Recorded frames so far.
    std::int64_t trames() {
        std::lock_guard<std::mutex> g(donnees_verrou_);
        return std::int64_t(donnees_.size() / 2);
    }
    std::vector<float> donnees() {
        std::lock_guard<std::mutex> g(donnees_verrou_);
        return donnees_;
    }
    // The left side of the last frame recorded (0 before any).
    float dernier_gauche() {
        std::lock_guard<std::mutex> g(donnees_verrou_);
        return donnees_.size() < 2 ? 0.0f : donnees_[donnees_.size() - 2];
    }
    // Waits until the recording holds `trames` frames (false after `max`).
    bool attendre_trames(std::int64_t n, std::chrono::milliseconds max = 5s) {
        auto limite = std::chrono::steady_clock::now() + max;
        while (trames() < n) {
            if (std::chrono::steady_clock::now() > limite) return false;
            std::this_thread::sleep_for(5ms);
        }
        return true;
    }

    // The reference stream's latency (pa_stream_get_latency): from its
    // writing to its being heard, the sink's own latency included; -1 ms
    // while unknown.
    double latence_reference_ms() {
        Verrou v(*this);
        pa_usec_t us = 0;
        int negatif = 0;
        if (!reference_ || pa_->stream_get_latency(reference_, &us, &negatif) != 0) return -1;
        return (negatif ? -1.0 : 1.0) * double(us) / 1000.0;
    }

    // ---- The reference stream: silence with a click on the right side
    // every kPeriodeClics of its frames, click k at level 0.1 + 0.025 (k mod
    // 32), played with the same buffering as the player's stream. The
    // server's playback clock for it tells which of its frames is heard now;
    // its clicks, found in the recording, tie that clock to the recording
    // (the recording may miss its first second or two, never later frames).

    static constexpr std::int64_t kPeriodeClics = kTaux / 5;
    static constexpr int kClasses = 32;
    static float niveau_clic(std::int64_t k) { return 0.1f + 0.025f * float(k % kClasses); }

    // The reference is written in pieces of `morceau` frames (2 ms by
    // default). The null sink mixes its streams in pieces no longer than the
    // shortest block any of them queued, and its monitor hands the recorder
    // the first piece of each mixing round at once, before it is played:
    // what the server then changes by rewinding (a stream's volume, a cork,
    // a flush) is missing from the recording for as long as that piece. With
    // the reference in blocks of a quarter second, the recording showed
    // every control up to 90 ms late, and a cork followed by an uncork (a
    // flush) up to 190 ms late; with 2 ms pieces it is at most 2 ms ahead of
    // what is heard. The sink's latency and rewinds stay what the streams
    // ask for.
    static constexpr std::int64_t kMorceauReference = kTaux / 500;
    bool jouer_reference(std::int64_t morceau = kMorceauReference) {
        morceau_reference_ = morceau;
        Verrou v(*this);
        pa_sample_spec ss{PA_SAMPLE_FLOAT32NE, kTaux, 2};
        reference_ =
            pa_->stream_new_with_proplist(contexte_, "vantrel tests reference", &ss, nullptr, nullptr);
        if (!reference_) return false;
        pa_->stream_set_write_callback(reference_, &ecriture_reference, this);
        pa_->stream_set_state_callback(reference_, &signal_flux, this);
        pa_buffer_attr attr;
        attr.maxlength = std::uint32_t(-1);
        attr.tlength = std::uint32_t(kTaux * 8);
        attr.minreq = std::uint32_t(kTaux / 4 * 8);
        attr.prebuf = std::uint32_t(-1);
        attr.fragsize = std::uint32_t(-1);
        auto drapeaux = pa_stream_flags_t(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE);
        if (pa_->stream_connect_playback(reference_, nullptr, &attr, drapeaux, nullptr, nullptr) < 0)
            return false;
        for (;;) {
            pa_stream_state_t s = pa_->stream_get_state(reference_);
            if (s == PA_STREAM_READY) return true;
            if (!PA_STREAM_IS_GOOD(s)) return false;
            pa_->threaded_mainloop_wait(boucle_);
        }
    }
    // The reference stream's frame heard now (-1: no timing yet).
    std::int64_t reference_maintenant() {
        Verrou v(*this);
        pa_usec_t us = 0;
        if (pa_->stream_get_time(reference_, &us) != 0) return -1;
        return std::int64_t(us * kTaux / 1000000);
    }
    // The same from the server's own counters, without interpolation: one
    // round trip for them, the answer taken as of the middle of that trip
    // and carried forward to the moment it returns (-1: no answer). Its
    // error is at most half the round trip, put in `aller_retour_us`.
    std::int64_t reference_exacte(double* aller_retour_us = nullptr) {
        Verrou v(*this);
        pa_usec_t t0 = pa_->rtclock_now();
        pa_operation* o = pa_->stream_update_timing_info(reference_, &succes_flux, this);
        if (!o) return -1;
        while (pa_->operation_get_state(o) == PA_OPERATION_RUNNING) pa_->threaded_mainloop_wait(boucle_);
        pa_->operation_unref(o);
        pa_usec_t t1 = pa_->rtclock_now();
        const pa_timing_info* ti = pa_->stream_get_timing_info(reference_);
        if (!ti || ti->read_index_corrupt) return -1;
        if (aller_retour_us) *aller_retour_us = double(t1 - t0);
        // Frames the sink took from the stream, less those it holds unplayed.
        double entendue = double(ti->read_index) / 8.0 - double(ti->sink_usec) * kTaux / 1e6;
        return std::llround(entendue + (double(pa_->rtclock_now()) - double(t0 + t1) / 2) * kTaux / 1e6);
    }
    // How many frames the server has handed to the recording so far: what
    // the recording holds, or will hold whatever the server changes next
    // (one round trip for its counters; -1 without an answer).
    std::int64_t enregistrees_serveur() {
        Verrou v(*this);
        pa_operation* o = pa_->stream_update_timing_info(enregistrement_, &succes_flux, this);
        if (!o) return -1;
        while (pa_->operation_get_state(o) == PA_OPERATION_RUNNING) pa_->threaded_mainloop_wait(boucle_);
        pa_->operation_unref(o);
        const pa_timing_info* ti = pa_->stream_get_timing_info(enregistrement_);
        if (!ti || ti->write_index_corrupt) return -1;
        return ti->write_index / 8;
    }
    // The recording's frame for the reference stream's frame `reference`;
    // -1 when the recording holds no click.
    static std::int64_t vers_enregistrement(const std::vector<float>& donnees, std::int64_t reference) {
        std::int64_t n = std::int64_t(donnees.size() / 2);
        for (std::int64_t i = 0; i < n; ++i) {
            float v = donnees[2 * i + 1];
            if (v < 0.05f) continue;
            int k = int(std::lround((v - 0.1f) / 0.025f));
            return i + reference - std::int64_t(k) * kPeriodeClics;
        }
        return -1;
    }

    // ---- Server queries and commands.

    struct Entree {
        std::uint32_t indice = 0, sink = 0;
        std::string application, media;
        bool corked = false;
    };
    // The server's playback streams.
    std::vector<Entree> entrees() {
        entrees_.clear();
        attendre_operation(
            [&](pa_context* c) { return pa_->context_get_sink_input_info_list(c, &entree_recue, this); });
        return entrees_;
    }
    // The index of a sink by name (PA_INVALID_INDEX when none).
    std::uint32_t indice_sink(const std::string& nom) {
        sink_ = module_sink_ = PA_INVALID_INDEX;
        attendre_operation([&](pa_context* c) {
            return pa_->context_get_sink_info_by_name(c, nom.c_str(), &sink_recu, this);
        });
        return sink_;
    }
    bool charger_module(const std::string& nom, const std::string& args) {
        return attendre_operation([&](pa_context* c) {
            return pa_->context_load_module(c, nom.c_str(), args.c_str(), &module_charge, this);
        });
    }
    // Unloads the module that made the sink `nom`, taking the sink away.
    bool decharger_sink(const std::string& nom) {
        if (indice_sink(nom) == PA_INVALID_INDEX || module_sink_ == PA_INVALID_INDEX) return false;
        return attendre_operation(
            [&](pa_context* c) { return pa_->context_unload_module(c, module_sink_, &succes, this); });
    }
    bool sink_par_defaut(const std::string& nom) {
        return attendre_operation(
            [&](pa_context* c) { return pa_->context_set_default_sink(c, nom.c_str(), &succes, this); });
    }
    bool tuer_entree(std::uint32_t indice) {
        return attendre_operation(
            [&](pa_context* c) { return pa_->context_kill_sink_input(c, indice, &succes, this); });
    }

private:
    struct Verrou {
        Client& c;
        explicit Verrou(Client& c) : c(c) { c.pa_->threaded_mainloop_lock(c.boucle_); }
        ~Verrou() { c.pa_->threaded_mainloop_unlock(c.boucle_); }
    };

    template <class F>
    bool attendre_operation(F lancer) {
        if (!pret_) return false;
        Verrou v(*this);
        pa_operation* o = lancer(contexte_);
        if (!o) return false;
        while (pa_->operation_get_state(o) == PA_OPERATION_RUNNING) pa_->threaded_mainloop_wait(boucle_);
        pa_->operation_unref(o);
        return true;
    }

    static void signal_contexte(pa_context*, void* moi) {
        auto* c = static_cast<Client*>(moi);
        c->pa_->threaded_mainloop_signal(c->boucle_, 0);
    }
    static void signal_flux(pa_stream*, void* moi) { signal_contexte(nullptr, moi); }
    static void succes(pa_context*, int, void* moi) { signal_contexte(nullptr, moi); }
    static void succes_flux(pa_stream*, int, void* moi) { signal_contexte(nullptr, moi); }
    static void module_charge(pa_context*, std::uint32_t, void* moi) { signal_contexte(nullptr, moi); }
    static void entree_recue(pa_context*, const pa_sink_input_info* i, int fin, void* moi) {
        auto* c = static_cast<Client*>(moi);
        if (fin || !i) {
            signal_contexte(nullptr, moi);
            return;
        }
        const auto* pa = c->pa_;
        Entree e;
        e.indice = i->index;
        e.sink = i->sink;
        const char* app = pa->proplist_gets(i->proplist, PA_PROP_APPLICATION_NAME);
        const char* media = pa->proplist_gets(i->proplist, PA_PROP_MEDIA_NAME);
        e.application = app ? app : "";
        e.media = media ? media : "";
        e.corked = i->corked != 0;
        c->entrees_.push_back(e);
    }
    static void sink_recu(pa_context*, const pa_sink_info* i, int fin, void* moi) {
        auto* c = static_cast<Client*>(moi);
        if (!fin && i) {
            c->sink_ = i->index;
            c->module_sink_ = i->owner_module;
        }
        if (fin || !i) signal_contexte(nullptr, moi);
    }
    static void ecriture_reference(pa_stream* s, std::size_t octets, void* moi) {
        auto* c = static_cast<Client*>(moi);
        std::vector<float> tampon(octets / sizeof(float), 0.0f);
        std::size_t trames = tampon.size() / 2;
        for (std::size_t i = 0; i < trames; ++i)
            if (std::int64_t t = c->ecrites_reference_ + std::int64_t(i); t % kPeriodeClics == 0)
                tampon[2 * i + 1] = niveau_clic(t / kPeriodeClics);
        c->ecrites_reference_ += std::int64_t(trames);
        const std::size_t morceau = std::size_t(std::max<std::int64_t>(c->morceau_reference_, 1));
        for (std::size_t i = 0; i < trames; i += morceau)
            c->pa_->stream_write(s, tampon.data() + 2 * i, std::min(morceau, trames - i) * 8, nullptr, 0,
                                 PA_SEEK_RELATIVE);
    }
    static void lecture(pa_stream* s, std::size_t, void* moi) {
        auto* c = static_cast<Client*>(moi);
        const void* d = nullptr;
        std::size_t n = 0;
        while (c->pa_->stream_peek(s, &d, &n) == 0 && n > 0) {
            std::lock_guard<std::mutex> g(c->donnees_verrou_);
            std::size_t floats = n / sizeof(float);
            if (d) {
                const float* f = static_cast<const float*>(d);
                c->donnees_.insert(c->donnees_.end(), f, f + floats);
            } else {
                c->donnees_.insert(c->donnees_.end(), floats, 0.0f);  // a hole
            }
            c->pa_->stream_drop(s);
        }
    }

    const vt::audio::BibliothequePulse* pa_;
    pa_threaded_mainloop* boucle_ = nullptr;
    pa_context* contexte_ = nullptr;
    pa_stream* enregistrement_ = nullptr;
    pa_stream* reference_ = nullptr;
    std::int64_t ecrites_reference_ = 0;
    std::int64_t morceau_reference_ = 0;  // frames per write of the reference
    bool pret_ = false;
    std::mutex donnees_verrou_;
    std::vector<float> donnees_;
    std::vector<Entree> entrees_;
    std::uint32_t sink_ = PA_INVALID_INDEX, module_sink_ = PA_INVALID_INDEX;
};

#endif

// ---- Test tracks and measures.

// A 16-bit stereo PCM WAV at 44.1 kHz: consecutive tones (duration in ms,
// frequency in Hz, 0 = silence) at `niveau`, each starting at a positive
// peak (a cosine) so that its first frame is easy to find.
inline std::string wav_tons(const std::vector<std::pair<int, double>>& tons, double niveau = 0.5) {
    std::vector<std::int16_t> e;
    for (auto& t : tons) {
        std::uint32_t k = std::uint32_t(kTaux) * std::uint32_t(t.first) / 1000;
        for (std::uint32_t i = 0; i < k; ++i) {
            double v = t.second > 0 ? niveau * std::cos(2.0 * M_PI * t.second * i / kTaux) : 0.0;
            auto x = std::int16_t(std::lround(v * 32767));
            e.push_back(x);
            e.push_back(x);
        }
    }
    return octets_wav_pcm(e, 2);
}

// The value of frame i in a ramp of n frames, and the frame for a value
// (-1 for silence).
inline double valeur_rampe(std::int64_t i, std::int64_t n) { return 0.1 + 0.8 * double(i) / double(n); }
inline std::int64_t trame_rampe(float v, std::int64_t n) {
    if (v < 0.05f) return -1;
    return std::int64_t(std::lround((double(v) - 0.1) / 0.8 * double(n)));
}

// A 16-bit stereo PCM WAV at 44.1 kHz whose left side is a slow ramp that
// names its own frames: frame i of n holds 0.1 + 0.8 i / n (the right side
// is silent). Heard at full level on the left, a recorded sample tells which
// frame of the track was playing (within 3 frames).
inline std::string wav_rampe(int duree_ms) {
    std::string s = wav_tons({{duree_ms, 0.0}});
    const std::int64_t n = std::int64_t(kTaux) * duree_ms / 1000;
    for (std::int64_t i = 0; i < n; ++i) {
        auto e = std::uint16_t(std::int16_t(std::lround(valeur_rampe(i, n) * 32767)));
        s[std::size_t(44 + 4 * i)] = char(e & 0xff);
        s[std::size_t(45 + 4 * i)] = char(e >> 8);
    }
    return s;
}

// RMS of one side (0 left, 1 right) over frames [debut, fin).
inline double efficace(const std::vector<float>& s, int cote, std::int64_t debut, std::int64_t fin) {
    debut = std::max<std::int64_t>(debut, 0);
    fin = std::min<std::int64_t>(fin, std::int64_t(s.size() / 2));
    if (fin <= debut) return 0;
    double somme = 0;
    for (std::int64_t i = debut; i < fin; ++i) somme += double(s[2 * i + cote]) * s[2 * i + cote];
    return std::sqrt(somme / double(fin - debut));
}

// The first frame at or after `debut` from which the left side's RMS over
// `fenetre` frames is on the other side of `seuil` than at `debut`; -1 if none.
inline std::int64_t changement(const std::vector<float>& s, std::int64_t debut, double seuil,
                               int fenetre = 100) {
    const std::int64_t n = std::int64_t(s.size() / 2);
    if (debut + fenetre > n) return -1;
    bool haut = efficace(s, 0, debut, debut + fenetre) > seuil;
    for (std::int64_t i = debut; i + fenetre <= n; i += 10)
        if ((efficace(s, 0, i, i + fenetre) > seuil) != haut) return i;
    return -1;
}

// The first frame at or after `debut` whose left sample is away from 0.
inline std::int64_t premier_son(const std::vector<float>& s, std::int64_t debut = 0, float seuil = 1e-3f) {
    for (std::int64_t i = std::max<std::int64_t>(debut, 0); i < std::int64_t(s.size() / 2); ++i)
        if (std::fabs(s[2 * i]) > seuil) return i;
    return -1;
}

}  // namespace vt::test::pulse
