// Start-up and the three ways of ending; the skinned window's chrome.
#include "audio/sortie_manuelle.h"
#include "config/gestion_vantrel.h"
#include "skin/aspect_integre.h"
#include "support/wav.h"
#include "ui/fixture.h"
#include "ui/session.h"
#include "ui/tform2.h"

#include <QGuiApplication>
#include <QScreen>

#include <fcntl.h>
#include <sys/stat.h>
#include <ctime>

namespace {

using vt::test::FenetresTest;
using vt::test::lire_fichier;

class Demarrage : public FenetresTest {};

// First start without a configuration: one message, built-in look, the
// window at (194, 235); the close button then writes the defaults.
TEST_F(Demarrage, FirstStartWithoutConfiguration) {
    demarrer();
    ASSERT_EQ(dialogues.messages.size(), 1u);
    EXPECT_EQ(dialogues.messages[0].first, QStringLiteral("erreur !"));
    EXPECT_EQ(dialogues.messages[0].second,
              QStringLiteral("Fichier de config manquant ! chargement par default ... "));
    EXPECT_EQ(f1->pos(), QPoint(194, 235));
    EXPECT_EQ(f1->size(), QSize(349, 291));
    EXPECT_EQ(f1->image_fond->image(), vt::image_integree("image_fond"));
    EXPECT_FALSE(module->lecteur->boucle());
    clic(f1->image_quitter);
    EXPECT_EQ(fins, 1);
    EXPECT_EQ(lire_fichier(app / "vantrel.config"),
              R"("skin/default/""default.sk""194""235""playlist/""false")");
}

// At start, the temporary files that writers killed before their rename
// left in the app folder and in the configured play-list folder, older than
// a minute, are removed; a younger one and the real files stay.
TEST_F(Demarrage, LeftoversOfKilledWritersAreRemovedAtStart) {
    copier_skins();
    ecrire_config("skin/default/", "default.sk", 194, 235, "listes/", false);
    auto vieillir = [](const std::string& chemin) {
        timespec t[2];
        t[0].tv_sec = t[1].tv_sec = std::time(nullptr) - 120;
        t[0].tv_nsec = t[1].tv_nsec = 0;
        ::utimensat(AT_FDCWD, chemin.c_str(), t, 0);
        return chemin;
    };
    const std::string config = vieillir(app.ecrire(".vantrel.config.a1B2c3", "x"));
    const std::string liste = vieillir(app.ecrire("listes/.Rock.vtlist.a1B2c3", "x"));
    const std::string jeune = app.ecrire(".vantrel.config.Jeune1", "x");
    const std::string vraie = vieillir(app.ecrire("listes/Rock.vtlist", "\"/m/a.mp3\""));
    demarrer();
    EXPECT_TRUE(dialogues.messages.empty());
    EXPECT_FALSE(vt::test::existe(config));
    EXPECT_FALSE(vt::test::existe(liste));
    EXPECT_TRUE(vt::test::existe(jeune));
    EXPECT_EQ(lire_fichier(vraie), "\"/m/a.mp3\"");
    EXPECT_TRUE(vt::test::existe(app / "vantrel.config"));
}

// The configured position and loop flag are applied, a place 20 pixels
// beyond the screen's left edge exactly as stored; the default skin on disk
// loads without a message.
TEST_F(Demarrage, ConfiguredPositionSkinAndLoop) {
    copier_skins();
    ecrire_config("skin/default/", "default.sk", -20, 7, "playlist/", true);
    demarrer();
    EXPECT_TRUE(dialogues.messages.empty());
    EXPECT_EQ(f1->pos(), QPoint(-20, 7));
    EXPECT_TRUE(module->lecteur->boucle());
    EXPECT_EQ(f1->width(), 349);
}

// The close button keeps values 1, 2 and 5 of the file and writes the
// current position and loop flag; "Quitter" writes nothing.
TEST_F(Demarrage, CloseButtonWritesQuitterDoesNot) {
    ecrire_config("skin/none/", "x.sk", 10, 20, "lists/", false);
    demarrer();
    f1->move(300, 40);
    actions().quitter->trigger();
    EXPECT_EQ(fins, 1);
    EXPECT_EQ(lire_fichier(app / "vantrel.config"), R"("skin/none/""x.sk""10""20""lists/""false")");
    module->lecteur->definir_boucle(true);
    f1->image_quitterClick();
    EXPECT_EQ(fins, 2);
    EXPECT_EQ(lire_fichier(app / "vantrel.config"), R"("skin/none/""x.sk""300""40""lists/""true")");
}

// The close button writes the place the window has, on every platform that
// tells it; under native Wayland, which does not, the stored place is kept
// even after a drag.
// A place out of every screen's reach (3000,3000, the 32-bit limits) comes
// back on screen at start, and that is what the close button writes; a
// place partly off the edge stays and is written back as it was.
TEST_F(Demarrage, CloseButtonWritesAPlaceTheNextStartCanUse) {
    const QRect z = QGuiApplication::primaryScreen()->availableGeometry();
    const int droite = z.x() + z.width() - 349, bas = z.y() + z.height() - 291;
    auto texte = [](int x, int y) { return std::to_string(x) + "\"\"" + std::to_string(y); };
    const struct {
        const char* plateforme;
        const char* gauche;
        const char* haut;
        QPoint apres_demarrage, deplacement;
        std::string ecrit;
    } cas[] = {
        {"offscreen", "194", "235", {194, 235}, {10, 5}, texte(204, 240)},
        {"xcb", " -20", "7", {-20, 7}, {}, texte(-20, 7)},
        {"wayland", "194", "235", {194, 235}, {10, 5}, texte(194, 235)},
        {"wayland", " -20", "abc", {-20, 0}, {10, 5}, texte(-20, 0)},
        {"offscreen", "3000", "3000", {droite, bas}, {}, texte(droite, bas)},
        {"offscreen",
         "100000000000000000000",
         "-100000000000000000000",
         {droite, z.y()},
         {},
         texte(droite, z.y())},
        {"offscreen", "-100000000000000000000", "100000000000000000000", {z.x(), bas}, {}, texte(z.x(), bas)},
    };
    for (const auto& c : cas) {
        vt::definir_nom_plateforme(QString::fromLatin1(c.plateforme));
        app.ecrire("vantrel.config", std::string("\"skin/none/\"\"x.sk\"\"") + c.gauche + "\"\"" + c.haut +
                                         "\"\"lists/\"\"false\"");
        demarrer();
        f1->show();
        EXPECT_EQ(f1->pos(), c.apres_demarrage) << c.plateforme << c.gauche;
        f1->move(f1->pos() + c.deplacement);  // dragged by the user
        clic(f1->image_quitter);
        EXPECT_EQ(fins, 1);
        EXPECT_EQ(lire_fichier(app / "vantrel.config"),
                  "\"skin/none/\"\"x.sk\"\"" + c.ecrit + "\"\"lists/\"\"false\"")
            << c.plateforme << c.gauche;
        fins = 0;
        vt::definir_nom_plateforme(QString());
    }
}

// A tap on the title strip or the background (press and release at once)
// moves nothing and leaves no move running; a press held and moved past the
// drag distance moves the window with the pointer.
TEST_F(Demarrage, TapOnStripIsAClickDragMoves) {
    ecrire_config();
    demarrer();
    f1->show();
    const int seuil = QApplication::startDragDistance();
    for (vt::ImageVt* w : {f1->image_barre, f1->image_fond}) {
        const QPoint debut = f1->pos();
        clic(w, {50, 5});
        glisser(w, {80, 9}, Qt::NoButton);
        glisser(w, {90, 9});  // a button held that was never pressed here
        EXPECT_EQ(f1->pos(), debut) << w->nom();
        appui(w, {50, 5});
        glisser(w, {50 + seuil - 1, 5});
        EXPECT_EQ(f1->pos(), debut) << w->nom();
        glisser(w, {50 + seuil, 5});
        EXPECT_EQ(f1->pos(), debut + QPoint(seuil, 0)) << w->nom();
        relache(w, {50 + seuil, 5});
        glisser(w, {50, 40}, Qt::NoButton);
        EXPECT_EQ(f1->pos(), debut + QPoint(seuil, 0)) << w->nom();
    }
}

// A missing skin other than the default one is reported; the default one
// missing is silent.
TEST_F(Demarrage, SkinMessagesAtStart) {
    ecrire_config("skin/default/", "default.sk");
    demarrer();
    EXPECT_TRUE(dialogues.messages.empty());
    module.reset();
    ecrire_config("skin/autre/", "a.sk");
    demarrer();
    ASSERT_EQ(dialogues.messages.size(), 1u);
    EXPECT_EQ(dialogues.messages[0].second,
              QStringLiteral("skin inaccessible ! chargement par default ... "));
    EXPECT_EQ(dialogues.messages[0].first, QStringLiteral("skin erreur !"));
}

// A larger status strip makes the window taller; the width never changes.
TEST_F(Demarrage, TallerStatusStripMakesTallerWindow) {
    copier_skins();
    gestion_vantrel g;
    ASSERT_TRUE(g.charger(app / "skin/default/default.sk"));
    std::string fond_lecture = g.valeur(23);
    QImage grande(335, 60, QImage::Format_RGB32);
    grande.fill(Qt::darkCyan);
    grande.save(QFile::decodeName(QByteArray::fromStdString(app / ("skin/default/" + fond_lecture))), "BMP");
    ecrire_config();
    demarrer();
    EXPECT_TRUE(dialogues.messages.empty());
    EXPECT_EQ(f1->height(), 264 + 60 + 7);
    EXPECT_EQ(f1->width(), 349);
}

// Running the start-up sequence again during playback keeps the sound and
// resets the cursors; the window keeps its place.
TEST_F(Demarrage, RerunDuringPlaybackKeepsSoundResetsCursors) {
    copier_skins();
    ecrire_config("skin/default/", "default.sk", 50, 60);
    demarrer();
    module->lecteur->arreter_horloge();
    f1->deposer({app.ecrire("t.wav", vt::test::octets_wav(3000))});
    f1->selectionner(0);
    appui(f1->image_play);
    clic(f1->barre_volume, {10, 1});
    pomper_ms(1000);
    module->lecteur->tic();
    ASSERT_GT(f1->curseur_position->x(), f1->barre_position->x());
    f1->FormCreate();
    EXPECT_TRUE(joue());
    EXPECT_EQ(f1->curseur_volume->x(), f1->barre_volume->x() + 95);
    EXPECT_EQ(f1->curseur_balance->x(), f1->barre_balance->x() + 50);
    EXPECT_EQ(f1->curseur_position->x(), f1->barre_position->x());
    EXPECT_EQ(f1->pos(), QPoint(50, 60));
    EXPECT_EQ(module->liste.nombre(), 1);
}

// Each applied skin decides the status line: "activer" hides it, a skin
// without it shows it again, and back, with no restart.
TEST_F(Demarrage, EachSkinDecidesTheStatusLine) {
    copier_skins();
    ecrire_config("skin/ivoire/", "ivoire.sk");
    demarrer();
    ASSERT_TRUE(dialogues.messages.empty());
    EXPECT_TRUE(f1->label_lecture->isHidden());
    const std::pair<const char*, bool> suite[] = {{"default", false}, {"ivoire", true}, {"default", false}};
    for (const auto& [skin, cache] : suite) {
        ecrire_config(std::string("skin/") + skin + "/", std::string(skin) + ".sk");
        f1->FormCreate();
        EXPECT_TRUE(dialogues.messages.empty());
        EXPECT_EQ(f1->label_lecture->isHidden(), cache) << skin;
    }
}

// A bitmap that exists but cannot be decoded: reported, the elements before
// it changed, and the rest of the start-up sequence (move, size, cursors)
// skipped.
TEST_F(Demarrage, UndecodableBitmapStopsTheSequence) {
    copier_skins();
    gestion_vantrel g;
    ASSERT_TRUE(g.charger(app / "skin/default/default.sk"));
    app.ecrire("skin/default/" + g.valeur(22), "not a picture at all");  // image_fond
    ecrire_config("skin/default/", "default.sk", 300, 300);
    demarrer();
    ASSERT_EQ(dialogues.messages.size(), 1u);
    EXPECT_EQ(dialogues.messages[0].first, QStringLiteral("skin erreur !"));
    EXPECT_TRUE(dialogues.messages[0].second.startsWith(QStringLiteral("image illisible : ")));
    EXPECT_EQ(f1->pos(), QPoint(194, 235));
    QImage ajout_skin;
    ASSERT_TRUE(
        ajout_skin.load(QFile::decodeName(QByteArray::fromStdString(app / ("skin/default/" + g.valeur(2))))));
    EXPECT_EQ(f1->image_add->image().convertToFormat(QImage::Format_RGB32),
              ajout_skin.convertToFormat(QImage::Format_RGB32));
    // The failed element and those after it keep the built-in look.
    EXPECT_EQ(f1->image_fond->image(), vt::image_integree("image_fond"));
    EXPECT_EQ(f1->image_fond_lecture->image(), vt::image_integree("image_fond_lecture"));
    EXPECT_EQ(f1->image_quitter->image(), vt::image_integree("image_quitter"));
}

// The process shows the main window before it builds the five others: in
// between, the main window's handlers that reach for them do nothing; once
// they exist, the command-line file is added and plays when the engine is up.
TEST_F(Demarrage, MainWindowFirstThenTheOthers) {
    ecrire_config();
    std::string piste = app.ecrire("titre.wav", vt::test::octets_wav(500));
    creer_module(std::make_unique<vt::SortieManuelle>(true));
    module->creer_fenetre_principale();
    f1 = fenetres_module().Form1;
    ASSERT_NE(f1, nullptr);
    EXPECT_EQ(fenetres_module().Form2, nullptr);
    EXPECT_EQ(f1->label_temps->text(), QStringLiteral("00 : 00"));
    EXPECT_EQ(f1->label_vol->text(), QStringLiteral("255"));
    EXPECT_EQ(f1->label_bal->text(), QStringLiteral("128"));
    EXPECT_EQ(f1->label_affiche->text(), QStringLiteral("vantrel, en attente ...."));
    EXPECT_EQ(f1->Comboplaylist->count(), 1);
    EXPECT_EQ(f1->Comboplaylist->currentIndex(), -1);
    f1->deposer({app.ecrire("avant.wav", vt::test::octets_wav(500))});
    clic(f1->Image_menu);
    clic(f1->image_info);
    EXPECT_TRUE(dialogues.messages.empty());

    module->creer_fenetres_secondaires();
    module->lecteur->fichiers_exterieurs({piste}, true);
    ASSERT_NE(fenetres_module().Form6, nullptr);
    TForm2* menu = fenetres_module().Form2;
    module->creer_fenetres_secondaires();  // a second call builds nothing
    EXPECT_EQ(fenetres_module().Form2, menu);
    ASSERT_EQ(module->liste.nombre(), 2);
    EXPECT_EQ(module->liste.chemin(1), piste);
    EXPECT_TRUE(module->lecteur->media().moteur().en_lecture(module->lecteur->media().canal));
}

// With no audio device every window opens and the program ends normally.
TEST_F(Demarrage, NoAudioDevice) {
    ecrire_config();
    demarrer(std::nullopt, false);
    f1->deposer({app.ecrire("t.wav", vt::test::octets_wav(500))});
    f1->selectionner(0);
    appui(f1->image_play);
    EXPECT_FALSE(joue());
    appui(f1->image_next);
    clic(f1->image_pause);
    module->lecteur->tic();
    clic(f1->image_quitter);
    EXPECT_EQ(fins, 1);
}

// Pressing on the title strip or the background and moving moves the
// window; the strip also hides the menu window, the background does not.
TEST_F(Demarrage, DraggingMovesTheWindowAndStripHidesMenu) {
    ecrire_config();
    demarrer();
    f1->show();
    clic(f1->Image_menu);
    ASSERT_TRUE(fenetres_module().Form2->isVisible());
    EXPECT_EQ(fenetres_module().Form2->pos(), f1->pos());
    const QPoint debut = f1->pos();
    appui(f1->image_fond, {100, 100});
    EXPECT_TRUE(fenetres_module().Form2->isVisible());
    glisser(f1->image_fond, {130, 90});
    relache(f1->image_fond, {130, 90});
    EXPECT_EQ(f1->pos(), debut + QPoint(30, -10));
    appui(f1->image_barre, {50, 5});
    EXPECT_FALSE(fenetres_module().Form2->isVisible());
    glisser(f1->image_barre, {40, 25});
    relache(f1->image_barre, {40, 25});
    EXPECT_EQ(f1->pos(), debut + QPoint(20, 10));
}

// Moving over the list or the background hides the menu; over a transport
// button it does not.
TEST_F(Demarrage, PointerOverSurfaceHidesMenu) {
    ecrire_config();
    demarrer();
    f1->show();
    clic(f1->Image_menu);
    glisser(f1->image_play, {3, 3}, Qt::NoButton);
    glisser(f1->curseur_volume, {1, 1}, Qt::NoButton);
    EXPECT_TRUE(fenetres_module().Form2->isVisible());
    glisser(f1->list_lecture->viewport(), {10, 10}, Qt::NoButton);
    EXPECT_FALSE(fenetres_module().Form2->isVisible());
    clic(f1->Image_menu);
    glisser(f1->image_fond_play, {3, 3}, Qt::NoButton);
    EXPECT_FALSE(fenetres_module().Form2->isVisible());
}

// The menu window shows the skin's menu picture.
TEST_F(Demarrage, MenuShowsTheSkinsMenuPicture) {
    ecrire_config();
    demarrer();
    clic(f1->Image_menu);
    EXPECT_EQ(fenetres_module().Form2->Image1->image(), f1->image_fond_menu->image());
}

// The tray button hides the player and shows the icon; a double click on
// the icon restores it and removes the icon.
TEST_F(Demarrage, TrayHidesAndRestores) {
    ecrire_config();
    demarrer();
    f1->show();
    clic(f1->tray_image);
    EXPECT_FALSE(f1->isVisible());
    EXPECT_TRUE(plateau().icone()->isVisible());
    emit plateau().icone()->activated(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(f1->isVisible());
    emit plateau().icone()->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(f1->isVisible());
    EXPECT_FALSE(plateau().icone()->isVisible());
}

// Pressed pictures: back, stop and next light while held.
TEST_F(Demarrage, TransportButtonsLightWhileHeld) {
    ecrire_config();
    demarrer();
    for (auto [w, on, off] : {std::tuple{f1->image_back, "image_backon", "image_backoff"},
                              std::tuple{f1->image_stop, "image_stopon", "image_stopoff"},
                              std::tuple{f1->image_next, "image_nexton", "image_nextoff"}}) {
        appui(w, {1, 1}, Qt::RightButton);
        EXPECT_TRUE(montre(w, on)) << on;
        relache(w, {1, 1}, Qt::RightButton);
        EXPECT_TRUE(montre(w, off)) << off;
    }
}

}  // namespace
