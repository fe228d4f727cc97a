// The entry the player plays, apart from the selection: files that cannot
// be played in every mode, the playing row through the list's edits, the
// random draw's spread, the clock of both constructors.
#include "lecteur_manuel.h"
#include "player/regles.h"
#include "support/dossier_temp.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QSignalSpy>

#include <functional>
#include <set>
#include <string>

namespace {

using Fin = vt::Lecteur::Fin;

using vt::test::fichier_essai;

class PisteJoueeTest : public vt::test::LecteurManuel {
protected:
    void SetUp() override {
        LecteurManuel::SetUp();
        lecteur->arreter_horloge();  // ticks by hand
        bruit = dossier.ecrire("bruit.mp3", std::string(4096, '\x5a') + "\x01\xff\x13\x77");
        dossier.ecrire("dossier.mp3/vide", "");
    }
    // One entry per letter: G a file that plays, B random bytes, M a missing
    // file, D a folder.
    void remplir(const std::string& entrees) {
        for (char e : entrees) {
            if (e == 'G') liste.ajouter_nommes_par_dernier_separateur({fichier_essai("ton1000.wav")});
            if (e == 'B') liste.ajouter_nommes_par_dernier_separateur({bruit});
            if (e == 'M') liste.ajouter_nommes_par_dernier_separateur({dossier / "absent.wav"});
            if (e == 'D') liste.ajouter_nommes_par_dernier_separateur({dossier / "dossier.mp3"});
        }
    }
    vt::test::DossierTemp dossier;
    std::string bruit;
};

enum class Mode { Aucun, Boucle, Repetition, Hasard };

struct CasEchec {
    Mode mode;
    std::string entrees;
    int depart;
    int joue;    // the row that plays in the end, -1 for none
    int echecs;  // entries reported unplayable
};

// An entry that cannot be played is reported, never shown as playing, and
// what follows the end of a track follows at once: loop and random move on,
// no mode and no loop start nothing, repeat stops (the same entry would fail
// again). A list with nothing playable stops after one pass.
TEST_F(PisteJoueeTest, UnplayableEntryInEachMode) {
    const CasEchec cas[] = {
        {Mode::Aucun, "B", 0, -1, 1},      {Mode::Aucun, "BG", 0, -1, 1},
        {Mode::Boucle, "M", 0, -1, 1},     {Mode::Boucle, "BG", 0, 1, 1},
        {Mode::Boucle, "GBD", 1, 0, 2},    {Mode::Boucle, "BMDB", 2, -1, 4},
        {Mode::Repetition, "B", 0, -1, 1}, {Mode::Repetition, "DG", 0, -1, 1},
        {Mode::Hasard, "D", 0, -1, 1},     {Mode::Hasard, "MG", 0, 1, 1},
        {Mode::Hasard, "BMBD", 1, -1, 4},
    };
    for (const CasEchec& c : cas) {
        SCOPED_TRACE(c.entrees + " from " + std::to_string(c.depart) + " mode " +
                     std::to_string(int(c.mode)));
        lecteur->arreter();
        liste.vider();
        remplir(c.entrees);
        lecteur->definir_boucle(c.mode == Mode::Boucle);
        lecteur->definir_repetition(c.mode == Mode::Repetition);
        lecteur->definir_aleatoire(c.mode == Mode::Hasard);
        QSignalSpy impossibles(lecteur.get(), &vt::Lecteur::lecture_impossible),
            lectures(lecteur.get(), &vt::Lecteur::lecture);
        lecteur->selectionner(c.depart);
        EXPECT_TRUE(lecteur->jouer());
        EXPECT_FALSE(lecteur->en_lecture());
        EXPECT_FALSE(lecteur->piste_jouee().has_value());
        ASSERT_EQ(impossibles.count(), 1);
        EXPECT_EQ(impossibles.at(0).at(0).toInt(), c.depart);
        EXPECT_EQ(lectures.count(), 0);
        vider_boucle();
        EXPECT_EQ(impossibles.count(), c.echecs);
        EXPECT_EQ(lecteur->en_lecture(), c.joue >= 0);
        EXPECT_EQ(lecteur->piste_jouee() ? lecteur->piste_jouee()->ligne : -1, c.joue);
        EXPECT_EQ(lectures.count(), c.joue >= 0 ? 1 : 0);
    }
}

// A stop while the next entry waits to be tried ends the chain there.
TEST_F(PisteJoueeTest, TransportCommandEndsTheChain) {
    remplir("BG");
    lecteur->definir_boucle(true);
    lecteur->selectionner(0);
    lecteur->jouer();
    lecteur->arreter();
    vider_boucle();
    EXPECT_EQ(lecteur->courant(), 0);
    EXPECT_FALSE(lecteur->en_lecture());
}

// A long list of files that do not exist, in loop mode: one pass, each
// entry reported once, no deep stack, and the event loop runs meanwhile.
TEST_F(PisteJoueeTest, LongListOfMissingFilesStopsAfterOnePass) {
    constexpr int n = 100'000;
    std::vector<std::string> chemins(n, dossier / "absent.mp3");
    liste.ajouter_nommes_par_dernier_separateur(std::move(chemins));
    lecteur->definir_boucle(true);
    QSignalSpy impossibles(lecteur.get(), &vt::Lecteur::lecture_impossible);
    lecteur->selectionner(0);
    lecteur->jouer();
    for (int k = 0; k < n + 10 && impossibles.count() < n; ++k) QCoreApplication::processEvents();
    vider_boucle();
    EXPECT_EQ(impossibles.count(), n);
    EXPECT_EQ(lecteur->courant(), n - 1);
    EXPECT_FALSE(lecteur->en_lecture());
}

struct CasEdition {
    const char* nom;
    std::function<void(vt::ListeCourante&)> edition;
    int ligne;  // the playing row afterwards
};

// The playing entry (row 1 of 4) follows the list's edits; once removed or
// replaced it keeps its path and name. The selection moving elsewhere
// changes nothing of it.
TEST_F(PisteJoueeTest, PlayingRowFollowsTheListsEdits) {
    const CasEdition cas[] = {
        {"selection elsewhere", [](vt::ListeCourante&) {}, 1},
        {"moved up", [](vt::ListeCourante& l) { l.monter(1); }, 0},
        {"moved down", [](vt::ListeCourante& l) { l.descendre(1); }, 2},
        {"row below moved up", [](vt::ListeCourante& l) { l.monter(2); }, 2},
        {"other rows swapped", [](vt::ListeCourante& l) { l.monter(3); }, 1},
        {"row above deleted", [](vt::ListeCourante& l) { l.supprimer(0); }, 0},
        {"row below deleted", [](vt::ListeCourante& l) { l.supprimer(3); }, 1},
        {"itself deleted", [](vt::ListeCourante& l) { l.supprimer(1); }, -1},
        {"entries added",
         [](vt::ListeCourante& l) {
             l.ajouter_nommes_par_dernier_separateur({"/m/a.wav", "/m/b.wav"});
         },
         1},
        {"list replaced",
         [](vt::ListeCourante& l) {
             l.remplacer({"/m/a.wav", "/m/b.wav"});
         },
         -1},
        {"list cleared", [](vt::ListeCourante& l) { l.vider(); }, -1},
    };
    for (const CasEdition& c : cas) {
        SCOPED_TRACE(c.nom);
        lecteur->arreter();
        liste.vider();
        liste.ajouter_nommes_par_dernier_separateur({fichier_essai("court.wav"), fichier_essai("ton1000.wav"),
                                                     fichier_essai("court.wav"), "/m/x.wav"});
        lecteur->selectionner(1);
        ASSERT_TRUE(lecteur->jouer());
        lecteur->selectionner(3);
        c.edition(liste);
        const std::optional<vt::PisteJouee> p = lecteur->piste_jouee();
        ASSERT_TRUE(p.has_value());
        EXPECT_EQ(p->ligne, c.ligne);
        EXPECT_EQ(p->chemin, fichier_essai("ton1000.wav"));
        EXPECT_EQ(p->nom, QStringLiteral("ton1000.wav"));
        if (c.ligne >= 0) {
            EXPECT_EQ(liste.chemin(c.ligne), p->chemin);
        }
        EXPECT_TRUE(lecteur->en_lecture());
    }
    // Stopped, nothing plays; started again, it is a new track.
    const std::uint64_t avant = lecteur->piste_jouee()->numero;
    lecteur->arreter();
    EXPECT_FALSE(lecteur->piste_jouee().has_value());
    liste.ajouter_nommes_par_dernier_separateur({fichier_essai("court.wav")});
    lecteur->selectionner(0);
    lecteur->jouer();
    EXPECT_GT(lecteur->piste_jouee()->numero, avant);
}

// Random mode: from the same entry, 20 end-of-track draws on 5 entries
// (one per second of the clock) do not all pick the same follower.
TEST_F(PisteJoueeTest, RandomEndOfTrackDrawsSpread) {
    liste.ajouter_nommes_par_dernier_separateur(std::vector<std::string>(5, fichier_essai("court.wav")));
    lecteur->definir_aleatoire(true);
    const vt::Horloge avant = vt::horloge();
    std::set<int> suivantes;
    for (int k = 0; k < 20; ++k) {
        vt::horloge() = [k] { return std::time_t{1'700'000'000} + k; };
        lecteur->selectionner(2);
        ASSERT_TRUE(lecteur->jouer());
        jusqua_la_fin();
        ASSERT_EQ(lecteur->tic().fin, Fin::Hasard);
        EXPECT_NE(lecteur->courant(), 2);
        suivantes.insert(lecteur->courant());
    }
    vt::horloge() = avant;
    EXPECT_GE(suivantes.size(), 2u);
}

// Both constructors start the same 400 ms clock; it stops only when asked.
TEST(HorlogeLecteur, BothConstructorsStartTheClock) {
    vt::ListeCourante liste;
    std::unique_ptr<vt::Lecteur> lecteurs[] = {
        std::make_unique<vt::Lecteur>(liste, std::make_unique<vt::SortieManuelle>()),
        std::make_unique<vt::Lecteur>(liste,
                                      vt::SourceMoteur([] { return std::unique_ptr<vt::MoteurAudio>(); })),
    };
    for (auto& l : lecteurs) {
        EXPECT_TRUE(l->horloge_en_marche());
        EXPECT_EQ(l->periode_horloge_ms(), 400);
        QSignalSpy tics(l.get(), &vt::Lecteur::tic_fini);
        EXPECT_TRUE(tics.wait(2000));
        l->arreter_horloge();
        EXPECT_FALSE(l->horloge_en_marche());
    }
}

}  // namespace
