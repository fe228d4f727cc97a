// The play-list selector, loading a chosen play list, the save window and
// the rewrite of the selected play list.
#include "config/gestion_vantrel.h"
#include "playlist/liste_courante.h"
#include "support/wav.h"
#include "ui/ecrans.h"
#include "ui/fixture.h"
#include "ui/tform3.h"

#include <QEvent>
#include <QFocusEvent>
#include <cerrno>

namespace {

using vt::test::FenetresTest;
using vt::test::lire_fichier;

class Playlists : public FenetresTest {
protected:
    void SetUp() override {
        FenetresTest::SetUp();
        ecrire_config();
        QDir().mkpath(QStringLiteral("playlist"));
        demarrer();
        module->lecteur->arreter_horloge();
        f3 = fenetres_module().Form3;
    }
    QStringList entrees() {
        QStringList v;
        for (int i = 0; i < f1->Comboplaylist->count(); ++i) v << f1->Comboplaylist->itemText(i);
        return v;
    }
    // The user picks entry `nom` in the selector.
    void choisir(const QString& nom) {
        f1->Comboplaylist->setCurrentIndex(f1->Comboplaylist->findText(nom));
        f1->ComboplaylistChange();
    }
    std::vector<std::string> chemins() {
        std::vector<std::string> v;
        for (int i = 0; i < module->liste.nombre(); ++i) v.push_back(module->liste.chemin(i));
        return v;
    }
    TForm3* f3 = nullptr;
};

// The selector lists .vtlist files in any case, hidden files and
// sub-directories included, sorted by name; focus rebuilds it.
TEST_F(Playlists, SelectorListsPlayListsOnFocus) {
    app.ecrire("playlist/Rock.vtlist", "");
    app.ecrire("playlist/jazz.VTLIST", "");
    app.ecrire("playlist/x.txt", "");
    app.ecrire("playlist/a.b.vtlist", "");
    app.ecrire("playlist/.h.vtlist", "");
    app.ecrire("playlist/d.vtlist/inside", "");
    QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(f1->Comboplaylist, &focus);
    EXPECT_EQ(entrees(), (QStringList{".h", "a.b", "d", "jazz", "Rock"}));
    EXPECT_EQ(f1->Comboplaylist->currentIndex(), -1);
}

// A click on the selector of a window that is not active rebuilds it too.
TEST_F(Playlists, ClickWithoutFocusRebuildsSelector) {
    app.ecrire("playlist/Rock.vtlist", "");
    ASSERT_FALSE(f1->Comboplaylist->hasFocus());
    appui(f1->Comboplaylist, {5, 5});
    f1->Comboplaylist->hidePopup();
    EXPECT_EQ(entrees(), QStringList{QStringLiteral("Rock")});
}

// Without a configuration file the design-time entry stays and choosing it
// changes nothing.
TEST_F(Playlists, MissingConfigurationKeepsDesignEntry) {
    module.reset();
    ::unlink((app / "vantrel.config").c_str());
    demarrer();
    f1->ComboplaylistEnter();
    EXPECT_EQ(entrees(), QStringList{QStringLiteral("fichier config manquant")});
    f1->deposer({"/m/a.mp3"});
    choisir(QStringLiteral("fichier config manquant"));
    EXPECT_EQ(module->liste.nombre(), 1);
}

// Loading replaces both lists, selects row 0, focuses the list, and leaves
// the playing track alone; hand-edited files load the same entries.
TEST_F(Playlists, LoadingReplacesListsWhilePlaybackGoesOn) {
    f1->deposer({app.ecrire("t.wav", vt::test::octets_wav(2000))});
    f1->selectionner(0);
    appui(f1->image_play);
    app.ecrire("playlist/Rock.vtlist", "\"/m/a b.mp3\"\r\n  \"C:\\Musique\\Été.wav\"\nnoise\"c\"");
    f1->show();
    f1->ComboplaylistEnter();
    choisir(QStringLiteral("Rock"));
    EXPECT_EQ(chemins(), (std::vector<std::string>{"/m/a b.mp3", "C:\\Musique\\Été.wav", "c"}));
    EXPECT_EQ(module->liste.nom(1), "Été.wav");
    EXPECT_EQ(f1->index_courant(), 0);
    EXPECT_TRUE(joue());
    EXPECT_EQ(f1->Comboplaylist->currentText(), QStringLiteral("Rock"));
    EXPECT_EQ(f3->liste_lecture_en_cours->model()->index(0, 1).data().toString(),
              QStringLiteral("/m/a b.mp3"));
}

// An empty play-list file empties the list and selects nothing; a play list
// that vanished, or a directory, leaves the current list untouched; a file
// listed in capitals loads under its real name.
TEST_F(Playlists, EmptyVanishedAndCapitalisedFiles) {
    app.ecrire("playlist/vide.vtlist", "");
    app.ecrire("playlist/parti.vtlist", "\"/x.mp3\"");
    app.ecrire("playlist/d.vtlist/f", "");
    app.ecrire("playlist/jazz.VTLIST", "\"/j.mp3\"");
    f1->ComboplaylistEnter();
    f1->deposer({"/m/a.mp3"});
    ::unlink((app / "playlist/parti.vtlist").c_str());
    choisir(QStringLiteral("parti"));
    choisir(QStringLiteral("d"));
    EXPECT_EQ(chemins(), std::vector<std::string>{"/m/a.mp3"});
    choisir(QStringLiteral("jazz"));
    EXPECT_EQ(chemins(), std::vector<std::string>{"/j.mp3"});
    choisir(QStringLiteral("vide"));
    EXPECT_EQ(module->liste.nombre(), 0);
    EXPECT_EQ(f1->index_courant(), -1);
}

// Paths with blanks, accents and bytes that are not UTF-8 survive a save
// and a load byte for byte.
TEST_F(Playlists, SaveThenLoadRoundTripsRawBytes) {
    std::vector<std::string> v{"/m/with blank.mp3", "/m/\xc3\xa9t\xc3\xa9.wav", "/m/latin1-\xe9\xff.wma"};
    f1->deposer(v);
    dialogues.fichiers_a_enregistrer.push_back(app / "playlist/Mix");
    f3->show();
    clic(f3->label_enregistre);
    EXPECT_FALSE(f3->isVisible());
    EXPECT_EQ(lire_fichier(app / "playlist/Mix.vtlist"),
              "\"/m/with blank.mp3\"\"/m/\xc3\xa9t\xc3\xa9.wav\"\"/m/latin1-\xe9\xff.wma\"");
    EXPECT_EQ(entrees(), QStringList{QStringLiteral("Mix")});  // rebuilt at once
    f1->image_del_allClick();
    choisir(QStringLiteral("Mix"));
    EXPECT_EQ(chemins(), v);
}

// A save or rewrite that cannot be written says so ("erreur !", the list's
// name, the reason); the old file stays whole, the save window open.
TEST_F(Playlists, FailedSaveSaysWhyAndKeepsTheOldFile) {
    f1->deposer({"/m/a.mp3"});
    app.ecrire("playlist/Rock.vtlist", "\"/old.mp3\"");
    f1->ComboplaylistEnter();
    const QString garde = QStringLiteral(" Le fichier déjà enregistré reste tel qu'il était.");
    // Chosen in the save dialog (none: Rock rewritten), the error the flush meets.
    const struct {
        std::string choisi;
        int erreur;
        QString raison;
    } cas[] = {
        {app / "no/such/dir/Mix", 0,
         QStringLiteral("« Mix » n'a pas été enregistrée : le dossier n'existe pas.")},
        {app / "playlist/Rock", ENOSPC,
         QStringLiteral("« Rock » n'a pas été enregistrée : le disque est plein.") + garde},
        {"", EROFS,
         QStringLiteral("« Rock » n'a pas été enregistrée : le dossier est en lecture seule.") + garde}};
    for (const auto& c : cas) {
        vt::AppelsEcriture disque{[&](int) { return errno = c.erreur, c.erreur ? -1 : 0; }, ::rename};
        vt::definir_appels_ecriture(&disque);
        dialogues.fichiers_a_enregistrer.push_back(c.choisi);
        dialogues.reponses.push_back(true);
        f1->Comboplaylist->setCurrentIndex(
            c.choisi.empty() ? f1->Comboplaylist->findText(QStringLiteral("Rock")) : -1);
        f3->show();
        c.choisi.empty() ? clic(f1->image_info) : f3->label_enregistreClick();
        vt::definir_appels_ecriture(nullptr);
        EXPECT_TRUE(f3->isVisible());
        ASSERT_FALSE(dialogues.messages.empty()) << c.choisi;
        EXPECT_EQ(dialogues.messages.back(),
                  std::pair(QStringLiteral("erreur !"), "La playlist " + c.raison));
        EXPECT_EQ(lire_fichier(app / "playlist/Rock.vtlist"), "\"/old.mp3\"");
    }
}

// Cancelling writes nothing and leaves the window open; an existing
// Rock.vtlist chosen in the dialog is overwritten, not doubled.
TEST_F(Playlists, CancelAndExistingName) {
    f1->deposer({"/m/a.mp3"});
    f3->show();
    f3->label_enregistreClick();  // no answer scripted: cancelled
    EXPECT_TRUE(f3->isVisible());
    EXPECT_EQ(dialogues.initiaux.back(), "playlist/");  // the play-list folder, where the selector looks
    dialogues.fichiers_a_enregistrer.push_back(app / "playlist/Rock.vtlist");
    f3->label_enregistreClick();
    EXPECT_EQ(lire_fichier(app / "playlist/Rock.vtlist"), "\"/m/a.mp3\"");
    EXPECT_FALSE(vt::test::existe(app / "playlist/Rock.vtlist.vtlist"));
}

// image_info: nothing with an empty list; the save dialog directly when no
// play list is selected; the question, then Yes rewrites and No does not.
TEST_F(Playlists, InfoButtonSavesOrRewrites) {
    clic(f1->image_info);
    EXPECT_TRUE(dialogues.initiaux.empty());
    EXPECT_TRUE(dialogues.questions.empty());
    f1->deposer({"/m/a.mp3"});
    clic(f1->image_info);  // cancelled save dialog, no question
    EXPECT_EQ(dialogues.initiaux.size(), 1u);
    EXPECT_TRUE(dialogues.questions.empty());
    EXPECT_FALSE(f3->isVisible());

    app.ecrire("playlist/Rock.VTLIST", "\"/old.mp3\"");
    f1->ComboplaylistEnter();
    choisir(QStringLiteral("Rock"));
    f1->deposer({"/m/new.mp3"});
    dialogues.reponses.push_back(false);
    clic(f1->image_info);
    ASSERT_EQ(dialogues.questions.size(), 1u);
    EXPECT_EQ(dialogues.questions[0].first, QStringLiteral("vantrel"));
    EXPECT_EQ(dialogues.questions[0].second, QStringLiteral("voulez vous modifier la playlist en cours ? "));
    EXPECT_EQ(lire_fichier(app / "playlist/Rock.VTLIST"), "\"/old.mp3\"");
    dialogues.reponses.push_back(true);
    clic(f1->image_info);
    EXPECT_EQ(lire_fichier(app / "playlist/Rock.VTLIST"), "\"/old.mp3\"\"/m/new.mp3\"");
    EXPECT_EQ(f1->Comboplaylist->currentText(), QStringLiteral("Rock"));
}

// The rewrite does nothing when the configuration can no longer be read.
TEST_F(Playlists, RewriteWithoutConfigurationWritesNothing) {
    app.ecrire("playlist/Rock.vtlist", "\"/old.mp3\"");
    f1->ComboplaylistEnter();
    choisir(QStringLiteral("Rock"));
    ::unlink((app / "vantrel.config").c_str());
    dialogues.reponses.push_back(true);
    f1->image_infoClick();
    EXPECT_EQ(lire_fichier(app / "playlist/Rock.vtlist"), "\"/old.mp3\"");
}

// Closing the save window rebuilds the selector, leaving nothing selected.
TEST_F(Playlists, ClosingSaveWindowRebuildsSelector) {
    app.ecrire("playlist/Rock.vtlist", "");
    f1->ComboplaylistEnter();
    choisir(QStringLiteral("Rock"));
    app.ecrire("playlist/Blues.vtlist", "");
    f3->show();
    f3->close();
    EXPECT_FALSE(f3->isVisible());
    EXPECT_EQ(entrees(), (QStringList{"Blues", "Rock"}));
    EXPECT_EQ(f1->Comboplaylist->currentText(), QString());
}

// The save window's buttons act on the main window's selection, and its
// hover colours follow the pointer.
TEST_F(Playlists, SaveWindowButtonsAndHover) {
    f1->deposer({"/m/0.mp3", "/m/1.mp3", "/m/2.mp3"});
    f1->selectionner(2);
    clic(f3->label_monter);
    EXPECT_EQ(module->liste.chemin(1), "/m/2.mp3");
    clic(f3->label_descendre);
    EXPECT_EQ(module->liste.chemin(2), "/m/2.mp3");
    clic(f3->label_supprimer);
    EXPECT_EQ(module->liste.nombre(), 2);
    dialogues.fichiers_a_ouvrir.push_back({"/m/z.mp3"});
    clic(f3->label_ajouter);
    EXPECT_EQ(module->liste.chemin(2), "/m/z.mp3");

    const QColor bleu(0, 0, 255), blanc(Qt::white);
    glisser(f3->label_ajouter, {2, 2}, Qt::NoButton);
    EXPECT_EQ(f3->label_ajouter->couleur(), bleu);
    glisser(f3->label_monter, {2, 2}, Qt::NoButton);
    EXPECT_EQ(f3->label_monter->couleur(), bleu);
    EXPECT_EQ(f3->label_ajouter->couleur(), blanc);
    glisser(f3->liste_lecture_en_cours->viewport(), {5, 5}, Qt::NoButton);
    for (auto* l : {f3->label_ajouter, f3->label_supprimer, f3->label_monter, f3->label_descendre,
                    f3->label_enregistre})
        EXPECT_EQ(l->couleur(), blanc);
    EXPECT_EQ(f3->windowTitle(), QStringLiteral("Enregistrer une playlist ..."));
    EXPECT_EQ(f3->size(), QSize(789, 215));
}

}  // namespace

namespace {

// Narrowed to fit a small screen, the save window keeps its list within its
// margins and "enregistrer" inside, clear of "Descendre".
TEST_F(Playlists, NarrowedSaveWindowKeepsItsEntriesInside) {
    for (int largeur : {789, 640, 560}) {
        f3->setFixedSize(789, 215);
        f3->show();
        vt::garder_dans_zone(*f3, QRect(0, 0, largeur + f3->frameGeometry().width() - f3->width(), 600));
        EXPECT_EQ(f3->maximumSize(), QSize(largeur, 215));
        EXPECT_EQ(f3->liste_lecture_en_cours->geometry(), QRect(6, 22, largeur - 11, 137)) << largeur;
        EXPECT_EQ(f3->label_enregistre->x(), largeur - 109) << largeur;
        EXPECT_GT(f3->label_enregistre->x(), f3->label_descendre->geometry().right()) << largeur;
        f3->hide();
    }
}

}  // namespace
