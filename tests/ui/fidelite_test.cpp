// A click on a list's empty part, Return on a row, dropped names in any
// encoding, a stored place off every screen.
#include "config/texte_affiche.h"
#include "playlist/fichiers_playlist.h"
#include "support/wav.h"
#include "ui/fixture.h"
#include "ui/tform2.h"
#include "ui/tform3.h"
#include "ui/tform6.h"

#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QScreen>

namespace {

using vt::test::FenetresTest;
using vt::test::lire_fichier;

class Fidelite : public FenetresTest {
protected:
    void SetUp() override {
        FenetresTest::SetUp(), ecrire_config(), demarrer(), module->lecteur->arreter_horloge();
    }
    void deposer(const std::vector<std::string>& noms) {
        QByteArray liste;
        for (const std::string& n : noms)
            liste +=
                "file://" +
                QByteArray::fromStdString(app.ecrire(n, vt::test::octets_wav(2000))).toPercentEncoding("/") +
                "\r\n";
        QMimeData donnees;  // the bytes of a file manager's drop
        donnees.setData(QStringLiteral("text/uri-list"), liste);
        QDropEvent depot(QPointF(20, 60), Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
        static_cast<QObject*>(f1)->event(&depot);
    }
    QString statut() const { return f1->label_affiche->text(); }
};

// A click, double or right click under the rows of either list keeps the
// playing row selected, for the status line and next; a row's click selects.
TEST_F(Fidelite, ClickBelowTheRowsKeepsTheCurrentEntry) {
    deposer({"a.wav", "b.wav", "c.wav"});
    // In the save window's list, else the main window's; a double click.
    struct Cas {
        bool sauvegarde, double_clic;
        int y;
        Qt::MouseButton bouton;
        int attendu;
    } cas[] = {{false, false, 100, Qt::LeftButton, 1},  {false, true, 100, Qt::LeftButton, 1},
               {false, false, 120, Qt::RightButton, 1}, {false, false, 5, Qt::LeftButton, 0},
               {true, false, 100, Qt::LeftButton, 1},   {true, true, 100, Qt::LeftButton, 1}};
    for (const Cas& c : cas) {
        SCOPED_TRACE(testing::Message() << c.sauvegarde << c.double_clic << c.y);
        f1->selectionner(1);
        appui(f1->image_play);
        QWidget* zone =
            (c.sauvegarde ? fenetres_module().Form3->liste_lecture_en_cours : f1->list_lecture)->viewport();
        clic(zone, {20, c.y}, c.bouton);
        if (c.double_clic) souris(zone, QEvent::MouseButtonDblClick, c.bouton, c.bouton, {20, c.y});
        EXPECT_EQ(f1->index_courant(), c.attendu);
        if (c.attendu != 1) continue;
        module->lecteur->tic();
        EXPECT_EQ(statut(), QStringLiteral("Lecture : b.wav"));
        appui(f1->image_next);
        EXPECT_EQ(statut(), QStringLiteral("Lecture : c.wav"));
    }
}

// Return or Enter on the selected row plays it, as a double click does;
// with no row selected they do nothing.
TEST_F(Fidelite, ReturnOnARowPlaysIt) {
    deposer({"a.wav", "b.wav"});
    const std::tuple<Qt::Key, Qt::KeyboardModifiers, int> cas[] = {{Qt::Key_Return, Qt::NoModifier, 1},
                                                                   {Qt::Key_Enter, Qt::KeypadModifier, 0},
                                                                   {Qt::Key_Return, {}, -1}};
    for (const auto& [touche, mod, ligne] : cas) {
        appui(f1->image_stop);
        f1->selectionner(ligne);
        QKeyEvent k(QEvent::KeyPress, touche, mod);
        QApplication::sendEvent(f1->list_lecture, &k);
        EXPECT_EQ(joue(), ligne >= 0) << ligne;
        if (ligne >= 0) {
            EXPECT_EQ(statut(), QStringLiteral("Lecture : ") + (ligne ? "b.wav" : "a.wav"));
        }
    }
}

// Dropped names show as UTF-8 when they are, else in Windows-1252, in the
// list, the status line and the information window (name and path); their
// bytes are kept in the saved play list. Play-list files are named the same
// way in the selector.
TEST_F(Fidelite, NamesThatAreNotUtf8ReadInWindows1252) {
    struct Cas {
        std::string octets;
        QString vu;
    } cas[] = {{"caf\xE9.wav", QStringLiteral("café.wav")},
               {"\xC3\xA9t\xC3\xA9.wav", QStringLiteral("été.wav")},
               {"\x80 \x9C\x85.wav", QStringLiteral("€ œ….wav")},
               {"\xC3(\xFF.wav", QStringLiteral("Ã(ÿ.wav")}};
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.octets);
        clic(f1->image_del_all);
        deposer({c.octets});
        ASSERT_EQ(module->liste.nombre(), 1);
        EXPECT_EQ(module->liste.nom(0), c.octets);
        EXPECT_EQ(f1->list_lecture->model()->index(0, 0).data().toString(), c.vu);
        f1->selectionner(0);
        appui(f1->image_play);
        EXPECT_EQ(statut(), QStringLiteral("Lecture : ") + c.vu);
        fenetres_module().Form2->Label1Click();
        EXPECT_EQ(fenetres_module().Form6->label_titre->text(), c.vu);
        EXPECT_EQ(fenetres_module().Form6->label_adresse->text(), vt::texte_affiche(app / c.octets));
        EXPECT_NE(vt::texte_playlist(module->liste).find(c.octets), std::string::npos);
        app.ecrire("playlist/" + c.octets.substr(0, c.octets.size() - 4) + ".vtlist", "\"/x.mp3\"");
    }
    f1->ComboplaylistEnter();
    for (const Cas& c : cas) EXPECT_GE(f1->Comboplaylist->findText(c.vu.chopped(4)), 0) << c.octets;
}

// A stored place whose title strip lies off the screen's available area
// brings the window back whole on it at start; one the user can still take
// by its strip is kept, even partly off screen. Nothing is written.
TEST_F(Fidelite, StoredPlaceOffScreenComesBack) {
    const QRect ecran = QGuiApplication::primaryScreen()->availableGeometry();
    for (const QPoint stockee :
         {QPoint(5000, 5000), QPoint(-2000, 40), QPoint(ecran.right() - 100, 10), QPoint(10, 20)}) {
        ecrire_config("skin/default/", "default.sk", stockee.x(), stockee.y());
        const std::string avant = lire_fichier(app / "vantrel.config");
        module.reset(), demarrer();
        const QRect barre(stockee, QSize(f1->width(), f1->image_barre->height()));
        if (ecran.intersects(barre)) {
            EXPECT_EQ(f1->pos(), stockee);
        } else {
            EXPECT_TRUE(ecran.contains(f1->geometry())) << f1->x() << "," << f1->y();
        }
        EXPECT_EQ(lire_fichier(app / "vantrel.config"), avant);
    }
}

}  // namespace
