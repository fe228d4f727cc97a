// The 400 ms tick repaints only what changed: the status line, the position
// cursor and the time, never the whole window.
#include "playlist/liste_courante.h"
#include "support/wav.h"
#include "ui/fixture.h"

#include <QPaintEvent>

namespace {

using vt::test::FenetresTest;

// Records the window areas that get painted.
class Espion : public QObject {
public:
    QRegion peint;
    QWidget* fenetre = nullptr;
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            auto* w = static_cast<QWidget*>(o);
            for (const QRect& r : static_cast<QPaintEvent*>(e)->region())
                peint += QRect(w->mapTo(fenetre, r.topLeft()), r.size());
        }
        return false;
    }
};

class Repeinte : public FenetresTest {};

TEST_F(Repeinte, TickRepaintsOnlyWhatChanged) {
    ecrire_config();
    demarrer();
    module->lecteur->arreter_horloge();
    f1->deposer({app.ecrire("t.wav", vt::test::octets_wav(3000))});
    f1->selectionner(0);
    appui(f1->image_play);
    f1->show();
    QApplication::processEvents();
    pomper_ms(1000);
    module->lecteur->tic();
    QApplication::processEvents();

    Espion espion;
    espion.fenetre = f1;
    const QList<QWidget*> enfants = f1->findChildren<QWidget*>();
    for (QWidget* w : enfants) w->installEventFilter(&espion);
    f1->installEventFilter(&espion);
    const QRect curseur_avant = f1->curseur_position->geometry();
    pomper_ms(1000);
    module->lecteur->tic();
    QApplication::processEvents();

    ASSERT_FALSE(espion.peint.isEmpty()) << "the tick changed the time and the cursor";
    const QRegion permis = QRegion(f1->label_lecture->geometry()) + f1->label_temps->geometry() +
                           curseur_avant + f1->curseur_position->geometry();
    EXPECT_TRUE((espion.peint - permis).isEmpty()) << "painted outside the changed elements";
    EXPECT_LT(espion.peint.boundingRect().height(), f1->height() / 2);
}

}  // namespace
