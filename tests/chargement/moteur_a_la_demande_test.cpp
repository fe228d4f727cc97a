// The executable's engine, opened on demand from libvantrel_moteur.so: the
// null engine answers "nothing plays" until it is loaded (after the first
// paint, or by the player's first play), the library exports only its
// factory, and the player stays silent when the library is missing.
#include "audio/chargement.h"
#include "audio/lecteur_media.h"
#include "config/configuration.h"
#include "player/lecteur.h"
#include "playlist/liste_courante.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <atomic>
#include <chrono>
#include <fstream>
#include <future>
#include <thread>

namespace {

const std::string kFichier = std::string(VANTREL_FIXTURES_DIR) + "/ton440.wav";

struct CheminExecutable {
    explicit CheminExecutable(const std::string& c) { vt::etablir_emplacements(c); }
    ~CheminExecutable() { vt::etablir_emplacements(vt::chemin_executable()); }
};

// Before the engine is loaded the null engine answers: nothing plays,
// nothing is loaded, nothing opens. The loading puts the library's engine
// in place, started; calls then reach it.
TEST(MoteurALaDemande, NullEngineAnswersUntilLoaded) {
    CheminExecutable exe(std::string(VANTREL_APP_DIR) + "/vantrel");
    lecteur_media lm;
    ASSERT_FALSE(lm.moteur_charge());
    EXPECT_FALSE(lm.moteur().initialise());
    EXPECT_FALSE(lm.moteur().en_lecture(0));
    EXPECT_EQ(lm.moteur().longueur_ms(1), 0);
    EXPECT_EQ(lm.moteur().sortie(), nullptr);
    lm.moteur().definir_volume(0, 10);  // lost, harmlessly
    EXPECT_EQ(lm.moteur().ouvrir_flux(kFichier), 0);
    vt::ChargementMoteur(lm).charger_maintenant();
    lm.flux = lm.moteur().ouvrir_flux(kFichier);
    ASSERT_NE(lm.flux, 0);
    EXPECT_TRUE(lm.moteur().initialise());
    lm.canal = lm.moteur().jouer_flux(-1, lm.flux);
    ASSERT_GE(lm.canal, 0);
    EXPECT_TRUE(lm.moteur().en_lecture(lm.canal));
    EXPECT_GT(lm.moteur().longueur_ms(lm.flux), 900);
    lm.moteur().mettre_en_pause(lm.canal, true);
    EXPECT_TRUE(lm.moteur().en_pause(lm.canal));
    lm.moteur().arreter_flux(lm.flux);
    lm.moteur().fermer_flux(lm.flux);
    EXPECT_FALSE(lm.moteur().en_lecture(lm.canal));
}

// The library exports the factory and nothing else of the engine's calls.
TEST(MoteurALaDemande, LibraryExportsOnlyTheFactory) {
    void* dl = ::dlopen((std::string(VANTREL_APP_DIR) + "/" + vt::kBibliothequeMoteur).c_str(),
                        RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(dl, nullptr);
    EXPECT_NE(::dlsym(dl, vt::kSymboleMoteur), nullptr);
    EXPECT_EQ(::dlsym(dl, "vantrel_table_moteur"), nullptr);
    ::dlclose(dl);
}

// The player's play loads the engine on the spot when it is needed before
// the first paint's loading.
TEST(MoteurALaDemande, PlayLoadsTheEngine) {
    CheminExecutable exe(std::string(VANTREL_APP_DIR) + "/vantrel");
    vt::ListeCourante liste;
    liste.ajouter_nommes_par_dernier_separateur({kFichier});
    vt::Lecteur j(liste);
    EXPECT_FALSE(j.media().moteur().initialise());
    j.selectionner(0);
    ASSERT_TRUE(j.jouer());
    EXPECT_TRUE(j.media().moteur().initialise());
    EXPECT_TRUE(j.en_lecture());
    EXPECT_GT(j.longueur_ms(), 900);
}

// charger_maintenant starts it once; later calls change nothing.
TEST(MoteurALaDemande, ExplicitStartIsIdempotent) {
    CheminExecutable exe(std::string(VANTREL_APP_DIR) + "/vantrel");
    lecteur_media lm;
    vt::ChargementMoteur chargement(lm);
    chargement.charger_maintenant();
    EXPECT_TRUE(lm.moteur().initialise());
    chargement.charger_maintenant();
    EXPECT_TRUE(lm.moteur().initialise());
}

// The background loading: the library is opened once, on another thread;
// a second request meanwhile starts nothing more; charger_maintenant takes
// that engine (started, on the default output). Another player's loading
// opens it again for that player.
TEST(MoteurALaDemande, BackgroundLoadingIsTakenByTheNextStart) {
    CheminExecutable exe(std::string(VANTREL_APP_DIR) + "/vantrel");
    std::atomic<int> appels{0};
    std::atomic<bool> autre_fil{false};
    const auto principal = std::this_thread::get_id();
    std::promise<void> pret;
    auto source = [&] {
        autre_fil = std::this_thread::get_id() != principal;
        auto m = vt::ouvrir_moteur();
        if (++appels == 1) pret.set_value();
        return m;
    };
    {
        lecteur_media lm;
        vt::ChargementMoteur chargement(lm, source);
        chargement.charger();
        chargement.charger();
        ASSERT_EQ(pret.get_future().wait_for(std::chrono::seconds(20)), std::future_status::ready);
        EXPECT_FALSE(lm.moteur_charge());
        chargement.charger_maintenant();
        ASSERT_TRUE(lm.moteur_charge());
        EXPECT_TRUE(lm.moteur().initialise());
        lm.flux = lm.moteur().ouvrir_flux(kFichier);
        EXPECT_NE(lm.flux, 0);
        EXPECT_EQ(appels, 1);
        EXPECT_TRUE(autre_fil);
    }
    // Asked for while the loading may still run: charger_maintenant waits
    // for it rather than opening the library a second time.
    autre_fil = false;
    lecteur_media autre;
    vt::ChargementMoteur chargement(autre, source);
    chargement.charger();
    chargement.charger_maintenant();
    EXPECT_TRUE(autre.moteur().initialise());
    EXPECT_EQ(appels, 2);
    EXPECT_TRUE(autre_fil);
}

// The engine's library decodes with libsndfile and mpg123: WAV, FLAC, Ogg and MP3
// play without FFmpeg ever mapped, and a WAV they refuse (claiming 1 Hz) does
// not map it either; the first WMA loads it.
TEST(MoteurALaDemande, FFmpegIsMappedOnlyForWhatLibsndfileCannotRead) {
    auto ffmpeg_charge = [] {
        std::ifstream maps("/proc/self/maps");
        std::string ligne;
        while (std::getline(maps, ligne))
            if (ligne.find("libavformat") != std::string::npos) return true;
        return false;
    };
    CheminExecutable exe(std::string(VANTREL_APP_DIR) + "/vantrel");
    lecteur_media lm;
    vt::ChargementMoteur(lm).charger_maintenant();
    const std::pair<const char*, bool> fichiers[] = {{"ton440.wav", true},    {"ton440.flac", true},
                                                     {"un_hertz.wav", false}, {"ton440.ogg", true},
                                                     {"ton440.mp3", true},    {"ton440.wma", true}};
    for (auto [nom, jouable] : fichiers) {
        const bool wma = std::string(nom).ends_with(".wma");
        int flux = lm.moteur().ouvrir_flux(std::string(VANTREL_FIXTURES_DIR) + "/" + nom);
        if (!jouable) {
            EXPECT_EQ(flux, 0) << nom;
            EXPECT_FALSE(ffmpeg_charge()) << nom;
            continue;
        }
        ASSERT_NE(flux, 0) << nom;
        EXPECT_GE(lm.moteur().jouer_flux(-1, flux), 0) << nom;
        EXPECT_NEAR(double(lm.moteur().longueur_ms(flux)), 1000.0, wma ? 60.0 : 1.0) << nom;
        EXPECT_EQ(ffmpeg_charge(), wma) << nom;
        lm.moteur().fermer_flux(flux);
    }
}

// Without the library the player is silent: nothing opens, nothing plays.
TEST(MoteurALaDemande, MissingLibraryIsSilent) {
    CheminExecutable exe("/nonexistent/folder/vantrel");
    lecteur_media lm;
    vt::ChargementMoteur(lm).charger_maintenant();
    EXPECT_FALSE(lm.moteur().initialise());
    EXPECT_EQ(lm.moteur().ouvrir_flux(kFichier), 0);
    EXPECT_EQ(lm.moteur().jouer_flux(-1, 0), -1);
    EXPECT_FALSE(lm.moteur().en_lecture(-1));
    EXPECT_EQ(lm.moteur().temps_ms(0), 0);
}

}  // namespace
