// A file whose header claims an absurd sample rate (hundreds of MHz, as a
// damaged or crafted WAV may) costs no more than a file without sound: its
// frames are not resampled, the stream ends, and memory stays small.
#include "audio/decodeur.h"
#include "outils_audio.h"
#include "support/dossier_temp.h"
#include "support/wav.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

using namespace vt::test::audio;
using vt::test::DossierTemp;

// 0x20005622 Hz: the rate of a WAV that fuzzing found, one byte away from
// 22050 Hz. Merely setting up a resampler from it to 44.1 kHz takes over a
// gigabyte and seconds of CPU, again for every frame.
TEST(FrequenceAbsurde, HugeSampleRateIsNotResampledAndEnds) {
    std::string octets = vt::test::octets_wav(100);
    const std::uint32_t taux = 0x20005622;
    for (int i = 0; i < 4; ++i)
        octets[std::size_t(24 + i)] = char((taux >> (8 * i)) & 0xff);  // fmt: sample rate
    DossierTemp dossier;
    const std::string chemin = dossier.ecrire("absurde.wav", octets);

    MoteurDeTest l;
    l.lm.flux = l.m.ouvrir_flux(chemin);
    if (l.lm.flux != 0) {  // refused, or opened and then ending without a sound
        l.lm.canal = l.m.jouer_flux(-1, l.lm.flux);
        std::vector<float> s = l.pomper_jusqua_fin(kFrequence);
        EXPECT_TRUE(l.a_la_fin());
        EXPECT_TRUE(silence(s));
        l.arreter();
    }
    rusage r{};
    ::getrusage(RUSAGE_SELF, &r);
    EXPECT_LT(r.ru_maxrss, 1024L * 1024) << "peak resident memory, KiB";
}

// Rates no sound has (below 1 kHz, above 768 kHz) make a file that cannot
// be played, with either decoder: a 176 KB WAV claiming 1 Hz would last two
// days and take gigabytes to resample.
TEST(FrequenceAbsurde, ImpossibleRatesCannotBePlayed) {
    DossierTemp dossier;
    for (std::uint32_t taux : {1u, 999u, 768001u})
        for (auto choix : {vt::audio::ChoixDecodeurs::Tous, vt::audio::ChoixDecodeurs::FFmpegSeul}) {
            std::string octets = vt::test::octets_wav(2000);
            for (int i = 0; i < 4; ++i) octets[std::size_t(24 + i)] = char((taux >> (8 * i)) & 0xff);
            MoteurDeTest l(choix);
            EXPECT_EQ(l.m.ouvrir_flux(dossier.ecrire("taux.wav", octets)), 0) << taux << " Hz";
        }
}

}  // namespace
