// A file whose probe does not end holds neither the caller nor the engine's
// end. The probe is a row of the decoder table put before the real ones:
// it takes the files starting with "BLOQUE" and waits to be let go (at most
// 5 s, so that an engine that waits for it fails rather than hangs), heeding
// the stop signal or, `sourd`, not (like FFmpeg deep in a header).
#include "audio/ouverture_flux.h"
#include "outils_audio.h"
#include "support/dossier_temp.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Horloge = std::chrono::steady_clock;
using vt::audio::OuverturesFlux;

struct {
    std::mutex m;
    bool libre = false, sourd = false;
    int en_cours = 0;               // probes running
    std::atomic<int> decodeurs{0};  // made by them and not destroyed
} barriere;

struct DecodeurMuet final : vt::audio::Decodeur {
    ~DecodeurMuet() override { --barriere.decodeurs; }
    std::int64_t longueur() const override { return 1; }
    bool remplir(vt::audio::Tranche& t) override { return t.fin = true; }
    void chercher(std::int64_t) override {}
    const char* nom() const override { return "muet"; }
};

vt::audio::Ouverture bloquer(vt::audio::FichierAudio&, int, const vt::audio::Signaux* s,
                             std::unique_ptr<vt::audio::Decodeur>& d) {
    std::unique_lock<std::mutex> g(barriere.m);
    ++barriere.en_cours;
    for (auto fin = Horloge::now() + 5s;
         !barriere.libre && (barriere.sourd || !s->leve()) && Horloge::now() < fin;) {
        g.unlock();
        std::this_thread::sleep_for(2ms);
        g.lock();
    }
    --barriere.en_cours;
    if (!barriere.libre) return vt::audio::Ouverture::Inconnu;
    ++barriere.decodeurs;
    d = std::make_unique<DecodeurMuet>();
    return vt::audio::Ouverture::Ouvert;
}

constexpr vt::audio::EntreeDecodeur kTable[] = {
    {"bloque", [](std::string_view d) { return d.starts_with("BLOQUE"); }, &bloquer, true},
    {"mpg123", &vt::audio::entete_mpeg, &vt::audio::ouvrir_mpg123, true},
    {"libsndfile", [](std::string_view d) { return !vt::audio::entete_mpeg(d); }, &vt::audio::ouvrir_sndfile,
     true},
    {"FFmpeg", [](std::string_view) { return true; }, &vt::audio::ouvrir_ffmpeg, false},
};

class Ouverture : public ::testing::Test {
protected:
    void SetUp() override {
        barriere.libre = barriere.sourd = false;
        ASSERT_TRUE(vt::demarrer(*moteur));
    }
    // Let go, every probe ends and what it made is closed on its own thread.
    void TearDown() override {
        etat(true);
        for (int k = 0; k < 200 && etat() != 0; ++k) std::this_thread::sleep_for(10ms);
        EXPECT_EQ(etat(), 0);
    }
    static int etat(bool libre = false) {
        std::lock_guard<std::mutex> g(barriere.m);
        barriere.libre = barriere.libre || libre;
        return barriere.en_cours + barriere.decodeurs.load();
    }
    int ouvrir(const std::string& chemin, Horloge::duration& duree) {
        const Horloge::time_point t = Horloge::now();
        const int f = moteur->ouvrir_flux(chemin);
        duree = Horloge::now() - t;
        return f;
    }

    vt::test::DossierTemp dossier;
    const std::string bloque = dossier.ecrire("bloque.wav", "BLOQUE" + std::string(64, '\0'));
    std::unique_ptr<vt::MoteurAudio> moteur =
        vt::creer_moteur_table(std::make_unique<vt::SortieManuelle>(), kTable);
};

// Given up after the wait, the probe's file counts as unplayable: a probe
// that heeds the stop signal then stops, one that does not runs on; the next
// file opens and sounds, whichever decoder plays it. Beyond the opens given
// up that still run, a file is refused at once, unprobed; the engine's end
// does not wait for them.
TEST_F(Ouverture, BlockedProbeIsGivenUpAndTheNextFilePlays) {
    Horloge::duration duree{};
    const struct {
        const char* nom;
        bool sourd;
    } cas[] = {{"ton440.wav", false},
               {"ton440.wma", false},
               {"ton440.mp3", true},
               {"", true}};  // the last fills the limit
    int sourds = 0;
    for (const auto& [nom, sourd] : cas) {
        barriere.sourd = sourd;
        EXPECT_EQ(ouvrir(bloque, duree), 0) << nom;
        EXPECT_GE(duree, OuverturesFlux::kDelai) << nom;
        EXPECT_LT(duree, OuverturesFlux::kDelai + 750ms) << nom;
        sourds += sourd;
        for (int k = 0; k < 100 && etat() != sourds; ++k) std::this_thread::sleep_for(10ms);
        EXPECT_EQ(etat(), sourds) << nom;
        if (sourds == int(OuverturesFlux::kAbandonneesMax)) break;
        const int f = ouvrir(vt::test::audio::fixture(nom), duree);
        ASSERT_GE(moteur->jouer_flux(-1, f), 0) << nom;
        auto& sortie = static_cast<vt::SortieManuelle&>(*moteur->sortie());
        EXPECT_NEAR(vt::test::audio::efficace(sortie.pomper(22050)), vt::test::audio::kEfficaceTon, 0.05)
            << nom;
        moteur->fermer_flux(f);
    }
    EXPECT_EQ(ouvrir(vt::test::audio::fixture("ton440.wav"), duree), 0);
    EXPECT_LT(duree, OuverturesFlux::kDelai / 2);
    EXPECT_EQ(etat(), sourds);
    const Horloge::time_point t = Horloge::now();
    moteur.reset();
    EXPECT_LT(Horloge::now() - t, OuverturesFlux::kDelaiFermeture + 500ms);
    EXPECT_EQ(etat(), sourds);
}

}  // namespace
