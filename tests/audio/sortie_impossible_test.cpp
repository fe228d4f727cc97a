// No output to be had: the engine does not start, no file opens (the
// player reports each entry as one that cannot be played), and it closes.
#include "audio/bibliotheque_optionnelle.h"
#include "audio/fabrique_sortie.h"
#include "audio/lecteur_media.h"
#include "serveur_pulse.h"
#include "support/dossier_temp.h"
#include "support/sans_fil.h"

#include <gtest/gtest.h>

#if VANTREL_AVEC_PULSE

namespace {

using namespace vt::test::pulse;

// libpulse damaged first on the library path and SDL2 with no driver it can
// open: the output once waited for a server this libpulse can never reach,
// and the player showed the track as playing, in silence. Each row: what
// stands for libpulse.so.0 -> whether the engine starts (intact, with no
// server: it waits for one). Each runs in a process started with that path.
TEST(SortieImpossible, DamagedLibpulseAndNoSdlDeviceCannotPlay) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Environnement env;  // the intact library is found before the path changes
    const char* trouvee = std::getenv("VANTREL_TEST_LIBPULSE");
    const std::string chemin = trouvee ? trouvee : vt::audio::chemin_bibliotheque("libpulse.so.0");
    const std::string vraie = vt::test::lire_fichier(chemin);
    if (vraie.size() < 8192) GTEST_SKIP() << "no libpulse on this machine";
    env.definir("VANTREL_TEST_LIBPULSE", chemin);
    vt::test::DossierTemp dossier;
    env.definir("SDL_AUDIODRIVER", "absent");
    env.definir("PULSE_SERVER", "unix:" + (dossier / "absent.sock"));
    const std::string piste = dossier.ecrire("ton.wav", wav_tons({{500, 441.0}}));
    const std::vector<std::tuple<std::string, std::string, int>> lignes = {
        {"intact", vraie, 10},
        {"cut", vraie.substr(0, vraie.size() / 2), 20},
        {"zeros", std::string(8192, '\0'), 20},
        {"text", "INPUT(libpulse.so.0.24)\n", 20},
        {"empty", "", 20},
    };
    for (const auto& [nom, contenu, code] : lignes) {
        ::mkdir((dossier / nom).c_str(), 0700);
        dossier.ecrire(nom + "/libpulse.so.0", contenu);
        env.definir("LD_LIBRARY_PATH", dossier / nom);
        EXPECT_EXIT(
            {
                auto lm = std::make_unique<lecteur_media>(vt::creer_sortie(""));
                const bool demarre = lm->moteur().initialise();
                const bool ouvert = lm->moteur().ouvrir_flux(piste) != 0;
                lm.reset();
                std::_Exit(demarre && ouvert ? 10 : !demarre && !ouvert ? 20 : 30);
            },
            ::testing::ExitedWithCode(code), "")
            << nom;
    }
}

// No thread can be made any more: the output's threads fail, the engine
// does not start and closes (an uncaught std::system_error once ended the
// player). Each row: the output chosen, whether a server answers. The
// threads that fail: the watch (the server found before), the wait for a
// server (SDL2's device thread fails first), libpulse's loop, SDL2's.
TEST(SortieImpossible, NoThreadLeftCannotPlayAndCloses) {
    DemonPulse demon;
    if (!demon.pret()) GTEST_SKIP() << "no private PulseAudio daemon: " << demon.raison();
    vt::test::DossierTemp dossier;
    Environnement env;
    const std::string piste = dossier.ecrire("ton.wav", wav_tons({{500, 441.0}}));
    for (const auto& [choix, serveur] : std::vector<std::pair<std::string, bool>>{
             {"", true}, {"", false}, {"pulse", true}, {"sdl", false}}) {
        SCOPED_TRACE(choix + (serveur ? " server" : " no server"));
        env.definir("PULSE_SERVER", serveur ? demon.serveur() : "unix:" + (dossier / "absent.sock"));
        std::unique_ptr<vt::SortieAudio> sortie = vt::creer_sortie(choix);
        std::unique_ptr<lecteur_media> lm;
        if (vt::test::SansFil sans_fil; sans_fil.actif())
            EXPECT_NO_THROW(lm = std::make_unique<lecteur_media>(std::move(sortie)));
        ASSERT_NE(lm, nullptr);
        EXPECT_FALSE(lm->moteur().initialise()) << "the engine started with no thread for its output";
        EXPECT_EQ(lm->moteur().ouvrir_flux(piste), 0);
        lm->moteur().fermer();
    }
}

}  // namespace

#endif
