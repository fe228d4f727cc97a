// A writer killed in the middle: the configuration file and a play-list file
// written with gestion_vantrel::ecrire by a child process that is sent
// SIGKILL at varied moments always hold one whole version, never part of one.
#include "config/configuration.h"
#include "config/gestion_vantrel.h"
#include "playlist/fichiers_playlist.h"
#include "playlist/liste_courante.h"
#include "support/dossier_temp.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/wait.h>
#include <unistd.h>
#include <chrono>
#include <csignal>
#include <thread>

namespace {

using vt::test::DossierTemp;
using vt::test::lire_fichier;
using horloge = std::chrono::steady_clock;

// A play list of `n` entries whose every path carries `version`.
std::string liste(int n, char version) {
    std::vector<std::string> chemins;
    chemins.reserve(std::size_t(n));
    for (int i = 0; i < n; ++i)
        chemins.push_back("/home/u/Musique/Album " + std::to_string(i % 40) + "/" + version + " titre " +
                          std::to_string(i) + ".mp3");
    return vt::texte_playlist(chemins);
}

// Names in `dossier` that start with '.': the writer's temporary files.
std::vector<std::string> temporaires(const std::string& dossier) {
    std::vector<std::string> noms;
    if (DIR* d = ::opendir(dossier.c_str())) {
        while (const dirent* e = ::readdir(d)) {
            std::string nom = e->d_name;
            if (nom.size() > 2 && nom[0] == '.') noms.push_back(nom);
        }
        ::closedir(d);
    }
    return noms;
}

class EcritureTuee : public ::testing::Test {
protected:
    DossierTemp dossier;
    const std::string config = dossier / "vantrel.config";
    const std::string playlist = dossier / "playlist/jazz.vtlist";
    // Old contents, then the two versions the child writes in turn.
    const std::string config_ancienne =
        vt::texte_configuration("skin/default/", "default.sk", 194, 235, "playlist/", false);
    const std::string config_a =
        vt::texte_configuration("skin/ivoire/", "ivoire.sk", 10, 20, "listes/", true);
    const std::string config_b =
        vt::texte_configuration("skin/default/", "default.sk", -300, 4000, "playlist/", true);
    const std::string liste_ancienne = liste(1000, 'o');
    const std::string liste_a = liste(60000, 'a');
    const std::string liste_b = liste(60000, 'b');

    // A child that writes both files again and again, alternating versions,
    // until it is killed.
    pid_t lancer_ecrivain() {
        pid_t pid = ::fork();
        if (pid == 0) {
            gestion_vantrel g;
            for (bool a = true;; a = !a) {
                g.ecrire(config, a ? config_a : config_b);
                g.ecrire(playlist, a ? liste_a : liste_b);
            }
        }
        return pid;
    }
};

// The child is killed after delays that sweep one write cycle: every time
// each file is the old one or one of the written versions, whole; and some
// kills did land inside a write (its temporary file was left behind).
TEST_F(EcritureTuee, KilledWriterLeavesOldOrNewBytesNeverLess) {
    gestion_vantrel g;
    ASSERT_TRUE(g.ecrire(config, config_ancienne));
    dossier.ecrire("playlist/.keep", "");
    ASSERT_TRUE(g.ecrire(playlist, liste_ancienne));

    // The length of one cycle of the child's loop (the longest of three), to
    // spread the kills over.
    std::chrono::microseconds cycle(500);
    for (int i = 0; i < 3; ++i) {
        const auto debut = horloge::now();
        ASSERT_TRUE(g.ecrire(config, config_a));
        ASSERT_TRUE(g.ecrire(playlist, liste_a));
        cycle =
            std::max(cycle, std::chrono::duration_cast<std::chrono::microseconds>(horloge::now() - debut));
    }

    constexpr int kEssais = 24;
    int interrompues = 0, anciennes = 0, nouvelles = 0;
    for (int k = 0; k < kEssais; ++k) {
        ASSERT_TRUE(g.ecrire(config, config_ancienne));
        ASSERT_TRUE(g.ecrire(playlist, liste_ancienne));
        const pid_t pid = lancer_ecrivain();
        ASSERT_GT(pid, 0);
        // From at once to nearly four cycles, with an uneven step.
        std::this_thread::sleep_for(cycle * ((k * 7) % kEssais) / 6);
        ASSERT_EQ(::kill(pid, SIGKILL), 0);
        int statut = 0;
        ASSERT_EQ(::waitpid(pid, &statut, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(statut) && WTERMSIG(statut) == SIGKILL);

        const std::string c = lire_fichier(config);
        EXPECT_TRUE(c == config_ancienne || c == config_a || c == config_b)
            << "essai " << k << ": configuration of " << c.size() << " bytes: " << c.substr(0, 80);
        const std::string l = lire_fichier(playlist);
        EXPECT_TRUE(l == liste_ancienne || l == liste_a || l == liste_b)
            << "essai " << k << ": play list of " << l.size() << " bytes";
        if (l == liste_ancienne)
            ++anciennes;
        else
            ++nouvelles;

        // What the kill left: temporary files, never taken for play lists.
        auto restes = temporaires(dossier.chemin());
        auto restes_liste = temporaires(dossier / "playlist/");
        if (!restes.empty() || !restes_liste.empty()) ++interrompues;
        const auto listees = vt::lister_playlists(dossier / "playlist/");
        ASSERT_EQ(listees.size(), 1u);
        EXPECT_EQ(listees[0].nom, "jazz");
        for (const std::string& r : restes) ::unlink((dossier / r).c_str());
        for (const std::string& r : restes_liste) ::unlink((dossier / ("playlist/" + r)).c_str());
    }
    EXPECT_GT(interrompues, 0) << "no kill landed inside a write";
    EXPECT_GT(nouvelles, 0) << "the child never finished a write";
    EXPECT_GT(anciennes, 0) << "every kill came after the first write";
}

}  // namespace
