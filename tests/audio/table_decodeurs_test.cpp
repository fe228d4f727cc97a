// The decoders' table: its rows in order, and the search through a table:
// which rows are tried, in which order, and where it stops. (Which decoder
// takes which file: decodeurs_test.cpp.)
#include "audio/decodeurs.h"
#include "outils_audio.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace {

using namespace vt::test::audio;
using vt::audio::ChoixDecodeurs;
using vt::audio::Ouverture;

TEST(TableDecodeurs, LightRowsFirstThenFFmpegOnDemand) {
    const auto table = vt::audio::table_decodeurs();
    ASSERT_EQ(table.size(), 3u);
    const std::pair<const char*, bool> attendu[] = {
        {"mpg123", true}, {"libsndfile", true}, {"FFmpeg", false}};
    for (std::size_t i = 0; i < table.size(); ++i) {
        EXPECT_STREQ(table[i].nom, attendu[i].first) << i;
        EXPECT_EQ(table[i].leger, attendu[i].second) << i;
    }
}

// Rows whose openings are scripted: each notes its letter and whether the
// file was given to it from its start, then answers what the case says.
Ouverture reponses[3];
std::string essais;
bool depuis_le_debut = true;

template <int I>
Ouverture ouvrir_scripte(vt::audio::FichierAudio& f, int, const vt::audio::Signaux*,
                         std::unique_ptr<vt::audio::Decodeur>&) {
    essais += char('a' + I);
    depuis_le_debut = depuis_le_debut && ::lseek(f.fd, 0, SEEK_CUR) == 0;
    char octets[4];
    (void)::read(f.fd, octets, sizeof octets);  // the next row starts from the start again
    return reponses[I];
}

bool sauf_wav(std::string_view debut) { return debut.substr(0, 4) != "RIFF"; }
bool tout(std::string_view) { return true; }

TEST(TableDecodeurs, SearchStopsAtTheFirstRowThatOpensOrRefusesTheFile) {
    const vt::audio::EntreeDecodeur table[] = {
        {"a", &tout, &ouvrir_scripte<0>, true},
        {"b", &sauf_wav, &ouvrir_scripte<1>, true},
        {"c", &tout, &ouvrir_scripte<2>, false},
    };
    constexpr auto I = Ouverture::Inconnu, J = Ouverture::Injouable, O = Ouverture::Ouvert;
    const struct {
        const char* fichier;
        ChoixDecodeurs choix;
        Ouverture a, b, c;
        const char* essais;
        Ouverture resultat;
    } cas[] = {
        {"ton440.mp3", ChoixDecodeurs::Tous, O, O, O, "a", O},
        {"ton440.mp3", ChoixDecodeurs::Tous, I, O, O, "ab", O},
        {"ton440.mp3", ChoixDecodeurs::Tous, I, I, O, "abc", O},
        {"ton440.mp3", ChoixDecodeurs::Tous, I, I, I, "abc", I},
        {"ton440.mp3", ChoixDecodeurs::Tous, J, O, O, "a", J},
        {"ton440.mp3", ChoixDecodeurs::Tous, I, J, O, "ab", J},
        {"ton440.wav", ChoixDecodeurs::Tous, I, O, O, "ac", O},
        {"ton440.mp3", ChoixDecodeurs::SansFFmpeg, I, I, O, "ab", I},
        {"ton440.mp3", ChoixDecodeurs::FFmpegSeul, O, O, O, "c", O},
        {"ton440.wav", ChoixDecodeurs::FFmpegSeul, I, I, I, "c", I},
        {"texte.txt", ChoixDecodeurs::Tous, I, I, O, "abc", O},
        {"absent.mp3", ChoixDecodeurs::Tous, O, O, O, "", J},
        {"", ChoixDecodeurs::Tous, O, O, O, "", J},  // the fixtures' folder
    };
    const int descripteurs = descripteurs_ouverts();
    for (const auto& c : cas) {
        reponses[0] = c.a, reponses[1] = c.b, reponses[2] = c.c;
        essais.clear();
        depuis_le_debut = true;
        std::unique_ptr<vt::audio::Decodeur> d;
        const Ouverture o =
            vt::audio::ouvrir_decodeur(table, c.choix, fixture(c.fichier), kFrequence, nullptr, d);
        const std::string trace = std::string(c.fichier) + " " + std::to_string(int(c.choix)) + " " +
                                  std::to_string(int(c.a)) + std::to_string(int(c.b)) +
                                  std::to_string(int(c.c));
        EXPECT_EQ(essais, c.essais) << trace;
        EXPECT_EQ(o, c.resultat) << trace;
        EXPECT_TRUE(depuis_le_debut) << trace;
        EXPECT_EQ(descripteurs_ouverts(), descripteurs) << trace;
    }
}

}  // namespace
