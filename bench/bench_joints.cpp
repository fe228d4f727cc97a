// Joins and commands as heard through PulseAudio: pairs of files cut from
// one 440 Hz tone (amplitude 0.5) played in a row by the engine on its
// native output, the second queued after the first, and a tone paused,
// paused then resumed, sought, and followed at once by another start of it
// (next, back, a double click); the private daemon's null sink monitor
// (tests/audio/serveur_pulse.h) is recorded and measured.
//
// Every tone starts at phase 0 and lasts a whole number of periods, so a
// file's own start and end are smooth: what jumps is the player's doing.
// Per case, over the recorded sound (first to last frame above 0.01):
//   silence_ms  the longest run of frames within 0.005 of zero (a 440 Hz
//               tone of amplitude 0.5 stays there well under 0.1 ms);
//   jump        the largest difference between two neighbouring samples
//               (the tone itself moves at most 0.031 per frame; a cut wave
//               jumps up to 1.0).
// Output, one line per case:
//   join <wav|flac|mp3|wav44to48> silence_ms <x> jump <y>
//   command <pause|pause_resume|seek|next> silence_ms <x> jump <y>
// (a pause's silence lasts as long as the pause: it is printed, not judged)
// "n/a" (with the reason) when the daemon or the output cannot be used.
#include "audio/lecteur_media.h"
#include "audio/serveur_pulse.h"
#include "audio/sortie_pulse.h"

#include <sndfile.h>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#if VANTREL_AVEC_PULSE

namespace {

using namespace vt::test::pulse;
using namespace std::chrono_literals;

// `periodes` periods of the tone from period `depuis`, at `taux`.
std::string ton(const std::string& chemin, int format, int taux, int depuis, int periodes) {
    SF_INFO info{};
    info.samplerate = taux;
    info.channels = 2;
    info.format = format;
    SNDFILE* sf = sf_open(chemin.c_str(), SFM_WRITE, &info);
    if (!sf) return chemin;
    const double debut = double(depuis) / 440, duree = double(periodes) / 440;
    const std::size_t n = std::size_t(std::lround(duree * taux));
    std::vector<float> v(2 * n);
    for (std::size_t i = 0; i < n; ++i)
        v[2 * i] = v[2 * i + 1] = float(0.5 * std::sin(2 * M_PI * 440 * (debut + double(i) / taux)));
    sf_writef_float(sf, v.data(), sf_count_t(n));
    sf_close(sf);
    return chemin;
}

struct Mesure {
    std::string erreur;
    double silence_ms = 0, saut = 0;
};

Mesure mesurer_son(const std::vector<float>& d) {
    Mesure m;
    std::size_t premier = d.size() / 2, dernier = 0;
    for (std::size_t i = 0; i < d.size() / 2; ++i)
        if (std::fabs(d[2 * i]) > 0.01f) {
            premier = std::min(premier, i);
            dernier = i;
        }
    if (premier >= dernier) {
        m.erreur = "nothing was heard";
        return m;
    }
    std::size_t plus_long = 0, courant = 0;
    for (std::size_t i = premier; i <= dernier; ++i) {
        courant = std::fabs(d[2 * i]) <= 0.005f ? courant + 1 : 0;
        plus_long = std::max(plus_long, courant);
        if (i > premier)
            for (int c = 0; c < 2; ++c)
                m.saut = std::max(m.saut, double(std::fabs(d[2 * i + c] - d[2 * (i - 1) + c])));
    }
    m.silence_ms = double(plus_long) * 1000.0 / kTaux;
    return m;
}

// Records while `jouer` drives an engine on the native output.
Mesure enregistrer(const std::string& serveur,
                   const std::function<void(vt::MoteurAudio&, lecteur_media&)>& jouer) {
    Mesure m;
    Client client(serveur);
    if (!client.pret() || !client.enregistrer()) {
        m.erreur = "the private daemon cannot be reached";
        return m;
    }
    // The monitor delivers nothing for its first second or so.
    if (!client.attendre_trames(kTaux / 5, 8s)) {
        m.erreur = "the monitor recording did not start";
        return m;
    }
    const std::int64_t debut = client.trames();
    {
        lecteur_media lm(std::make_unique<vt::SortiePulse>(vt::SortiePulse::Repli::Silence));
        auto* p = dynamic_cast<vt::SortiePulse*>(lm.moteur().sortie());
        if (!p || !p->sur_serveur()) {
            m.erreur = "the native output did not reach the server";
            return m;
        }
        jouer(lm.moteur(), lm);
        // What the server still holds, then the monitor's own delay.
        std::this_thread::sleep_for(2500ms);
    }
    std::vector<float> d = client.donnees();
    d.erase(d.begin(), d.begin() + std::min<std::ptrdiff_t>(2 * debut, std::ptrdiff_t(d.size())));
    return mesurer_son(d);
}

void afficher(const char* genre, const char* nom, const Mesure& m) {
    if (!m.erreur.empty())
        std::printf("%s %s n/a (%s)\n", genre, nom, m.erreur.c_str());
    else
        std::printf("%s %s silence_ms %.2f jump %.4f\n", genre, nom, m.silence_ms, m.saut);
    std::fflush(stdout);
}

}  // namespace

int main() {
    DemonPulse demon;
    if (!demon.pret()) {
        std::printf("joins: no private PulseAudio daemon: %s\n", demon.raison().c_str());
        return 0;
    }
    setenv("PULSE_SERVER", demon.serveur().c_str(), 1);
    QTemporaryDir dossier;
    const std::string ici = dossier.path().toStdString() + "/";
    // 0.75 s then 0.5 s of the tone (330 and 220 periods).
    struct Paire {
        const char* nom;
        int format, taux_b;
        const char* ext;
    };
    const Paire paires[] = {{"wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, "wav"},
                            {"flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, "flac"},
                            {"mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 44100, "mp3"},
                            {"wav44to48", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 48000, "wav"}};
    for (const Paire& p : paires) {
        const std::string a = ton(ici + p.nom + "_a." + p.ext, p.format, 44100, 0, 330);
        const std::string b = ton(ici + p.nom + "_b." + p.ext, p.format, p.taux_b, 330, 220);
        afficher("join", p.nom, enregistrer(demon.serveur(), [&](vt::MoteurAudio& m, lecteur_media& lm) {
                     lm.flux = m.ouvrir_flux(a);
                     const int suivant = m.ouvrir_flux(b);
                     lm.canal = m.jouer_flux(-1, lm.flux);
                     m.enchainer_flux(lm.canal, suivant);
                     std::this_thread::sleep_for(1250ms);
                 }));
    }
    // 3 s of the tone (1320 periods), each command 1.2 s in, once the sound
    // is surely heard.
    const std::string long_ton = ton(ici + "long.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 0, 1320);
    struct Commande {
        const char* nom;
        std::function<void(vt::MoteurAudio&, lecteur_media&)> faire;
    };
    const Commande commandes[] = {
        {"pause", [](vt::MoteurAudio& m, lecteur_media& lm) { m.mettre_en_pause(lm.canal, true); }},
        {"pause_resume",
         [](vt::MoteurAudio& m, lecteur_media& lm) {
             m.mettre_en_pause(lm.canal, true);
             std::this_thread::sleep_for(300ms);
             m.mettre_en_pause(lm.canal, false);
         }},
        {"seek", [](vt::MoteurAudio& m, lecteur_media& lm) { m.aller_a_ms(lm.flux, 2003); }},
        // What the player does for next, back and a double click.
        {"next", [&](vt::MoteurAudio& m, lecteur_media& lm) {
             m.arreter_flux(lm.flux);
             m.fermer_flux(lm.flux);
             lm.flux = m.ouvrir_flux(long_ton);
             lm.canal = m.jouer_flux(-1, lm.flux);
         }}};
    for (const Commande& c : commandes)
        afficher("command", c.nom, enregistrer(demon.serveur(), [&](vt::MoteurAudio& m, lecteur_media& lm) {
                     lm.flux = m.ouvrir_flux(long_ton);
                     lm.canal = m.jouer_flux(-1, lm.flux);
                     std::this_thread::sleep_for(1200ms);
                     c.faire(m, lm);
                     std::this_thread::sleep_for(2000ms);
                 }));
    return 0;
}

#else

int main() {
    std::printf("joins: built without libpulse headers, nothing measured\n");
    return 0;
}

#endif
