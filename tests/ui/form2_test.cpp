// The menu window: its layout, where it appears, its picture, each entry's
// steps and the hover colours, on the real windows.
#include "playlist/liste_courante.h"
#include "support/wav.h"
#include "ui/fenetres_outils.h"
#include "ui/fixture.h"
#include "ui/tform2.h"
#include "ui/tform3.h"
#include "ui/tform4.h"
#include "ui/tform5.h"
#include "ui/tform6.h"

#include <map>

namespace {

using vt::test::centre;
using vt::test::cliquer;
using vt::test::FenetresTest;
using vt::test::sous;
using vt::test::survoler;

const QColor kBlanc(255, 255, 255);
const QColor kNoir(0, 0, 0);
const QColor kTemoin(12, 34, 56);  // a colour no handler ever sets

class Menu : public FenetresTest {
protected:
    void SetUp() override {
        FenetresTest::SetUp();
        copier_skins();
        ecrire_config();
        demarrer();
        f2 = fenetres_module().Form2;
    }
    void ouvrir_menu() { clic(f1->Image_menu); }
    std::vector<vt::LabelVt*> labels() const {
        return {f2->Label3, f2->label_ouvrir, f2->label_enr_playlist, f2->label_option,
                f2->Label1, f2->Label2,       f2->label_quitter};
    }
    // n real files in the play list, the first one selected.
    void remplir(int n) {
        for (int i = 0; i < n; ++i)
            module->liste.ajouter_nommes_par_dernier_separateur(
                {app.ecrire("m" + std::to_string(i) + ".wav", vt::test::octets_wav(50))});
        f1->selectionner(0);
    }
    TForm2* f2 = nullptr;
};

// The window is borderless, 75 x 250 and white, with the seven labels at
// their places, in their fonts, black, and transparent over the picture.
TEST_F(Menu, LayoutMatchesTheDesign) {
    EXPECT_TRUE(f2->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(f2->size(), QSize(75, 250));
    EXPECT_EQ(f2->palette().color(QPalette::Window), kBlanc);
    EXPECT_TRUE(f2->autoFillBackground());
    EXPECT_FALSE(f2->isVisible());

    struct Attendu {
        vt::LabelVt* label;
        QString texte;
        QPoint place;
        int hauteur;
        bool gras;
    };
    const Attendu attendus[] = {
        {f2->Label3, QStringLiteral("playlist"), {7, 56}, 11, true},
        {f2->label_ouvrir, QStringLiteral("Ouvrir"), {12, 6}, 19, false},
        {f2->label_enr_playlist, QStringLiteral("Enregistrer"), {7, 42}, 11, true},
        {f2->label_option, QStringLiteral("Option"), {8, 87}, 16, true},
        {f2->Label1, QStringLiteral("Propriétés"), {6, 132}, 11, true},
        {f2->Label2, QStringLiteral("A propos"), {11, 175}, 11, true},
        {f2->label_quitter, QStringLiteral("Quitter"), {10, 212}, 19, false},
    };
    for (const auto& a : attendus) {
        SCOPED_TRACE(a.texte.toStdString());
        EXPECT_EQ(a.label->text(), a.texte);
        EXPECT_EQ(a.label->pos(), a.place);
        EXPECT_EQ(a.label->font().pixelSize(), a.hauteur);
        EXPECT_EQ(a.label->font().bold(), a.gras);
        EXPECT_EQ(a.label->font().family(), QStringLiteral("MS Sans Serif"));
        EXPECT_EQ(a.label->couleur(), kNoir);
        EXPECT_FALSE(a.label->autoFillBackground());
    }
    EXPECT_EQ(f2->label_enr_playlist->size(), QSize(67, 31));
    EXPECT_EQ(f2->Shape1->geometry(), QRect(0, 0, 75, 250));
    EXPECT_EQ(f2->Image1->pos(), QPoint(0, 0));
}

// The "playlist" line lies inside the area of "Enregistrer", which is drawn
// over it: the pointer there is over "Enregistrer".
TEST_F(Menu, PlaylistLineBelongsToTheSaveEntry) {
    EXPECT_TRUE(f2->label_enr_playlist->geometry().contains(f2->Label3->geometry()));
    EXPECT_EQ(sous(f2, centre(f2->Label3)), f2->label_enr_playlist);
}

// The menu appears at the main window's place, each time at its current
// one, kept within the screen when the main window lies partly off it.
TEST_F(Menu, TakesTheMainWindowsPlaceEachTime) {
    f1->move(120, 80);
    ouvrir_menu();
    EXPECT_TRUE(f2->isVisible());
    EXPECT_EQ(f2->pos(), QPoint(120, 80));
    f2->setVisible(false);
    f1->move(-15, 333);
    ouvrir_menu();
    EXPECT_EQ(f2->pos(), QPoint(0, 333));
}

// The picture is the skin's menu picture, taken again at every showing; the
// image element takes its size while the window and labels stay as designed.
TEST_F(Menu, PictureComesFromTheSkinAtEachShowing) {
    ouvrir_menu();
    ASSERT_FALSE(f1->image_fond_menu->image().isNull());
    EXPECT_EQ(f2->Image1->image(), f1->image_fond_menu->image());

    QImage petite(20, 30, QImage::Format_RGB32);
    petite.fill(Qt::red);
    f1->image_fond_menu->definir(petite);
    ouvrir_menu();  // already visible: the picture is copied all the same
    EXPECT_EQ(f2->Image1->image(), petite);
    EXPECT_EQ(f2->Image1->size(), QSize(20, 30));

    QImage grande(100, 300, QImage::Format_RGB32);
    grande.fill(Qt::green);
    f1->image_fond_menu->definir(grande);
    f2->setVisible(false);
    ouvrir_menu();
    EXPECT_EQ(f2->Image1->size(), QSize(100, 300));
    EXPECT_EQ(f2->size(), QSize(75, 250));
    EXPECT_EQ(f2->label_quitter->pos(), QPoint(10, 212));
}

// The hover table: each entry turns itself white (the save entry both its
// lines) and every other label black; anywhere else turns all seven black.
TEST_F(Menu, HoverColoursFollowTheTable) {
    ouvrir_menu();
    const QPoint ailleurs(72, 120);
    ASSERT_EQ(sous(f2, ailleurs), f2->Shape1);
    const std::vector<std::pair<QPoint, std::vector<vt::LabelVt*>>> cas = {
        {centre(f2->label_ouvrir), {f2->label_ouvrir}},
        {centre(f2->label_enr_playlist), {f2->label_enr_playlist, f2->Label3}},
        {centre(f2->Label3), {f2->label_enr_playlist, f2->Label3}},
        {centre(f2->label_option), {f2->label_option}},
        {centre(f2->Label1), {f2->Label1}},
        {centre(f2->Label2), {f2->Label2}},
        {centre(f2->label_quitter), {f2->label_quitter}},
        {ailleurs, {}},
    };
    for (const auto& [point, blancs] : cas) {
        SCOPED_TRACE(sous(f2, point)->objectName().toStdString());
        for (auto* l : labels()) l->definir_couleur(kTemoin);
        survoler(f2, point);
        for (auto* l : labels()) {
            const bool blanc = std::find(blancs.begin(), blancs.end(), l) != blancs.end();
            EXPECT_EQ(l->couleur(), blanc ? kBlanc : kNoir) << l->objectName().toStdString();
        }
    }
}

// Only the colour changes under the pointer: fonts and places stay.
TEST_F(Menu, HoverChangesOnlyTheColour) {
    ouvrir_menu();
    const QFont police = f2->label_option->font();
    const QRect place = f2->label_option->geometry();
    survoler(f2, centre(f2->label_option));
    EXPECT_EQ(f2->label_option->couleur(), kBlanc);
    EXPECT_EQ(f2->label_option->font(), police);
    EXPECT_EQ(f2->label_option->geometry(), place);
}

// The last highlight survives hiding and showing the menu.
TEST_F(Menu, HighlightStaysAcrossShowings) {
    ouvrir_menu();
    survoler(f2, centre(f2->Label2));
    f2->setVisible(false);
    ouvrir_menu();
    EXPECT_EQ(f2->Label2->couleur(), kBlanc);
    EXPECT_EQ(f2->label_ouvrir->couleur(), kNoir);
}

// "Ouvrir" hides the menu and runs the main window's add operation.
TEST_F(Menu, OuvrirHidesAndAddsFiles) {
    const std::string a = app.ecrire("a.mp3", "x");
    const std::string b = app.ecrire("b.wav", "y");
    dialogues.fichiers_a_ouvrir.push_back({a, b});
    ouvrir_menu();
    cliquer(f2, centre(f2->label_ouvrir));
    EXPECT_FALSE(f2->isVisible());
    ASSERT_EQ(dialogues.filtres_ouverture.size(), 1u);
    ASSERT_EQ(module->liste.nombre(), 2);
    EXPECT_EQ(module->liste.chemin(0), a);
    EXPECT_EQ(module->liste.chemin(1), b);
}

// Both lines of "Enregistrer" / "playlist" hide the menu and show the save
// window.
TEST_F(Menu, EnregistrerAndPlaylistShowTheSaveWindow) {
    for (QWidget* ligne :
         {static_cast<QWidget*>(f2->label_enr_playlist), static_cast<QWidget*>(f2->Label3)}) {
        fenetres_module().Form3->setVisible(false);
        ouvrir_menu();
        cliquer(f2, centre(ligne));
        EXPECT_FALSE(f2->isVisible());
        EXPECT_TRUE(fenetres_module().Form3->isVisible());
    }
    // Label3's own handler only calls the save entry's.
    fenetres_module().Form3->setVisible(false);
    ouvrir_menu();
    f2->Label3Click();
    EXPECT_FALSE(f2->isVisible());
    EXPECT_TRUE(fenetres_module().Form3->isVisible());
}

// "Option" hides the menu and shows the options window, which reads the
// configuration as it turns visible; choosing it again while that window is
// open reads nothing.
TEST_F(Menu, OptionShowsTheOptionsWindowWhichReadsOnlyWhenTurningVisible) {
    ouvrir_menu();
    cliquer(f2, centre(f2->label_option));
    EXPECT_FALSE(f2->isVisible());
    ASSERT_TRUE(fenetres_module().Form4->isVisible());
    EXPECT_EQ(fenetres_module().Form4->label_repplaylist->text(), QStringLiteral("playlist/"));

    ecrire_config("skin/default/", "default.sk", 194, 235, "ailleurs/", true);
    ouvrir_menu();
    cliquer(f2, centre(f2->label_option));
    EXPECT_EQ(fenetres_module().Form4->label_repplaylist->text(), QStringLiteral("playlist/"));
    EXPECT_FALSE(fenetres_module().Form4->check_boucle->isChecked());
}

// Each entry answers on its whole drawn button, not only on its text: the
// buttons' corners and edges, and no gap between two buttons.
TEST(MenuBoutons, EachEntryAnswersOnItsWholeButton) {
    using E = vt::EntreeMenu;
    const std::pair<QPoint, E> cas[] = {
        {{5, 5}, E::Ouvrir},     {{71, 35}, E::Ouvrir},      {{40, 36}, E::Aucune},
        {{40, 37}, E::Aucune},   {{70, 38}, E::Enregistrer}, {{6, 79}, E::Enregistrer},
        {{40, 80}, E::Aucune},   {{66, 100}, E::Option},     {{66, 140}, E::Proprietes},
        {{66, 160}, E::Aucune},  {{66, 180}, E::APropos},    {{5, 202}, E::Quitter},
        {{71, 246}, E::Quitter}, {{40, 247}, E::Aucune},     {{4, 20}, E::Aucune},
        {{72, 20}, E::Aucune},   {{-1, -1}, E::Aucune},
    };
    for (const auto& [p, attendue] : cas) EXPECT_EQ(vt::entree_menu(p), attendue) << p.x() << "," << p.y();
}

// A click beside the text, on the button, acts as a click on the text; the
// pointer there lights the entry.
TEST_F(Menu, ButtonAroundTheTextAnswers) {
    ouvrir_menu();
    const QPoint bord_option(68, 84), bord_a_propos(66, 196);
    ASSERT_EQ(sous(f2, bord_option), f2->Shape1);
    survoler(f2, bord_option);
    EXPECT_EQ(f2->label_option->couleur(), kBlanc);
    cliquer(f2, bord_option);
    EXPECT_FALSE(f2->isVisible());
    EXPECT_TRUE(fenetres_module().Form4->isVisible());
    ouvrir_menu();
    ASSERT_EQ(sous(f2, bord_a_propos), f2->Shape1);
    cliquer(f2, bord_a_propos);
    EXPECT_TRUE(fenetres_module().Form5->isVisible());
    // A press on one button released on another acts on neither.
    fenetres_module().Form3->setVisible(false);
    ouvrir_menu();
    vt::test::evenement(f2, {70, 76}, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
    vt::test::evenement(f2, {70, 76}, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton);
    QMouseEvent relache(QEvent::MouseButtonRelease, QPointF(66, 100), f2->mapToGlobal(QPointF(66, 100)),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(f2->Shape1, &relache);
    EXPECT_TRUE(f2->isVisible());
    EXPECT_FALSE(fenetres_module().Form3->isVisible());
}

// "Propriétés" with nothing selected does nothing: the menu stays, no
// window opens.
TEST_F(Menu, ProprietesWithoutSelectionLeavesTheMenuOpen) {
    remplir(2);
    f1->selectionner(-1);
    ASSERT_LT(f1->index_courant(), 0);
    ouvrir_menu();
    cliquer(f2, centre(f2->Label1));
    EXPECT_TRUE(f2->isVisible());
    EXPECT_FALSE(fenetres_module().Form6->isVisible());
    EXPECT_EQ(fenetres_module().Form6->label_titre->text(), QStringLiteral("none"));
}

// "Propriétés" with a selection hides the menu and shows the filled
// information window.
TEST_F(Menu, ProprietesFillsAndShowsTheInformationWindow) {
    remplir(2);
    f1->selectionner(1);
    ouvrir_menu();
    cliquer(f2, centre(f2->Label1));
    EXPECT_FALSE(f2->isVisible());
    ASSERT_TRUE(fenetres_module().Form6->isVisible());
    EXPECT_EQ(fenetres_module().Form6->label_titre->text(), QStringLiteral("m1.wav"));
    EXPECT_EQ(fenetres_module().Form6->label_adresse->text(),
              QFile::decodeName(QByteArray::fromStdString(app / "m1.wav")));
}

// "A propos" hides the menu and shows the about window.
TEST_F(Menu, AProposShowsTheAboutWindow) {
    ouvrir_menu();
    cliquer(f2, centre(f2->Label2));
    EXPECT_FALSE(f2->isVisible());
    EXPECT_TRUE(fenetres_module().Form5->isVisible());
}

// "Quitter" asks to end the program once and writes nothing, so a window
// position changed since the file was written is lost.
TEST_F(Menu, QuitterEndsWithoutWriting) {
    const std::string avant = vt::test::lire_fichier(app / "vantrel.config");
    f1->move(321, 123);
    ouvrir_menu();
    cliquer(f2, centre(f2->label_quitter));
    EXPECT_EQ(fins, 1);
    EXPECT_EQ(vt::test::lire_fichier(app / "vantrel.config"), avant);
    // The menu is not hidden first: the end of the program takes it away.
    EXPECT_TRUE(f2->isVisible());
}

// "Quitter" with no configuration file creates none.
TEST_F(Menu, QuitterCreatesNoConfiguration) {
    QFile::remove(QFile::decodeName(QByteArray::fromStdString(app / "vantrel.config")));
    ouvrir_menu();
    f2->label_quitterClick();
    EXPECT_EQ(fins, 1);
    EXPECT_FALSE(vt::test::existe(app / "vantrel.config"));
}

}  // namespace
