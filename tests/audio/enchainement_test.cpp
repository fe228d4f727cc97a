// A stream queued on a channel follows the last frame of what plays: every
// format, another rate or channel count, the events that tell the caller.
#include "outils_audio.h"
#include "support/dossier_temp.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace vt::test::audio;
using Evenement = vt::MoteurAudio::Evenement;

// The longest run of frames whose left side stays within `seuil` of zero,
// in [debut, fin): a 440 Hz tone of amplitude 0.5 crosses zero in 1 frame.
std::size_t plus_long_silence(const std::vector<float>& s, std::size_t debut, std::size_t fin, float seuil) {
    std::size_t plus_long = 0, courant = 0;
    for (std::size_t i = debut; i < std::min(fin, s.size() / 2); ++i)
        plus_long = std::max(plus_long, courant = std::fabs(s[2 * i]) <= seuil ? courant + 1 : 0);
    return plus_long;
}

struct CasFormat {
    const char* nom;
    int format_a, taux_a, canaux_a;
    int format_b, taux_b, canaux_b;
    double saut;  // the largest jump allowed at the join, in tone slopes
};

class JointFormats : public ::testing::TestWithParam<CasFormat> {};

constexpr double kDureeA = 0.75, kDureeB = 0.5;

// Two halves of one tone, in a row: the join holds no silence and the wave
// goes on (within the codec's own error), and the whole lasts what the two
// files last: the encoders' delay and padding are not heard.
void verifier_joint(const std::string& a, const std::string& b, double saut) {
    MoteurDeTest l;
    l.lm.flux = l.m.ouvrir_flux(a);
    const int suivant = l.m.ouvrir_flux(b);
    ASSERT_NE(suivant, 0);
    l.lm.canal = l.m.jouer_flux(-1, l.lm.flux);
    ASSERT_GE(l.lm.canal, 0);
    ASSERT_TRUE(l.m.enchainer_flux(l.lm.canal, suivant));
    const std::vector<float> s = l.pomper_ms(int(1000 * (kDureeA + kDureeB)) + 200);
    const std::size_t joint = std::size_t(kDureeA * kFrequence);
    const std::size_t fin = std::size_t((kDureeA + kDureeB) * kFrequence);
    EXPECT_LE(plus_long_silence(s, joint - 2000, joint + 2000, 0.01f), 2u);
    const double pente = 2 * M_PI * 440 * kAmplitude / kFrequence;
    for (Cote cote : {kGauche, kDroite})
        EXPECT_LT(saut_max(std::vector<float>(s.begin() + 2 * 1000, s.begin() + 2 * (fin - 1000)), cote),
                  saut * pente);
    // Sound up to the end of the second file, then silence.
    EXPECT_GT(efficace(cote(s, kGauche, fin - 400, fin - 10)), 0.3);
    EXPECT_LT(efficace(cote(s, kGauche, fin + 10 * kFrequence / 1000, fin + 100 * kFrequence / 1000)), 0.01);
    EXPECT_EQ(l.m.position(suivant), l.m.longueur(suivant));
}

TEST_P(JointFormats, HalvesOfOneToneJoinWithoutSilence) {
    const CasFormat c = GetParam();
    vt::test::DossierTemp d;
    verifier_joint(ecrire_ton(d / "a", c.format_a, c.taux_a, c.canaux_a, 440, 0, kDureeA),
                   ecrire_ton(d / "b", c.format_b, c.taux_b, c.canaux_b, 440, kDureeA, kDureeB), c.saut);
}

INSTANTIATE_TEST_SUITE_P(Table, JointFormats,
                         ::testing::Values(CasFormat{"Wav", kWav, 44100, 2, kWav, 44100, 2, 1.05},
                                           CasFormat{"Flac", kFlac, 44100, 2, kFlac, 44100, 2, 1.05},
                                           CasFormat{"Ogg", kOgg, 44100, 2, kOgg, 44100, 2, 1.5},
                                           CasFormat{"Mp3", kMp3, 44100, 2, kMp3, 44100, 2, 1.5},
                                           CasFormat{"Rate44To48", kWav, 44100, 2, kWav, 48000, 2, 1.2},
                                           CasFormat{"MonoToStereo", kWav, 44100, 1, kFlac, 44100, 2, 1.05}),
                         [](const auto& i) { return std::string(i.param.nom); });

// Formats only FFmpeg reads, from files its encoders wrote: AAC in MP4
// carries its priming and padding in the container's edit list.
TEST(JointFichiers, AacHalvesJoinWithoutSilence) {
    verifier_joint(fixture("moitie_a.m4a"), fixture("moitie_b.m4a"), 2.0);
}

// The events: the decoder's end of what plays, told again after a seek for
// the new series only; the join, once heard; a queue dropped never plays.
TEST(JointEvenements, DecoderEndJoinHeardAndDroppedQueue) {
    MoteurDeTest l;
    int reveils = 0;
    l.m.definir_reveil([&] { ++reveils; });
    ASSERT_TRUE(l.jouer("ton1000.wav"));
    std::int64_t attente = 0;
    auto evenements = [&](Evenement::Type type) {
        std::vector<int> r;
        for (const Evenement& x : l.m.evenements(attente))
            if (x.type == type) r.push_back(x.flux);
        return r;
    };
    for (int fois = 0; fois < 2; ++fois) {
        for (int k = 0; k < 1000 && !l.m.decodage_fini(l.lm.flux); ++k) usleep(5000);
        ASSERT_TRUE(l.m.decodage_fini(l.lm.flux));
        if (fois == 0) l.m.aller_a_ms(l.lm.flux, 10);  // the end told for the first series is old now
    }
    usleep(20000);
    EXPECT_EQ(evenements(Evenement::Type::FinDecodee), std::vector<int>{l.lm.flux});
    EXPECT_GT(reveils, 0);
    const int retire = l.m.ouvrir_flux(fixture("ton440.wav")),
              suivant = l.m.ouvrir_flux(fixture("ton440.wav"));
    ASSERT_TRUE(l.m.enchainer_flux(l.lm.canal, retire));
    EXPECT_TRUE(l.m.retirer_enchainement(l.lm.canal) && !l.m.retirer_enchainement(l.lm.canal));
    ASSERT_TRUE(l.m.enchainer_flux(l.lm.canal, suivant));
    EXPECT_FALSE(l.m.enchainer_flux(l.lm.canal, suivant));  // queued already
    l.pomper(1024);
    EXPECT_TRUE(evenements(Evenement::Type::Entendu).empty());
    l.pomper_jusqua_fin();
    EXPECT_EQ(evenements(Evenement::Type::Entendu), std::vector<int>{suivant});
    EXPECT_TRUE(l.m.en_lecture(l.lm.canal) && l.m.position(retire) == 0);
    l.m.definir_reveil({});
    // Played out with nothing queued: too late to queue.
    while (l.m.position(suivant) != l.m.longueur(suivant)) l.pomper(1024);
    EXPECT_FALSE(l.m.enchainer_flux(l.lm.canal, l.m.ouvrir_flux(fixture("ton440.wav"))));
}

}  // namespace
