// The play-list selector chosen as a user does: through the real drop-down
// list of the combo box, by mouse click, by press-drag-release and by the
// keyboard inside the open list, on an active and on an inactive window,
// with one and with many play lists. The events go to the pop-up's view, at
// the rectangle of the chosen entry.
#include "ui/fixture.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QTest>

#include <string>
#include <vector>

namespace {

using vt::test::FenetresTest;

enum class Geste { Clic, AppuiGlisserRelache, ClavierDansLaListe };
enum class Fenetre { Active, Inactive };

struct Cas {
    Geste geste;
    Fenetre fenetre;
    int nombre_listes;
};

std::string nom_cas(const testing::TestParamInfo<Cas>& i) {
    const char* g = i.param.geste == Geste::Clic                  ? "Click"
                    : i.param.geste == Geste::AppuiGlisserRelache ? "PressDragRelease"
                                                                  : "DownReturn";
    return std::string(g) + (i.param.fenetre == Fenetre::Active ? "Active" : "Inactive") +
           std::to_string(i.param.nombre_listes);
}

class Selecteur : public FenetresTest, public testing::WithParamInterface<Cas> {
protected:
    void SetUp() override {
        FenetresTest::SetUp();
        ecrire_config();
        QDir().mkpath(QStringLiteral("playlist"));
        // Play lists "l0", "l1", ... each holding two paths of its own.
        for (int i = 0; i < GetParam().nombre_listes; ++i) {
            const std::string n = std::to_string(i);
            app.ecrire("playlist/l" + n + ".vtlist", "\"/m/" + n + "a.mp3\"\"/m/" + n + "b.wav\"");
        }
        demarrer();
        module->lecteur->arreter_horloge();
        combo = f1->Comboplaylist;
    }
    void TearDown() override {
        if (autre) delete autre;
        FenetresTest::TearDown();
    }

    std::vector<std::string> chemins() {
        std::vector<std::string> v;
        for (int i = 0; i < module->liste.nombre(); ++i) v.push_back(module->liste.chemin(i));
        return v;
    }
    QWidget* liste_ouverte() { return combo->view()->isVisible() ? combo->view()->window() : nullptr; }
    QRect rect_entree(int ligne) { return combo->view()->visualRect(combo->model()->index(ligne, 0)); }
    // The pop-up ignores a release that comes sooner than a double click
    // after it opened (the release of the click that opened it).
    static void attendre_ouverture() { QTest::qWait(QApplication::doubleClickInterval() + 100); }

    QComboBox* combo = nullptr;
    QWidget* autre = nullptr;
};

TEST_P(Selecteur, ChoosingAnEntryLoadsItsPlayList) {
    const Cas c = GetParam();
    f1->show();
    if (c.fenetre == Fenetre::Active) {
        f1->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(f1));
    } else {
        autre = new QWidget;
        autre->resize(50, 50);
        autre->show();
        autre->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(autre));
        ASSERT_FALSE(f1->isActiveWindow());
    }
    const int cible = c.nombre_listes - 1;  // the last entry: the one a stale list loses first
    const QPoint centre_combo = combo->rect().center();
    QWidget* vue = combo->view()->viewport();

    if (c.geste == Geste::AppuiGlisserRelache) {
        QTest::mousePress(combo, Qt::LeftButton, {}, centre_combo);
        ASSERT_NE(liste_ouverte(), nullptr);
        attendre_ouverture();
        const QPoint p = rect_entree(cible).center();
        QTest::mouseMove(vue, p);
        QTest::mouseRelease(vue, Qt::LeftButton, {}, p);
    } else {
        QTest::mouseClick(combo, Qt::LeftButton, {}, centre_combo);
        ASSERT_NE(liste_ouverte(), nullptr);
        ASSERT_EQ(combo->count(), c.nombre_listes);  // rebuilt as it was entered
        attendre_ouverture();
        if (c.geste == Geste::Clic) {
            const QPoint p = rect_entree(cible).center();
            QTest::mouseMove(vue, p);
            QTest::mouseClick(vue, Qt::LeftButton, {}, p);
        } else {
            combo->view()->setCurrentIndex(combo->model()->index(0, 0));
            for (int i = 0; i < cible; ++i) QTest::keyClick(combo->view(), Qt::Key_Down);
            QTest::keyClick(combo->view(), Qt::Key_Return);
        }
    }
    QTest::qWait(50);  // the list may close in a later turn of the event loop
    QApplication::processEvents();

    EXPECT_EQ(liste_ouverte(), nullptr);
    const std::string n = std::to_string(cible);
    EXPECT_EQ(chemins(), (std::vector<std::string>{"/m/" + n + "a.mp3", "/m/" + n + "b.wav"}));
    EXPECT_EQ(f1->index_courant(), 0);
    EXPECT_EQ(combo->currentText(), QString::fromStdString("l" + n));
    EXPECT_EQ(combo->count(), c.nombre_listes);
}

INSTANTIATE_TEST_SUITE_P(Souris, Selecteur,
                         testing::Values(Cas{Geste::Clic, Fenetre::Active, 1},
                                         Cas{Geste::Clic, Fenetre::Active, 5},
                                         Cas{Geste::Clic, Fenetre::Inactive, 1},
                                         Cas{Geste::Clic, Fenetre::Inactive, 5},
                                         Cas{Geste::AppuiGlisserRelache, Fenetre::Active, 1},
                                         Cas{Geste::AppuiGlisserRelache, Fenetre::Active, 5},
                                         Cas{Geste::AppuiGlisserRelache, Fenetre::Inactive, 5},
                                         Cas{Geste::ClavierDansLaListe, Fenetre::Active, 1},
                                         Cas{Geste::ClavierDansLaListe, Fenetre::Active, 5},
                                         Cas{Geste::ClavierDansLaListe, Fenetre::Inactive, 5}),
                         nom_cas);

}  // namespace
