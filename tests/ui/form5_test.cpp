// The about window, and the notification-area menu driving a hidden player.
#include "playlist/liste_courante.h"
#include "support/wav.h"
#include "ui/fixture.h"
#include "ui/tform2.h"
#include "ui/tform5.h"

#include <QAction>
#include <QMenu>

namespace {

using vt::test::FenetresTest;

class APropos : public FenetresTest {
protected:
    void SetUp() override {
        FenetresTest::SetUp();
        ecrire_config();
        demarrer();
        f5 = fenetres_module().Form5;
    }
    TForm5* f5 = nullptr;
};

// A navy 387 x 441 tool window "A propos de Vantrel" with its pictures, the
// framed logo and the red version text.
TEST_F(APropos, LayoutMatchesTheDesign) {
    EXPECT_TRUE(f5->windowFlags() & Qt::Tool);
    EXPECT_EQ(f5->windowTitle(), QStringLiteral("A propos de Vantrel"));
    EXPECT_EQ(f5->size(), QSize(387, 441));
    EXPECT_EQ(f5->palette().color(QPalette::Window), QColor(0, 0, 128));
    EXPECT_FALSE(f5->isVisible());

    // The background is wider than the window, shifted left and clipped.
    EXPECT_EQ(f5->Image2->pos(), QPoint(-121, 0));
    ASSERT_FALSE(f5->Image2->image().isNull());
    EXPECT_EQ(f5->Image2->size(), f5->Image2->image().size());
    EXPECT_GT(f5->Image2->width() - 121, f5->width());
    EXPECT_EQ(f5->Image1->pos(), QPoint(74, 29));
    ASSERT_FALSE(f5->Image1->image().isNull());
    EXPECT_EQ(f5->Image1->size(), f5->Image1->image().size());
    EXPECT_EQ(f5->Shape1->geometry(), QRect(65, 24, 219, 48));

    EXPECT_EQ(f5->Label1->text(), QStringLiteral("Version 2.0"));
    EXPECT_EQ(f5->Label1->pos(), QPoint(187, 78));
    EXPECT_EQ(f5->Label1->couleur(), QColor(255, 0, 0));
    EXPECT_EQ(f5->Label1->font().pixelSize(), 19);
    EXPECT_EQ(f5->Label1->font().family(), QStringLiteral("MS Sans Serif"));
}

// The memo lists the features first, then thanks and contact sections after
// empty lines; it is read-only, disabled, blue on black.
TEST_F(APropos, MemoTextAndState) {
    const QStringList lignes = f5->Memo1->toPlainText().split(QLatin1Char('\n'));
    const QStringList debut = {
        QStringLiteral("Caractéristique de lecteur :"), QStringLiteral("- lecture des mp3, wav, wma "),
        QStringLiteral("- gestion de skins"),           QStringLiteral("- gestion de playlists"),
        QStringLiteral("- utilisation du systray"),     QString(),
        QStringLiteral("Caractéristique technique :"),
    };
    ASSERT_GT(lignes.size(), debut.size() + 1);
    EXPECT_EQ(lignes.mid(0, debut.size()), debut);
    // The technical lines name what decodes each format and what plays it;
    // the thanks name Qt and those projects.
    const QStringList technique = {
        QStringLiteral("- décodage mp3 : mpg123 ; wav, flac, ogg : libsndfile"),
        QStringLiteral("- décodage des autres formats : FFmpeg"),
        QStringLiteral("- sortie : PulseAudio (SDL2 en secours)"),
        QString(),
        QStringLiteral("Remerciements :"),
        QStringLiteral("- aux personnes qui ont essayé les premières versions"),
        QStringLiteral("- aux auteurs de skins"),
        QStringLiteral("- à Qt et aux projets libres cités plus haut"),
    };
    EXPECT_EQ(lignes.mid(debut.size(), technique.size()), technique);

    for (const QString& titre : {QStringLiteral("Remerciements :"), QStringLiteral("Contact :")}) {
        const qsizetype i = lignes.indexOf(titre);
        ASSERT_GT(i, debut.size()) << titre.toStdString();
        EXPECT_TRUE(lignes[i - 1].isEmpty());
        ASSERT_LT(i + 1, lignes.size());
        EXPECT_FALSE(lignes[i + 1].isEmpty());
    }
    EXPECT_LT(lignes.indexOf(QStringLiteral("Remerciements :")), lignes.indexOf(QStringLiteral("Contact :")));

    EXPECT_EQ(f5->Memo1->geometry(), QRect(30, 158, 323, 263));
    EXPECT_TRUE(f5->Memo1->isReadOnly());
    EXPECT_FALSE(f5->Memo1->isEnabled());
    EXPECT_EQ(f5->Memo1->focusPolicy(), Qt::NoFocus);
    const QPalette p = f5->Memo1->palette();
    EXPECT_EQ(p.color(QPalette::Disabled, QPalette::Text), QColor(0, 0, 255));
    EXPECT_EQ(p.color(QPalette::Disabled, QPalette::Base), QColor(Qt::black));
    EXPECT_EQ(f5->Memo1->font().pixelSize(), 11);
}

// Opening the about window twice shows one window, left where it was.
TEST_F(APropos, OpeningTwiceShowsOneWindowInPlace) {
    fenetres_module().Form2->setVisible(true);
    fenetres_module().Form2->Label2Click();
    ASSERT_TRUE(f5->isVisible());
    f5->move(40, 50);
    fenetres_module().Form2->setVisible(true);
    fenetres_module().Form2->Label2Click();
    EXPECT_TRUE(f5->isVisible());
    EXPECT_EQ(f5->pos(), QPoint(40, 50));
    int fenetres = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<TForm5*>(w)) ++fenetres;
    EXPECT_EQ(fenetres, 1);
}

// ---------------------------------------------------------------- tray menu

class MenuIcone : public FenetresTest {
protected:
    void SetUp() override {
        FenetresTest::SetUp();
        ecrire_config();
        demarrer();
        for (int i = 0; i < 3; ++i)
            f1->deposer(
                {app.ecrire("p" + std::to_string(i) + ".wav", vt::test::octets_wav(1000, 300 + 100 * i))});
        f1->show();
        f1->tray_imageClick();
    }
    QAction* entree(const QString& texte) {
        for (QAction* a : plateau().menu()->actions())
            if (a->text() == texte) return a;
        return nullptr;
    }
};

// The menu's entries in order; "--------" is an ordinary entry, not a
// separator.
TEST_F(MenuIcone, EntriesInOrder) {
    QStringList textes;
    for (QAction* a : plateau().menu()->actions()) {
        EXPECT_FALSE(a->isSeparator());
        textes << a->text();
    }
    EXPECT_EQ(textes,
              (QStringList{QStringLiteral("=> Play"), QStringLiteral("|| Pause"), QStringLiteral("# Stop"),
                           QStringLiteral(">> Next"), QStringLiteral("<< Back"), QStringLiteral("--------"),
                           QStringLiteral("Quitter")}));
}

// Play and Pause from the menu act on the hidden player, which stays hidden.
TEST_F(MenuIcone, PlayAndPauseWhileHidden) {
    ASSERT_FALSE(f1->isVisible());
    f1->selectionner(1);
    entree(QStringLiteral("=> Play"))->trigger();
    EXPECT_TRUE(joue());
    EXPECT_EQ(f1->label_affiche->text(), QStringLiteral("Lecture : p1.wav"));
    entree(QStringLiteral("|| Pause"))->trigger();
    EXPECT_TRUE(en_pause());
    EXPECT_FALSE(f1->isVisible());
}

// Stop, Next and Back act and leave their buttons showing the resting
// picture, since no button release follows.
TEST_F(MenuIcone, StopNextBackLeaveTheirButtonsUnlit) {
    ASSERT_NE(f1->element("image_stopon")->image(), f1->element("image_stopoff")->image());
    ASSERT_NE(f1->element("image_nexton")->image(), f1->element("image_nextoff")->image());
    ASSERT_NE(f1->element("image_backon")->image(), f1->element("image_backoff")->image());
    f1->selectionner(0);
    entree(QStringLiteral("=> Play"))->trigger();

    entree(QStringLiteral(">> Next"))->trigger();
    EXPECT_EQ(f1->index_courant(), 1);
    EXPECT_TRUE(joue());
    EXPECT_EQ(f1->image_next->image(), f1->element("image_nextoff")->image());

    entree(QStringLiteral("<< Back"))->trigger();
    EXPECT_EQ(f1->index_courant(), 0);
    EXPECT_EQ(f1->image_back->image(), f1->element("image_backoff")->image());

    entree(QStringLiteral("# Stop"))->trigger();
    EXPECT_FALSE(joue());
    EXPECT_EQ(lecteur().flux, 0);
    EXPECT_EQ(f1->image_stop->image(), f1->element("image_stopoff")->image());
    EXPECT_FALSE(f1->isVisible());
}

// "--------" does nothing at all.
TEST_F(MenuIcone, DashesDoNothing) {
    f1->selectionner(2);
    entree(QStringLiteral("=> Play"))->trigger();
    pomper_ms(200);
    const int flux = lecteur().flux;
    const QString statut = f1->label_affiche->text();
    const QImage play = f1->image_play->image();
    const std::string config = vt::test::lire_fichier(app / "vantrel.config");
    entree(QStringLiteral("--------"))->trigger();
    EXPECT_EQ(lecteur().flux, flux);
    EXPECT_TRUE(joue());
    EXPECT_EQ(f1->index_courant(), 2);
    EXPECT_EQ(f1->label_affiche->text(), statut);
    EXPECT_EQ(f1->image_play->image(), play);
    EXPECT_EQ(module->liste.nombre(), 3);
    EXPECT_EQ(fins, 0);
    EXPECT_FALSE(f1->isVisible());
    EXPECT_EQ(vt::test::lire_fichier(app / "vantrel.config"), config);
}

// "Quitter" ends the hidden player once, without writing the configuration.
TEST_F(MenuIcone, QuitterEndsWithoutWriting) {
    const std::string avant = vt::test::lire_fichier(app / "vantrel.config");
    f1->move(77, 88);
    entree(QStringLiteral("Quitter"))->trigger();
    EXPECT_EQ(fins, 1);
    EXPECT_EQ(vt::test::lire_fichier(app / "vantrel.config"), avant);
}

}  // namespace
