// The current play list as the main window edits it: the open dialog, drops,
// delete, clear, moves, the selection text and the command-line file.
#include "playlist/liste_courante.h"
#include "ui/fixture.h"
#include "ui/tform3.h"

#include <QApplication>
#include <QMimeData>
#include <QTest>
#include <QUrl>

namespace {

using vt::test::DemarreTest;
using vt::test::FenetresTest;

class Form1Liste : public DemarreTest<false> {
protected:
    std::vector<std::string> noms() {
        std::vector<std::string> v;
        for (int i = 0; i < module->liste.nombre(); ++i) v.push_back(module->liste.nom(i));
        return v;
    }
    QString visible(QListView* vue, int ligne) {
        return vue->model()->index(ligne, vue->modelColumn()).data().toString();
    }
    void ajouter(std::vector<std::string> chemins) {
        dialogues.fichiers_a_ouvrir.push_back(std::move(chemins));
        clic(f1->image_add);
    }
};

// The add button opens the dialog with the three filters and appends the
// chosen files in the dialog's order to both lists.
TEST_F(Form1Liste, AddAppendsChosenFilesToBothViews) {
    ajouter({"/m/a.mp3", "/m/B.WAV", "/m/c.wma"});
    ASSERT_EQ(dialogues.filtres_ouverture.size(), 1u);
    EXPECT_EQ(dialogues.filtres_ouverture[0], "mp3|*.mp3|wav|*.wav|wma|*.wma");
    EXPECT_EQ(noms(), (std::vector<std::string>{"a.mp3", "B.WAV", "c.wma"}));
    EXPECT_EQ(visible(f1->list_lecture, 1), "B.WAV");
    EXPECT_EQ(visible(fenetres_module().Form3->liste_lecture_en_cours, 2), "/m/c.wma");
    EXPECT_EQ(f1->index_courant(), -1);
}

// The same file twice in a row is taken once; with another in between it is
// taken again; deleting it from a list that stays non-empty does not make it
// acceptable; clearing the list does.
TEST_F(Form1Liste, LastAddedPathRule) {
    ajouter({"/m/a.mp3"});
    ajouter({"/m/a.mp3"});
    EXPECT_EQ(module->liste.nombre(), 1);
    ajouter({"/m/b.mp3"});
    ajouter({"/m/a.mp3"});
    EXPECT_EQ(module->liste.nombre(), 3);
    f1->selectionner(2);
    clic(f1->image_del);
    ajouter({"/m/a.mp3"});
    EXPECT_EQ(module->liste.nombre(), 2);
    appui(f1->image_del_all);
    f1->image_del_allClick();
    ajouter({"/m/a.mp3"});
    EXPECT_EQ(noms(), (std::vector<std::string>{"a.mp3"}));
    ajouter({});  // a cancelled dialog adds nothing
    EXPECT_EQ(module->liste.nombre(), 1);
}

// Dropped files are taken by their last three letters in any case,
// duplicates included, and never touch the selection.
TEST_F(Form1Liste, DropsAcceptTheThreeEndingsOnly) {
    f1->deposer({"/d/x.Mp3", "/d/y.WAV", "/d/z.wma", "/d/v.mp4", "/d/o.ogg", "/d/noextAMP3", "/d/x.Mp3"});
    EXPECT_EQ(noms(), (std::vector<std::string>{"x.Mp3", "y.WAV", "z.wma", "noextAMP3", "x.Mp3"}));
    // Through the real drop event as well.
    QMimeData donnees;
    donnees.setUrls({QUrl::fromLocalFile(QStringLiteral("/d/dropped.wav")),
                     QUrl::fromLocalFile(QStringLiteral("/d/skip.txt"))});
    QDropEvent depot(QPointF(20, 60), Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
    static_cast<QObject*>(f1)->event(&depot);  // delivered as the window system would
    EXPECT_EQ(module->liste.nombre(), 6);
    EXPECT_EQ(module->liste.chemin(5), "/d/dropped.wav");
    EXPECT_EQ(f1->index_courant(), -1);
    // A long path is taken whole.
    std::string long_chemin = "/d/" + std::string(400, 'n') + ".mp3";
    f1->deposer({long_chemin});
    EXPECT_EQ(module->liste.chemin(6), long_chemin);
}

// Moves keep the moved entry selected in both lists; at the ends nothing
// changes (the list's own rules: ListeEdition.UserEditsOnTheCurrentRow).
TEST_F(Form1Liste, MovesFollowTheSelectionAndStopAtTheEnds) {
    ajouter({"/m/0.mp3", "/m/1.mp3", "/m/2.mp3", "/m/3.mp3"});
    f1->selectionner(3);
    clic(f1->image_up);
    EXPECT_EQ(noms(), (std::vector<std::string>{"0.mp3", "1.mp3", "3.mp3", "2.mp3"}));
    EXPECT_EQ(f1->index_courant(), 2);
    EXPECT_EQ(module->liste.chemin(2), "/m/3.mp3");
    clic(f1->image_down);
    clic(f1->image_down);  // on the last row: nothing
    EXPECT_EQ(noms(), (std::vector<std::string>{"0.mp3", "1.mp3", "2.mp3", "3.mp3"}));
    EXPECT_EQ(f1->index_courant(), 3);
    f1->selectionner(0);
    clic(f1->image_up);
    EXPECT_EQ(f1->index_courant(), 0);
}

// The save window's selection follows a move when it was on one of the rows.
TEST_F(Form1Liste, SaveWindowSelectionFollowsMoves) {
    ajouter({"/m/0.mp3", "/m/1.mp3", "/m/2.mp3"});
    auto* vue = fenetres_module().Form3->liste_lecture_en_cours;
    vue->selectionModel()->setCurrentIndex(module->liste.index(1, 1), QItemSelectionModel::ClearAndSelect);
    fenetres_module().Form3->liste_lecture_en_coursClick();  // mirror: the main window selects row 1
    EXPECT_EQ(f1->index_courant(), 1);
    clic(f1->image_down);
    EXPECT_EQ(f1->index_courant(), 2);
    EXPECT_EQ(vue->selectionModel()->selectedIndexes().value(0).row(), 2);
}

// A row picked by a click in either window's list, then next: the row
// after it, the same from both lists.
TEST_F(Form1Liste, NextAfterAPickInEitherListTakesTheRowAfterIt) {
    ajouter({"/m/0.mp3", "/m/1.mp3", "/m/2.mp3", "/m/3.mp3"});
    f1->show();
    fenetres_module().Form3->show();
    struct Cas {
        QListView* vue;
        int ligne;
    };
    QListView* sauvegarde = fenetres_module().Form3->liste_lecture_en_cours;
    for (const Cas& c :
         {Cas{f1->list_lecture, 1}, Cas{sauvegarde, 1}, Cas{sauvegarde, 0}, Cas{f1->list_lecture, 2}}) {
        SCOPED_TRACE(std::to_string(c.ligne) +
                     (c.vue == sauvegarde ? " in the save window" : " in the main window"));
        QApplication::setActiveWindow(c.vue->window());
        const QRect r = c.vue->visualRect(c.vue->model()->index(c.ligne, c.vue->modelColumn()));
        QTest::mouseClick(c.vue->viewport(), Qt::LeftButton, {}, r.center());
        ASSERT_EQ(f1->index_courant(), c.ligne);
        QApplication::setActiveWindow(f1);
        clic(f1->image_next);
        EXPECT_EQ(f1->index_courant(), c.ligne + 1);
    }
}

// Selecting a row while nothing plays shows it in lower case, accented
// capitals included; the program's own selections do not.
TEST_F(Form1Liste, SelectionTextIsLowerCased) {
    ajouter({"/m/ÉTÉ À Paris.MP3"});
    const QModelIndex i = module->liste.index(0, 0);
    f1->list_lecture->selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect);
    EXPECT_EQ(f1->label_affiche->text(), QStringLiteral("sélection : été à paris.mp3"));
    f1->label_affiche->setText(QStringLiteral("x"));
    f1->selectionner(0);
    EXPECT_EQ(f1->label_affiche->text(), QStringLiteral("x"));
}

// Clearing: the press stops playback, the click empties both lists and the
// selector; a right-button press does not clear.
TEST_F(Form1Liste, ClearEmptiesListsAndSelector) {
    ajouter({"/m/a.mp3", "/m/b.mp3"});
    f1->Comboplaylist->addItem(QStringLiteral("Rock"));
    f1->Comboplaylist->setCurrentIndex(f1->Comboplaylist->count() - 1);
    clic(f1->image_del_all, {1, 1}, Qt::RightButton);
    EXPECT_EQ(module->liste.nombre(), 2);
    EXPECT_EQ(f1->label_affiche->text(), QStringLiteral("vantrel  en attente ..."));
    clic(f1->image_del_all);
    EXPECT_EQ(module->liste.nombre(), 0);
    EXPECT_EQ(f1->Comboplaylist->currentText(), QString());
    EXPECT_TRUE(montre(f1->image_del_all, "image_del_all_off"));
    EXPECT_TRUE(montre(f1->image_stop, "image_stopoff"));
}

// Buttons show their lit picture while pressed and the unlit one after.
TEST_F(Form1Liste, ListButtonsLightWhilePressed) {
    struct B {
        vt::ImageVt* w;
        const char* on;
        const char* off;
    } boutons[] = {{f1->image_add, "image_add_on", "image_add_off"},
                   {f1->image_del, "image_del_on", "image_del_off"},
                   {f1->image_up, "image_up_on", "image_up_off"},
                   {f1->image_down, "image_down_on", "image_down_off"},
                   {f1->image_info, "image_info_on", "image_info_off"}};
    for (auto& b : boutons) {
        appui(b.w);
        EXPECT_TRUE(montre(b.w, b.on)) << b.on;
        relache(b.w, {500, 500});  // released outside: no click
        EXPECT_TRUE(montre(b.w, b.off)) << b.off;
    }
    EXPECT_TRUE(dialogues.filtres_ouverture.empty());
}

class Form1LigneDeCommande : public FenetresTest {};

// A file named on the command line is added, selected and played, whatever
// its extension; a trailing separator stays in its display name.
TEST_F(Form1LigneDeCommande, ArgumentIsAddedSelectedAndPlayed) {
    ecrire_config();
    std::string chemin = fixture("ton440.ogg");
    demarrer(chemin);
    ASSERT_EQ(module->liste.nombre(), 1);
    EXPECT_EQ(module->liste.chemin(0), chemin);
    EXPECT_EQ(f1->index_courant(), 0);
    EXPECT_TRUE(joue());
    EXPECT_EQ(f1->label_affiche->text(), QStringLiteral("Lecture : ton440.ogg"));
    EXPECT_TRUE(montre(f1->image_play, "image_playon"));
}

TEST_F(Form1LigneDeCommande, TrailingSeparatorKeptInName) {
    ecrire_config();
    demarrer(std::string("/no/such/Musique/"));
    EXPECT_EQ(module->liste.nom(0), "Musique/");
    EXPECT_FALSE(joue());
    EXPECT_EQ(f1->label_affiche->text(), QStringLiteral("Lecture impossible : Musique/"));
}

}  // namespace
