// What a 400 ms tick repaints on the real main window: the status line, whose
// text moves at every tick, and what lies under it (the line is drawn over
// the skin); nothing else while nothing else changes (paused, stopped), so
// that an idle player does not redraw its pictures. While playing, the
// elapsed time and the position cursor are repainted as they change.
#include "playlist/liste_courante.h"
#include "support/wav.h"
#include "ui/fixture.h"

#include <QCoreApplication>
#include <QPaintEvent>
#include <QTest>
#include <map>

namespace {

using vt::test::FenetresTest;

// Counts the paint events of a window and of all its widgets.
class CompteurDessins : public QObject {
public:
    explicit CompteurDessins(QWidget* fenetre) {
        fenetre->installEventFilter(this);
        for (QWidget* w : fenetre->findChildren<QWidget*>()) w->installEventFilter(this);
    }
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++dessins[static_cast<QWidget*>(o)];
        return false;
    }
    std::map<QWidget*, int> dessins;
};

class MinuteurDessin : public FenetresTest {
protected:
    void SetUp() override {
        FenetresTest::SetUp();
        ecrire_config();
        demarrer();
        module->lecteur->arreter_horloge();  // the test ticks by hand
        f1->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(f1));
        vider();
    }
    // Lets every pending repaint happen.
    static void vider() {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
        }
    }
    // Ticks `n` times, each followed by its repaints; returns the counts.
    std::map<QWidget*, int> tics(int n) {
        CompteurDessins c(f1);
        for (int i = 0; i < n; ++i) {
            module->lecteur->tic();
            vider();
        }
        return c.dessins;
    }
    // The widgets repainted that do not lie under the status line.
    std::vector<std::string> hors_ligne(const std::map<QWidget*, int>& dessins) {
        const QRect ligne(f1->label_lecture->mapTo(f1, QPoint(0, 0)), f1->label_lecture->size());
        std::vector<std::string> r;
        for (const auto& [w, n] : dessins) {
            if (w == f1 || n == 0) continue;
            const QRect place(w->mapTo(f1, QPoint(0, 0)), w->size());
            if (!place.intersects(ligne)) r.push_back(w->objectName().toStdString());
        }
        return r;
    }
    void remplir_et_jouer() {
        f1->deposer({app.ecrire("t.wav", vt::test::octets_wav(20000))});
        f1->selectionner(0);
        appui(f1->image_play);
        relache(f1->image_play);
        pomper_ms(1100);
        module->lecteur->tic();
        vider();
    }
};

TEST_F(MinuteurDessin, StoppedTickRepaintsOnlyTheStatusLine) {
    module->lecteur->tic();
    vider();
    const auto d = tics(5);
    EXPECT_GE(d.count(f1->label_lecture) ? d.at(f1->label_lecture) : 0, 5);  // the text moved at each tick
    EXPECT_EQ(hors_ligne(d), std::vector<std::string>{});
}

TEST_F(MinuteurDessin, PausedTickRepaintsOnlyTheStatusLine) {
    remplir_et_jouer();
    ASSERT_TRUE(joue());
    clic(f1->image_pause);
    ASSERT_TRUE(en_pause());
    module->lecteur->tic();
    vider();
    const auto d = tics(5);
    EXPECT_GE(d.count(f1->label_lecture) ? d.at(f1->label_lecture) : 0, 5);
    EXPECT_EQ(hors_ligne(d), std::vector<std::string>{});
}

TEST_F(MinuteurDessin, PlayingTickRepaintsTheTimeWhenItChanges) {
    remplir_et_jouer();
    ASSERT_TRUE(joue());
    CompteurDessins c(f1);
    pomper_ms(1000);  // the elapsed time goes from 00 : 01 to 00 : 02
    module->lecteur->tic();
    vider();
    EXPECT_EQ(f1->label_temps->text(), QStringLiteral("00 : 02"));
    EXPECT_GE(c.dessins[f1->label_temps], 1);
    // The same second again: the time label is left alone.
    c.dessins.clear();
    module->lecteur->tic();
    vider();
    EXPECT_EQ(c.dessins[f1->label_temps], 0);
}

}  // namespace
