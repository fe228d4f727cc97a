// The current play list model: its two columns, its edits, the selection
// rules of the views on it, and the three ways files come into it.
#include "playlist/liste_courante.h"
#include "config/configuration.h"
#include "config/emplacements.h"
#include "config/texte_affiche.h"
#include "support/dialogues_scriptes.h"

#include <gtest/gtest.h>
#include <QItemSelectionModel>
#include <QSignalSpy>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

namespace {

using vt::ListeCourante;

std::vector<std::string> chemins(const ListeCourante& l) {
    std::vector<std::string> v;
    for (int i = 0; i < l.nombre(); ++i) v.push_back(l.chemin(i));
    return v;
}

std::vector<std::string> noms(const ListeCourante& l) {
    std::vector<std::string> v;
    for (int i = 0; i < l.nombre(); ++i) v.push_back(l.nom(i));
    return v;
}

std::vector<int> lignes_choisies(const QItemSelectionModel& sel) {
    std::vector<int> v;
    for (const QModelIndex& i : sel.selectedIndexes()) v.push_back(i.row());
    return v;
}

// --- Display names -------------------------------------------------------

// The display name is the text after the last separator of either kind,
// case and extension kept, or the whole path when it has none.
TEST(ListeNoms, TextAfterTheLastSeparatorOfEitherKind) {
    ListeCourante l;
    l.ajouter_nommes_par_dernier_separateur({"C:\\Musique\\Intro.MP3"});
    l.ajouter_nommes_par_dernier_separateur({"/home/u/Musique/b.wav"});
    l.ajouter_nommes_par_dernier_separateur({"mixte/dossier\\c.wma"});
    l.ajouter_nommes_par_dernier_separateur({"mixte\\dossier/d.mp3"});
    l.ajouter_nommes_par_dernier_separateur({"seul.mp3"});
    EXPECT_EQ(noms(l), (std::vector<std::string>{"Intro.MP3", "b.wav", "c.wma", "d.mp3", "seul.mp3"}));
}

// A path ending in a separator has an empty display name when added as a
// file, but the command-line file keeps its last directory and separator.
TEST(ListeNoms, TrailingSeparatorEmptyExceptForTheCommandLineFile) {
    ListeCourante l;
    l.ajouter_nommes_par_dernier_separateur({"C:\\Musique\\"});
    l.ajouter_nommes_par_dernier_separateur({"/home/u/Musique/"});
    l.ajouter_nommes_par_dernier_element({"C:\\Musique\\"});
    l.ajouter_nommes_par_dernier_element({"/home/u/Musique/"});
    l.ajouter_nommes_par_dernier_element({"/home/u/Musique/a.ogg"});
    l.ajouter_nommes_par_dernier_element({"a.ogg"});
    EXPECT_EQ(noms(l), (std::vector<std::string>{"", "", "Musique\\", "Musique/", "a.ogg", "a.ogg"}));
    EXPECT_EQ(l.chemin(2), "C:\\Musique\\");
    // A relative one enters absolute, after the folder it was given in.
    EXPECT_EQ(l.chemin(5), vt::dossier_courant() + "/a.ogg");
}

// An entry without a separator shows whole, whatever the entries before it.
TEST(ListeNoms, EntryWithoutSeparatorIsShownWholeAfterOthers) {
    ListeCourante l;
    l.ajouter_nommes_par_dernier_separateur({"/a/b/long.mp3", "court", "/x/y.wav"});
    EXPECT_EQ(noms(l), (std::vector<std::string>{"long.mp3", "court", "y.wav"}));
}

// Column 0 shows names, column 1 full paths, both decoded from raw bytes;
// other columns, roles and rows give nothing.
TEST(ListeModele, TwoColumnsOfDisplayText) {
    ListeCourante l;
    l.ajouter_nommes_par_dernier_separateur({"/m/Été/Ça va.mp3", "/m/x.wav"});
    EXPECT_EQ(l.columnCount(), 2);
    EXPECT_EQ(l.rowCount(), 2);
    EXPECT_EQ(l.data(l.index(0, 0)).toString(), QStringLiteral("Ça va.mp3"));
    EXPECT_EQ(l.data(l.index(0, 1)).toString(), QStringLiteral("/m/Été/Ça va.mp3"));
    EXPECT_EQ(l.data(l.index(1, 0)).toString(), QStringLiteral("x.wav"));
    EXPECT_FALSE(l.data(l.index(0, 0), Qt::DecorationRole).isValid());
    EXPECT_FALSE(l.data(l.index(2, 0)).isValid());
    EXPECT_FALSE(l.data(QModelIndex()).isValid());
    EXPECT_EQ(l.rowCount(l.index(0, 0)), 0);
}

// A huge name shows cut (kOctetsAffiches bytes at most, at a character's
// start, then an ellipsis) while the entry keeps every byte.
TEST(ListeModele, HugeNamesAreShownCutAndKeptWhole) {
    const std::size_t n = vt::kOctetsAffiches;
    const QString e(QChar(0x2026));
    vt::ListeCourante l;
    for (const auto& [nom, affiche] : std::vector<std::pair<std::string, QString>>{
             {std::string(n, 'a'), QString(n, 'a')},
             {std::string(n + 1, 'a'), QString(n, 'a') + e},
             {std::string(n - 1, 'a') + "\xc3\xa9", QString(n - 1, 'a') + e},
             {std::string(50 << 20, 'b'), QString(n, 'b') + e}}) {
        l.ajouter_nommes_par_dernier_separateur({"/m/" + nom});
        EXPECT_EQ(l.data(l.index(l.nombre() - 1, 0)).toString(), affiche) << nom.size();
        EXPECT_EQ(l.data(l.index(l.nombre() - 1, 1)).toString().size(), qsizetype(n + 1));
        EXPECT_EQ(l.chemin(l.nombre() - 1), "/m/" + nom);
    }
}

// Out-of-range access gives empty texts, never a crash.
TEST(ListeModele, OutOfRangeAccessGivesEmptyTexts) {
    ListeCourante l;
    l.ajouter_nommes_par_dernier_separateur({"/a.mp3"});
    EXPECT_EQ(l.chemin(-1), "");
    EXPECT_EQ(l.chemin(1), "");
    EXPECT_EQ(l.nom(5), "");
    EXPECT_EQ(l.chemin(0), "/a.mp3");
}

// --- Edits ---------------------------------------------------------------

// Appending several paths makes one insert notification covering them all.
TEST(ListeEdition, AppendSeveralIsOneInsert) {
    ListeCourante l;
    l.ajouter_nommes_par_dernier_separateur({"/a.mp3"});
    QSignalSpy insertions(&l, &QAbstractItemModel::rowsInserted);
    l.ajouter_nommes_par_dernier_separateur({"/b.mp3", "/c.mp3", "/d.mp3"});
    ASSERT_EQ(insertions.count(), 1);
    EXPECT_EQ(insertions[0][1].toInt(), 1);
    EXPECT_EQ(insertions[0][2].toInt(), 3);
    l.ajouter_nommes_par_dernier_separateur({});
    EXPECT_EQ(insertions.count(), 1);
    EXPECT_EQ(chemins(l), (std::vector<std::string>{"/a.mp3", "/b.mp3", "/c.mp3", "/d.mp3"}));
}

// Replacing is one reset with the new entries only; clearing empties.
TEST(ListeEdition, ReplaceAndClear) {
    ListeCourante l;
    l.ajouter_nommes_par_dernier_separateur({"/a.mp3", "/b.mp3"});
    QSignalSpy resets(&l, &QAbstractItemModel::modelReset);
    l.remplacer({"/x/1.mp3", "2.wav"});
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(chemins(l), (std::vector<std::string>{"/x/1.mp3", "2.wav"}));
    EXPECT_EQ(noms(l), (std::vector<std::string>{"1.mp3", "2.wav"}));
    l.vider();
    EXPECT_EQ(l.nombre(), 0);
    EXPECT_EQ(l.rowCount(), 0);
    l.remplacer({});
    EXPECT_EQ(l.nombre(), 0);
}

// Deleting removes exactly that row; out-of-range rows change nothing.
TEST(ListeEdition, DeleteRowAndIgnoreBadRows) {
    ListeCourante l;
    l.ajouter_nommes_par_dernier_separateur({"/a.mp3", "/b.mp3", "/c.mp3"});
    l.supprimer(-1);
    l.supprimer(3);
    EXPECT_EQ(l.nombre(), 3);
    l.supprimer(1);
    EXPECT_EQ(chemins(l), (std::vector<std::string>{"/a.mp3", "/c.mp3"}));
    EXPECT_EQ(noms(l), (std::vector<std::string>{"a.mp3", "c.mp3"}));
    l.supprimer(0);
    l.supprimer(0);
    EXPECT_EQ(l.nombre(), 0);
    l.supprimer(0);
    EXPECT_EQ(l.nombre(), 0);
}

// Swapping exchanges the two rows' paths and names and nothing else.
TEST(ListeEdition, SwapExchangesTwoRows) {
    ListeCourante l;
    l.ajouter_nommes_par_dernier_separateur({"/0.mp3", "/1.mp3", "/2.mp3", "/3.mp3"});
    l.echanger_avec_precedent(3);
    EXPECT_EQ(chemins(l), (std::vector<std::string>{"/0.mp3", "/1.mp3", "/3.mp3", "/2.mp3"}));
    EXPECT_EQ(noms(l), (std::vector<std::string>{"0.mp3", "1.mp3", "3.mp3", "2.mp3"}));
    l.echanger_avec_precedent(1);
    EXPECT_EQ(chemins(l), (std::vector<std::string>{"/1.mp3", "/0.mp3", "/3.mp3", "/2.mp3"}));
}

// A swap at the ends (row 0, past the last row, negative) changes nothing
// and sends no notification.
TEST(ListeEdition, SwapAtTheEndsIsANoOp) {
    ListeCourante l;
    l.ajouter_nommes_par_dernier_separateur({"/0.mp3", "/1.mp3", "/2.mp3"});
    QSignalSpy mouvements(&l, &QAbstractItemModel::rowsMoved);
    l.echanger_avec_precedent(0);
    l.echanger_avec_precedent(3);
    l.echanger_avec_precedent(-1);
    EXPECT_EQ(mouvements.count(), 0);
    EXPECT_EQ(chemins(l), (std::vector<std::string>{"/0.mp3", "/1.mp3", "/2.mp3"}));
    ListeCourante vide;
    vide.echanger_avec_precedent(0);
    vide.echanger_avec_precedent(1);
    EXPECT_EQ(vide.nombre(), 0);
}

// A command-line entry keeps its own display name when moved.
TEST(ListeEdition, DisplayNameFollowsItsEntry) {
    ListeCourante l;
    l.ajouter_nommes_par_dernier_separateur({"/m/a.mp3"});
    l.ajouter_nommes_par_dernier_element({"/m/Album/"});
    l.echanger_avec_precedent(1);
    EXPECT_EQ(noms(l), (std::vector<std::string>{"Album/", "a.mp3"}));
}

// The user's edits on the current row (-1: none): what the list becomes.
TEST(ListeEdition, UserEditsOnTheCurrentRow) {
    const std::tuple<void (*)(ListeCourante&), const char*> cas[] = {
        {[](ListeCourante& l) { l.monter(2); }, "acb"},
        {[](ListeCourante& l) { l.monter(0); }, "abc"},
        {[](ListeCourante& l) { l.monter(-1); }, "abc"},
        {[](ListeCourante& l) { l.descendre(0); }, "bac"},
        {[](ListeCourante& l) { l.descendre(2); }, "abc"},
        {[](ListeCourante& l) { l.descendre(-1); }, "abc"},
        {[](ListeCourante& l) { l.deplacer_ligne(0, 2); }, "bca"},
        {[](ListeCourante& l) { l.deplacer_ligne(2, 0); }, "cab"},
        {[](ListeCourante& l) { l.deplacer_ligne(1, 1); }, "abc"},
        {[](ListeCourante& l) { l.deplacer_ligne(-1, 1); }, "abc"},
        {[](ListeCourante& l) { l.deplacer_ligne(1, 3); }, "abc"},
        {[](ListeCourante& l) { l.supprimer(1); }, "ac"},
        {[](ListeCourante& l) { l.supprimer(-1); }, "abc"},
        {[](ListeCourante& l) { l.vider(); }, ""},
        {[](ListeCourante& l) {
             l.ajouter_choisis({"A", "A"});
         },
         "abcA"},
    };
    for (const auto& [edition, apres] : cas) {
        ListeCourante l;
        l.ajouter_nommes_par_dernier_separateur({"a", "b", "c"});
        edition(l);
        std::string reste;
        for (const std::string& c : chemins(l)) reste += c;
        EXPECT_EQ(reste, apres);
    }
}

// --- Selections in views -------------------------------------------------

// Moving row 3 up: a view's selection on row 3 follows its entry to row 2.
TEST(ListeSelection, SelectionOnTheMovedRowFollowsIt) {
    ListeCourante l;
    l.ajouter_nommes_par_dernier_separateur({"/0.mp3", "/1.mp3", "/2.mp3", "/3.mp3", "/4.mp3"});
    QItemSelectionModel noms_vue(&l);
    noms_vue.select(l.index(3, 0), QItemSelectionModel::ClearAndSelect);
    noms_vue.setCurrentIndex(l.index(3, 0), QItemSelectionModel::NoUpdate);
    l.echanger_avec_precedent(3);
    EXPECT_EQ(lignes_choisies(noms_vue), std::vector<int>{2});
    EXPECT_EQ(noms_vue.currentIndex().row(), 2);
    EXPECT_EQ(l.chemin(2), "/3.mp3");
}

// A second view selected on the other row of the pair (the path column)
// follows that entry too, to row 3.
TEST(ListeSelection, SelectionOnTheOtherRowFollowsIt) {
    ListeCourante l;
    l.ajouter_nommes_par_dernier_separateur({"/0.mp3", "/1.mp3", "/2.mp3", "/3.mp3"});
    QItemSelectionModel noms_vue(&l);
    QItemSelectionModel chemins_vue(&l);
    noms_vue.select(l.index(3, 0), QItemSelectionModel::ClearAndSelect);
    chemins_vue.select(l.index(2, 1), QItemSelectionModel::ClearAndSelect);
    l.echanger_avec_precedent(3);
    EXPECT_EQ(lignes_choisies(noms_vue), std::vector<int>{2});
    EXPECT_EQ(lignes_choisies(chemins_vue), std::vector<int>{3});
    EXPECT_EQ(chemins_vue.selectedIndexes().value(0).column(), 1);
}

// A selection on a row outside the pair stays where it is.
TEST(ListeSelection, SelectionElsewhereStays) {
    ListeCourante l;
    l.ajouter_nommes_par_dernier_separateur({"/0.mp3", "/1.mp3", "/2.mp3", "/3.mp3"});
    QItemSelectionModel vue(&l);
    vue.select(l.index(0, 0), QItemSelectionModel::ClearAndSelect);
    l.echanger_avec_precedent(3);
    EXPECT_EQ(lignes_choisies(vue), std::vector<int>{0});
}

// Deleting the selected row leaves no row selected; rows after a deleted
// one keep their selection on the same entry.
TEST(ListeSelection, DeleteDropsTheSelectionOfThatRowOnly) {
    ListeCourante l;
    l.ajouter_nommes_par_dernier_separateur({"/0.mp3", "/1.mp3", "/2.mp3"});
    QItemSelectionModel vue(&l);
    vue.select(l.index(1, 0), QItemSelectionModel::ClearAndSelect);
    l.supprimer(1);
    EXPECT_TRUE(vue.selectedIndexes().isEmpty());
    vue.select(l.index(1, 0), QItemSelectionModel::ClearAndSelect);
    l.supprimer(0);
    EXPECT_EQ(lignes_choisies(vue), std::vector<int>{0});
    EXPECT_EQ(l.chemin(0), "/2.mp3");
}

// --- Adding from the open dialog -----------------------------------------

// The same file chosen in two dialogs in a row is taken once; with another
// file in between it is taken again.
TEST(ListeAjout, ImmediateRepeatIsSkipped) {
    ListeCourante l;
    l.ajouter_choisis({"/m/A.mp3"});
    l.ajouter_choisis({"/m/A.mp3"});
    EXPECT_EQ(chemins(l), std::vector<std::string>{"/m/A.mp3"});
    l.ajouter_choisis({"/m/B.mp3"});
    l.ajouter_choisis({"/m/A.mp3"});
    EXPECT_EQ(chemins(l), (std::vector<std::string>{"/m/A.mp3", "/m/B.mp3", "/m/A.mp3"}));
    EXPECT_EQ(l.dernier_ajoute(), "/m/A.mp3");
}

// Deleting A from a list that stays non-empty does not make A acceptable
// again; clearing the list does.
TEST(ListeAjout, OnlyAnEmptyListForgetsTheLastAddedPath) {
    ListeCourante l;
    l.ajouter_choisis({"/m/B.mp3"});
    l.ajouter_choisis({"/m/A.mp3"});
    l.supprimer(1);
    l.ajouter_choisis({"/m/A.mp3"});
    EXPECT_EQ(chemins(l), std::vector<std::string>{"/m/B.mp3"});
    l.vider();
    l.ajouter_choisis({"/m/A.mp3"});
    EXPECT_EQ(chemins(l), std::vector<std::string>{"/m/A.mp3"});
}

// The comparison is byte for byte: a different case is another path; a
// cancelled dialog (no path) changes nothing, not even the last path.
TEST(ListeAjout, ByteForByteAndCancelledDialog) {
    ListeCourante l;
    l.ajouter_choisis({"/m/a.mp3"});
    l.ajouter_choisis({});
    l.ajouter_choisis({"/m/A.mp3"});
    EXPECT_EQ(chemins(l), (std::vector<std::string>{"/m/a.mp3", "/m/A.mp3"}));
}

// One dialog with three files appends them in the dialog's order; an empty
// path and a path equal to the one just before are skipped inside it too.
TEST(ListeAjout, OneDialogKeepsOrderAndSkipsEmptyAndRepeats) {
    ListeCourante l;
    l.ajouter_choisis({"/m/3.mp3", "/m/1.mp3", "/m/2.mp3"});
    EXPECT_EQ(chemins(l), (std::vector<std::string>{"/m/3.mp3", "/m/1.mp3", "/m/2.mp3"}));
    l.ajouter_choisis({"", "/m/2.mp3", "/m/4.mp3", "/m/4.mp3", "", "/m/2.mp3"});
    EXPECT_EQ(chemins(l),
              (std::vector<std::string>{"/m/3.mp3", "/m/1.mp3", "/m/2.mp3", "/m/4.mp3", "/m/2.mp3"}));
}

// Files that came in another way are not the last added path: a dialog
// after a drop of the same file still adds it when the last added path is
// another one.
TEST(ListeAjout, OtherWaysNeverSetTheLastAddedPath) {
    ListeCourante l;
    l.ajouter_choisis({"/m/A.mp3"});
    l.ajouter_nommes_par_dernier_separateur({"/m/B.mp3"});
    l.ajouter_nommes_par_dernier_element({"/m/C.mp3"});
    EXPECT_EQ(l.dernier_ajoute(), "/m/A.mp3");
    l.ajouter_choisis({"/m/B.mp3"});
    EXPECT_EQ(l.nombre(), 4);
}

}  // namespace
