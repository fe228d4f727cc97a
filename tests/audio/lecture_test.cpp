// What comes out of the engine, pumped by hand: tones of every format,
// volume, pan, mute, pause, seek, the end of a track and click-free changes.
#include "outils_audio.h"

#include <gtest/gtest.h>

namespace {

using namespace vt::test::audio;

// ------------------------------------------------------------ formats

struct CasTon {
    const char* fichier;
    double hertz;
};

void PrintTo(const CasTon& cas, std::ostream* os) { *os << cas.fichier; }

class TonParFormat : public ::testing::TestWithParam<CasTon> {};

// Every format decodes to the tone it holds, at its level, on both sides,
// resampled to 44.1 kHz when the file is at another rate.
TEST_P(TonParFormat, PlaysTheToneAtItsFrequencyAndLevel) {
    const CasTon& cas = GetParam();
    MoteurDeTest l;
    ASSERT_TRUE(l.jouer(cas.fichier));
    EXPECT_TRUE(l.m.en_lecture(l.lm.canal));
    EXPECT_NEAR(double(l.m.longueur_ms(l.lm.flux)), 1000.0, 60.0);
    std::vector<float> s = l.pomper_ms(900);
    for (Cote c : {kGauche, kDroite}) {
        std::vector<float> x = cote(s, c, 4410, 39690);
        EXPECT_NEAR(frequence(x), cas.hertz, cas.hertz * 0.01) << cas.fichier;
        EXPECT_NEAR(efficace(x), kEfficaceTon, kEfficaceTon * 0.08) << cas.fichier;
    }
    EXPECT_NEAR(double(l.m.temps_ms(l.lm.flux)), 900.0, 1.0);
}

INSTANTIATE_TEST_SUITE_P(Formats, TonParFormat,
                         ::testing::Values(CasTon{"ton440.mp3", 440}, CasTon{"ton440.wav", 440},
                                           CasTon{"ton440.wma", 440}, CasTon{"ton440.ogg", 440},
                                           CasTon{"ton440.flac", 440}, CasTon{"ton440.m4a", 440},
                                           CasTon{"ton1000.mp3", 1000}, CasTon{"ton1000.wav", 1000},
                                           CasTon{"ton1000.wma", 1000}, CasTon{"ton1000.ogg", 1000},
                                           CasTon{"pochette.mp3", 440}),
                         [](const auto& info) {
                             std::string n = info.param.fichier;
                             for (char& c : n)
                                 if (c == '.') c = '_';
                             return n;
                         });

// A stream whose sample rate changes in the middle (MP3 frames at 48 kHz,
// then at 32 kHz): the resampler follows the change, so each part keeps its
// tone's frequency and level and the length is that of both parts (a
// resampler kept from the first part would play the second at the wrong
// speed: 1.5 kHz or 667 Hz, and half a second longer or a third shorter).
TEST(Lecture, SampleRateChangeMidStreamKeepsToneLevelAndLength) {
    MoteurDeTest l;
    ASSERT_TRUE(l.jouer("deux_frequences.mp3"));
    std::vector<float> s = l.pomper_jusqua_fin();
    ASSERT_TRUE(l.a_la_fin());
    const std::size_t ms = kFrequence / 1000;
    for (Cote c : {kGauche, kDroite}) {
        std::vector<float> avant = cote(s, c, 100 * ms, 900 * ms);
        std::vector<float> apres = cote(s, c, 1200 * ms, 1900 * ms);
        EXPECT_NEAR(frequence(avant), 440.0, 4.4);
        EXPECT_NEAR(efficace(avant), kEfficaceTon, kEfficaceTon * 0.08);
        EXPECT_NEAR(frequence(apres), 1000.0, 10.0);
        EXPECT_NEAR(efficace(apres), kEfficaceTon, kEfficaceTon * 0.08);
    }
    // Two seconds and the encoder's delay and padding of each part.
    EXPECT_GE(l.m.longueur_ms(l.lm.flux), 1990);
    EXPECT_LE(l.m.longueur_ms(l.lm.flux), 2120);
    EXPECT_NEAR(double(s.size() / 2), double(l.m.longueur(l.lm.flux)), 1024.0);
}

// A stereo file keeps its left and right channels apart.
TEST(Lecture, StereoFileKeepsItsSides) {
    MoteurDeTest l;
    ASSERT_TRUE(l.jouer("stereo.wav"));
    std::vector<float> s = l.pomper_ms(400);
    EXPECT_NEAR(frequence(cote(s, kGauche, 2205)), 440.0, 4.4);
    EXPECT_NEAR(frequence(cote(s, kDroite, 2205)), 1000.0, 10.0);
}

// MP3 encoder delay and padding are trimmed: the one-second file gives
// exactly 44100 frames, the 50 ms one 2205.
TEST(Lecture, Mp3DelayAndPaddingAreTrimmed) {
    for (auto [nom, attendu] : {std::pair{"ton440.mp3", 44100}, std::pair{"court.mp3", 2205}}) {
        MoteurDeTest l;
        ASSERT_TRUE(l.jouer(nom));
        std::vector<float> s = l.pomper_jusqua_fin();
        EXPECT_EQ(s.size() / 2, std::size_t(((attendu + 1023) / 1024) * 1024)) << nom;
        EXPECT_EQ(l.m.longueur(l.lm.flux), attendu) << nom;
        // The tone starts at once: no decoder delay in front of it.
        EXPECT_GT(crete(cote(s, kGauche, 0, 200)), 0.3) << nom;
    }
}

// ------------------------------------------------------------ controls

// Volume 0 is silence, 128 about half the level, 255 the file's level.
TEST(Controles, VolumeScalesTheLevel) {
    for (int volume : {0, 128, 255}) {
        MoteurDeTest l;
        ASSERT_TRUE(l.jouer("ton440.wav"));
        l.m.definir_volume(l.lm.canal, volume);
        std::vector<float> s = l.pomper_ms(300);
        double attendu = kEfficaceTon * volume / 255.0;
        for (Cote c : {kGauche, kDroite}) {
            if (volume == 0) {
                EXPECT_EQ(crete(cote(s, c)), 0.0);
            } else {
                EXPECT_NEAR(efficace(cote(s, c, 2205)), attendu, attendu * 0.03) << volume;
            }
        }
    }
}

// Pan 0 silences the right side, 255 the left; the centre keeps both at full level.
TEST(Controles, PanSilencesTheOppositeSide) {
    struct Cas {
        int pan;
        double gauche, droite;
    };
    for (Cas cas : {Cas{0, 1, 0}, Cas{255, 0, 1}, Cas{128, 1, 1}, Cas{64, 1, 0.5}}) {
        MoteurDeTest l;
        ASSERT_TRUE(l.jouer("ton440.wav"));
        l.m.definir_pan(l.lm.canal, cas.pan);
        std::vector<float> s = l.pomper_ms(300);
        EXPECT_NEAR(efficace(cote(s, kGauche, 2205)), kEfficaceTon * cas.gauche, 0.01) << cas.pan;
        EXPECT_NEAR(efficace(cote(s, kDroite, 2205)), kEfficaceTon * cas.droite, 0.01) << cas.pan;
        if (cas.droite == 0) {
            EXPECT_EQ(crete(cote(s, kDroite)), 0.0);
        }
        if (cas.gauche == 0) {
            EXPECT_EQ(crete(cote(s, kGauche)), 0.0);
        }
    }
}

// A change of volume or pan while playing is heard within a few milliseconds.
TEST(Controles, ChangesAreHeardAtOnce) {
    MoteurDeTest l;
    ASSERT_TRUE(l.jouer("ton440.wav"));
    l.pomper_ms(100);
    l.m.definir_pan(l.lm.canal, 0);
    std::vector<float> s = l.pomper_ms(100);
    EXPECT_EQ(crete(cote(s, kDroite, 300)), 0.0);
    EXPECT_GT(crete(cote(s, kGauche, 300)), 0.45);
    l.m.definir_volume(l.lm.canal, 0);
    s = l.pomper_ms(100);
    EXPECT_TRUE(silence(s, 300));
}

// Mute silences the channel while the track goes on; unmuting brings it back.
TEST(Controles, MuteSilencesWhileTimeRuns) {
    MoteurDeTest l;
    ASSERT_TRUE(l.jouer("ton440.wav"));
    l.pomper_ms(200);
    l.m.definir_muet(l.lm.canal, true);
    std::vector<float> s = l.pomper_ms(200);
    EXPECT_TRUE(silence(s, 300));
    EXPECT_TRUE(l.m.en_lecture(l.lm.canal));
    EXPECT_NEAR(double(l.m.temps_ms(l.lm.flux)), 400.0, 1.0);
    l.m.definir_muet(l.lm.canal, false);
    s = l.pomper_ms(200);
    EXPECT_NEAR(efficace(cote(s, kGauche, 300)), kEfficaceTon, 0.01);
}

// Pause freezes the output and the time; resume goes on from the same place.
TEST(Controles, PauseFreezesTimeAndOutput) {
    MoteurDeTest l;
    ASSERT_TRUE(l.jouer("ton440.wav"));
    l.pomper_ms(200);
    EXPECT_FALSE(l.m.en_pause(l.lm.canal));
    l.m.mettre_en_pause(l.lm.canal, true);
    EXPECT_TRUE(l.m.en_pause(l.lm.canal));
    EXPECT_TRUE(l.m.en_lecture(l.lm.canal));
    std::vector<float> s = l.pomper_ms(100);
    EXPECT_TRUE(silence(s, 300));
    std::int64_t fige = l.m.temps_ms(l.lm.flux);
    EXPECT_NEAR(double(fige), 200.0, 10.0);
    s = l.pomper_ms(500);
    EXPECT_TRUE(silence(s));
    EXPECT_EQ(l.m.temps_ms(l.lm.flux), fige);
    l.m.mettre_en_pause(l.lm.canal, false);
    EXPECT_FALSE(l.m.en_pause(l.lm.canal));
    s = l.pomper_ms(200);
    EXPECT_NEAR(efficace(cote(s, kGauche, 300)), kEfficaceTon, 0.01);
    EXPECT_NEAR(double(l.m.temps_ms(l.lm.flux)), double(fige) + 200.0, 1.0);
}

// Paused is reported only while paused: not after a stop.
TEST(Controles, StopClearsThePausedState) {
    MoteurDeTest l;
    ASSERT_TRUE(l.jouer("ton440.wav"));
    int canal = l.lm.canal;
    l.m.mettre_en_pause(canal, true);
    l.m.arreter_flux(l.lm.flux);
    EXPECT_FALSE(l.m.en_pause(canal));
    EXPECT_FALSE(l.m.en_lecture(canal));
    l.m.fermer_flux(l.lm.flux);
    EXPECT_FALSE(l.m.en_pause(canal));
}

// A seek moves the time at once and playback goes on from there.
TEST(Controles, SeekGoesOnFromTheNewPlace) {
    for (const char* nom : {"deux_tons.wav", "deux_tons.mp3"}) {
        MoteurDeTest l;
        ASSERT_TRUE(l.jouer(nom));
        std::vector<float> s = l.pomper_ms(200);
        EXPECT_NEAR(frequence(cote(s, kGauche, 441)), 440.0, 5.0) << nom;
        l.m.aller_a_ms(l.lm.flux, 700);
        EXPECT_EQ(l.m.temps_ms(l.lm.flux), 700) << nom;
        s = l.pomper_ms(200);
        EXPECT_NEAR(frequence(cote(s, kGauche, 441)), 1000.0, 10.0) << nom;
        EXPECT_NEAR(double(l.m.temps_ms(l.lm.flux)), 900.0, 30.0) << nom;
        l.m.aller_a_ms(l.lm.flux, 100);
        s = l.pomper_ms(200);
        EXPECT_NEAR(frequence(cote(s, kGauche, 441)), 440.0, 5.0) << nom;
        EXPECT_NEAR(double(l.m.temps_ms(l.lm.flux)), 300.0, 30.0) << nom;
    }
}

// Seek targets are clamped to the track; seeking to the end ends it. The
// length is the one read before the seek: a target past the end must move
// neither the time beyond it nor the length with it.
TEST(Controles, SeekIsClampedToTheTrack) {
    MoteurDeTest l;
    ASSERT_TRUE(l.jouer("ton440.wav"));
    l.pomper_ms(100);
    const std::int64_t longueur_ms = l.m.longueur_ms(l.lm.flux);
    const std::int64_t longueur = l.m.longueur(l.lm.flux);
    ASSERT_NEAR(double(longueur_ms), 1000.0, 60.0);
    l.m.aller_a_ms(l.lm.flux, -500);
    EXPECT_EQ(l.m.temps_ms(l.lm.flux), 0);
    l.m.aller_a_ms(l.lm.flux, 1'000'000);
    EXPECT_EQ(l.m.temps_ms(l.lm.flux), longueur_ms);
    EXPECT_EQ(l.m.longueur_ms(l.lm.flux), longueur_ms);
    l.pomper_ms(50);
    EXPECT_TRUE(l.a_la_fin());
    EXPECT_TRUE(l.m.en_lecture(l.lm.canal));
    EXPECT_EQ(l.m.position(l.lm.flux), longueur);
    EXPECT_EQ(l.m.longueur(l.lm.flux), longueur);
    EXPECT_EQ(l.m.temps_ms(l.lm.flux), longueur_ms);
}

// A seek while the track is in its end silence plays again from there.
TEST(Controles, SeekAfterTheEndPlaysAgain) {
    MoteurDeTest l;
    ASSERT_TRUE(l.jouer("ton440.wav"));
    l.pomper_jusqua_fin();
    l.m.aller_a_ms(l.lm.flux, 500);
    EXPECT_FALSE(l.a_la_fin());
    std::vector<float> s = l.pomper_ms(200);
    EXPECT_NEAR(efficace(cote(s, kGauche, 300)), kEfficaceTon, 0.01);
}

// Pause, resume, mute, volume, stop and seek ramp the level: no sample jumps
// further than the tone itself moves (a click would jump by up to 0.5).
TEST(Controles, ChangesNeverClick) {
    MoteurDeTest l;
    ASSERT_TRUE(l.jouer("ton440.wav"));
    const double pente = 2 * 3.14159265 * 440 * kAmplitude / kFrequence;  // 0.031
    std::vector<float> s = l.pomper_ms(50);
    auto etape = [&](auto action) {
        action();
        s = concat(s, l.pomper_ms(50));
    };
    etape([&] { l.m.mettre_en_pause(l.lm.canal, true); });
    etape([&] { l.m.mettre_en_pause(l.lm.canal, false); });
    etape([&] { l.m.definir_muet(l.lm.canal, true); });
    etape([&] { l.m.definir_muet(l.lm.canal, false); });
    etape([&] { l.m.definir_volume(l.lm.canal, 0); });
    etape([&] { l.m.definir_volume(l.lm.canal, 255); });
    etape([&] { l.m.definir_pan(l.lm.canal, 255); });
    etape([&] { l.m.aller_a_ms(l.lm.flux, 123); });
    etape([&] { l.m.aller_a_ms(l.lm.flux, 777); });
    etape([&] { l.m.arreter_flux(l.lm.flux); });
    for (Cote c : {kGauche, kDroite}) EXPECT_LT(saut_max(s, c), 2.2 * pente);
    EXPECT_TRUE(silence(l.pomper_ms(50)));
}

// ------------------------------------------------------------ end of a track

// The read position reaches the length with the last rendered frame, not
// before; the channel then plays one second of silence, then ends.
TEST(FinDePiste, PositionReachesLengthWithTheLastFrameThenOneSecondOfSilence) {
    MoteurDeTest l;
    ASSERT_TRUE(l.jouer("ton440.mp3"));
    std::vector<float> s = l.pomper(44100 - 1);
    EXPECT_FALSE(l.a_la_fin());
    EXPECT_LT(l.m.position(l.lm.flux), l.m.longueur(l.lm.flux));
    EXPECT_TRUE(l.m.en_lecture(l.lm.canal));
    std::vector<float> dernier = l.pomper(1);
    EXPECT_NE(dernier[0], 0.0f);
    EXPECT_TRUE(l.a_la_fin());
    EXPECT_EQ(l.m.longueur(l.lm.flux), 44100);
    EXPECT_EQ(l.m.temps_ms(l.lm.flux), l.m.longueur_ms(l.lm.flux));
    EXPECT_EQ(l.m.longueur_ms(l.lm.flux), 1000);
    s = l.pomper(44100 - 1);
    EXPECT_TRUE(silence(s));
    EXPECT_TRUE(l.m.en_lecture(l.lm.canal));
    EXPECT_TRUE(l.a_la_fin());
    l.pomper(1);
    EXPECT_FALSE(l.m.en_lecture(l.lm.canal));
    EXPECT_TRUE(l.a_la_fin());
    EXPECT_FALSE(l.m.en_pause(l.lm.canal));
}

// A 50 ms file in every format still reports its end while playing for at
// least a second, so that a 400 ms timer always sees it.
TEST(FinDePiste, ShortFilesStayAtTheirEndForASecond) {
    for (const char* nom : {"court.mp3", "court.wav", "court.ogg", "court.wma"}) {
        MoteurDeTest l;
        ASSERT_TRUE(l.jouer(nom)) << nom;
        std::vector<float> s = l.pomper_jusqua_fin();
        EXPECT_LT(s.size() / 2, std::size_t(8192)) << nom;
        EXPECT_GT(crete(cote(s, kGauche)), 0.3) << nom;
        int ticks = 0;
        while (l.m.en_lecture(l.lm.canal) && ticks < 10) {
            EXPECT_TRUE(l.a_la_fin()) << nom;
            l.pomper_ms(400);
            ++ticks;
        }
        EXPECT_GE(ticks, 3) << nom;
        EXPECT_LE(ticks, 4) << nom;
    }
}

// Pausing during the end silence holds the end: the channel keeps playing.
TEST(FinDePiste, PauseHoldsTheEndSilence) {
    MoteurDeTest l;
    ASSERT_TRUE(l.jouer("court.wav"));
    l.pomper_jusqua_fin();
    l.m.mettre_en_pause(l.lm.canal, true);
    l.pomper_ms(3000);
    EXPECT_TRUE(l.m.en_lecture(l.lm.canal));
    l.m.mettre_en_pause(l.lm.canal, false);
    l.pomper_ms(1100);
    EXPECT_FALSE(l.m.en_lecture(l.lm.canal));
}

// Starting the next track as soon as the end is reported cuts nothing: the
// previous track's last frame was already rendered.
TEST(FinDePiste, NextTrackAtTheEndCutsNoTail) {
    MoteurDeTest l;
    ASSERT_TRUE(l.jouer("ton440.wav"));
    std::vector<float> s = l.pomper_jusqua_fin();
    std::int64_t n = l.m.longueur(l.lm.flux);
    // Every frame of the track came out before the end was reported.
    EXPECT_GT(std::fabs(s[2 * std::size_t(n - 1)]) + std::fabs(s[2 * std::size_t(n - 2)]), 0.0f);
    EXPECT_TRUE(silence(s, std::size_t(n)));
    l.arreter();
    ASSERT_TRUE(l.jouer("ton1000.wav"));
    s = l.pomper_ms(200);
    EXPECT_NEAR(frequence(cote(s, kGauche)), 1000.0, 10.0);
}

// Playing a stream again starts it from its beginning.
TEST(FinDePiste, PlayingAgainRestartsFromTheBeginning) {
    MoteurDeTest l;
    ASSERT_TRUE(l.jouer("deux_tons.wav"));
    l.pomper_ms(800);
    int canal = l.m.jouer_flux(-1, l.lm.flux);
    EXPECT_GE(canal, 0);
    EXPECT_EQ(l.m.temps_ms(l.lm.flux), 0);
    std::vector<float> s = l.pomper_ms(200);
    EXPECT_NEAR(frequence(cote(s, kGauche, 441)), 440.0, 5.0);
    EXPECT_TRUE(l.m.en_lecture(canal));
}

// Two streams play on two channels and are mixed; stopping one leaves the other.
TEST(Canaux, TwoStreamsMixOnTwoChannels) {
    MoteurDeTest l;
    vt::MoteurAudio& m = l.m;
    int a = m.ouvrir_flux(fixture("ton440.wav"));
    int b = m.ouvrir_flux(fixture("ton1000.wav"));
    int ca = m.jouer_flux(-1, a);
    int cb = m.jouer_flux(-1, b);
    ASSERT_GE(ca, 0);
    ASSERT_GE(cb, 0);
    EXPECT_NE(ca, cb);
    m.definir_pan(ca, 0);
    m.definir_pan(cb, 255);
    std::vector<float> s = l.pomper_ms(300);
    EXPECT_NEAR(frequence(cote(s, kGauche)), 440.0, 5.0);
    EXPECT_NEAR(frequence(cote(s, kDroite)), 1000.0, 10.0);
    m.arreter_flux(a);
    m.fermer_flux(a);
    EXPECT_FALSE(m.en_lecture(ca));
    EXPECT_TRUE(m.en_lecture(cb));
    s = l.pomper_ms(200);
    EXPECT_EQ(crete(cote(s, kGauche, 300)), 0.0);
    EXPECT_GT(crete(cote(s, kDroite)), 0.45);
    m.fermer_flux(b);
}

// A channel asked for by number is used, and what played there stops.
TEST(Canaux, RequestedChannelIsUsed) {
    MoteurDeTest l;
    vt::MoteurAudio& m = l.m;
    int a = m.ouvrir_flux(fixture("ton440.wav"));
    int b = m.ouvrir_flux(fixture("ton1000.wav"));
    EXPECT_EQ(m.jouer_flux(5, a), 5);
    EXPECT_EQ(m.jouer_flux(5, b), 5);
    std::vector<float> s = l.pomper_ms(200);
    EXPECT_NEAR(frequence(cote(s, kGauche, 441)), 1000.0, 10.0);
    m.arreter_flux(a);  // no longer on a channel: harmless
    EXPECT_TRUE(m.en_lecture(5));
}

}  // namespace
