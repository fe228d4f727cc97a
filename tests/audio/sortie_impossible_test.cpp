// No output to be had: the engine does not start and nothing is shown as
// playing (the player reports every entry as one that cannot be played),
// and the player still closes.
#include "audio/bibliotheque_optionnelle.h"
#include "audio/fabrique_sortie.h"
#include "audio/lecteur_media.h"
#include "audio/sortie_pulse.h"
#include "serveur_pulse.h"
#include "support/dossier_temp.h"
#include "support/sans_fil.h"

#include <gtest/gtest.h>

#include <fstream>

#if VANTREL_AVEC_PULSE

namespace {

using namespace vt::test::pulse;
using vt::test::DossierTemp;

std::string lire(const std::string& chemin) {
    std::ifstream f(chemin, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

// libpulse damaged first on the library path and SDL2 without a driver it
// can open: the output fails, the engine does not start, no file opens. It
// once waited for a server that this libpulse can never reach, and the
// player showed the track as playing, in silence. Each row: what stands for
// libpulse.so.0 -> whether the engine starts (the intact copy, with no
// server: it waits for one). Run in a process of its own, started with that
// library path.
TEST(SortieImpossible, DamagedLibpulseAndNoSdlDeviceCannotPlay) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The intact library, found before the library path leads to a damaged
    // one (the process of each row runs this again with that path).
    vt::test::Environnement env;
    const char* trouvee = std::getenv("VANTREL_TEST_LIBPULSE");
    const std::string chemin = trouvee ? trouvee : vt::audio::chemin_bibliotheque("libpulse.so.0");
    const std::string vraie = lire(chemin);
    if (vraie.size() < 8192) GTEST_SKIP() << "no libpulse on this machine";
    env.definir("VANTREL_TEST_LIBPULSE", chemin);
    struct Cas {
        const char* nom;
        std::string contenu;
        bool demarre;
    };
    const std::vector<Cas> lignes = {
        {"intact", vraie, true},
        {"cut", vraie.substr(0, vraie.size() / 2), false},
        {"zeros", std::string(8192, '\0'), false},
        {"text", "INPUT(libpulse.so.0.24)\n", false},
        {"empty", "", false},
    };
    DossierTemp dossier;
    env.definir("SDL_AUDIODRIVER", "absent");
    env.definir("PULSE_SERVER", "unix:" + (dossier / "absent.sock"));
    const std::string piste = dossier.ecrire("ton.wav", wav_tons({{500, 441.0}}));
    for (const Cas& c : lignes) {
        const std::string dossier_lib = dossier / c.nom;
        ::mkdir(dossier_lib.c_str(), 0700);
        std::ofstream(dossier_lib + "/libpulse.so.0", std::ios::binary) << c.contenu;
        env.definir("LD_LIBRARY_PATH", dossier_lib);
        EXPECT_EXIT(
            {
                auto lm = std::make_unique<lecteur_media>(vt::creer_sortie(""));
                const bool demarre = lm->moteur().initialise();
                const bool ouvert = lm->moteur().ouvrir_flux(piste) != 0;
                lm.reset();
                std::_Exit(demarre && ouvert ? 10 : !demarre && !ouvert ? 20 : 30);
            },
            ::testing::ExitedWithCode(c.demarre ? 10 : 20), "")
            << c.nom;
    }
}

// Threads cannot be made any more (the address space limit reached: each
// needs its stack): the output's own threads fail, the engine does not
// start and closes. The uncaught std::system_error once ended the player.
// Each row: the output chosen, and whether a server answers.
TEST(SortieImpossible, NoThreadLeftCannotPlayAndCloses) {
    DemonPulse demon;
    if (!demon.pret()) GTEST_SKIP() << "no private PulseAudio daemon: " << demon.raison();
    DossierTemp dossier;
    vt::test::Environnement env;
    const std::string piste = dossier.ecrire("ton.wav", wav_tons({{500, 441.0}}));
    struct Cas {
        const char* choix;
        bool serveur;
    };
    // The output's watch thread (the server found before), the waiting
    // thread (SDL2's device thread fails too), libpulse's own loop thread.
    for (const Cas& c : {Cas{"", true}, Cas{"", false}, Cas{"pulse", true}, Cas{"sdl", false}}) {
        SCOPED_TRACE(std::string(c.choix) + (c.serveur ? " server" : " no server"));
        env.definir("PULSE_SERVER", c.serveur ? demon.serveur() : "unix:" + (dossier / "absent.sock"));
        std::unique_ptr<vt::SortieAudio> sortie = vt::creer_sortie(c.choix);
        std::unique_ptr<lecteur_media> lm;
        bool demarre = true;
        {
            vt::test::SansFil sans_fil;
            ASSERT_TRUE(sans_fil.actif());
            try {
                lm = std::make_unique<lecteur_media>(std::move(sortie));
                demarre = lm->moteur().initialise();
            } catch (const std::system_error& e) {
                ADD_FAILURE() << "uncaught: " << e.what();
            }
        }
        ASSERT_NE(lm, nullptr);
        EXPECT_FALSE(demarre) << "the engine started with no thread for its output";
        EXPECT_EQ(lm->moteur().ouvrir_flux(piste), 0);
        lm->moteur().fermer();
        EXPECT_FALSE(lm->moteur().initialise());
    }
}

}  // namespace

#endif
