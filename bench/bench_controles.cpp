// Heard delay of the player's controls through PulseAudio: the time from a
// call on the engine (volume, balance, mute, pause, resume, seek, stop, and
// for information a start) until its effect is in the sound the server
// plays, with the native output and, for comparison, with SDL2 on the same
// server.
//
// A private daemon with one null sink (tests/audio/serveur_pulse.h) plays
// the engine's stream beside a reference stream of clicks, and the sink's
// monitor is recorded. Both ends of a delay are placed on the sink's own
// timeline, in frames of the recording:
//  - the call: just before it, the server's counters for the reference
//    stream (one round trip, asked again when it took over 4 ms; its frames
//    taken by the sink less those it still holds unplayed) name the
//    reference frame heard at that moment, within half the round trip; the
//    clicks the reference wrote at known frames, found in the recording,
//    place that frame in the recording (each call from the last click
//    before it);
//  - the effect: the first 5 ms window of the recording (windows every
//    0.5 ms, from 50 ms before the call on) that shows it, counted at the
//    window's end, so a step is counted about 3 ms after it happened:
//      level changes (volume 255 <-> 64, balance centre <-> right, mute and
//      back, pause, resume, stop, start): the left side's RMS over the
//      window is past halfway between the level before the call (the 60 ms
//      before it) and the level after (the 120 ms before the next control);
//      seek: the track is a ramp whose samples name their own frame; every
//      sample of the window names a frame at most 50 ms before the new place
//      (so the engine's 6 ms fade-in is counted too).
//
// The monitor's own latency: frames are placed in the recording by what
// they hold, not by when they arrive, so the delay with which the recording
// is delivered (a second at a time) does not enter. What does enter is how
// far the monitor runs ahead: it hands the recorder frames before they are
// played, and what the server changes afterwards for those frames (every
// control here works by rewinding the sink) never reaches the recording.
// That lead is measured at each call (the frames the server had handed to
// the recording, from its counters, less the frame heard) and printed
// beside the delays: a delay no longer than the lead may be the monitor's,
// not the player's. The reference is written in 2 ms pieces, which keeps
// the lead near 2 ms (see serveur_pulse.h); MORCEAU_REFERENCE (frames per
// piece) changes that, e.g. 11025 shows the quarter-second lead that made
// earlier measures of stop and seek read 30 to 260 ms.
//
// Output, one line per output and control:
//   heard_delay_ms <output> <control> median <ms> max <ms> n <count>
// and per output "monitor_lead_ms <output> median <ms> max <ms>" and the
// reference's latency (mostly the sink's buffering); "n/a" when PulseAudio
// or the output could not be used. REPETITIONS (default 8) sets how many
// times each control is made; controls are 600 ms apart, about a minute per
// output. SORTIES ("pulse", "sdl", default both) chooses the outputs.
#include "audio/lecteur_media.h"
#include "audio/serveur_pulse.h"
#include "audio/sortie_pulse.h"
#include "support/wav.h"

#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#if VANTREL_AVEC_PULSE

namespace {

using namespace vt::test::pulse;
using namespace std::chrono_literals;

constexpr std::int64_t kFenetre = kTaux * 5 / 1000;  // 5 ms
constexpr std::int64_t kPas = kTaux / 2000;          // 0.5 ms
constexpr auto kEcart = 600ms;                       // between two controls
constexpr double kAllerRetourMaxUs = 4000;           // for the heard frame at a call
constexpr int kDureeRampeMs = 30000;
constexpr std::int64_t kTramesRampe = std::int64_t(kTaux) * kDureeRampeMs / 1000;

double ms(std::int64_t trames) { return double(trames) * 1000.0 / kTaux; }
std::int64_t trames_ms(double m) { return std::int64_t(m * kTaux / 1000.0); }

enum class Genre { Niveau, Saut };

struct Controle {
    std::string nom;
    Genre genre = Genre::Niveau;
    std::int64_t reference = -1;  // reference frame heard just before the call
    std::int64_t place = 0;       // seek: the new place, in track frames
    std::int64_t livrees = -1;    // frames the server had handed to the recording
};

// A click of the reference found in the recording: its frame there, and
// which click it is (its frame in the reference is k * kPeriodeClics).
struct Clic {
    std::int64_t i, k;
};

// Every click in the recording (the right side holds nothing else). The
// first one's number is its level class: the recording starts within 32
// clicks (6.4 s) of the reference; the others are counted from it by their
// spacing, and `incoherents` counts those whose level disagrees.
std::vector<Clic> trouver_clics(const std::vector<float>& d, int& incoherents) {
    std::vector<Clic> clics;
    incoherents = 0;
    const std::int64_t n = std::int64_t(d.size() / 2);
    for (std::int64_t i = 0; i < n; ++i) {
        float v = d[2 * i + 1];
        if (v < 0.05f) continue;
        int classe = int(std::lround((v - 0.1f) / 0.025f));
        std::int64_t k = classe;
        if (!clics.empty()) {
            const Clic& p = clics.back();
            k = p.k + std::llround(double(i - p.i) / double(Client::kPeriodeClics));
            if (((k % Client::kClasses) + Client::kClasses) % Client::kClasses != classe) ++incoherents;
        }
        clics.push_back({i, k});
        i += 10;  // a click is one sample
    }
    return clics;
}

// The recording's frame for reference frame `reference`, from the last click
// at or before it (the first click when none); -1 without clicks.
std::int64_t placer(const std::vector<Clic>& clics, std::int64_t reference) {
    if (clics.empty()) return -1;
    const Clic* c = &clics.front();
    for (const Clic& x : clics)
        if (x.k * Client::kPeriodeClics <= reference) c = &x;
    return reference + c->i - c->k * Client::kPeriodeClics;
}

// Running sums of the left side's squares, for window RMS.
struct Carres {
    std::vector<double> s;
    explicit Carres(const std::vector<float>& d) : s(d.size() / 2 + 1, 0.0) {
        for (std::size_t i = 0; i + 1 < s.size(); ++i) s[i + 1] = s[i] + double(d[2 * i]) * d[2 * i];
    }
    std::int64_t n() const { return std::int64_t(s.size()) - 1; }
    double efficace(std::int64_t a, std::int64_t b) const {
        a = std::clamp<std::int64_t>(a, 0, n());
        b = std::clamp<std::int64_t>(b, 0, n());
        return b > a ? std::sqrt(std::max(0.0, s[b] - s[a]) / double(b - a)) : 0.0;
    }
};

struct Resultats {
    std::map<std::string, std::vector<double>> delais;
    std::map<std::string, int> rates;  // controls whose effect could not be told
    std::vector<double> avances;       // the monitor's lead at each call, ms
    double latence_reference = -1, aller_retour_max = 0;
    int incoherents = 0;
    std::string erreur;
};

// The delay in ms of control `c` (recording frame r, next control at r_suivant);
// NaN when its effect cannot be told in the recording.
double delai(const Controle& c, const std::vector<float>& d, const Carres& q, std::int64_t r,
             std::int64_t r_suivant) {
    const std::int64_t debut = r - trames_ms(50);
    if (debut < 0 || r_suivant + kFenetre > q.n()) return NAN;
    if (c.genre == Genre::Saut) {
        for (std::int64_t i = debut; i + kFenetre <= r_suivant; i += kPas) {
            bool neuf = true;
            for (std::int64_t j = i; j < i + kFenetre && neuf; ++j) {
                std::int64_t t = trame_rampe(d[2 * j], kTramesRampe);
                neuf = t >= c.place - trames_ms(50) && t <= c.place + kTaux * 3;
            }
            if (neuf) return ms(i + kFenetre - r);
        }
        return NAN;
    }
    const double avant = q.efficace(r - trames_ms(60), r);
    const double apres = q.efficace(r_suivant - trames_ms(120), r_suivant);
    if (std::fabs(apres - avant) < 0.3 * std::max(avant, apres)) return NAN;
    const double seuil = (avant + apres) / 2;
    for (std::int64_t i = debut; i + kFenetre <= r_suivant; i += kPas)
        if ((q.efficace(i, i + kFenetre) > seuil) == (apres > avant)) return ms(i + kFenetre - r);
    return NAN;
}

Resultats mesurer(const std::string& sortie, const std::string& serveur, const std::string& piste,
                  int repetitions, std::int64_t morceau) {
    Resultats res;
    Client client(serveur);
    if (!client.pret() || !client.jouer_reference(morceau) || !client.enregistrer()) {
        res.erreur = "the private daemon cannot be reached";
        return res;
    }
    // The monitor delivers nothing for its first second or so.
    auto limite = std::chrono::steady_clock::now() + 8s;
    for (;;) {
        std::vector<float> d = client.donnees();
        std::int64_t r = Client::vers_enregistrement(d, 0);
        if (r > -kTaux && std::int64_t(d.size() / 2) > std::max<std::int64_t>(r, 0) + kTaux / 5) break;
        if (std::chrono::steady_clock::now() > limite) {
            res.erreur = "the monitor recording did not start";
            return res;
        }
        std::this_thread::sleep_for(20ms);
    }

    std::unique_ptr<vt::SortieAudio> s;
    if (sortie == "pulse")
        s = std::make_unique<vt::SortiePulse>(vt::SortiePulse::Repli::Silence);
    else
        s = std::make_unique<vt::SortieSDL>();
    std::vector<Controle> controles;
    {
        lecteur_media lm(std::move(s));
        if (auto* p = dynamic_cast<vt::SortiePulse*>(lm.moteur().sortie()); p && !p->sur_serveur()) {
            res.erreur = "the native output did not reach the server";
            return res;
        }
        lm.flux = lm.moteur().ouvrir_flux(piste);
        lm.canal = lm.moteur().jouer_flux(-1, lm.flux);
        if (lm.flux == 0 || lm.canal < 0) {
            res.erreur = "the output could not play";
            return res;
        }
        std::this_thread::sleep_for(1500ms);
        if (auto* p = dynamic_cast<vt::SortiePulse*>(lm.moteur().sortie()); p && !p->sur_serveur()) {
            res.erreur = "the native output left the server";
            return res;
        }
        res.latence_reference = client.latence_reference_ms();
        auto faire = [&](const std::string& nom, auto appel, Genre genre = Genre::Niveau,
                         std::int64_t place = 0) {
            Controle c{nom, genre, -1, place, client.enregistrees_serveur()};
            // Asked again (a few times at most) when a loaded machine made the
            // round trip, hence the uncertainty on the heard frame, long.
            double aller_retour = 0;
            for (int essai = 0; essai < 5; ++essai) {
                c.reference = client.reference_exacte(&aller_retour);
                if (aller_retour < kAllerRetourMaxUs) break;
            }
            res.aller_retour_max = std::max(res.aller_retour_max, aller_retour / 1000);
            appel();
            controles.push_back(c);
            std::this_thread::sleep_for(kEcart);
        };
        auto& m = lm.moteur();
        for (int k = 0; k < repetitions; ++k) {
            faire("volume", [&] { m.definir_volume(lm.canal, 64); });
            faire("volume", [&] { m.definir_volume(lm.canal, 255); });
            faire("pan", [&] { m.definir_pan(lm.canal, 255); });
            faire("pan", [&] { m.definir_pan(lm.canal, 128); });
            faire("mute", [&] { m.definir_muet(lm.canal, true); });
            faire("mute", [&] { m.definir_muet(lm.canal, false); });
            faire("pause", [&] { m.mettre_en_pause(lm.canal, true); });
            faire("resume", [&] { m.mettre_en_pause(lm.canal, false); });
            // Far from where it plays, so that old and new places cannot be confused.
            std::int64_t cible = m.temps_ms(lm.flux) + 12000;
            faire(
                "seek", [&] { m.aller_a_ms(lm.flux, cible); }, Genre::Saut, cible * kTaux / 1000);
            faire("stop", [&] { m.arreter_flux(lm.flux); });
            faire("start", [&] { lm.canal = m.jouer_flux(-1, lm.flux); });
        }
    }
    // What was heard until the last control's window is in the recording.
    std::vector<float> d;
    std::vector<Clic> clics;
    limite = std::chrono::steady_clock::now() + 8s;
    for (;;) {
        d = client.donnees();
        clics = trouver_clics(d, res.incoherents);
        std::int64_t r = placer(clics, controles.back().reference);
        if (r >= 0 && std::int64_t(d.size() / 2) > r + trames_ms(2 * 600)) break;
        if (std::chrono::steady_clock::now() > limite) {
            res.erreur = "the recording stopped before the last control";
            return res;
        }
        std::this_thread::sleep_for(50ms);
    }
    Carres q(d);
    for (std::size_t j = 0; j < controles.size(); ++j) {
        std::int64_t r = placer(clics, controles[j].reference);
        std::int64_t r_suivant =
            j + 1 < controles.size() ? placer(clics, controles[j + 1].reference) : r + trames_ms(600);
        double x = delai(controles[j], d, q, r, r_suivant);
        if (controles[j].livrees >= 0) res.avances.push_back(ms(controles[j].livrees - r));
        if (std::isnan(x))
            ++res.rates[controles[j].nom];
        else
            res.delais[controles[j].nom].push_back(x);
    }
    return res;
}

double mediane(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main() {
    const char* noms[] = {"volume", "pan", "mute", "pause", "resume", "seek", "stop", "start"};
    const char* sorties[] = {"pulse", "sdl"};
    auto na = [&](const char* sortie, const std::string& raison) {
        std::printf("%s: %s\n", sortie, raison.c_str());
        for (const char* c : noms) std::printf("heard_delay_ms %s %s n/a\n", sortie, c);
    };
    int repetitions = 8;
    if (const char* r = std::getenv("REPETITIONS")) repetitions = std::max(1, std::atoi(r));
    std::int64_t morceau = Client::kMorceauReference;
    if (const char* m = std::getenv("MORCEAU_REFERENCE")) morceau = std::max(1, std::atoi(m));
    // SDL2 through the same server; the dummy driver of the other benchmarks hears nothing.
    setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
    DemonPulse demon;
    if (!demon.pret()) {
        for (const char* s : sorties) na(s, "no private PulseAudio daemon: " + demon.raison());
        return 0;
    }
    setenv("PULSE_SERVER", demon.serveur().c_str(), 1);
    QTemporaryDir dossier;
    const std::string piste = dossier.path().toStdString() + "/rampe.wav";
    {
        std::ofstream f(piste, std::ios::binary);
        f << wav_rampe(kDureeRampeMs);
    }
    const char* choix = std::getenv("SORTIES");
    for (const char* s : sorties) {
        if (choix && !std::strstr(choix, s)) continue;
        std::fprintf(stderr, "-- controls with the %s output\n", s);
        Resultats r = mesurer(s, demon.serveur(), piste, repetitions, morceau);
        if (!r.erreur.empty()) {
            na(s, r.erreur);
            continue;
        }
        std::printf("%s: reference_latency_ms %.1f, click_mismatches %d, timing_round_trip_max_ms %.2f\n", s,
                    r.latence_reference, r.incoherents, r.aller_retour_max);
        if (!r.avances.empty())
            std::printf("monitor_lead_ms %s median %.1f max %.1f\n", s, mediane(r.avances),
                        *std::max_element(r.avances.begin(), r.avances.end()));
        for (const char* c : noms) {
            const std::vector<double>& v = r.delais[c];
            int rates = r.rates.count(c) ? r.rates[c] : 0;
            if (v.empty()) {
                std::printf("heard_delay_ms %s %s n/a (%d unclear)\n", s, c, rates);
                continue;
            }
            std::printf("heard_delay_ms %s %s median %.1f max %.1f n %zu", s, c, mediane(v),
                        *std::max_element(v.begin(), v.end()), v.size());
            if (rates) std::printf(" (%d unclear)", rates);
            std::printf("\n");
        }
        std::fflush(stdout);
    }
    return 0;
}

#else

int main() {
    std::printf("controls: built without libpulse headers, nothing measured\n");
    return 0;
}

#endif
