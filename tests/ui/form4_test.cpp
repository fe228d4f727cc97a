// The options window: reading the configuration when it turns visible, the
// two dialogs, the defaults, Apply's refusals and its write, and the hover
// colours, on the real windows.
#include "config/configuration.h"
#include "ui/accessibilite.h"
#include "ui/fenetres_outils.h"
#include "ui/fixture.h"
#include "ui/tform4.h"

#include <QComboBox>
#include <QTest>

namespace {

using vt::test::centre;
using vt::test::cliquer;
using vt::test::FenetresTest;
using vt::test::lire_fichier;
using vt::test::sous;
using vt::test::survoler;

const QString kManquant = QStringLiteral("fichier (vantrel.config) manquant !");
const QString kInvalide = QStringLiteral("chemin invalide !");
const QColor kBleu(0, 0, 255);
const QColor kBlanc(255, 255, 255);
const QColor kTemoin(12, 34, 56);  // a colour no handler ever sets

QString texte(const std::string& octets) { return QFile::decodeName(QByteArray::fromStdString(octets)); }

class Options : public FenetresTest {
protected:
    void SetUp() override {
        FenetresTest::SetUp();
        copier_skins();
    }
    // Starts the player with the configuration `config` (none when empty).
    void demarrer_avec(const std::string& config) {
        if (!config.empty()) app.ecrire("vantrel.config", config);
        demarrer();
        f4 = fenetres_module().Form4;
    }
    std::string config() { return lire_fichier(app / "vantrel.config"); }
    void montrer() { f4->setVisible(true); }
    void cacher() { f4->setVisible(false); }
    static std::string texte_config(const std::string& v1, const std::string& v2, const std::string& v3,
                                    const std::string& v4, const std::string& v5, const std::string& v6) {
        return "\"" + v1 + "\"\"" + v2 + "\"\"" + v3 + "\"\"" + v4 + "\"\"" + v5 + "\"\"" + v6 + "\"";
    }
    std::string config_defaut(const std::string& rep_pl = "playlist/", const std::string& boucle = "false") {
        return texte_config("skin/default/", "default.sk", "194", "235", rep_pl, boucle);
    }
    TForm4* f4 = nullptr;
};

// ---------------------------------------------------------------- layout

// A black 407 x 464 tool window named "Option", with its sections, texts,
// colours and fonts as designed.
TEST_F(Options, LayoutMatchesTheDesign) {
    demarrer_avec(config_defaut());
    EXPECT_TRUE(f4->windowFlags() & Qt::Tool);
    EXPECT_FALSE(f4->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(f4->windowTitle(), QStringLiteral("Option"));
    EXPECT_EQ(f4->size(), QSize(407, 464));
    EXPECT_EQ(f4->palette().color(QPalette::Window), QColor(Qt::black));
    EXPECT_FALSE(f4->isVisible());

    EXPECT_EQ(f4->Shape1->geometry(), QRect(3, 4, 402, 75));
    EXPECT_EQ(f4->Shape2->geometry(), QRect(3, 81, 402, 75));
    EXPECT_EQ(f4->Shape3->geometry(), QRect(3, 159, 402, 137));

    struct Attendu {
        vt::LabelVt* label;
        QString texte;
        QPoint place;
        QColor couleur;
        int hauteur;
        bool gras;
    };
    const QColor jaune(255, 255, 0), rouge(255, 0, 0);
    const Attendu attendus[] = {
        {f4->label_affskin, QStringLiteral("Skin sélectionné : "), {5, 6}, jaune, 16, true},
        {f4->label_repskin, kInvalide, {6, 28}, rouge, 11, false},
        {f4->label_affplaylist, QStringLiteral("Répertoire des playlists : "), {5, 83}, jaune, 16, true},
        {f4->label_repplaylist, kInvalide, {6, 107}, rouge, 11, false},
        {f4->label_skinmod, QStringLiteral("Modifier"), {338, 6}, kBlanc, 16, true},
        {f4->label_modplaylist, QStringLiteral("Modifier"), {338, 84}, kBlanc, 16, true},
        {f4->Label1, QStringLiteral("Option générale :"), {6, 162}, jaune, 16, true},
        {f4->label_ok, QStringLiteral("Appliquer"), {7, 410}, kBlanc, 19, false},
        {f4->label_annuler, QStringLiteral("Annuler"), {172, 412}, kBlanc, 19, false},
        {f4->label_pardefaut, QStringLiteral("Par default"), {311, 414}, kBlanc, 19, false},
    };
    for (const auto& a : attendus) {
        SCOPED_TRACE(a.label->objectName().toStdString());
        EXPECT_EQ(a.label->text(), a.texte);
        EXPECT_EQ(a.label->pos(), a.place);
        EXPECT_EQ(a.label->couleur(), a.couleur);
        EXPECT_EQ(a.label->font().pixelSize(), a.hauteur);
        EXPECT_EQ(a.label->font().bold(), a.gras);
        EXPECT_EQ(a.label->font().family(), QStringLiteral("MS Sans Serif"));
    }
    EXPECT_EQ(f4->label_repskin->size(), QSize(396, 48));
    EXPECT_EQ(f4->label_repplaylist->size(), QSize(395, 44));
    EXPECT_EQ(f4->check_boucle->text(), QStringLiteral("Lecture en boucle de la playlist"));
    EXPECT_EQ(f4->check_boucle->geometry(), QRect(7, 184, 174, 21));
    EXPECT_FALSE(f4->check_boucle->isChecked());
}

// ---------------------------------------------------------------- showing

// Showing reads the configuration beside the executable: the skin path
// (values 1 and 2, a file that exists), the directory and the loop flag.
TEST_F(Options, ShowingReadsTheConfiguration) {
    demarrer_avec(config_defaut("mes listes/", "true"));
    montrer();
    EXPECT_EQ(module->configuration.chemin(), app / "vantrel.config");
    EXPECT_EQ(f4->label_repskin->text(), QStringLiteral("skin/default/default.sk"));
    EXPECT_EQ(f4->label_repplaylist->text(), QStringLiteral("mes listes/"));
    EXPECT_TRUE(f4->check_boucle->isChecked());
}

// Opened, the window keeps the focus: no ring around the box until Tab
// brings the keyboard to it.
TEST_F(Options, BoxShowsItsFocusRingOnlyOnceTabReachesIt) {
    demarrer_avec(config_defaut("playlist/", "true"));
    montrer();
    f4->activateWindow();
    QApplication::processEvents();
    EXPECT_FALSE(vt::montre_cadre_focus(f4->check_boucle));
    QTest::keyClick(f4, Qt::Key_Tab);
    EXPECT_TRUE(vt::montre_cadre_focus(f4->check_boucle));
}

// Without a configuration file both paths show the missing-file marker and
// the check box keeps its state, whatever it was.
TEST_F(Options, MissingConfigurationShowsTheMarkerAndKeepsTheCheckBox) {
    demarrer_avec(config_defaut("playlist/", "true"));
    montrer();
    ASSERT_TRUE(f4->check_boucle->isChecked());
    cacher();
    ASSERT_TRUE(QFile::remove(texte(app / "vantrel.config")));
    montrer();
    EXPECT_EQ(f4->label_repskin->text(), kManquant);
    EXPECT_EQ(f4->label_repplaylist->text(), kManquant);
    EXPECT_TRUE(f4->check_boucle->isChecked());
}

// A first showing without a configuration leaves the box unchecked.
TEST_F(Options, FirstShowingWithoutConfigurationLeavesTheBoxUnchecked) {
    demarrer_avec("");
    montrer();
    EXPECT_EQ(f4->label_repskin->text(), kManquant);
    EXPECT_EQ(f4->label_repplaylist->text(), kManquant);
    EXPECT_FALSE(f4->check_boucle->isChecked());
}

// Only the exact text "false" clears the loop box; anything else checks it.
TEST_F(Options, OnlyExactFalseClearsTheLoopBox) {
    demarrer_avec(config_defaut());
    const std::pair<std::string, bool> cas[] = {
        {"false", false}, {"False", true}, {"0", true},      {"", true},
        {"true", true},   {"FALSE", true}, {"false ", true}, {" false", true},
    };
    for (const auto& [valeur, coche] : cas) {
        SCOPED_TRACE("value 6 = \"" + valeur + "\"");
        app.ecrire("vantrel.config", config_defaut("playlist/", valeur));
        f4->check_boucle->setChecked(!coche);
        montrer();
        EXPECT_EQ(f4->check_boucle->isChecked(), coche);
        cacher();
    }
}

// A skin path that cannot be opened as a file (missing, or a directory)
// shows "chemin invalide !"; the directory is shown unchecked.
TEST_F(Options, UnreadableSkinShowsTheInvalidMarker) {
    demarrer_avec(texte_config("skin/nulle/", "part.sk", "194", "235", "n'existe pas/", "false"));
    montrer();
    EXPECT_EQ(f4->label_repskin->text(), kInvalide);
    EXPECT_EQ(f4->label_repplaylist->text(), QStringLiteral("n'existe pas/"));
    cacher();
    app.ecrire("vantrel.config", texte_config("skin/", "default", "194", "235", "playlist/", "false"));
    montrer();
    EXPECT_EQ(f4->label_repskin->text(), kInvalide);
}

// The configuration is read on the hidden-to-visible change only: showing
// an open window again reads nothing, a new showing reads the file again.
TEST_F(Options, ReadsOnlyWhenTurningVisible) {
    demarrer_avec(config_defaut("un/"));
    montrer();
    app.ecrire("vantrel.config", config_defaut("deux/", "true"));
    montrer();
    EXPECT_EQ(f4->label_repplaylist->text(), QStringLiteral("un/"));
    EXPECT_FALSE(f4->check_boucle->isChecked());
    cacher();
    montrer();
    EXPECT_EQ(f4->label_repplaylist->text(), QStringLiteral("deux/"));
    EXPECT_TRUE(f4->check_boucle->isChecked());
}

// Annuler hides the window and writes nothing; the next showing shows the
// file's values, not the edits.
TEST_F(Options, AnnulerThenShowReadsTheFileAgain) {
    demarrer_avec(config_defaut("mes_listes/", "true"));
    const std::string avant = config();
    montrer();
    f4->label_pardefautClick();
    dialogues.repertoires.push_back(std::string("/autre"));
    f4->label_modplaylistClick();
    f4->check_boucle->setChecked(false);
    cliquer(f4, centre(f4->label_annuler));
    EXPECT_FALSE(f4->isVisible());
    EXPECT_EQ(config(), avant);
    montrer();
    EXPECT_EQ(f4->label_repplaylist->text(), QStringLiteral("mes_listes/"));
    EXPECT_EQ(f4->label_repskin->text(), QStringLiteral("skin/default/default.sk"));
    EXPECT_TRUE(f4->check_boucle->isChecked());
}

// ---------------------------------------------------------------- dialogs

// The skin dialog is asked for "skin|*.sk" from the shown skin's folder; its
// choice shows in the skin label.
TEST_F(Options, SkinDialogChoiceShows) {
    demarrer_avec(config_defaut());
    montrer();
    dialogues.fichiers_choisis.push_back(app / "skin/ivoire/ivoire.sk");
    cliquer(f4, centre(f4->label_skinmod));
    ASSERT_EQ(dialogues.filtres_ouverture.size(), 1u);
    EXPECT_EQ(dialogues.filtres_ouverture[0], "skin|*.sk");
    ASSERT_EQ(dialogues.initiaux.size(), 1u);
    EXPECT_EQ(dialogues.initiaux[0], "skin/default/");  // the shown skin's folder
    EXPECT_EQ(f4->label_repskin->text(), texte(app / "skin/ivoire/ivoire.sk"));
}

// Cancelling the skin dialog before any choice changes nothing; after a
// choice it shows that earlier choice again, even over what a later
// showing read from the file.
TEST_F(Options, SkinDialogKeepsItsLastChoiceAfterACancel) {
    demarrer_avec(config_defaut());
    montrer();
    f4->label_skinmodClick();  // cancelled, nothing chosen yet
    EXPECT_EQ(f4->label_repskin->text(), QStringLiteral("skin/default/default.sk"));

    dialogues.fichiers_choisis.push_back(std::string("/ailleurs/premier.sk"));
    f4->label_skinmodClick();
    EXPECT_EQ(f4->label_repskin->text(), QStringLiteral("/ailleurs/premier.sk"));
    cacher();
    montrer();
    ASSERT_EQ(f4->label_repskin->text(), QStringLiteral("skin/default/default.sk"));
    f4->label_skinmodClick();  // cancelled
    EXPECT_EQ(f4->label_repskin->text(), QStringLiteral("/ailleurs/premier.sk"));
    EXPECT_EQ(f4->chemin_skin(), "/ailleurs/premier.sk");
}

// The directory dialog asks with its prompt; a choice is shown followed by
// one separator, even when it already ends with one; a cancel changes nothing.
TEST_F(Options, DirectoryDialogAppendsOneSeparator) {
    demarrer_avec(config_defaut());
    montrer();
    dialogues.repertoires.push_back(std::string("/musique/listes"));
    cliquer(f4, centre(f4->label_modplaylist));
    ASSERT_EQ(dialogues.invites.size(), 1u);
    EXPECT_EQ(dialogues.invites[0], QStringLiteral("Sélectionnez le répertoire des playlists"));
    EXPECT_EQ(f4->label_repplaylist->text(), QStringLiteral("/musique/listes/"));

    f4->label_modplaylistClick();  // cancelled
    EXPECT_EQ(f4->label_repplaylist->text(), QStringLiteral("/musique/listes/"));

    dialogues.repertoires.push_back(std::string("/"));
    f4->label_modplaylistClick();
    EXPECT_EQ(f4->label_repplaylist->text(), QStringLiteral("//"));
}

// "Par default" puts the default skin and directory in the labels and leaves
// the check box and the file alone.
TEST_F(Options, ParDefaultSetsTheDefaultsOnly) {
    demarrer_avec(texte_config("skin/ivoire/", "ivoire.sk", "194", "235", "autre/", "true"));
    const std::string avant = config();
    montrer();
    ASSERT_EQ(f4->label_repskin->text(), QStringLiteral("skin/ivoire/ivoire.sk"));
    cliquer(f4, centre(f4->label_pardefaut));
    EXPECT_EQ(f4->label_repskin->text(), QStringLiteral("skin/default/default.sk"));
    EXPECT_EQ(f4->label_repplaylist->text(), QStringLiteral("playlist/"));
    EXPECT_TRUE(f4->check_boucle->isChecked());
    EXPECT_TRUE(f4->isVisible());
    EXPECT_EQ(config(), avant);
}

// ---------------------------------------------------------------- Apply

// Apply refuses, silently and without writing or hiding, while either path
// shows either marker (each of the four cases on its own) or holds a double
// quote.
TEST_F(Options, ApplyRefusesWhileAMarkerShows) {
    // The skin label missing, the directory chosen.
    demarrer_avec("");
    const std::size_t messages = dialogues.messages.size();
    montrer();
    dialogues.repertoires.push_back(app / "listes");
    f4->label_modplaylistClick();
    cliquer(f4, centre(f4->label_ok));
    EXPECT_FALSE(vt::test::existe(app / "vantrel.config"));
    EXPECT_TRUE(f4->isVisible());

    // The directory label missing, the skin chosen.
    cacher();
    montrer();
    dialogues.fichiers_choisis.push_back(app / "skin/default/default.sk");
    f4->label_skinmodClick();
    ASSERT_EQ(f4->label_repplaylist->text(), kManquant);
    f4->label_okClick();
    EXPECT_FALSE(vt::test::existe(app / "vantrel.config"));
    EXPECT_TRUE(f4->isVisible());

    // The directory value reads "chemin invalide !" in the file itself.
    cacher();
    const std::string invalide = config_defaut("chemin invalide !");
    app.ecrire("vantrel.config", invalide);
    montrer();
    ASSERT_EQ(f4->label_repskin->text(), QStringLiteral("skin/default/default.sk"));
    f4->label_okClick();
    EXPECT_EQ(config(), invalide);
    EXPECT_TRUE(f4->isVisible());

    // The skin cannot be opened.
    cacher();
    const std::string sans_skin = texte_config("skin/", "aucun.sk", "194", "235", "playlist/", "false");
    app.ecrire("vantrel.config", sans_skin);
    montrer();
    ASSERT_EQ(f4->label_repskin->text(), kInvalide);
    f4->label_okClick();
    EXPECT_EQ(config(), sans_skin);
    EXPECT_TRUE(f4->isVisible());

    // A folder whose name holds a double quote cannot be stored: it would
    // shift the values after it.
    cacher();
    app.ecrire("vantrel.config", config_defaut());
    montrer();
    dialogues.repertoires.push_back(app / "a\"b");
    f4->label_modplaylistClick();
    f4->label_okClick();
    EXPECT_EQ(config(), config_defaut());
    EXPECT_TRUE(f4->isVisible());
    vt::Reglages quote{"skin/", "a\"b.sk", 0, 0, "playlist/", false};
    EXPECT_FALSE(module->configuration.ecrire(quote));
    EXPECT_EQ(config(), config_defaut());
    EXPECT_EQ(dialogues.messages.size(), messages);  // a refusal shows nothing
}

// Apply writes the six values byte for byte: the skin split at its last
// separator, the main window's place (negative when off the top-left), the
// directory as shown and the loop flag; then hides the window.
TEST_F(Options, ApplyWritesTheExactConfiguration) {
    demarrer_avec(config_defaut("mes listes/"));
    montrer();
    f1->move(-30, -12);
    f4->check_boucle->setChecked(true);
    cliquer(f4, centre(f4->label_ok));
    EXPECT_EQ(config(), "\"skin/default/\"\"default.sk\"\"-30\"\"-12\"\"mes listes/\"\"true\"");
    EXPECT_FALSE(f4->isVisible());
    // The start-up sequence ran again on what was written.
    EXPECT_EQ(f1->pos(), QPoint(-30, -12));
    EXPECT_TRUE(module->lecteur->boucle());
}

// With no configuration file, "Par default" then Apply creates it with the
// defaults, the window's place and the check box's state.
TEST_F(Options, ParDefaultThenApplyCreatesTheFile) {
    demarrer_avec("");
    ASSERT_EQ(f1->pos(), QPoint(194, 235));
    montrer();
    f4->check_boucle->setChecked(false);
    f4->label_pardefautClick();
    f4->label_okClick();
    EXPECT_EQ(config(), "\"skin/default/\"\"default.sk\"\"194\"\"235\"\"playlist/\"\"false\"");
    EXPECT_FALSE(f4->isVisible());
}

// The skin chosen in the dialog is split at its last '/' or '\', and its
// bytes are written exactly as chosen, even when they are not UTF-8.
TEST_F(Options, ApplySplitsTheChosenSkinAndKeepsItsBytes) {
    demarrer_avec(config_defaut());
    f1->move(10, 20);
    const std::pair<std::string, std::string> cas[] = {
        {"C:\\skins\\bleu\\bleu.sk", "\"C:\\skins\\bleu\\\"\"bleu.sk\""},
        {"/opt/th\xe8mes/vert/vert.sk", "\"/opt/th\xe8mes/vert/\"\"vert.sk\""},
        {"d:/mixte\\x.sk", "\"d:/mixte\\\"\"x.sk\""},
        {"seul.sk", "\"s\"\"eul.sk\""},
    };
    for (const auto& [choisi, debut] : cas) {
        SCOPED_TRACE(choisi);
        montrer();
        dialogues.fichiers_choisis.push_back(choisi);
        f4->label_skinmodClick();
        f4->label_okClick();
        EXPECT_EQ(config(), debut + "\"10\"\"20\"\"playlist/\"\"false\"");
        cacher();
    }
}

// Apply runs the main window's start-up sequence again (new skin, slider
// cursors back at rest) and then refreshes the play-list selector from the
// newly configured directory.
TEST_F(Options, ApplyRestartsTheMainWindowAndRefreshesTheSelector) {
    demarrer_avec(config_defaut());
    app.ecrire("listes/jazz.vtlist", "\"a.mp3\"");
    app.ecrire("listes/rock.vtlist", "\"b.mp3\"");
    const QImage fond_avant = f1->image_fond->image();
    f1->curseur_volume->move(f1->barre_volume->x(), f1->curseur_volume->y());
    ASSERT_LT(f1->curseur_volume->width(), f1->barre_volume->width());  // so the move above left the rest

    montrer();
    dialogues.fichiers_choisis.push_back("skin/ivoire/ivoire.sk");
    f4->label_skinmodClick();
    dialogues.repertoires.push_back(app / "listes");
    f4->label_modplaylistClick();
    f4->label_okClick();

    EXPECT_NE(f1->image_fond->image(), fond_avant);
    EXPECT_EQ(f1->curseur_volume->x(),
              f1->barre_volume->x() + f1->barre_volume->width() - f1->curseur_volume->width());
    ASSERT_EQ(f1->Comboplaylist->count(), 2);
    EXPECT_EQ(f1->Comboplaylist->itemText(0), QStringLiteral("jazz"));
    EXPECT_EQ(f1->Comboplaylist->itemText(1), QStringLiteral("rock"));
    EXPECT_TRUE(dialogues.messages.empty());
}

// ---------------------------------------------------------------- separator

// The split never takes the first character as the separator and always
// gives the path back when its parts are joined.
TEST(SeparerCheminSkin, SplitsAtTheLastSeparatorAfterTheFirstCharacter) {
    const std::tuple<std::string, std::string, std::string> cas[] = {
        {"skin/default/default.sk", "skin/default/", "default.sk"},
        {"C:\\a\\b.sk", "C:\\a\\", "b.sk"},
        {"a/b\\c.sk", "a/b\\", "c.sk"},
        {"/x.sk", "/", "x.sk"},
        {"\\x.sk", "\\", "x.sk"},
        {"x.sk", "x", ".sk"},
        {"rep/", "rep/", ""},
        {"/", "/", ""},
        {"a", "a", ""},
        {"", "", ""},
    };
    for (const auto& [chemin, rep, fichier] : cas) {
        SCOPED_TRACE(chemin);
        const auto [r, f] = vt::separer_chemin_skin(chemin);
        EXPECT_EQ(r, rep);
        EXPECT_EQ(f, fichier);
        EXPECT_EQ(r + f, chemin);
    }
}

// ---------------------------------------------------------------- hover

// The hover table as designed: the action under the pointer turns blue,
// the listed ones white, the rest keep their colour; the background,
// headings and path labels turn all five white; the shapes and the check
// box do nothing.
TEST_F(Options, HoverColoursFollowTheTable) {
    demarrer_avec(config_defaut());
    montrer();
    const std::vector<vt::LabelVt*> actions = {f4->label_skinmod, f4->label_modplaylist, f4->label_ok,
                                               f4->label_annuler, f4->label_pardefaut};
    struct Cas {
        QPoint point;
        vt::LabelVt* bleu;
        std::vector<vt::LabelVt*> blancs;
    };
    const QPoint fond(200, 350), cadre(4, 50), case_a_cocher = centre(f4->check_boucle);
    ASSERT_EQ(sous(f4, fond), f4);
    ASSERT_EQ(sous(f4, cadre), f4->Shape1);
    ASSERT_EQ(sous(f4, case_a_cocher), f4->check_boucle);
    const std::vector<vt::LabelVt*> tous = actions;
    const Cas cas[] = {
        {centre(f4->label_skinmod),
         f4->label_skinmod,
         {f4->label_modplaylist, f4->label_ok, f4->label_annuler, f4->label_pardefaut}},
        {centre(f4->label_modplaylist),
         f4->label_modplaylist,
         {f4->label_ok, f4->label_annuler, f4->label_pardefaut}},
        {centre(f4->label_ok), f4->label_ok, {f4->label_annuler, f4->label_skinmod, f4->label_modplaylist}},
        {centre(f4->label_annuler),
         f4->label_annuler,
         {f4->label_skinmod, f4->label_modplaylist, f4->label_ok, f4->label_pardefaut}},
        {centre(f4->label_pardefaut),
         f4->label_pardefaut,
         {f4->label_ok, f4->label_annuler, f4->label_skinmod, f4->label_modplaylist}},
        {fond, nullptr, tous},
        {centre(f4->label_affskin), nullptr, tous},
        {centre(f4->label_repskin), nullptr, tous},
        {centre(f4->label_affplaylist), nullptr, tous},
        {centre(f4->Label1), nullptr, tous},
        {centre(f4->label_repplaylist), nullptr, tous},
        {cadre, nullptr, {}},
        {case_a_cocher, nullptr, {}},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(sous(f4, c.point)->objectName().toStdString());
        for (auto* l : actions) l->definir_couleur(kTemoin);
        survoler(f4, c.point);
        for (auto* l : actions) {
            const bool blanc = std::find(c.blancs.begin(), c.blancs.end(), l) != c.blancs.end();
            const QColor attendu = l == c.bleu ? kBleu : blanc ? kBlanc : kTemoin;
            EXPECT_EQ(l->couleur(), attendu) << l->objectName().toStdString();
        }
    }
}

}  // namespace
