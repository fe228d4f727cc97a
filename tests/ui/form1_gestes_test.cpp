// The main window's second ways to its operations, given as a user does:
// keys on the list, Ctrl+O, the wheel, a dragged row, the selector entered.
#include "playlist/liste_courante.h"
#include "support/wav.h"
#include "ui/fixture.h"

#include <QTest>
#include <QWheelEvent>

#include <functional>
#include <tuple>

namespace {

class Gestes : public vt::test::DemarreTest<true> {
protected:
    void SetUp() override {
        DemarreTest::SetUp();
        for (char c : std::string("abcde"))
            f1->deposer({app.ecrire(c + std::string(".wav"), vt::test::octets_wav(3000))});
        f1->selectionner(2);
        module->lecteur->jouer();
    }
    bool lit() { return module->lecteur->en_lecture() && !en_pause(); }
    std::string ordre() {
        std::string s;
        for (int i = 0; i < module->liste.nombre(); ++i) s += module->liste.nom(i)[0];
        return s;
    }
};

// Space pauses, then resumes where it was; Delete removes the selected
// entry, then nothing; stopped, Space plays; on a check box it ticks it.
TEST_F(Gestes, ListKeysAndCtrlO) {
    const std::tuple<Qt::Key, bool, bool, const char*> suite[] = {{Qt::Key_Space, false, true, "abcde"},
                                                                  {Qt::Key_Space, true, false, "abcde"},
                                                                  {Qt::Key_Delete, true, false, "abde"},
                                                                  {Qt::Key_Delete, true, false, "abde"}};
    pomper_ms(300);
    for (const auto& [touche, joue, pause, reste] : suite) {
        QTest::keyClick(f1->list_lecture, touche);
        EXPECT_EQ(std::pair(lit(), en_pause()), std::pair(joue, pause)) << touche;
        EXPECT_EQ(ordre(), reste);
        EXPECT_GE(module->lecteur->temps_ms(), 250);  // resumed where it was paused
    }
    module->lecteur->arreter();
    f1->selectionner(0);
    QTest::keyClick(f1->list_lecture, Qt::Key_Space);
    QTest::keyClick(f1->check_repeat, Qt::Key_Space);
    EXPECT_TRUE(lit() && f1->check_repeat->isChecked());
    f1->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f1));
    dialogues.fichiers_a_ouvrir = {{"/m/x.mp3", "/m/y.mp3"}};
    QTest::keyClick(f1->list_lecture, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(ordre(), "abdexy");
}

// A key held down acts once: Space's repeats do not pause and resume
// again and again, Return's do not start the entry anew.
TEST_F(Gestes, HeldKeysActOnce) {
    const struct {
        Qt::Key touche;
        bool pause;
    } cas[] = {{Qt::Key_Space, true}, {Qt::Key_Return, false}};
    for (const auto& c : cas) {
        module->lecteur->jouer();
        pomper_ms(300);
        for (bool repetee : {false, true, true, true}) {
            QKeyEvent appui(QEvent::KeyPress, c.touche, Qt::NoModifier, QString(), repetee);
            QApplication::sendEvent(f1->list_lecture, &appui);
            pomper_ms(50);
        }
        EXPECT_EQ(en_pause(), c.pause) << c.touche;
        EXPECT_EQ(lit(), !c.pause) << c.touche;
        // Space paused it once, at 300 ms; Return started it once, 200 ms ago.
        EXPECT_NEAR(module->lecteur->temps_ms(), c.pause ? 300 : 200, 40) << c.touche;
    }
}

// The current row deleted, by Delete or the "−" button: the view keeps no
// current row either (no focus frame on another, unselected row).
TEST_F(Gestes, DeletedCurrentRowLeavesNoCurrentInTheView) {
    const std::function<void()> suppressions[] = {
        [this] { QTest::keyClick(f1->list_lecture, Qt::Key_Delete); }, [this] { clic(f1->image_del); }};
    for (const auto& supprimer : suppressions) {
        f1->selectionner(1);
        ASSERT_EQ(f1->list_lecture->selectionModel()->currentIndex().row(), 1);
        supprimer();
        EXPECT_EQ(f1->index_courant(), -1);
        EXPECT_FALSE(f1->list_lecture->selectionModel()->currentIndex().isValid());
        EXPECT_TRUE(f1->list_lecture->selectionModel()->selectedIndexes().isEmpty());
    }
}

// Letters typed on the list select the row whose name starts with them, as
// a click does: the playing entry plays on and the status line keeps
// saying what plays; stopped, it names the selection.
TEST_F(Gestes, TypeAheadSelectsAsAClick) {
    QTest::keyClicks(f1->list_lecture, QStringLiteral("d"));
    EXPECT_EQ(f1->index_courant(), 3);
    EXPECT_TRUE(lit());
    EXPECT_EQ(module->lecteur->piste_jouee()->ligne, 2);
    EXPECT_FALSE(f1->label_affiche->text().startsWith(QStringLiteral("sélection")));
    module->lecteur->arreter();
    QTest::keyClicks(f1->list_lecture, QStringLiteral("Z"));
    EXPECT_EQ(f1->index_courant(), 3);
    QTest::qWait(QApplication::keyboardInputInterval() + 50);
    QTest::keyClicks(f1->list_lecture, QStringLiteral("A"));
    EXPECT_EQ(f1->index_courant(), 0);
    EXPECT_EQ(f1->label_affiche->text(), QStringLiteral("sélection : a.wav"));
}

// Space right after a letter goes on with the name ("d e" is not "d" and a
// pause): what plays plays on. After a pause in typing Space pauses again.
// The arrows go on from the row typed.
TEST_F(Gestes, SpaceGoesOnWithATypedName) {
    for (const char* n : {"d e.wav", "d f.wav"}) f1->deposer({app.ecrire(n, vt::test::octets_wav(3000))});
    const struct {
        const char* touches;
        bool attendre;
        int ligne;
        bool pause;
    } suite[] = {
        {"d", false, 3, false}, {" ", false, 5, false}, {"f", false, 6, false}, {" ", true, 6, true}};
    for (const auto& c : suite) {
        if (c.attendre) QTest::qWait(QApplication::keyboardInputInterval() + 50);
        QTest::keyClicks(f1->list_lecture, QString::fromLatin1(c.touches));
        EXPECT_EQ(f1->index_courant(), c.ligne) << c.touches;
        EXPECT_EQ(en_pause(), c.pause) << c.touches;
    }
    QTest::keyClicks(f1->list_lecture, QStringLiteral("a"));
    QTest::keyClick(f1->list_lecture, Qt::Key_Down);
    EXPECT_EQ(f1->index_courant(), 1);
}

// A notch over the volume or balance bar (or beside its cursor) moves the
// cursor 3 px, shown and sent; half notches add up; the position bar: nothing.
TEST_F(Gestes, WheelSteps) {
    const struct {
        vt::ImageVt *barre, *curseur;
        int x, y, delta, offset, valeur;
        QString label;
    } cas[] = {
        {f1->barre_volume, f1->curseur_volume, 50, 9, -360, 86, 230, "90"},
        {f1->barre_balance, f1->curseur_balance, 60, -8, 240, 56, 150, "8"},
        {f1->barre_balance, f1->curseur_balance, 60, 1, -60, 56, 150, "8"},
        {f1->barre_balance, f1->curseur_balance, 60, 1, -60, 53, 142, "5"},
        {f1->barre_position, f1->curseur_balance, 100, 3, -480, 53, 142, "5"},
    };
    for (const auto& c : cas) {
        const QPoint p = c.barre->pos() + QPoint(c.x, c.y);
        QWheelEvent e(p, f1->mapToGlobal(p), {}, {0, c.delta}, {}, {}, Qt::NoScrollPhase, false);
        QApplication::sendEvent(f1, &e);  // as a bar passes on the wheel to its window
        const bool volume = c.curseur == f1->curseur_volume;
        EXPECT_EQ(c.curseur->x() - (volume ? f1->barre_volume : f1->barre_balance)->x(), c.offset) << c.delta;
        EXPECT_EQ(volume ? module->lecteur->volume() : module->lecteur->balance(), c.valeur);
        EXPECT_EQ((volume ? f1->label_vol : f1->label_bal)->text(), c.label);
    }
    EXPECT_EQ(f1->curseur_position->x(), f1->barre_position->x());
    EXPECT_FALSE(f1->label_bal->isHidden());
}

// A dragged row takes its entry there (the save window shows the same
// model), the selection and the playing entry (c) following: between rows,
// past the last row, above the view; a shorter move is a click.
TEST_F(Gestes, RowDragMovesTheEntry) {
    f1->show();
    QApplication::processEvents();
    const int h = f1->list_lecture->visualRect(module->liste.index(0, 0)).height();
    auto* vue = f1->list_lecture->viewport();
    const struct {
        int de, vers, pas;
        const char* ordre;
        int choisie, jouee;
    } suite[] = {
        {1, 3 * h, 7, "acdbe", 3, 1}, {3, 0, -7, "bacde", 0, 2},        {0, 9 * h, 7, "acdeb", 4, 1},
        {4, -h, -7, "bacde", 0, 2},   {2, 2 * h + 6, 3, "bacde", 2, 2},
    };
    for (const auto& s : suite) {
        const QPoint depart(20, s.de * h + 2);
        appui(vue, depart);
        glisser(vue, depart + QPoint(0, s.pas));
        glisser(vue, QPoint(20, s.vers + 2));
        relache(vue, depart);
        EXPECT_EQ(ordre(), s.ordre);
        EXPECT_EQ(f1->index_courant(), s.choisie) << s.ordre;
        EXPECT_EQ(module->lecteur->piste_jouee()->ligne, s.jouee) << s.ordre;
    }
    EXPECT_TRUE(joue());
}

// Entering the selector keeps the chosen play list's name.
TEST_F(Gestes, SelectorKeepsItsText) {
    app.ecrire("playlist/Ma liste été.vtlist", "\"/m/a.mp3\"");
    f1->ComboplaylistEnter();
    f1->Comboplaylist->setCurrentIndex(0);
    f1->ComboplaylistChange();
    QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(f1->Comboplaylist, &focus);
    EXPECT_EQ(f1->Comboplaylist->currentText(), QStringLiteral("Ma liste été"));
    EXPECT_EQ(module->liste.chemin(0), "/m/a.mp3");
}

}  // namespace
