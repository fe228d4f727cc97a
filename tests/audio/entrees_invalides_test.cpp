// Bad input never crashes and never hangs: open returns 0, or what can be
// decoded plays and then ends like any finished track.
#include "outils_audio.h"
#include "support/dossier_temp.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <cstdlib>

namespace {

using namespace vt::test::audio;
using vt::test::DossierTemp;
using vt::test::lire_fichier;

// Plays an opened stream to its end and through its second of silence;
// false when it has not ended after `max_ms` of output.
bool jouer_jusqua_la_fin(MoteurDeTest& l, int max_ms = 5000) {
    for (int ms = 0; ms < max_ms; ms += 100) {
        if (!l.m.en_lecture(l.lm.canal)) return l.a_la_fin();
        l.pomper_ms(100);
    }
    return false;
}

// Files that hold no audio at all are refused.
TEST(EntreesInvalides, NoAudioMeansNoStream) {
    DossierTemp dossier;
    std::string vide_wav = dossier.ecrire("vide.wav", "");
    std::string dossier_mp3 = dossier / "dossier.mp3";
    ::mkdir(dossier_mp3.c_str(), 0700);
    std::string tube = dossier / "tube.mp3";
    ASSERT_EQ(::mkfifo(tube.c_str(), 0600), 0);
    MoteurDeTest l;
    for (const std::string& chemin :
         {fixture("vide.mp3"), fixture("image.png"), fixture("texte.txt"), vide_wav, dossier_mp3, tube,
          dossier / "absent.mp3", std::string(), std::string("http://localhost/x.mp3"), dossier.chemin()}) {
        EXPECT_EQ(l.m.ouvrir_flux(chemin), 0) << chemin;
    }
}

// Random bytes named .mp3 either are refused or play out and end.
TEST(EntreesInvalides, RandomBytesNeverHang) {
    MoteurDeTest l;
    l.lm.flux = l.m.ouvrir_flux(fixture("aleatoire.mp3"));
    if (l.lm.flux == 0) return;
    l.lm.canal = l.m.jouer_flux(-1, l.lm.flux);
    EXPECT_TRUE(jouer_jusqua_la_fin(l));
}

// A truncated MP3 plays the part that is there and ends; its length becomes
// what was decoded.
TEST(EntreesInvalides, TruncatedMp3PlaysWhatIsThere) {
    MoteurDeTest l;
    ASSERT_TRUE(l.jouer("tronque.mp3"));
    std::vector<float> s = l.pomper_jusqua_fin();
    EXPECT_TRUE(l.a_la_fin());
    EXPECT_NEAR(frequence(cote(s, kGauche, 2205, 13000)), 440.0, 5.0);
    EXPECT_GT(l.m.longueur_ms(l.lm.flux), 250);
    EXPECT_LT(l.m.longueur_ms(l.lm.flux), 600);
    EXPECT_TRUE(jouer_jusqua_la_fin(l));
}

// A WAV whose header claims a second but holds a quarter of it plays the
// quarter and ends like a finished track.
TEST(EntreesInvalides, WavClaimingMoreDataEndsWhereTheDataEnds) {
    MoteurDeTest l;
    ASSERT_TRUE(l.jouer("menteur.wav"));
    std::vector<float> s = l.pomper_jusqua_fin();
    EXPECT_TRUE(l.a_la_fin());
    EXPECT_NEAR(double(l.m.longueur_ms(l.lm.flux)), 250.0, 5.0);
    EXPECT_NEAR(double(s.size() / 2), 11025.0, 1024.0);
    EXPECT_NEAR(efficace(cote(s, kGauche, 1000, 10000)), kEfficaceTon, 0.01);
    EXPECT_TRUE(jouer_jusqua_la_fin(l));
}

// An MP3 whose second half is garbage plays its first half and ends.
TEST(EntreesInvalides, UndecodableMidwayEndsLikeAFinishedTrack) {
    DossierTemp dossier;
    std::string mp3 = lire_fichier(fixture("ton440.mp3"));
    std::string bruit = lire_fichier(fixture("aleatoire.mp3"));
    std::string chemin = dossier.ecrire("moitie.mp3", mp3.substr(0, mp3.size() / 2) + bruit);
    MoteurDeTest l;
    l.lm.flux = l.m.ouvrir_flux(chemin);
    ASSERT_NE(l.lm.flux, 0);
    l.lm.canal = l.m.jouer_flux(-1, l.lm.flux);
    std::vector<float> s = l.pomper_ms(300);
    EXPECT_NEAR(frequence(cote(s, kGauche, 2205)), 440.0, 5.0);
    EXPECT_TRUE(jouer_jusqua_la_fin(l));
}

// Every prefix length of an MP3 and a WAV file opens or is refused without
// harm, and whatever opens ends.
TEST(EntreesInvalides, EveryTruncationEnds) {
    DossierTemp dossier;
    MoteurDeTest l;
    for (const char* nom : {"ton440.mp3", "ton440.wav", "ton440.ogg", "ton440.wma"}) {
        std::string octets = lire_fichier(fixture(nom));
        for (std::size_t n :
             {std::size_t(1), std::size_t(4), std::size_t(12), std::size_t(44), std::size_t(45),
              std::size_t(100), std::size_t(417), std::size_t(1000), octets.size() / 3}) {
            std::string chemin =
                dossier.ecrire(std::string("coupe_") + std::to_string(n) + "_" + nom, octets.substr(0, n));
            l.lm.flux = l.m.ouvrir_flux(chemin);
            if (l.lm.flux == 0) continue;
            l.lm.canal = l.m.jouer_flux(-1, l.lm.flux);
            EXPECT_TRUE(jouer_jusqua_la_fin(l)) << nom << " " << n;
            l.arreter();
        }
    }
}

// FFmpeg says nothing about bad files unless VANTREL_JOURNAL_AUDIO asks it to.
TEST(EntreesInvalides, FfmpegLogStaysQuiet) {
    ASSERT_EQ(std::getenv("VANTREL_JOURNAL_AUDIO"), nullptr);
    ::testing::internal::CaptureStderr();
    {
        MoteurDeTest l;
        for (const char* nom : {"aleatoire.mp3", "tronque.mp3", "menteur.wav", "image.png", "texte.txt"}) {
            l.lm.flux = l.m.ouvrir_flux(fixture(nom));
            if (l.lm.flux == 0) continue;
            l.lm.canal = l.m.jouer_flux(-1, l.lm.flux);
            jouer_jusqua_la_fin(l);
            l.arreter();
        }
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

}  // namespace
