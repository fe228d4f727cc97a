// The stream's ring across a seek: blocks the worker decoded for an older
// series are never read as the new series' sound.
#include "audio/flux_audio.h"
#include "support/dossier_temp.h"
#include "support/wav.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using vt::audio::FluxAudio;
using namespace std::chrono_literals;

// A 5 s tone: longer than the ring, so that the worker is still decoding
// when the series changes.
std::shared_ptr<FluxAudio> ouvrir_long(const vt::test::DossierTemp& d) {
    const std::string chemin = d.ecrire("long.wav", vt::test::octets_wav(5000));
    FluxAudio::Memoire m;
    return FluxAudio::ouvrir(chemin, 44100, m);
}

// Waits for a publication after `vue`.
bool attendre(FluxAudio& f, std::uint64_t vue) {
    return f.attendre_publication(vue, std::chrono::steady_clock::now() + 5s);
}

// After a new series starts and before the worker is asked for it, what
// the worker goes on publishing belongs to the old series: the reader sees
// nothing. Once asked, the head block is the new series' from the target.
TEST(FluxSerie, OlderSeriesBlocksAreDroppedByTheReader) {
    vt::test::DossierTemp d;
    std::shared_ptr<FluxAudio> f = ouvrir_long(d);
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(attendre(*f, 0));
    ASSERT_NE(f->tete(), nullptr);
    EXPECT_EQ(f->tete()->serie, 0u);

    const std::uint32_t serie = f->nouvelle_serie(88200);
    EXPECT_EQ(f->tete(), nullptr);  // the ring was emptied
    // The worker, not yet told, fills the freed ring for the old series.
    const std::uint64_t vue = f->publications();
    f->reveiller();
    ASSERT_TRUE(attendre(*f, vue));
    EXPECT_EQ(f->tete(), nullptr);
    EXPECT_EQ(f->disponible().trames, 0u);

    f->demander_position(serie, 88200);
    FluxAudio::Bloc* b = nullptr;
    for (int i = 0; i < 50; ++i) {
        const std::uint64_t v = f->publications();
        if ((b = f->tete())) break;
        attendre(*f, v);
    }
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->serie, serie);
    EXPECT_EQ(b->debut, 88200);
}

}  // namespace
