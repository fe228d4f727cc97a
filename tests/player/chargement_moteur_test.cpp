// The engine's loading, held back until step R. Before it: q an action (1, 2...),
// p a deferred play (0), s stop, c the triggers' entry point; J a play.
#include "player/lecteur.h"
#include "playlist/liste_courante.h"
#include "support/sans_fil.h"

#include <gtest/gtest.h>
#include <QTest>

#include <atomic>
#include <future>

namespace {

struct Cas {
    std::string etapes;
    bool sans_moteur, joue;  // the loading finds no library; a track plays at the end
    std::vector<int> faites;
    int chargements;
};

TEST(ChargementMoteur, WhatWaitsRunsInOrderOnceTheEngineIsUp) {
    const std::vector<Cas> cas = {
        {"qqcq", false, false, {1, 2, 3}, 1},  // in order, after one loading
        {"qpq", false, true, {1, 0, 2}, 1},    // the deferred play in its turn,
        {"psq", false, false, {1}, 1},         // not after a command
        {"pRJ", false, true, {}, 1},           // a play takes the loaded engine
        {"qp", true, false, {1, 0}, 2},        // no library: all runs, the play tries again
    };
    for (const Cas& c : cas) {
        std::promise<void> feu;
        std::shared_future<void> ouvert = feu.get_future().share();
        std::atomic<int> chargements{0};
        vt::ListeCourante liste;
        liste.ajouter_nommes_par_dernier_separateur({std::string(VANTREL_FIXTURES_DIR) + "/ton1000.wav"});
        vt::Lecteur j(liste, [&, ouvert] {
            ouvert.wait();
            ++chargements;
            return c.sans_moteur ? nullptr : vt::ouvrir_moteur();
        });
        j.selectionner(0);
        std::vector<int> faites;
        int n = 0;
        for (char e : c.etapes) {
            if (e == 'q') j.chargement().quand_pret([&faites, k = ++n] { faites.push_back(k); });
            if (e == 'p')
                j.chargement().quand_pret(j.lecture_differee([&] { faites.push_back(0), j.jouer(); }));
            if (e == 's') j.arreter();
            if (e == 'c') j.chargement().charger();
            if (e == 'R') feu.set_value();
            if (e == 'J') j.jouer();
        }
        EXPECT_TRUE(faites.empty()) << c.etapes;
        if (c.etapes.find('R') == std::string::npos) feu.set_value();
        ASSERT_TRUE(QTest::qWaitFor([&] { return j.chargement().pret(); }, 20000)) << c.etapes;
        QCoreApplication::sendPostedEvents(&j.chargement(), QEvent::MetaCall);  // the loading's end
        EXPECT_EQ(faites, c.faites) << c.etapes;
        EXPECT_EQ(j.en_lecture(), c.joue) << c.etapes;
        EXPECT_EQ(chargements, c.chargements) << c.etapes;
        j.chargement().quand_pret([&] { faites.push_back(9); });  // up (or tried): at once
        EXPECT_EQ(faites.back(), 9) << c.etapes;
    }
}

// No thread for the loading (an uncaught std::system_error once ended the
// player): the engine is loaded on this thread once the event loop runs,
// and what waited runs then. Each row: whether the library is there.
TEST(ChargementMoteur, NoThreadForTheLoadingLoadsOnThisThread) {
    for (bool sans_moteur : {false, true}) {
        vt::ListeCourante liste;
        liste.ajouter_nommes_par_dernier_separateur({std::string(VANTREL_FIXTURES_DIR) + "/ton1000.wav"});
        vt::Lecteur j(liste, [&] { return sans_moteur ? nullptr : vt::ouvrir_moteur(); });
        int faites = 0;
        {
            vt::test::SansFil sans_fil;
            ASSERT_TRUE(sans_fil.actif());
            EXPECT_NO_THROW(j.chargement().quand_pret([&] { ++faites; })) << sans_moteur;
        }
        QCoreApplication::sendPostedEvents(&j.chargement(), QEvent::MetaCall);
        EXPECT_EQ(faites, 1) << sans_moteur;
        j.selectionner(0);
        EXPECT_TRUE(j.jouer());
        EXPECT_EQ(j.en_lecture(), !sans_moteur) << sans_moteur;
    }
}

}  // namespace
