// The two decoders: which one takes a file, the lengths they show, and
// where their seeks land. (The table of controls runs on each decoder: the
// ctest entries "ffmpeg.*" run it with FFmpeg alone, see choix_decodeur.cpp.)
#include "audio/decodeur.h"
#include "audio/flux_audio.h"
#include "outils_audio.h"
#include "support/dossier_temp.h"

#include <gtest/gtest.h>
#include <sndfile.h>
#include <random>

namespace {

using namespace vt::test::audio;
using vt::audio::ChoixDecodeurs;

// mpg123 takes MP3, libsndfile what it reads; FFmpeg the rest; a file none plays is refused.
TEST(Decodeurs, EachFileGoesToTheFirstDecoderThatReadsIt) {
    const std::pair<const char*, const char*> cas[] = {
        {"ton440.wav", "libsndfile"}, {"ton440.flac", "libsndfile"},   {"ton440.ogg", "libsndfile"},
        {"ton440.mp3", "mpg123"},     {"deux_tons.wav", "libsndfile"}, {"ton440.wma", "FFmpeg"},
        {"ton440.m4a", "FFmpeg"},     {"texte.txt", nullptr},          {"vide.mp3", nullptr}};
    for (auto [nom, attendu] : cas) {
        vt::audio::FluxAudio::Memoire m;
        auto f = vt::audio::FluxAudio::ouvrir(fixture(nom), kFrequence, m);
        ASSERT_EQ(f != nullptr, attendu != nullptr) << nom;
        if (f) {
            EXPECT_STREQ(f->decodeur(), attendu) << nom;
        }
    }
}

// The length the light decoders show, at opening and once played out: for
// WAV, FLAC and Ogg within a millisecond of FFmpeg's (its container's);
// for MP3 the length without the encoder's delay and padding, the tone's
// one second.
TEST(Decodeurs, LengthsAgreeWithFFmpegsAndMp3ShowsItsLengthWithoutPadding) {
    for (const char* nom : {"ton440.wav", "ton440.flac", "ton440.ogg", "ton440.mp3"}) {
        std::unique_ptr<vt::audio::Decodeur> ff(
            creer_decodeur_ffmpeg(fixture(nom).c_str(), kFrequence, nullptr));
        ASSERT_NE(ff, nullptr) << nom;
        const bool mp3 = std::string(nom).ends_with(".mp3");
        const double attendu = mp3 ? 1000.0 : double(ff->longueur()) * 1000.0 / kFrequence;
        MoteurDeTest l;
        ASSERT_TRUE(l.jouer(nom)) << nom;
        EXPECT_NEAR(double(l.m.longueur_ms(l.lm.flux)), attendu, 1.0) << nom;
        l.pomper_jusqua_fin();
        EXPECT_NEAR(double(l.m.longueur_ms(l.lm.flux)), attendu, 1.0) << nom << " played out";
    }
}

// White noise written by libsndfile in each format (MP3 through LAME): a seek to a place
// plays what playing from the start gives at that place, to the frame.
std::string bruit(const vt::test::DossierTemp& d, const char* nom, int format, int taux, int canaux = 2,
                  int secondes = 2) {
    const std::string chemin = d / nom;
    SF_INFO info{};
    info.samplerate = taux;
    info.channels = canaux;
    info.format = format;
    SNDFILE* sf = sf_open(chemin.c_str(), SFM_WRITE, &info);
    if (!sf) return chemin;
    std::mt19937 g(7);
    std::uniform_real_distribution<float> u(-0.5f, 0.5f);
    std::vector<float> v(std::size_t(canaux) * std::size_t(taux) * std::size_t(secondes));
    for (float& x : v) x = u(g);
    sf_writef_float(sf, v.data(), sf_count_t(v.size()) / canaux);
    sf_close(sf);
    return chemin;
}

// A second of noise in one format, then two in another, in one file.
std::string bruit_en_deux(const vt::test::DossierTemp& d, const char* nom, int format, int taux1, int canaux1,
                          int taux2, int canaux2) {
    const std::string a = vt::test::lire_fichier(bruit(d, "a", format, taux1, canaux1, 1));
    return d.ecrire(nom, a + vt::test::lire_fichier(bruit(d, "b", format, taux2, canaux2)));
}

TEST(Decodeurs, SeeksLandOnTheFrameAsked) {
    vt::test::DossierTemp d;
    const std::pair<std::string, ChoixDecodeurs> cas[] = {
        {bruit(d, "b.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100), ChoixDecodeurs::SansFFmpeg},
        {bruit(d, "b.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100), ChoixDecodeurs::SansFFmpeg},
        {bruit(d, "c.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100), ChoixDecodeurs::FFmpegSeul},
        {bruit(d, "b.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100), ChoixDecodeurs::SansFFmpeg},
        {bruit(d, "c.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100), ChoixDecodeurs::FFmpegSeul},
        {bruit(d, "b.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 44100), ChoixDecodeurs::SansFFmpeg},
        {bruit(d, "b48.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 48000), ChoixDecodeurs::SansFFmpeg},
        // The target lies in the second part, after a change of rate and channels.
        {bruit_en_deux(d, "d.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 24000, 1, 44100, 2),
         ChoixDecodeurs::SansFFmpeg},
        {bruit_en_deux(d, "d.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 32000, 2, 48000, 1),
         ChoixDecodeurs::SansFFmpeg},
        // The same with a second part above the output's rate.
        {bruit_en_deux(d, "e.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 44100, 2, 48000, 2),
         ChoixDecodeurs::SansFFmpeg}};
    constexpr int kCible = 1234;                           // ms
    constexpr std::size_t kDebut = 1024, kFenetre = 2048;  // past the fade-in of the seek
    for (const auto& [chemin, choix] : cas) {
        MoteurDeTest l(choix);
        l.lm.flux = l.m.ouvrir_flux(chemin);
        l.lm.canal = l.m.jouer_flux(-1, l.lm.flux);
        ASSERT_GE(l.lm.canal, 0) << chemin;
        const std::vector<float> reference = l.pomper_ms(1500);
        l.m.aller_a_ms(l.lm.flux, kCible);
        EXPECT_NEAR(double(l.m.temps_ms(l.lm.flux)), kCible, 1.0) << chemin;
        const std::vector<float> apres = l.pomper(kDebut + kFenetre);
        const std::size_t cible = std::size_t(kCible) * kFrequence / 1000 + kDebut;
        int meilleur = 0;
        double ecart_min = 1e30;
        for (int k = -300; k <= 300; ++k) {
            double e = 0;
            for (std::size_t i = 0; i < 2 * kFenetre; ++i) {
                const double x = apres[2 * kDebut + i] - reference[2 * (cible + std::size_t(k)) + i];
                e += x * x;
            }
            if (e < ecart_min) ecart_min = e, meilleur = k;
        }
        EXPECT_LE(std::abs(meilleur), 1) << chemin << ": the seek landed " << meilleur << " frames off";
    }
}

// Files of more than two channels (libsndfile writes them as WAVE_FORMAT_EXTENSIBLE)
// go to FFmpeg, which mixes them down: they play on both sides, never refused.
TEST(Decodeurs, EveryChannelCountPlaysOnBothSides) {
    vt::test::DossierTemp d;
    const std::pair<int, const char*> cas[] = {
        {1, "libsndfile"}, {2, "libsndfile"}, {3, "FFmpeg"}, {6, "FFmpeg"}};
    for (auto [canaux, decodeur] : cas) {
        SF_INFO info{};
        info.samplerate = 44100;
        info.channels = canaux;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        const std::string chemin = d / (std::to_string(canaux) + "_canaux.wav");
        SNDFILE* sf = sf_open(chemin.c_str(), SFM_WRITE, &info);
        ASSERT_NE(sf, nullptr) << canaux;
        std::vector<float> v(std::size_t(canaux) * 44100);
        for (std::size_t i = 0; i < v.size(); ++i)
            v[i] = 0.5f * std::sin(float(2 * M_PI * 440 * double(i / std::size_t(canaux)) / 44100));
        sf_writef_float(sf, v.data(), 44100);
        sf_close(sf);
        vt::audio::FluxAudio::Memoire m;
        auto f = vt::audio::FluxAudio::ouvrir(chemin, kFrequence, m);
        ASSERT_NE(f, nullptr) << canaux;
        EXPECT_STREQ(f->decodeur(), decodeur) << canaux;
        MoteurDeTest l;
        l.lm.flux = l.m.ouvrir_flux(chemin);
        l.lm.canal = l.m.jouer_flux(-1, l.lm.flux);
        ASSERT_GE(l.lm.canal, 0) << canaux;
        const std::vector<float> s = l.pomper_ms(300);
        for (Cote c : {kGauche, kDroite}) {
            EXPECT_GT(efficace(cote(s, c, 2205)), 0.05) << canaux << " channels, side " << c;
            EXPECT_NEAR(frequence(cote(s, c, 2205)), 440.0, 5.0) << canaux << " channels, side " << c;
        }
    }
}

}  // namespace
