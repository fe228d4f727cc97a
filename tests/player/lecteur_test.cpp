// The player: transport, end of track, levels and modes, on the engine with
// the hand-pumped output.
#include "lecteur_manuel.h"
#include "player/regles.h"

#include <gtest/gtest.h>
#include <QSignalSpy>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using Fin = vt::Lecteur::Fin;

using vt::test::fichier_essai;

// A fixed clock, so that random draws repeat.
struct HorlogeFixe {
    vt::Horloge avant = vt::horloge();
    explicit HorlogeFixe(std::time_t t) {
        vt::horloge() = [t] { return t; };
    }
    ~HorlogeFixe() { vt::horloge() = avant; }
};

class LecteurTest : public vt::test::LecteurManuel {
protected:
    // n entries of short files.
    void remplir(int n) {
        for (int i = 0; i < n; ++i)
            liste.ajouter_nommes_par_dernier_separateur({fichier_essai(i % 2 ? "court.wav" : "ton1000.wav")});
    }
    static double crete(const std::vector<float>& v) {
        double c = 0;
        for (float x : v) c = std::max(c, std::fabs(double(x)));
        return c;
    }
};

// ---------------------------------------------------------------- end of track

enum class Mode { Repetition, Hasard, Boucle, Aucun };
enum class Place { Premiere, Milieu, Derniere };

struct CasFin {
    Mode mode;
    int n;
    Place place;
    Fin fin;
    int attendu;  // the entry then current; -2: any other entry than the one before
};

std::string nom_cas(const ::testing::TestParamInfo<CasFin>& i) {
    const char* modes[] = {"Repeat", "Random", "Loop", "None"};
    const char* places[] = {"First", "Middle", "Last"};
    return std::string(modes[int(i.param.mode)]) + std::to_string(i.param.n) + places[int(i.param.place)];
}

class FinDePiste : public LecteurTest, public ::testing::WithParamInterface<CasFin> {};

// At the end of a track: repeat starts the same entry again; random another
// one (the only one when there is one); with neither, the loop flag starts
// the next one, wrapping to the first; without it nothing more starts.
TEST_P(FinDePiste, DecisionAndEntryThatPlays) {
    const CasFin c = GetParam();
    HorlogeFixe horloge(1234);
    remplir(c.n);
    const int depart = c.place == Place::Premiere ? 0 : c.place == Place::Milieu ? c.n / 2 : c.n - 1;
    lecteur->definir_repetition(c.mode == Mode::Repetition);
    lecteur->definir_aleatoire(c.mode == Mode::Hasard);
    lecteur->definir_boucle(c.mode == Mode::Boucle);
    lecteur->selectionner(depart);
    ASSERT_TRUE(lecteur->jouer());
    const int flux_avant = lm().flux;
    jusqua_la_fin();
    QSignalSpy lectures(lecteur.get(), &vt::Lecteur::lecture),
        progres(lecteur.get(), &vt::Lecteur::progression), fins(lecteur.get(), &vt::Lecteur::fin_de_piste);

    const vt::Lecteur::ResultatTic r = lecteur->tic();
    EXPECT_TRUE(r.en_lecture);
    EXPECT_EQ(r.fin, c.fin);
    EXPECT_EQ(progres.at(0).at(1).toLongLong(), r.total_ms);  // told as read before the decision
    EXPECT_EQ(fins.at(0).at(0).value<Fin>(), c.fin);
    EXPECT_GT(r.total_ms, 0);
    EXPECT_EQ(r.ecoule_ms, r.total_ms);
    if (c.attendu == -2) {
        EXPECT_NE(lecteur->courant(), depart);
        EXPECT_GE(lecteur->courant(), 0);
        EXPECT_LT(lecteur->courant(), c.n);
    } else {
        EXPECT_EQ(lecteur->courant(), c.attendu);
    }
    if (c.fin == Fin::Arret) {
        // The track plays out: the same stream, nothing started.
        EXPECT_EQ(lm().flux, flux_avant);
        EXPECT_EQ(lectures.count(), 0);
    } else {
        ASSERT_EQ(lectures.count(), 1);
        EXPECT_EQ(lectures.at(0).at(0).toInt(), lecteur->courant());
        EXPECT_TRUE(lecteur->en_lecture());
        EXPECT_LT(lecteur->temps_ms(), 50);  // from its beginning
        EXPECT_NE(lm().moteur().position(lm().flux), lm().moteur().longueur(lm().flux));
    }
}

INSTANTIATE_TEST_SUITE_P(Table, FinDePiste,
                         ::testing::Values(CasFin{Mode::Repetition, 1, Place::Premiere, Fin::Repetition, 0},
                                           CasFin{Mode::Repetition, 3, Place::Premiere, Fin::Repetition, 0},
                                           CasFin{Mode::Repetition, 3, Place::Milieu, Fin::Repetition, 1},
                                           CasFin{Mode::Repetition, 3, Place::Derniere, Fin::Repetition, 2},
                                           CasFin{Mode::Hasard, 1, Place::Premiere, Fin::Hasard, 0},
                                           CasFin{Mode::Hasard, 3, Place::Premiere, Fin::Hasard, -2},
                                           CasFin{Mode::Hasard, 3, Place::Milieu, Fin::Hasard, -2},
                                           CasFin{Mode::Hasard, 3, Place::Derniere, Fin::Hasard, -2},
                                           CasFin{Mode::Boucle, 1, Place::Premiere, Fin::EntreeSuivante, 0},
                                           CasFin{Mode::Boucle, 3, Place::Premiere, Fin::EntreeSuivante, 1},
                                           CasFin{Mode::Boucle, 3, Place::Milieu, Fin::EntreeSuivante, 2},
                                           CasFin{Mode::Boucle, 3, Place::Derniere, Fin::EntreeSuivante, 0},
                                           CasFin{Mode::Aucun, 1, Place::Premiere, Fin::Arret, 0},
                                           CasFin{Mode::Aucun, 3, Place::Premiere, Fin::Arret, 0},
                                           CasFin{Mode::Aucun, 3, Place::Milieu, Fin::Arret, 1},
                                           CasFin{Mode::Aucun, 3, Place::Derniere, Fin::Arret, 2}),
                         nom_cas);

// Before the end the tick only reports the progress; with nothing playing
// it reports nothing.
TEST_F(LecteurTest, TickBeforeTheEndDecidesNothing) {
    EXPECT_FALSE(lecteur->tic().en_lecture);
    remplir(2);
    lecteur->selectionner(0);
    lecteur->jouer();
    pomper_ms(200);
    const vt::Lecteur::ResultatTic r = lecteur->tic();
    EXPECT_TRUE(r.en_lecture);
    EXPECT_EQ(r.fin, Fin::PasDeFin);
    EXPECT_NEAR(double(r.ecoule_ms), 200.0, 60.0);
    EXPECT_NEAR(double(r.total_ms), 1000.0, 60.0);
    EXPECT_EQ(lecteur->courant(), 0);
    QSignalSpy tics(lecteur.get(), &vt::Lecteur::tic_fini);  // the player's clock ticks by itself
    EXPECT_TRUE(lecteur->periode_horloge_ms() == 400 && tics.wait(2000));
}

// A mode ticked while the selection was cleared: the end starts nothing.
TEST_F(LecteurTest, ModeWithoutSelectionStartsNothingAtTheEnd) {
    for (Mode m : {Mode::Repetition, Mode::Hasard}) {
        lecteur->arreter();
        liste.vider();
        remplir(2);
        lecteur->definir_repetition(m == Mode::Repetition);
        lecteur->definir_aleatoire(m == Mode::Hasard);
        lecteur->selectionner(1);
        lecteur->jouer();
        const int flux = lm().flux;
        jusqua_la_fin();
        lecteur->selectionner(-1);
        EXPECT_EQ(lecteur->tic().fin, Fin::SansCourant);
        EXPECT_EQ(lm().flux, flux);
        EXPECT_EQ(lecteur->courant(), -1);
    }
}

// ---------------------------------------------------------------- next and back

struct CasSaut {
    int n;
    int depart;    // -1: no selection
    bool suivant;  // next, else back
    int attendu;   // current entry afterwards
    bool demarre;  // whether a track starts
};

class Saut : public LecteurTest, public ::testing::WithParamInterface<CasSaut> {};

TEST_P(Saut, EntryAndStart) {
    const CasSaut c = GetParam();
    remplir(c.n);
    lecteur->selectionner(c.depart);
    QSignalSpy lectures(lecteur.get(), &vt::Lecteur::lecture);
    if (c.suivant)
        lecteur->suivant();
    else
        lecteur->precedent();
    EXPECT_EQ(lecteur->courant(), c.attendu);
    EXPECT_EQ(lectures.count(), c.demarre ? 1 : 0);
    EXPECT_EQ(lecteur->en_lecture(), c.demarre);
}

INSTANTIATE_TEST_SUITE_P(Table, Saut,
                         ::testing::Values(CasSaut{0, -1, true, -1, false},   // next on an empty list
                                           CasSaut{0, -1, false, -1, false},  // back on an empty list
                                           CasSaut{3, -1, true, 0,
                                                   true},  // next with no selection: the first
                                           CasSaut{3, -1, false, -1, false},  // back with no selection
                                           CasSaut{3, 0, true, 1, true}, CasSaut{3, 1, true, 2, true},
                                           CasSaut{3, 2, true, 0, true},    // next on the last wraps
                                           CasSaut{3, 0, false, 0, false},  // back on the first
                                           CasSaut{3, 1, false, 0, true}, CasSaut{3, 2, false, 1, true},
                                           CasSaut{1, 0, true, 0, true}, CasSaut{1, 0, false, 0, false}));

// In random mode next and back never start the entry that was current.
TEST_F(LecteurTest, RandomNextAndBackNeverReplayTheCurrentEntry) {
    remplir(4);
    lecteur->definir_aleatoire(true);
    for (int k = 0; k < 20; ++k) {
        HorlogeFixe horloge(1000 + k);
        const int avant = k % 4;
        lecteur->selectionner(avant);
        if (k % 2)
            lecteur->suivant();
        else
            lecteur->precedent();
        EXPECT_NE(lecteur->courant(), avant);
        EXPECT_TRUE(lecteur->en_lecture());
    }
}

// Next while a track is paused starts the next entry instead of resuming.
TEST_F(LecteurTest, NextWhilePausedStartsTheNextEntry) {
    remplir(2);
    lecteur->selectionner(0);
    lecteur->jouer();
    pomper_ms(100);
    lecteur->pause();
    lecteur->suivant();
    EXPECT_EQ(lecteur->courant(), 1);
    EXPECT_FALSE(lecteur->en_pause());
    EXPECT_LT(lecteur->temps_ms(), 50);
}

// ---------------------------------------------------------------- play, pause, stop

TEST_F(LecteurTest, PlayWithoutSelectionChangesNothing) {
    remplir(2);
    QSignalSpy lectures(lecteur.get(), &vt::Lecteur::lecture);
    EXPECT_FALSE(lecteur->jouer());
    EXPECT_EQ(lectures.count(), 0);
    EXPECT_EQ(lm().flux, 0);
    EXPECT_EQ(lm().canal, -1);
}

TEST_F(LecteurTest, PlayWhilePlayingRestartsFromTheBeginning) {
    remplir(1);
    lecteur->selectionner(0);
    lecteur->jouer();
    pomper_ms(400);
    EXPECT_GT(lecteur->temps_ms(), 300);
    lecteur->jouer();
    EXPECT_LT(lecteur->temps_ms(), 50);
    EXPECT_TRUE(lecteur->en_lecture());
}

// Play while paused resumes the paused track, even after the selection
// moved; the signal names the entry now selected.
TEST_F(LecteurTest, PlayWhilePausedResumes) {
    remplir(2);
    lecteur->selectionner(0);
    lecteur->jouer();
    pomper_ms(300);
    QSignalSpy pauses(lecteur.get(), &vt::Lecteur::mise_en_pause);
    EXPECT_TRUE(lecteur->pause());
    EXPECT_TRUE(lecteur->pause());  // twice: still paused
    EXPECT_EQ(pauses.count(), 2);
    EXPECT_TRUE(lecteur->en_pause());
    const int flux = lm().flux;
    const std::int64_t t = lecteur->temps_ms();
    lecteur->selectionner(1);
    QSignalSpy lectures(lecteur.get(), &vt::Lecteur::lecture);
    EXPECT_TRUE(lecteur->jouer());
    EXPECT_FALSE(lecteur->en_pause());
    EXPECT_EQ(lm().flux, flux);
    EXPECT_EQ(lecteur->temps_ms(), t);
    ASSERT_EQ(lectures.count(), 1);
    EXPECT_EQ(lectures.at(0).at(0).toInt(), 1);
}

TEST_F(LecteurTest, PauseWithNothingPlayingDoesNothing) {
    QSignalSpy pauses(lecteur.get(), &vt::Lecteur::mise_en_pause);
    EXPECT_FALSE(lecteur->pause());
    EXPECT_EQ(pauses.count(), 0);
}

// Stop always reports, and releases what played.
TEST_F(LecteurTest, StopReleasesAndAlwaysReports) {
    QSignalSpy arrets(lecteur.get(), &vt::Lecteur::arret);
    lecteur->arreter();
    EXPECT_EQ(arrets.count(), 1);
    remplir(1);
    lecteur->selectionner(0);
    lecteur->jouer();
    lecteur->arreter();
    EXPECT_EQ(arrets.count(), 2);
    EXPECT_EQ(lm().flux, 0);
    EXPECT_EQ(lm().canal, -1);
    EXPECT_FALSE(lecteur->en_lecture());
}

// The double click's start: a paused track is closed, the selected entry
// starts from its beginning.
TEST_F(LecteurTest, RestartDoesNotResume) {
    remplir(2);
    lecteur->selectionner(0);
    lecteur->jouer();
    pomper_ms(300);
    lecteur->pause();
    lecteur->selectionner(1);
    lecteur->relancer();
    EXPECT_FALSE(lecteur->en_pause());
    EXPECT_TRUE(lecteur->en_lecture());
    EXPECT_LT(lecteur->temps_ms(), 50);
    EXPECT_EQ(lm().moteur().longueur_ms(lm().flux), lecteur->longueur_ms());
    EXPECT_LT(lecteur->longueur_ms(), 100);  // court.wav, not the 1 s tone
}

// A file that cannot be opened: the start is reported, nothing plays.
TEST_F(LecteurTest, UnreadableFileStartsNothing) {
    liste.ajouter_nommes_par_dernier_separateur({fichier_essai("texte.txt")});
    lecteur->selectionner(0);
    EXPECT_TRUE(lecteur->jouer());
    EXPECT_FALSE(lecteur->en_lecture());
    EXPECT_EQ(lecteur->tic().fin, Fin::PasDeFin);
}

// ---------------------------------------------------------------- seek

TEST_F(LecteurTest, SeekIsHeldWithinTheTrackAndNeedsPlayback) {
    remplir(1);
    EXPECT_FALSE(lecteur->aller_a_ms(500));
    lecteur->selectionner(0);
    lecteur->jouer();
    QSignalSpy sauts(lecteur.get(), &vt::Lecteur::position_changee);
    EXPECT_TRUE(lecteur->aller_a_ms(500));
    EXPECT_NEAR(double(lecteur->temps_ms()), 500.0, 5.0);
    EXPECT_TRUE(lecteur->aller_a_ms(-3000));
    EXPECT_LT(lecteur->temps_ms(), 5);
    EXPECT_TRUE(lecteur->aller_a_ms(std::numeric_limits<std::int64_t>::max()));
    EXPECT_EQ(sauts.count(), 3);
    pomper_ms(50);
    EXPECT_EQ(lm().moteur().position(lm().flux), lm().moteur().longueur(lm().flux));
}

// ---------------------------------------------------------------- levels

TEST_F(LecteurTest, LevelsAreHeldWithinRangeAndReported) {
    QSignalSpy volumes(lecteur.get(), &vt::Lecteur::volume_change);
    EXPECT_EQ(lecteur->volume(), vt::Lecteur::kVolumeDepart);
    lecteur->definir_volume(300);  // held at 255: no change, no report
    EXPECT_EQ(lecteur->volume(), 255);
    EXPECT_EQ(volumes.count(), 0);
    lecteur->definir_volume(-4);
    EXPECT_EQ(lecteur->volume(), 0);
    lecteur->definir_volume(40);
    EXPECT_EQ(lecteur->volume(), 40);
    lecteur->definir_balance(999);
    EXPECT_EQ(lecteur->balance(), 255);
    ASSERT_EQ(volumes.count(), 2);
    EXPECT_EQ(volumes.at(0).at(0).toInt(), 0);
    EXPECT_EQ(volumes.at(1).at(0).toInt(), 40);
}

// A started track takes the values held, those kept without sending too.
TEST_F(LecteurTest, NewTrackTakesTheLevelsHeld) {
    remplir(1);
    lecteur->retenir_niveaux(0, 128);
    lecteur->selectionner(0);
    lecteur->jouer();
    EXPECT_EQ(crete(pomper_ms(300)), 0.0);
    lecteur->definir_volume(255);
    EXPECT_GT(crete(pomper_ms(200)), 0.3);
    // Full left: the right side is silent.
    lecteur->definir_balance(0);
    std::vector<float> s = pomper_ms(200);
    double droite = 0;
    for (std::size_t k = 2205; k < s.size() / 2; ++k)
        droite = std::max(droite, std::fabs(double(s[2 * k + 1])));
    EXPECT_EQ(droite, 0.0);
}

// Mute for a drag silences the channel until it is lifted.
TEST_F(LecteurTest, MuteSilencesUntilLifted) {
    remplir(1);
    lecteur->selectionner(0);
    lecteur->jouer();
    pomper_ms(100);
    lecteur->couper(true);
    pomper_ms(50);
    EXPECT_EQ(crete(pomper_ms(100)), 0.0);
    lecteur->couper(false);
    pomper_ms(50);
    EXPECT_GT(crete(pomper_ms(100)), 0.3);
}

// ---------------------------------------------------------------- modes

TEST_F(LecteurTest, RepeatAndRandomExcludeEachOther) {
    QSignalSpy modes(lecteur.get(), &vt::Lecteur::modes_changes);
    lecteur->definir_repetition(true);
    lecteur->definir_aleatoire(true);
    EXPECT_TRUE(lecteur->aleatoire());
    EXPECT_FALSE(lecteur->repetition());
    lecteur->definir_repetition(true);
    EXPECT_FALSE(lecteur->aleatoire());
    lecteur->definir_repetition(false);
    EXPECT_FALSE(lecteur->repetition());
    EXPECT_FALSE(lecteur->aleatoire());
    lecteur->definir_repetition(false);  // no change, no report
    EXPECT_EQ(modes.count(), 4);
}

// The current entry set through the door: held within the list (out of
// range: none), told each time, and a change (only) also as a change of
// the entries, which the decision of what follows goes from.
TEST_F(LecteurTest, CurrentEntryIsSetThroughTheDoor) {
    remplir(3);
    vt::PorteLecteur& porte = *lecteur;
    QSignalSpy choix(lecteur.get(), &vt::PorteLecteur::selection_changee);
    QSignalSpy entrees(lecteur.get(), &vt::PorteLecteur::entrees_changees);
    const struct {
        int demande, courant, changements;
    } cas[] = {{1, 1, 1}, {1, 1, 1}, {3, -1, 2}, {-5, -1, 2}, {2, 2, 3}, {0, 0, 4}};
    for (const auto& c : cas) {
        porte.selectionner(c.demande);
        EXPECT_EQ(porte.courant(), c.courant) << c.demande;
        EXPECT_EQ(choix.takeLast().at(0).toInt(), c.courant) << c.demande;
        EXPECT_EQ(entrees.count(), c.changements) << c.demande;
    }
    porte.suivant();
    EXPECT_EQ(choix.takeLast().at(0).toInt(), 1);
}

// A row played through the door (a double click) becomes current and starts
// from its beginning, a paused track not resumed; a row out of range
// changes nothing.
TEST_F(LecteurTest, PlayingARowMakesItCurrent) {
    remplir(3);
    vt::PorteLecteur& porte = *lecteur;
    porte.selectionner(0);
    ASSERT_TRUE(porte.jouer());
    porte.pause();
    porte.jouer_ligne(2);
    EXPECT_EQ(porte.courant(), 2);
    EXPECT_TRUE(porte.en_lecture());
    EXPECT_EQ(porte.piste_jouee()->ligne, 2);
    const auto numero = porte.piste_jouee()->numero;
    for (int hors : {-1, 3}) {
        porte.jouer_ligne(hors);
        EXPECT_EQ(porte.courant(), 2);
        EXPECT_EQ(porte.piste_jouee()->numero, numero);
    }
    porte.jouer_ligne(2);
    EXPECT_GT(porte.piste_jouee()->numero, numero);
}

// Removing or moving rows keeps the current entry on its entry.
TEST_F(LecteurTest, CurrentEntryFollowsListEdits) {
    remplir(3);
    lecteur->selectionner(2);
    liste.echanger_avec_precedent(2);
    EXPECT_EQ(lecteur->courant(), 1);
    liste.supprimer(0);
    EXPECT_EQ(lecteur->courant(), 0);
    liste.supprimer(0);
    EXPECT_EQ(lecteur->courant(), -1);
}

}  // namespace

// A play asked for before the engine was up (the command-line file, a file
// handed over) runs later only if the user used no transport command in
// between: their command holds. Selecting a row, the levels and a seek
// that found nothing playing do not count.
TEST_F(LecteurTest, DeferredPlayYieldsToLaterTransportCommands) {
    remplir(3);
    struct Cas {
        const char* nom;
        std::function<void(vt::Lecteur&)> entre_temps;
        bool joue;
    };
    const std::vector<Cas> cas = {
        {"nothing", [](vt::Lecteur&) {}, true},
        {"select", [](vt::Lecteur& l) { l.selectionner(1); }, true},
        {"levels",
         [](vt::Lecteur& l) {
             l.definir_volume(10);
             l.definir_balance(0);
         },
         true},
        {"seek, nothing playing", [](vt::Lecteur& l) { l.aller_a_ms(500); }, true},
        {"stop", [](vt::Lecteur& l) { l.arreter(); }, false},
        {"pause", [](vt::Lecteur& l) { l.pause(); }, false},
        {"play",
         [](vt::Lecteur& l) {
             l.jouer();
             l.arreter();
         },
         false},
        {"next",
         [](vt::Lecteur& l) {
             l.suivant();
             l.arreter();
         },
         false},
        {"back",
         [](vt::Lecteur& l) {
             l.precedent();
             l.arreter();
         },
         false},
        {"restart",
         [](vt::Lecteur& l) {
             l.relancer();
             l.arreter();
         },
         false},
    };
    for (const Cas& c : cas) {
        lecteur->arreter();
        lecteur->selectionner(0);
        int lancees = 0;
        auto differee = lecteur->lecture_differee([&] {
            ++lancees;
            lecteur->jouer();
        });
        c.entre_temps(*lecteur);
        differee();
        EXPECT_EQ(lancees, c.joue ? 1 : 0) << c.nom;
        EXPECT_EQ(lecteur->en_lecture(), c.joue) << c.nom;
    }
}

// Files from outside, the first of two entries paused: with the flag the
// first of them starts afresh, current; without it they are only added.
// Play waits for the engine; a stop meanwhile wins.
TEST_F(LecteurTest, FilesFromOutside) {
    enum Etat { EnPause, Reprise, Debut, Arret };
    struct Cas {
        bool jouer;
        bool stop;
        int courant;
        Etat etat;
    };
    for (const Cas& c :
         {Cas{true, false, 2, Debut}, Cas{true, true, 2, Arret}, Cas{false, false, 0, EnPause}}) {
        liste.vider();
        remplir(2);
        lecteur->selectionner(0);
        lecteur->relancer();
        pomper_ms(300);
        lecteur->pause();
        std::function<void()> attente;
        lecteur->fichiers_exterieurs({fichier_essai("court.wav"), fichier_essai("ton1000.wav")}, c.jouer,
                                     [&](std::function<void()> a) { attente = std::move(a); });
        if (c.stop) lecteur->arreter();
        if (attente) attente();
        EXPECT_EQ(liste.chemin(2) + liste.chemin(3) + std::to_string(lecteur->courant()),
                  fichier_essai("court.wav") + fichier_essai("ton1000.wav") + std::to_string(c.courant));
        EXPECT_EQ(!lecteur->en_lecture()     ? Arret
                  : lecteur->en_pause()      ? EnPause
                  : lecteur->temps_ms() < 50 ? Debut
                                             : Reprise,
                  c.etat);
    }
}
