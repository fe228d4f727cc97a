#pragma once
// Helpers of the audio tests: fixture paths, a player on the manual output,
// and measures of the rendered samples (interleaved stereo floats).
#include "audio/lecteur_media.h"
#include "audio/sortie_manuelle.h"

#include <dirent.h>
#include <sndfile.h>
#include <unistd.h>
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace vt::test::audio {

inline constexpr int kFrequence = 44100;
// The fixtures' tones: a sine of amplitude 0.5.
inline constexpr double kAmplitude = 0.5;
inline constexpr double kEfficaceTon = kAmplitude / 1.4142135623730951;

inline std::string fixture(const std::string& nom) { return std::string(VANTREL_FIXTURES_DIR) + "/" + nom; }

inline constexpr int kWav = SF_FORMAT_WAV | SF_FORMAT_PCM_16, kFlac = SF_FORMAT_FLAC | SF_FORMAT_PCM_16,
                     kOgg = SF_FORMAT_OGG | SF_FORMAT_VORBIS, kOpus = SF_FORMAT_OGG | SF_FORMAT_OPUS,
                     kMp3 = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;

// Writes `duree_s` of a tone of `hz` (amplitude 0.5, from `debut_s` into it,
// on every channel) to `chemin` in a libsndfile format; "" if it cannot.
inline std::string ecrire_ton(const std::string& chemin, int format, int taux, int canaux, double hz,
                              double debut_s, double duree_s) {
    SF_INFO info{0, taux, canaux, format, 0, 0};
    SNDFILE* sf = sf_open(chemin.c_str(), SFM_WRITE, &info);
    if (!sf) return {};
    std::vector<float> v(std::size_t(std::lround(duree_s * taux)) * std::size_t(canaux));
    for (std::size_t i = 0; i < v.size(); ++i)
        v[i] =
            float(kAmplitude * std::sin(2 * M_PI * hz * (debut_s + double(i / std::size_t(canaux)) / taux)));
    sf_writef_float(sf, v.data(), sf_count_t(v.size()) / canaux);
    sf_close(sf);
    return chemin;
}

enum Cote { kGauche = 0, kDroite = 1 };

// The decoders of the run's engines: FFmpeg alone under the ctest entries
// "ffmpeg.*" (choix_decodeur.cpp), all of them otherwise.
vt::audio::ChoixDecodeurs decodeurs_des_tests();

// The audio engine on the manual output, with its stream and channel (not
// the player, vt::Lecteur): the engine tests drive it directly.
struct MoteurDeTest {
    MoteurDeTest() : MoteurDeTest(decodeurs_des_tests()) {}
    explicit MoteurDeTest(vt::audio::ChoixDecodeurs decodeurs)
        : lm{std::make_unique<vt::SortieManuelle>(), decodeurs} {}
    lecteur_media lm;
    vt::MoteurAudio& m = lm.moteur();

    vt::SortieManuelle& sortie() { return static_cast<vt::SortieManuelle&>(*m.sortie()); }
    std::vector<float> pomper(std::size_t trames) { return sortie().pomper(trames); }
    std::vector<float> pomper_ms(int ms) { return pomper(std::size_t(ms) * kFrequence / 1000); }

    // Opens and starts `nom` from the fixtures; false when either fails.
    bool jouer(const std::string& nom) {
        lm.flux = m.ouvrir_flux(fixture(nom));
        lm.canal = m.jouer_flux(-1, lm.flux);
        return lm.flux != 0 && lm.canal >= 0;
    }
    void arreter() {
        m.arreter_flux(lm.flux);
        m.fermer_flux(lm.flux);
        lm.flux = 0;
        lm.canal = -1;
    }
    bool a_la_fin() const { return lm.moteur().position(lm.flux) == lm.moteur().longueur(lm.flux); }
    // Pumps one period at a time until the read position reaches the length
    // (at most `max_trames`); returns everything rendered.
    std::vector<float> pomper_jusqua_fin(std::size_t max_trames = 10 * kFrequence) {
        std::vector<float> tout;
        while (!a_la_fin() && tout.size() / 2 < max_trames) {
            std::vector<float> v = pomper(1024);
            tout.insert(tout.end(), v.begin(), v.end());
        }
        return tout;
    }
};

// One side of [debut, fin) frames.
inline std::vector<float> cote(const std::vector<float>& s, Cote c, std::size_t debut = 0,
                               std::size_t fin = std::size_t(-1)) {
    fin = std::min(fin, s.size() / 2);
    std::vector<float> r;
    for (std::size_t i = debut; i < fin; ++i) r.push_back(s[2 * i + c]);
    return r;
}

inline double efficace(const std::vector<float>& x) {
    if (x.empty()) return 0;
    double somme = 0;
    for (float v : x) somme += double(v) * v;
    return std::sqrt(somme / double(x.size()));
}

inline double crete(const std::vector<float>& x) {
    double m = 0;
    for (float v : x) m = std::max(m, double(std::fabs(v)));
    return m;
}

// Frequency from the zero crossings, with a small hysteresis so that coding
// noise near zero does not count.
inline double frequence(const std::vector<float>& x) {
    const float seuil = 0.02f;
    int signe = 0, passages = 0;
    std::size_t premier = 0, dernier = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        int s = x[i] > seuil ? 1 : x[i] < -seuil ? -1 : 0;
        if (s == 0 || s == signe) continue;
        if (signe != 0) {
            if (passages == 0) premier = i;
            dernier = i;
            ++passages;
        }
        signe = s;
    }
    if (passages < 3) return 0;
    return double(passages - 1) / 2.0 / (double(dernier - premier) / kFrequence);
}

// Largest difference between two neighbouring samples of one side: a tone
// of frequency f and amplitude a never exceeds 2 pi f a / rate; a click does.
inline double saut_max(const std::vector<float>& s, Cote c) {
    double m = 0;
    for (std::size_t i = 1; i < s.size() / 2; ++i)
        m = std::max(m, double(std::fabs(s[2 * i + c] - s[2 * (i - 1) + c])));
    return m;
}

inline bool silence(const std::vector<float>& s, std::size_t debut = 0, std::size_t fin = std::size_t(-1)) {
    fin = std::min(fin, s.size() / 2);
    for (std::size_t i = 2 * debut; i < 2 * fin; ++i)
        if (s[i] != 0.0f) return false;
    return true;
}

inline std::vector<float> concat(std::vector<float> a, const std::vector<float>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Resources of this process, for leak checks.
inline int descripteurs_ouverts() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') ++n;
        closedir(d);
    }
    return n;
}

inline int fils_d_execution() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/task")) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') ++n;
        closedir(d);
    }
    return n;
}

inline long memoire_residente_ko() {
    std::ifstream f("/proc/self/statm");
    long total = 0, residente = 0;
    f >> total >> residente;
    return residente * (sysconf(_SC_PAGESIZE) / 1024);
}

}  // namespace vt::test::audio
