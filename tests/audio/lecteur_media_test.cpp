// The player object: engine start and end, and calls that find nothing to act on.
#include "audio/sortie_sdl.h"
#include "outils_audio.h"

#include <gtest/gtest.h>

namespace {

using namespace vt::test::audio;

// Creation initialises the engine and opens its output; the player starts
// with no stream and no channel.
TEST(LecteurMedia, CreationInitialisesTheEngine) {
    lecteur_media lm(std::make_unique<vt::SortieManuelle>());
    EXPECT_TRUE(lm.moteur().initialise());
    EXPECT_EQ(lm.flux, 0);
    EXPECT_EQ(lm.canal, -1);
    EXPECT_TRUE(static_cast<vt::SortieManuelle&>(*lm.moteur().sortie()).ouverte());
}

// Without a sound device the start fails silently: nothing opens, nothing
// plays, every query says so.
TEST(LecteurMedia, FailedStartOpensAndPlaysNothing) {
    lecteur_media lm(std::make_unique<vt::SortieManuelle>(false));
    EXPECT_FALSE(lm.moteur().initialise());
    lm.flux = lm.moteur().ouvrir_flux(fixture("ton440.wav"));
    EXPECT_EQ(lm.flux, 0);
    lm.canal = lm.moteur().jouer_flux(-1, lm.flux);
    EXPECT_EQ(lm.canal, -1);
    EXPECT_FALSE(lm.moteur().en_lecture(0));
    EXPECT_EQ(lm.moteur().longueur_ms(lm.flux), 0);
    auto& sortie = static_cast<vt::SortieManuelle&>(*lm.moteur().sortie());
    EXPECT_FALSE(sortie.ouverte());
    EXPECT_TRUE(silence(sortie.pomper(1000)));
}

// Destruction closes the engine and releases an open, playing stream: its
// decoder thread and its file are gone.
TEST(LecteurMedia, DestructionReleasesTheOpenStream) {
    int fils = fils_d_execution();
    int fd = descripteurs_ouverts();
    {
        MoteurDeTest l;
        ASSERT_TRUE(l.jouer("ton440.mp3"));
        l.pomper_ms(100);
        EXPECT_GT(fils_d_execution(), fils);
        EXPECT_GT(descripteurs_ouverts(), fd);
    }
    EXPECT_EQ(fils_d_execution(), fils);
    EXPECT_EQ(descripteurs_ouverts(), fd);
}

// Closing the engine by hand releases the stream too; later calls are harmless.
TEST(LecteurMedia, ClosedEngineAnswersNothingPlays) {
    MoteurDeTest l;
    ASSERT_TRUE(l.jouer("ton440.wav"));
    l.m.fermer();
    EXPECT_FALSE(l.m.initialise());
    EXPECT_FALSE(l.m.en_lecture(l.lm.canal));
    EXPECT_EQ(l.m.temps_ms(l.lm.flux), 0);
    EXPECT_EQ(l.m.longueur(l.lm.flux), 0);
    l.m.arreter_flux(l.lm.flux);
    l.m.fermer_flux(l.lm.flux);
    EXPECT_EQ(l.m.ouvrir_flux(fixture("ton440.wav")), 0);
}

// Every operation on no stream (0, unknown, closed) or no channel (-1,
// out of range, freed) is harmless, and the queries answer that nothing plays.
TEST(LecteurMedia, OperationsOnNothingAreHarmless) {
    MoteurDeTest l;
    int ferme = l.m.ouvrir_flux(fixture("ton440.wav"));
    int canal_libere = l.m.jouer_flux(-1, ferme);
    l.m.arreter_flux(ferme);
    l.m.fermer_flux(ferme);
    for (int flux : {0, -1, 12345, ferme}) {
        l.m.arreter_flux(flux);
        l.m.fermer_flux(flux);
        l.m.aller_a_ms(flux, 500);
        EXPECT_EQ(l.m.jouer_flux(-1, flux), -1);
        EXPECT_EQ(l.m.temps_ms(flux), 0);
        EXPECT_EQ(l.m.longueur_ms(flux), 0);
        EXPECT_EQ(l.m.position(flux), 0);
        EXPECT_EQ(l.m.longueur(flux), 0);
    }
    for (int canal : {-1, 32, 1000, -7, canal_libere}) {
        l.m.mettre_en_pause(canal, true);
        l.m.definir_volume(canal, 10);
        l.m.definir_pan(canal, 0);
        l.m.definir_muet(canal, true);
        EXPECT_FALSE(l.m.en_lecture(canal));
        EXPECT_FALSE(l.m.en_pause(canal));
    }
    // The engine still works afterwards, with default volume, pan and mute.
    ASSERT_TRUE(l.jouer("ton440.wav"));
    EXPECT_EQ(l.lm.canal, canal_libere);
    EXPECT_FALSE(l.m.en_pause(l.lm.canal));
    std::vector<float> s = l.pomper_ms(200);
    EXPECT_NEAR(efficace(cote(s, kDroite, 2205)), kEfficaceTon, 0.01);
}

// Stream handles are not reused while open; channels of closed streams are.
TEST(LecteurMedia, HandlesAndChannels) {
    MoteurDeTest l;
    int a = l.m.ouvrir_flux(fixture("ton440.wav"));
    int b = l.m.ouvrir_flux(fixture("ton440.wav"));
    EXPECT_GT(a, 0);
    EXPECT_GT(b, 0);
    EXPECT_NE(a, b);
    int ca = l.m.jouer_flux(-1, a);
    l.m.arreter_flux(a);
    l.m.fermer_flux(a);
    EXPECT_EQ(l.m.jouer_flux(-1, b), ca);
}

// Out-of-range volume and pan values are clamped, never wrapped.
TEST(LecteurMedia, VolumeAndPanAreClamped) {
    MoteurDeTest l;
    ASSERT_TRUE(l.jouer("ton440.wav"));
    l.m.definir_volume(l.lm.canal, 1000);
    l.m.definir_pan(l.lm.canal, -40);
    std::vector<float> s = l.pomper_ms(200);
    EXPECT_NEAR(efficace(cote(s, kGauche, 2205)), kEfficaceTon, 0.01);
    EXPECT_EQ(crete(cote(s, kDroite)), 0.0);
}

// The default player uses SDL (the dummy driver in tests): it starts and plays.
TEST(LecteurMedia, DefaultOutputIsSdl) {
    int fils = fils_d_execution();
    {
        lecteur_media lm;
        ASSERT_TRUE(lm.moteur().initialise());
        EXPECT_NE(dynamic_cast<vt::SortieSDL*>(lm.moteur().sortie()), nullptr);
        lm.flux = lm.moteur().ouvrir_flux(fixture("ton440.mp3"));
        lm.canal = lm.moteur().jouer_flux(-1, lm.flux);
        EXPECT_TRUE(lm.moteur().en_lecture(lm.canal));
        EXPECT_NEAR(double(lm.moteur().longueur_ms(lm.flux)), 1000.0, 60.0);
    }
    EXPECT_EQ(fils_d_execution(), fils);
}

}  // namespace
