// Play, pause, stop, next, back and the double click, on real files and the
// audio engine pumped by hand.
#include "player/regles.h"
#include "playlist/liste_courante.h"
#include "support/wav.h"
#include "ui/curseurs.h"
#include "ui/fixture.h"

#include <QTest>

#include <functional>

namespace {

using vt::test::DemarreTest;

class Transport : public DemarreTest<false> {
protected:
    // n real one-second files named t0.wav, t1.wav...
    void remplir(int n, int ms = 1000) {
        std::vector<std::string> chemins;
        for (int i = 0; i < n; ++i)
            chemins.push_back(
                app.ecrire("t" + std::to_string(i) + ".wav", vt::test::octets_wav(ms, 440 + 100 * i)));
        f1->deposer(chemins);
    }
    void jouer() { appui(f1->image_play); }
    std::int64_t temps() { return lecteur().moteur().temps_ms(lecteur().flux); }
};

// Play with nothing selected changes nothing, not even the pictures.
TEST_F(Transport, PlayWithoutSelectionDoesNothing) {
    remplir(2);
    QImage avant = f1->image_play->image();
    jouer();
    EXPECT_EQ(f1->image_play->image(), avant);
    EXPECT_FALSE(joue());
    EXPECT_EQ(lecteur().flux, 0);
}

// Play starts the selected entry, lights play, names the track and gives
// the channel the sliders' volume and balance.
TEST_F(Transport, PlayStartsTheSelectedEntry) {
    remplir(3);
    f1->selectionner(1);
    jouer();
    EXPECT_TRUE(joue());
    EXPECT_NE(lecteur().flux, 0);
    EXPECT_EQ(f1->label_affiche->text(), QStringLiteral("Lecture : t1.wav"));
    EXPECT_TRUE(montre(f1->image_play, "image_playon"));
    EXPECT_TRUE(montre(f1->image_pause, "image_pauseoff"));
    pomper_ms(300);
    EXPECT_GE(temps(), 250);
    // Play while playing restarts the selected entry from its beginning.
    jouer();
    EXPECT_LT(temps(), 50);
}

// Pause only acts while a track plays; a second pause keeps it paused and
// play resumes it where it was.
TEST_F(Transport, PauseIsNotAToggleAndPlayResumes) {
    remplir(1);
    clic(f1->image_pause);
    EXPECT_FALSE(montre(f1->image_pause, "image_pauseon"));
    f1->selectionner(0);
    jouer();
    pomper_ms(200);
    clic(f1->image_pause);
    EXPECT_TRUE(en_pause());
    EXPECT_EQ(f1->label_affiche->text(), QStringLiteral("Pause ... "));
    EXPECT_TRUE(montre(f1->image_pause, "image_pauseon"));
    EXPECT_TRUE(montre(f1->image_play, "image_playoff"));
    pomper_ms(20);  // the level ramps down over a few milliseconds
    const auto t = temps();
    pomper_ms(200);
    EXPECT_EQ(temps(), t);
    clic(f1->image_pause);
    EXPECT_TRUE(en_pause());
    jouer();
    EXPECT_FALSE(en_pause());
    EXPECT_EQ(f1->label_affiche->text(), QStringLiteral("Lecture : t0.wav"));
    pomper_ms(200);
    EXPECT_GT(temps(), t);
}

// Stop resets the texts and the cursor, even when nothing plays.
TEST_F(Transport, StopResetsEvenWhenIdle) {
    f1->label_temps->setText(QStringLiteral("03 : 00"));
    f1->curseur_position->move(100, f1->curseur_position->y());
    appui(f1->image_stop);
    EXPECT_TRUE(montre(f1->image_stop, "image_stopon"));
    relache(f1->image_stop);
    EXPECT_TRUE(montre(f1->image_stop, "image_stopoff"));
    EXPECT_EQ(f1->label_temps->text(), QStringLiteral("00 : 00"));
    EXPECT_EQ(f1->label_affiche->text(), QStringLiteral("vantrel  en attente ..."));
    EXPECT_EQ(f1->curseur_position->x(), f1->barre_position->x());
    remplir(1);
    f1->selectionner(0);
    jouer();
    appui(f1->image_stop);
    EXPECT_FALSE(joue());
    EXPECT_EQ(lecteur().flux, 0);
    EXPECT_TRUE(montre(f1->image_play, "image_playoff"));
}

// Next wraps from the last entry to the first; with no selection it starts
// the first; back stops at the first entry; both do nothing on an empty list.
TEST_F(Transport, NextWrapsBackDoesNot) {
    appui(f1->image_next);
    appui(f1->image_back);
    EXPECT_FALSE(joue());
    remplir(3);
    appui(f1->image_next);
    EXPECT_EQ(f1->index_courant(), 0);
    EXPECT_TRUE(joue());
    f1->selectionner(2);
    appui(f1->image_next);
    EXPECT_EQ(f1->index_courant(), 0);
    EXPECT_EQ(f1->label_affiche->text(), QStringLiteral("Lecture : t0.wav"));
    appui(f1->image_back);
    EXPECT_EQ(f1->index_courant(), 0);
    f1->selectionner(2);
    appui(f1->image_back);
    EXPECT_EQ(f1->index_courant(), 1);
    EXPECT_EQ(f1->label_affiche->text(), QStringLiteral("Lecture : t1.wav"));
}

// Next from a paused track starts the new entry instead of resuming.
TEST_F(Transport, NextFromPauseStartsTheNewEntry) {
    remplir(2);
    f1->selectionner(0);
    jouer();
    pomper_ms(300);
    clic(f1->image_pause);
    appui(f1->image_next);
    EXPECT_FALSE(en_pause());
    EXPECT_TRUE(joue());
    EXPECT_LT(temps(), 50);
    EXPECT_EQ(f1->index_courant(), 1);
}

// In random mode next and back never start the entry that was selected.
TEST_F(Transport, RandomNeverRepeatsTheSelectedEntry) {
    remplir(4, 100);
    f1->check_random->setChecked(true);
    std::time_t seconde = 5000;
    vt::horloge() = [&seconde] { return seconde; };
    for (int k = 0; k < 30; ++k) {
        int avant = f1->index_courant();
        ++seconde;
        if (k % 2)
            appui(f1->image_back);
        else
            appui(f1->image_next);
        if (avant >= 0) {
            EXPECT_NE(f1->index_courant(), avant);
        }
        EXPECT_TRUE(joue());
    }
    vt::horloge() = [] { return std::time(nullptr); };
}

// With one entry, random next replays that entry.
TEST_F(Transport, RandomWithOneEntryReplaysIt) {
    remplir(1);
    f1->check_random->setChecked(true);
    f1->selectionner(0);
    appui(f1->image_next);
    EXPECT_EQ(f1->index_courant(), 0);
    EXPECT_TRUE(joue());
}

// A double click starts the entry from its beginning even while another
// track was paused.
TEST_F(Transport, DoubleClickRestartsEvenFromPause) {
    remplir(2);
    f1->selectionner(0);
    jouer();
    pomper_ms(300);
    clic(f1->image_pause);
    f1->selectionner(1);
    f1->list_lectureDblClick();
    EXPECT_FALSE(en_pause());
    EXPECT_EQ(f1->label_affiche->text(), QStringLiteral("Lecture : t1.wav"));
    EXPECT_LT(temps(), 50);
}

// Deleting the row that plays keeps the sound; clearing while playing
// stops it on the press.
TEST_F(Transport, DeleteWhilePlayingKeepsSoundClearStopsIt) {
    remplir(3);
    f1->selectionner(1);
    jouer();
    clic(f1->image_del);
    EXPECT_TRUE(joue());
    EXPECT_EQ(f1->index_courant(), -1);
    EXPECT_EQ(module->liste.nombre(), 2);
    appui(f1->image_del_all);
    EXPECT_FALSE(joue());
    relache(f1->image_del_all);
    EXPECT_EQ(module->liste.nombre(), 0);
}

// Selecting another row while a track plays leaves the status text alone.
TEST_F(Transport, SelectingWhilePlayingKeepsTheStatus) {
    remplir(2);
    f1->selectionner(0);
    jouer();
    f1->list_lecture->selectionModel()->setCurrentIndex(module->liste.index(1, 0),
                                                        QItemSelectionModel::ClearAndSelect);
    EXPECT_EQ(f1->label_affiche->text(), QStringLiteral("Lecture : t0.wav"));
}

// A row chosen while paused, then a resume: the paused entry goes on
// playing, and the status line names it, not the chosen row, by the play
// button as by Space, and still at the next tick.
TEST_F(Transport, ResumeAfterARowPickNamesThePausedEntry) {
    const std::function<void()> reprises[] = {[this] { jouer(); },
                                              [this] { QTest::keyClick(f1->list_lecture, Qt::Key_Space); }};
    for (const auto& reprendre : reprises) {
        module->liste.vider();
        remplir(3);
        f1->selectionner(0);
        jouer();
        pomper_ms(100);
        clic(f1->image_pause);
        f1->list_lecture->selectionModel()->setCurrentIndex(module->liste.index(2, 0),
                                                            QItemSelectionModel::ClearAndSelect);
        ASSERT_EQ(f1->index_courant(), 2);
        reprendre();
        ASSERT_EQ(module->lecteur->piste_jouee()->ligne, 0);
        EXPECT_EQ(f1->label_affiche->text(), QStringLiteral("Lecture : t0.wav"));
        pomper_ms(400);
        EXPECT_EQ(f1->label_affiche->text(), QStringLiteral("Lecture : t0.wav"));
    }
}

// A file that cannot be opened is never shown as playing: its name after
// "Lecture impossible : ", the play button unlit, the time at zero.
TEST_F(Transport, MissingFileIsReportedAndNeverShownAsPlaying) {
    remplir(1, 4000);
    f1->selectionner(0);
    jouer();
    pomper_ms(1200);
    module->lecteur->tic();
    ASSERT_EQ(f1->label_temps->text(), QStringLiteral("00 : 01"));
    f1->deposer({app / "gone.mp3"});
    f1->selectionner(1);
    jouer();
    EXPECT_EQ(f1->label_affiche->text(), QStringLiteral("Lecture impossible : gone.mp3"));
    EXPECT_TRUE(montre(f1->image_play, "image_playoff"));
    EXPECT_TRUE(montre(f1->image_pause, "image_pauseoff"));
    EXPECT_EQ(f1->label_temps->text(), QStringLiteral("00 : 00"));
    EXPECT_EQ(f1->curseur_position->x(), f1->barre_position->x());
    EXPECT_FALSE(joue());
    appui(f1->image_next);  // and the transport goes on working
    EXPECT_EQ(f1->index_courant(), 0);
    EXPECT_TRUE(joue());
}

// The tray menu's entries leave their buttons unlit.
TEST_F(Transport, TrayMenuEntriesLeaveButtonsUnlit) {
    remplir(2);
    f1->selectionner(0);
    actions().jouer->trigger();
    EXPECT_TRUE(joue());
    actions().suivant->trigger();
    EXPECT_TRUE(montre(f1->image_next, "image_nextoff"));
    EXPECT_EQ(f1->index_courant(), 1);
    actions().precedent->trigger();
    EXPECT_TRUE(montre(f1->image_back, "image_backoff"));
    EXPECT_EQ(f1->index_courant(), 0);
    actions().pause->trigger();
    EXPECT_TRUE(en_pause());
    actions().arreter->trigger();
    EXPECT_TRUE(montre(f1->image_stop, "image_stopoff"));
    EXPECT_FALSE(joue());
    plateau().menu()->actions().at(5)->trigger();
    actions().quitter->trigger();
    EXPECT_EQ(fins, 1);
}

}  // namespace

namespace {

using vt::test::FenetresTest;

class AppelsLecteur : public FenetresTest {
protected:
    void SetUp() override {
        FenetresTest::SetUp();
        ecrire_config();
        demarrer();
        std::vector<std::string> chemins;
        for (int i = 0; i < 3; ++i)
            chemins.push_back(app.ecrire("r" + std::to_string(i) + ".wav", vt::test::octets_wav(2000)));
        f1->deposer(chemins);
    }
};

// Any front end's call of the player (not only the window's own buttons)
// repaints the main window: lit buttons, status text, time, cursors, boxes
// and the list's selection.
TEST_F(AppelsLecteur, PlayerCallsRepaintTheWindow) {
    vt::Lecteur& j = *module->lecteur;
    j.selectionner(1);
    EXPECT_EQ(f1->index_courant(), 1);
    EXPECT_EQ(f1->list_lecture->selectionModel()->currentIndex().row(), 1);
    ASSERT_TRUE(j.jouer());
    EXPECT_TRUE(montre(f1->image_play, "image_playon"));
    EXPECT_EQ(f1->label_affiche->text(), QStringLiteral("Lecture : r1.wav"));
    j.pause();
    EXPECT_TRUE(montre(f1->image_pause, "image_pauseon"));
    EXPECT_TRUE(montre(f1->image_play, "image_playoff"));
    EXPECT_EQ(f1->label_affiche->text(), QStringLiteral("Pause ... "));
    j.suivant();
    EXPECT_EQ(f1->label_affiche->text(), QStringLiteral("Lecture : r2.wav"));
    EXPECT_TRUE(montre(f1->image_pause, "image_pauseoff"));
    // A seek moves the position cursor to its place at once.
    j.aller_a_ms(1000);
    const int span = f1->barre_position->width() - f1->curseur_position->width();
    EXPECT_EQ(f1->curseur_position->x() - f1->barre_position->x(), vt::gauche_position(1000, 2000, span, 0));
    j.arreter();
    EXPECT_TRUE(montre(f1->image_play, "image_playoff"));
    EXPECT_EQ(f1->label_affiche->text(), QStringLiteral("vantrel  en attente ..."));
    EXPECT_EQ(f1->curseur_position->x(), f1->barre_position->x());
    // Levels: the cursor goes to the value's place, the label shows it.
    j.definir_balance(0);
    EXPECT_EQ(f1->curseur_balance->x(), f1->barre_balance->x());
    EXPECT_EQ(f1->label_bal->text(), QStringLiteral("-50"));
    j.definir_volume(255);
    EXPECT_EQ(f1->curseur_volume->x() - f1->barre_volume->x(),
              f1->barre_volume->width() - f1->curseur_volume->width());
    // Modes: the boxes follow, one at a time.
    j.definir_repetition(true);
    EXPECT_TRUE(f1->check_repeat->isChecked());
    j.definir_aleatoire(true);
    EXPECT_TRUE(f1->check_random->isChecked());
    EXPECT_FALSE(f1->check_repeat->isChecked());
    // And a box ticked in the window sets the player's mode.
    clic(f1->check_repeat, {6, 6});
    EXPECT_TRUE(j.repetition());
    EXPECT_FALSE(j.aleatoire());
    EXPECT_FALSE(f1->check_random->isChecked());
}

// A drag of the volume cursor sets the player's value from the cursor's
// place, without the cursor jumping back to the value's place.
TEST_F(AppelsLecteur, DragSetsThePlayersValueFromThePlace) {
    const int span = f1->barre_volume->width() - f1->curseur_volume->width();
    appui(f1->curseur_volume, {0, 0});
    const int cible = f1->barre_volume->x() + span / 3;
    glisser(f1->curseur_volume, {cible - f1->curseur_volume->x(), 0});
    relache(f1->curseur_volume, {0, 0});
    EXPECT_EQ(f1->curseur_volume->x(), cible);
    EXPECT_EQ(module->lecteur->volume(), vt::valeur_curseur(span / 3, span));
}

// The start-up sequence run again (the options window's Apply) reloads the
// skin's resting pictures; the play and pause buttons still show what the
// player does: playing, paused or stopped.
TEST_F(AppelsLecteur, ApplyKeepsShowingWhatPlays) {
    copier_skins();
    vt::Lecteur& j = *module->lecteur;
    struct Cas {
        const char* etat;
        bool pause, arret;
        bool play_allume, pause_allume;
    } const cas[] = {
        {"playing", false, false, true, false},
        {"paused", true, false, false, true},
        {"stopped", false, true, false, false},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.etat);
        j.selectionner(0);
        ASSERT_TRUE(j.jouer());
        if (c.pause) j.pause();
        if (c.arret) j.arreter();
        f1->FormCreate();
        EXPECT_EQ(montre(f1->image_play, "image_playon"), c.play_allume);
        EXPECT_EQ(montre(f1->image_pause, "image_pauseon"), c.pause_allume);
        j.arreter();
    }
}

}  // namespace
