// The main window's second ways to its operations, as a user gives them:
// keys on the play list and Ctrl+O, the wheel over the sliders, a row
// dragged along the list, the selector entered anew.
#include "playlist/liste_courante.h"
#include "support/wav.h"
#include "ui/fixture.h"
#include "ui/tform3.h"

#include <QTest>
#include <QWheelEvent>

namespace {

using vt::test::DemarreTest;

class Gestes : public DemarreTest<true> {
protected:
    // Five entries a..e; `jouee` (-1: none) plays.
    void remplir(int jouee) {
        for (char c : std::string("abcde"))
            f1->deposer({app.ecrire(std::string(1, c) + ".wav", vt::test::octets_wav(3000))});
        if (jouee < 0) return;
        f1->selectionner(jouee);
        module->joueur->jouer();
    }
    std::string ordre() {
        std::string s;
        for (int i = 0; i < module->liste.nombre(); ++i) s += module->liste.nom(i).substr(0, 1);
        return s;
    }
    void molette(QPoint fenetre, int delta) {
        QWheelEvent e(fenetre, f1->mapToGlobal(fenetre), {}, {0, delta}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(f1, &e);
    }
};

// Space on the list pauses what plays, plays what is paused or stopped;
// on a check box it ticks the box; Delete is the "−" button.
TEST_F(Gestes, ListKeys) {
    enum Etat { Arret, Lecture, Pause };
    const struct { Etat avant; int touche; Etat apres; const char* reste; } cas[] = {
        {Arret, Qt::Key_Space, Lecture, "abcde"},   {Lecture, Qt::Key_Space, Pause, "abcde"},
        {Pause, Qt::Key_Space, Lecture, "abcde"},   {Lecture, Qt::Key_Delete, Lecture, "abde"},
        {Arret, Qt::Key_Delete, Arret, "abde"},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.touche + c.avant);
        module->liste.tout_supprimer();
        remplir(2);
        pomper_ms(300);
        if (c.avant == Pause) module->joueur->pause();
        if (c.avant == Arret) module->joueur->arreter();
        QTest::keyClick(f1->list_lecture, static_cast<Qt::Key>(c.touche));
        EXPECT_EQ(joue(), c.apres == Lecture);
        EXPECT_EQ(en_pause(), c.apres == Pause);
        EXPECT_EQ(ordre(), c.reste);
        // A resumed track goes on from where it was paused.
        if (c.avant == Pause) EXPECT_GE(module->joueur->temps_ms(), 250);
    }
    EXPECT_EQ(f1->index_courant(), -1);
    QTest::keyClick(f1->list_lecture, Qt::Key_Delete);  // nothing selected: nothing goes
    EXPECT_EQ(ordre(), "abde");
    QTest::keyClick(f1->check_repeat, Qt::Key_Space);
    EXPECT_TRUE(f1->check_repeat->isChecked());
    EXPECT_FALSE(joue());
}

// Ctrl+O opens the "+" button's dialog, whatever has the focus.
TEST_F(Gestes, CtrlOAddsFiles) {
    f1->show();
    f1->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f1));
    dialogues.fichiers_a_ouvrir = {{"/m/x.mp3", "/m/y.mp3"}};
    QTest::keyClick(f1->list_lecture, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(module->liste.nombre(), 2);
    QTest::keyClick(f1->list_lecture, Qt::Key_O);  // without Ctrl: a letter for the list
    EXPECT_EQ(module->liste.nombre(), 2);
}

// A notch over the volume or balance bar moves its cursor 3 px (8 of 255),
// shown and sent; over the position bar, nothing.
TEST_F(Gestes, WheelSteps) {
    remplir(0);
    vt::ImageVt *bv = f1->barre_volume, *cv = f1->curseur_volume, *bb = f1->barre_balance,
                *cb = f1->curseur_balance;
    const struct { vt::ImageVt *barre, *curseur; QPoint ou; int delta, offset; vt::LabelVt* TForm1::*label; const char* texte; } cas[] = {
        {bv, cv, {2, 2}, 120, 95, &TForm1::label_vol, "100"},  // already at the top
        {bv, cv, {50, 2}, -120, 92, &TForm1::label_vol, "96"},
        {bv, cv, {50, 9}, -360, 83, &TForm1::label_vol, "87"},  // below the bar, beside the cursor
        {bb, cb, {60, 1}, 240, 56, &TForm1::label_bal, "8"},
        {bb, cb, {60, -8}, -60, 56, &TForm1::label_bal, "8"},  // half a notch, above the bar
        {bb, cb, {60, 1}, -60, 53, &TForm1::label_bal, "5"},
    };
    for (const auto& c : cas) {
        molette(c.barre->pos() + c.ou, c.delta);
        EXPECT_EQ(c.curseur->x() - c.barre->x(), c.offset) << c.delta;
        EXPECT_EQ((f1->*c.label)->text(), c.texte);
        EXPECT_FALSE((f1->*c.label)->isHidden());
    }
    EXPECT_EQ(module->joueur->volume(), vt::valeur_curseur(83, 95));
    EXPECT_EQ(module->joueur->balance(), vt::valeur_curseur(53, 95));
    pomper_ms(500);
    const std::int64_t t = module->joueur->temps_ms();
    molette(f1->barre_position->pos() + QPoint(100, 3), -480);
    molette(f1->curseur_position->pos() + QPoint(3, 3), 480);
    EXPECT_EQ(f1->curseur_position->x(), f1->barre_position->x());
    EXPECT_EQ(module->joueur->temps_ms(), t);
    QTest::qWait(1100);
    EXPECT_TRUE(f1->label_bal->isHidden());
}

// A row dragged along the list takes its entry there; the selection and
// the playing entry (c) follow in both windows. A move shorter than the
// drag distance is a click.
TEST_F(Gestes, RowDragMovesTheEntry) {
    f1->show();
    const struct { int de; int y_vers; const char* ordre; int choisie, jouee; } cas[] = {
        {1, 3, "acdbe", 3, 1}, {3, 0, "dabce", 0, 3}, {0, 40, "bcdea", 4, 1}, {4, -2, "eabcd", 0, 3},
        {2, 2, "abcde", 2, 2},
    };
    auto* vue = f1->list_lecture->viewport();
    for (const auto& c : cas) {
        SCOPED_TRACE(c.ordre);
        module->liste.tout_supprimer();
        remplir(2);
        QApplication::processEvents();
        const int h = f1->list_lecture->visualRect(module->liste.index(0, 0)).height();
        const QPoint depart(20, c.de * h + h / 2);
        appui(vue, depart);
        glisser(vue, depart + QPoint(0, c.y_vers == c.de ? 2 : (c.y_vers > c.de ? 7 : -7)));
        glisser(vue, QPoint(20, c.y_vers * h + h / 2 + (c.y_vers == c.de ? 3 : 0)));
        relache(vue, QPoint(20, c.y_vers * h + h / 2));
        EXPECT_EQ(ordre(), c.ordre);
        EXPECT_EQ(f1->index_courant(), c.choisie);
        EXPECT_EQ(module->joueur->piste_jouee()->ligne, c.jouee);
        EXPECT_TRUE(joue());
        EXPECT_EQ(module->Form3->liste_lecture_en_cours->model()->index(c.choisie, 1).data().toString().right(5),
                  QString::fromStdString(std::string(1, c.ordre[c.choisie]) + ".wav"));
    }
}

// Entering the selector again keeps the chosen play list and its name; a
// play list whose file went is no longer chosen.
TEST_F(Gestes, SelectorKeepsItsText) {
    app.ecrire("playlist/Ma liste été.vtlist", "\"/m/a.mp3\"");
    app.ecrire("playlist/autre.vtlist", "\"/m/b.mp3\"");
    f1->ComboplaylistEnter();
    f1->Comboplaylist->setCurrentIndex(f1->Comboplaylist->findText(QStringLiteral("Ma liste été")));
    f1->ComboplaylistChange();
    for (bool present : {true, false}) {
        if (!present) ::unlink((app / "playlist/Ma liste été.vtlist").c_str());
        QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
        QApplication::sendEvent(f1->Comboplaylist, &focus);
        EXPECT_EQ(f1->Comboplaylist->currentText(), present ? QStringLiteral("Ma liste été") : QString());
        EXPECT_EQ(f1->Comboplaylist->count(), present ? 2 : 1);
        EXPECT_EQ(module->liste.chemin(0), "/m/a.mp3");
    }
}

}  // namespace
