// Lengths: what a file shows from its opening is the length of what it
// plays, every place up to it can be sought, and the length does not move
// while it plays (MP3 at constant and variable bit rates, with and without
// the header that counts their frames, at three rates; WMA; WAV whose data
// size says 0 or 0xFFFFFFFF; files in parts of different rates and
// channel counts: chained Ogg, MP3s put end to end; FLAC whose header gives
// no length).
#include "audio/decodeurs.h"
#include "audio/flux_audio.h"
#include "outils_audio.h"
#include "support/dossier_temp.h"
#include "support/wav.h"

#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>
#include <cstdlib>
#include <thread>

namespace {

using namespace vt::test::audio;
using vt::test::DossierTemp;

// 1.5 s of loud noise (frames of the highest bit rates), then 2.5 s of a
// quiet 440 Hz tone (the lowest): at a variable bit rate, the first frame's
// rate times the file's size says under a second.
std::vector<float> bruit_puis_ton(int taux) {
    std::vector<float> v(2 * std::size_t(taux) * 4);
    std::srand(7);
    for (std::size_t i = 0; i < v.size() / 2; ++i)
        v[2 * i] = v[2 * i + 1] = i < std::size_t(taux) * 3 / 2
                                      ? float(std::rand()) / float(RAND_MAX) - 0.5f
                                      : float(0.1 * std::sin(2 * M_PI * 440 * double(i) / taux));
    return v;
}

// An MP3 written by libsndfile (through LAME). Without `entete` it is
// written through a pipe, as a recorder streaming its output does: the
// encoder cannot come back to the start, and the file has no LAME or Info
// header to count its frames.
std::string ecrire_mp3(const DossierTemp& d, const std::string& nom, int taux, bool variable, bool entete) {
    SF_INFO info{};
    info.samplerate = taux;
    info.channels = 2;
    info.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    std::string octets;
    int tuyau[2] = {-1, -1};
    std::thread lecteur;
    SNDFILE* sf = nullptr;
    if (entete) {
        sf = sf_open((d / nom).c_str(), SFM_WRITE, &info);
    } else if (::pipe(tuyau) == 0) {
        lecteur = std::thread([&] {
            char t[4096];
            for (ssize_t n; (n = ::read(tuyau[0], t, sizeof t)) > 0;) octets.append(t, std::size_t(n));
        });
        sf = sf_open_fd(tuyau[1], SFM_WRITE, &info, SF_TRUE);
    }
    if (sf) {
        int mode = variable ? SF_BITRATE_MODE_VARIABLE : SF_BITRATE_MODE_CONSTANT;
        sf_command(sf, SFC_SET_BITRATE_MODE, &mode, sizeof mode);
        const std::vector<float> v = bruit_puis_ton(taux);
        sf_writef_float(sf, v.data(), sf_count_t(v.size() / 2));
        sf_close(sf);
    } else if (tuyau[1] >= 0) {
        ::close(tuyau[1]);
    }
    if (lecteur.joinable()) {
        lecteur.join();
        ::close(tuyau[0]);
        d.ecrire(nom, octets);
    }
    return d / nom;
}

// The frames the file's decoder gives from its start to its end.
std::int64_t trames_decodees(const std::string& chemin) {
    std::unique_ptr<vt::audio::Decodeur> d;
    if (vt::audio::ouvrir_decodeur(vt::audio::table_decodeurs(), vt::audio::ChoixDecodeurs::Tous, chemin,
                                   kFrequence, nullptr, d) != vt::audio::Ouverture::Ouvert)
        return -1;
    std::vector<float> memoire(2 * vt::audio::kTramesTranche);
    std::int64_t n = 0;
    for (bool fin = false; !fin;) {
        vt::audio::Tranche t;
        t.donnees = memoire.data();
        d->remplir(t);
        n += t.trames;
        fin = t.fin;
    }
    return n;
}

struct Cas {
    std::string chemin;
    const char* decodeur;
    double attendu_ms;  // the length to show
    double ecart_ms;    // how far from it
    double decode_ms;   // how far what the decoder gives may be from it
};

void verifier(const Cas& c) {
    vt::audio::FluxAudio::Memoire m;
    auto f = vt::audio::FluxAudio::ouvrir(c.chemin, kFrequence, m);
    ASSERT_NE(f, nullptr) << c.chemin;
    EXPECT_STREQ(f->decodeur(), c.decodeur) << c.chemin;
    f.reset();
    Lecteur l;
    l.lm.flux = l.m.ouvrir_flux(c.chemin);
    ASSERT_NE(l.lm.flux, 0) << c.chemin;
    l.lm.canal = l.m.jouer_flux(-1, l.lm.flux);
    const std::int64_t longueur = l.m.longueur_ms(l.lm.flux);
    EXPECT_NEAR(double(longueur), c.attendu_ms, c.ecart_ms) << c.chemin;
    EXPECT_GT(efficace(cote(l.pomper_ms(100), kGauche)), 0.01) << c.chemin;
    // What the decoder gives is what is shown.
    EXPECT_NEAR(double(trames_decodees(c.chemin)) * 1000.0 / kFrequence, double(longueur) + 0.5, c.decode_ms)
        << c.chemin;
    // A place near the end can be sought; played from there to the end, the
    // length has not moved.
    const std::int64_t cible = longueur - 60;
    l.m.aller_a_ms(l.lm.flux, cible);
    EXPECT_NEAR(double(l.m.temps_ms(l.lm.flux)), double(cible), 1.0) << c.chemin;
    l.pomper_jusqua_fin();
    EXPECT_TRUE(l.a_la_fin()) << c.chemin;
    // (A frame more or less from the resampler's rounding may cross a millisecond.)
    EXPECT_NEAR(double(l.m.longueur_ms(l.lm.flux)), double(longueur), 1.0) << c.chemin << " played out";
    EXPECT_EQ(l.m.temps_ms(l.lm.flux), l.m.longueur_ms(l.lm.flux)) << c.chemin << " played out";
}

// The frame counts of a header, else the file's frames read through at
// opening: without them a variable bit rate's length was a fifth of the
// truth, and nothing past that fifth could be sought.
TEST(Longueurs, Mp3ShowsItsWholeLengthFromTheStart) {
    DossierTemp d;
    const struct {
        int taux;
        bool variable, entete;
        double attendu_ms, ecart_ms;  // without a header, the encoder's delay and padding are heard
    } lignes[] = {
        {44100, false, true, 4000, 1},   {44100, true, true, 4000, 1},   {48000, true, true, 4000, 1},
        {44100, false, false, 4040, 40}, {44100, true, false, 4040, 40}, {48000, true, false, 4040, 40},
        {22050, true, false, 4040, 40},
    };
    for (const auto& ligne : lignes) {
        const std::string nom = std::to_string(ligne.taux) + (ligne.variable ? "_vbr" : "_cbr") +
                                (ligne.entete ? "_entete" : "") + ".mp3";
        const std::string chemin = ecrire_mp3(d, nom, ligne.taux, ligne.variable, ligne.entete);
        verifier({chemin, "mpg123", ligne.attendu_ms, ligne.ecart_ms, 1});
        // From a place sought near the end: the quiet tone at once (its
        // frames' bit reservoir filled), not the noise of the start.
        Lecteur l;
        l.lm.flux = l.m.ouvrir_flux(chemin);
        l.lm.canal = l.m.jouer_flux(-1, l.lm.flux);
        l.m.aller_a_ms(l.lm.flux, 3500);
        const std::vector<float> s = l.pomper_ms(300);
        EXPECT_NEAR(frequence(cote(s, kGauche, 441)), 440.0, 5.0) << nom;
        EXPECT_NEAR(efficace(cote(s, kGauche, 441)), 0.1 / std::sqrt(2.0), 0.005) << nom;
    }
}

// A WMA's length is its header's (ffprobe's) from the start to the end,
// though its decoder gives a frame less from the start (and the last
// packet's padding after a seek); a WAV's is its header's or, when the data
// size says 0 or 0xFFFFFFFF (a stream never finished), what the file holds.
TEST(Longueurs, WmaAndWavKeepTheirLength) {
    DossierTemp d;
    auto wav = [&](const char* nom, std::uint32_t taille_donnees) {
        std::string o = vt::test::octets_wav(3000);
        for (int i = 0; i < 4; ++i) o[std::size_t(40 + i)] = char((taille_donnees >> (8 * i)) & 0xff);
        return d.ecrire(nom, o);
    };
    // An odd-sized chunk and its pad byte before a data chunk that says 0.
    std::string impair = vt::test::octets_wav(3000);
    impair.insert(36, std::string("LIST\x03\0\0\0abc\0", 12));
    for (int i = 0; i < 4; ++i) impair[std::size_t(36 + 12 + 4 + i)] = 0;
    const Cas cas[] = {
        {fixture("ton440.wma"), "FFmpeg", 1021, 1, 50},
        {d.ecrire("impair.wav", impair), "libsndfile", 3000, 1, 1},
        {fixture("ton1000.wma"), "FFmpeg", 1021, 1, 50},
        {fixture("court.wma"), "FFmpeg", 92, 1, 50},
        {wav("juste.wav", 44100 * 3 * 2), "libsndfile", 3000, 1, 1},
        {wav("zero.wav", 0), "libsndfile", 3000, 1, 1},
        {wav("ffff.wav", 0xFFFFFFFF), "libsndfile", 3000, 1, 1},
    };
    for (const Cas& c : cas) verifier(c);
}

// ---------------------------------------------------------------- files in parts

// One part of a file: `ms` of a tone of `hz` (amplitude 0.5) in a format of
// libsndfile's, at `taux` with `canaux` channels.
struct Partie {
    int format, taux, canaux, ms;
    double hz;
    bool id3 = false;  // behind an ID3v2 tag, as tagging programs write MP3s
};

// An ID3v2.3 tag of 32 bytes: its header and padding.
const std::string kId3 = std::string("ID3\x03\0\0\0\0\0\x16", 10) + std::string(22, '\0');

std::string octets_ton(const DossierTemp& d, const Partie& p) {
    const std::string chemin = ecrire_ton(d / "partie", p.format, p.taux, p.canaux, p.hz, 0, p.ms / 1000.0);
    return chemin.empty() ? "" : (p.id3 ? kId3 : "") + vt::test::lire_fichier(chemin);
}

// Every part is heard and counted at its own rate: the length shown is the
// parts' sum, a seek shortly before a join plays the first part's tone and
// then the next one's at the join, and the file plays to its end. A chained
// Ogg showed and played its first link only; MP3s put end to end were
// counted at the first part's rate, and their seeks landed seconds away.
TEST(Longueurs, EveryPartCountsAtItsOwnRate) {
    DossierTemp d;
    const struct {
        const char* nom;
        const char* decodeur;
        std::vector<Partie> parties;
        double ecart_ms;
    } lignes[] = {
        {"vorbis_44_2_22_1.ogg",
         "libsndfile",
         {{kOgg, 44100, 2, 1500, 440}, {kOgg, 22050, 1, 1000, 1000}},
         2},
        {"vorbis_22_1_48_2.ogg",
         "libsndfile",
         {{kOgg, 22050, 1, 1000, 1000}, {kOgg, 48000, 2, 1500, 440}},
         2},
        {"vorbis_44_2_44_2.ogg",
         "libsndfile",
         {{kOgg, 44100, 2, 1000, 440}, {kOgg, 44100, 2, 1000, 1000}},
         2},
        {"vorbis_trois.ogg",
         "libsndfile",
         {{kOgg, 48000, 1, 800, 440}, {kOgg, 32000, 2, 800, 1000}, {kOgg, 44100, 1, 800, 440}},
         2},
        {"opus_48_2_24_1.opus",
         "libsndfile",
         {{kOpus, 48000, 2, 1000, 440}, {kOpus, 24000, 1, 1000, 1000}},
         2},
        {"mp3_44_2_22_1.mp3", "mpg123", {{kMp3, 44100, 2, 1500, 440}, {kMp3, 22050, 1, 1000, 1000}}, 2},
        {"mp3_22_1_48_2.mp3", "mpg123", {{kMp3, 22050, 1, 1000, 1000}, {kMp3, 48000, 2, 1500, 440}}, 2},
        {"mp3_id3.mp3", "mpg123", {{kMp3, 48000, 1, 1000, 1000, true}, {kMp3, 44100, 2, 1000, 440, true}}, 2},
        {"mp3_trois.mp3",
         "mpg123",
         {{kMp3, 44100, 2, 800, 440}, {kMp3, 22050, 1, 800, 1000}, {kMp3, 32000, 2, 800, 440}},
         2},
    };
    for (const auto& ligne : lignes) {
        std::string octets;
        double attendu_ms = 0;
        for (const Partie& p : ligne.parties) {
            octets += octets_ton(d, p);
            attendu_ms += p.ms;
        }
        const std::string chemin = d.ecrire(ligne.nom, octets);
        verifier({chemin, ligne.decodeur, attendu_ms, ligne.ecart_ms, 2});
        Lecteur l;
        l.lm.flux = l.m.ouvrir_flux(chemin);
        ASSERT_NE(l.lm.flux, 0) << ligne.nom;
        l.lm.canal = l.m.jouer_flux(-1, l.lm.flux);
        int join_ms = 0;
        for (std::size_t i = 0; i + 1 < ligne.parties.size(); ++i) {
            join_ms += ligne.parties[i].ms;
            l.m.aller_a_ms(l.lm.flux, join_ms - 250);
            EXPECT_NEAR(double(l.m.temps_ms(l.lm.flux)), double(join_ms - 250), 1.0) << ligne.nom << " " << i;
            const std::vector<float> s = l.pomper_ms(500);
            for (Cote c : {kGauche, kDroite}) {
                // 30 ms of margin either side of the join for the codecs' frames and the resampler.
                EXPECT_NEAR(frequence(cote(s, c, 1323, 9702)), ligne.parties[i].hz, 5.0)
                    << ligne.nom << " " << i;
                EXPECT_NEAR(frequence(cote(s, c, 12348, 22050)), ligne.parties[i + 1].hz, 5.0)
                    << ligne.nom << " " << i;
                EXPECT_NEAR(efficace(cote(s, c, 12348, 22050)), kEfficaceTon, 0.03) << ligne.nom << " " << i;
            }
        }
    }
}

// An Ogg Vorbis file cut short (a copy or a download that stopped) shows
// from its opening the length of what its whole pages hold, plays it and
// seeks in it: it showed none, as libsndfile finds no length past a cut
// page. Each row: rate, channels, the part of the file kept.
TEST(Longueurs, OggCutShortShowsAndPlaysWhatItHolds) {
    DossierTemp d;
    const struct {
        int taux, canaux;
        double part;
    } lignes[] = {{44100, 2, 0.5}, {22050, 1, 0.5}, {48000, 2, 0.7}};
    int n = 0;
    for (const auto& ligne : lignes) {
        const std::string entier = ecrire_ton(d / "entier.ogg", kOgg, ligne.taux, ligne.canaux, 440, 0, 20.0);
        ASSERT_FALSE(entier.empty());
        const std::string octets = vt::test::lire_fichier(entier);
        const std::string chemin =
            d.ecrire("coupe" + std::to_string(n++) + ".ogg",
                     octets.substr(0, std::size_t(double(octets.size()) * ligne.part)));
        const double tenu_ms = double(trames_decodees(chemin)) * 1000.0 / kFrequence;
        EXPECT_GT(tenu_ms, 20000.0 * ligne.part * 0.6) << chemin;
        verifier({chemin, "libsndfile", tenu_ms, 1, 1});
    }
}

// A FLAC whose header says its length is 0 (a stream encoded on the fly)
// shows its length from the start and seeks: from its last frame's header
// (before an ID3v1 tag), else (something else follows its last frame) from
// reading it through.
TEST(Longueurs, FlacWithoutLengthFindsItsLength) {
    DossierTemp d;
    const struct {
        int taux, canaux, ms;
        std::string suite;  // bytes after the last frame
    } lignes[] = {
        {44100, 2, 3000, ""},
        {48000, 1, 2500, ""},
        {22050, 2, 2000, ""},
        {96000, 1, 1000, ""},
        {44100, 2, 2000, "no frame here"},
        {32000, 1, 1500, "TAG" + std::string(125, 'x')},
    };
    int n = 0;
    for (const auto& ligne : lignes) {
        std::string octets = octets_ton(d, {kFlac, ligne.taux, ligne.canaux, ligne.ms, 440});
        ASSERT_EQ(octets.substr(0, 4), "fLaC");
        // STREAMINFO's 36-bit length: the low half of byte 21, then bytes 22 to 25.
        octets[21] = char(octets[21] & 0xF0);
        for (std::size_t i = 22; i < 26; ++i) octets[i] = 0;
        octets += ligne.suite;
        const std::string chemin = d.ecrire("sans_longueur" + std::to_string(n++) + ".flac", octets);
        verifier({chemin, "libsndfile", double(ligne.ms), 1, 1});
    }
}

}  // namespace
