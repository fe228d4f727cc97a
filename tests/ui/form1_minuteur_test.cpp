// The 400 ms tick: the status scroll, the idle text, the progress display
// and the end-of-track decisions; the repeat and random boxes; the total time.
#include "player/regles.h"
#include "playlist/liste_courante.h"
#include "support/wav.h"
#include "ui/fixture.h"

namespace {

using vt::test::DemarreTest;

class Minuteur : public DemarreTest<true> {
protected:
    void remplir(int n, int ms) {
        std::vector<std::string> chemins;
        for (int i = 0; i < n; ++i)
            chemins.push_back(app.ecrire("t" + std::to_string(i) + ".wav", vt::test::octets_wav(ms)));
        f1->deposer(chemins);
    }
    // Plays the current track out and ticks once at its end.
    void finir_piste() {
        for (int i = 0; i < 100 && lecteur().moteur().position(lecteur().flux) !=
                                       lecteur().moteur().longueur(lecteur().flux);
             ++i)
            pomper_ms(20);
        ASSERT_TRUE(joue());
        module->lecteur->tic();
    }
    int flux_avant_ = 0;
};

// The player's clock runs every 400 ms from the start; the windows' end
// stops it.
TEST_F(Minuteur, TickerIsRunningEvery400ms) {
    Minuteur::TearDown();  // a fresh player, its clock untouched
    FenetresTest::SetUp();
    ecrire_config();
    demarrer();
    EXPECT_EQ(module->lecteur->periode_horloge_ms(), 400);
    EXPECT_TRUE(module->lecteur->horloge_en_marche());
    module->supprimer_fenetres();
    EXPECT_FALSE(module->lecteur->horloge_en_marche());
}

// With nothing selected the idle text appears and scrolls from the second
// tick (the first scrolls the text a stop left).
TEST_F(Minuteur, IdleTextScrollsFromTheSecondTick) {
    const QString idle = QStringLiteral("vantrel, en attente ....");
    module->lecteur->arreter();
    module->lecteur->tic();
    EXPECT_EQ(f1->label_lecture->text(), QStringLiteral(" vantrel  en attente ..."));
    EXPECT_EQ(f1->label_affiche->text(), idle);
    module->lecteur->tic();
    EXPECT_EQ(f1->label_lecture->text(), QStringLiteral("  ") + idle);
    for (int i = 0; i < 100; ++i) {
        module->lecteur->tic();
        QString vu = f1->label_lecture->text();
        ASSERT_TRUE(vu.endsWith(idle));
        ASSERT_GE(vu.size() - idle.size(), 1);
        ASSERT_LE(vu.size() - idle.size(), 61 - idle.size());
    }
}

// While a track plays the cursor moves along the bar and the elapsed time shows.
TEST_F(Minuteur, ProgressMovesCursorAndTime) {
    remplir(1, 2000);
    f1->selectionner(0);
    appui(f1->image_play);
    pomper_ms(1100);
    module->lecteur->tic();
    EXPECT_EQ(f1->label_temps->text(), QStringLiteral("00 : 01"));
    const int span = f1->barre_position->width() - f1->curseur_position->width();
    const int x = f1->curseur_position->x() - f1->barre_position->x();
    EXPECT_NEAR(x, span * 1100 / 2000, 3);
}

// Repeat restarts the same entry at its end.
TEST_F(Minuteur, RepeatRestartsTheSameEntry) {
    remplir(3, 50);
    f1->check_repeat->setChecked(true);
    f1->selectionner(1);
    appui(f1->image_play);
    int flux = lecteur().flux;
    finir_piste();
    EXPECT_EQ(f1->index_courant(), 1);
    EXPECT_NE(lecteur().flux, 0);
    EXPECT_LT(lecteur().moteur().temps_ms(lecteur().flux), 20);
    EXPECT_TRUE(joue());
    (void)flux;
}

// Random starts another entry, never the same one.
TEST_F(Minuteur, RandomNeverRepeatsAtTheEnd) {
    remplir(3, 50);
    f1->check_random->setChecked(true);
    f1->selectionner(0);
    appui(f1->image_play);
    std::time_t s = 100;
    vt::horloge() = [&s] { return s; };
    for (int k = 0; k < 10; ++k) {
        int avant = f1->index_courant();
        ++s;
        finir_piste();
        EXPECT_NE(f1->index_courant(), avant);
        EXPECT_TRUE(joue());
    }
    vt::horloge() = [] { return std::time(nullptr); };
}

// With the loop flag the next entry starts, and after the last the first.
TEST_F(Minuteur, LoopWrapsFromLastToFirst) {
    remplir(3, 50);
    module->lecteur->definir_boucle(true);
    f1->selectionner(1);
    appui(f1->image_play);
    finir_piste();
    EXPECT_EQ(f1->index_courant(), 2);
    EXPECT_TRUE(montre(f1->image_next, "image_nextoff"));
    finir_piste();
    EXPECT_EQ(f1->index_courant(), 0);
    EXPECT_EQ(f1->label_affiche->text(), QStringLiteral("Lecture : t0.wav"));
}

// Without the loop flag the track plays out and nothing else starts.
TEST_F(Minuteur, LoopOffPlaysOutAndStops) {
    remplir(3, 50);
    f1->selectionner(0);
    appui(f1->image_play);
    const int flux = lecteur().flux;
    finir_piste();
    EXPECT_EQ(lecteur().flux, flux);
    EXPECT_EQ(f1->index_courant(), 0);
    EXPECT_TRUE(montre(f1->image_stop, "image_stopoff"));
    pomper_ms(1500);
    EXPECT_FALSE(joue());
    module->lecteur->tic();
    EXPECT_EQ(f1->index_courant(), 0);
    // Once it has played out, the window says what the media service says:
    // stopped, nothing lit; the time stays where the track ended.
    EXPECT_EQ(f1->label_affiche->text(), QStringLiteral("vantrel  en attente ..."));
    EXPECT_TRUE(montre(f1->image_play, "image_playoff"));
    EXPECT_EQ(f1->label_temps->text(), QStringLiteral("00 : 00"));
}

// While a track plays the status line names it, whatever row is deleted; the
// idle text comes with nothing playing (nor paused) and nothing selected.
TEST_F(Minuteur, StatusLineNamesThePlayingTrackWhateverIsSelected) {
    const struct {
        int supprimee;
        vt::ImageVt* bouton;
        const char* attendu;
    } cas[] = {{0, nullptr, "Lecture : t1.wav"},
               {1, nullptr, "Lecture : t1.wav"},
               {0, f1->image_pause, "Pause ... "},
               {0, f1->image_stop, "vantrel, en attente ...."}};
    for (const auto& c : cas) {
        f1->image_del_allClick();
        remplir(3, 5000);
        f1->selectionner(1), appui(f1->image_play);
        if (c.bouton) clic(c.bouton);
        f1->selectionner(c.supprimee), clic(f1->image_del), module->lecteur->tic();
        EXPECT_EQ(f1->label_affiche->text(), QString::fromUtf8(c.attendu));
        EXPECT_EQ(montre(f1->image_play, "image_playon"), !c.bouton) << c.attendu;
    }
}

// Ticking one box unticks the other; unticking changes nothing else.
TEST_F(Minuteur, RepeatAndRandomExcludeEachOther) {
    clic(f1->check_repeat, {6, 6});
    EXPECT_TRUE(f1->check_repeat->isChecked());
    clic(f1->check_random, {6, 6});
    EXPECT_TRUE(f1->check_random->isChecked());
    EXPECT_FALSE(f1->check_repeat->isChecked());
    clic(f1->check_repeat, {6, 6});
    EXPECT_FALSE(f1->check_random->isChecked());
    clic(f1->check_repeat, {6, 6});
    EXPECT_FALSE(f1->check_repeat->isChecked());
    EXPECT_FALSE(f1->check_random->isChecked());
}

// Holding a button on the time display shows the total; with no stream it
// shows "00 : 00".
TEST_F(Minuteur, TotalTimeWhileHeld) {
    appui(f1->Shape1);
    EXPECT_TRUE(f1->label_temps->isHidden());
    EXPECT_FALSE(f1->label_total->isHidden());
    EXPECT_EQ(f1->label_total->text(), QStringLiteral("00 : 00"));
    relache(f1->Shape1);
    EXPECT_FALSE(f1->label_temps->isHidden());
    EXPECT_TRUE(f1->label_total->isHidden());
    remplir(1, 2000);
    f1->selectionner(0);
    appui(f1->image_play);
    appui(f1->Shape1, {2, 2}, Qt::RightButton);
    EXPECT_EQ(f1->label_total->text(), QStringLiteral("00 : 02"));
}

}  // namespace
