// What a user meets with the mouse, the keyboard and dropped files: a click
// on a list's empty part keeps the current entry, Return plays the selected
// row, names that are not UTF-8 read in Windows-1252, and a stored place off
// every screen comes back on one.
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
        FenetresTest::SetUp();
        ecrire_config();
        demarrer();
        f1->Timer1->stop();
    }
    void deposer(const std::vector<std::string>& noms) {
        QByteArray liste;
        for (const std::string& n : noms)
            liste += "file://" + QByteArray::fromStdString(app.ecrire(n, vt::test::octets_wav(2000)))
                                     .toPercentEncoding("/") + "\r\n";
        QMimeData donnees;
        donnees.setData(QStringLiteral("text/uri-list"), liste);
        QDropEvent depot(QPointF(20, 60), Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
        static_cast<QObject*>(f1)->event(&depot);
    }
    QString statut() const { return f1->label_affiche->text(); }
};

// A click, a double click or a right click under the last row of either
// list leaves the playing row selected: the status line, next and the
// delete button still act on it. A click on a row still selects it.
TEST_F(Fidelite, ClickBelowTheRowsKeepsTheCurrentEntry) {
    deposer({"a.wav", "b.wav", "c.wav"});
    struct Cas {
        const char* quoi;
        bool sauvegarde;  // the save window's list, else the main window's
        int y;
        QEvent::Type type;
        Qt::MouseButton bouton;
        int attendu;
    } cas[] = {
        {"clic sous les lignes", false, 100, QEvent::MouseButtonPress, Qt::LeftButton, 1},
        {"double clic sous les lignes", false, 100, QEvent::MouseButtonDblClick, Qt::LeftButton, 1},
        {"clic droit sous les lignes", false, 120, QEvent::MouseButtonPress, Qt::RightButton, 1},
        {"clic sur la première ligne", false, 5, QEvent::MouseButtonPress, Qt::LeftButton, 0},
        {"clic sous les lignes (sauvegarde)", true, 100, QEvent::MouseButtonPress, Qt::LeftButton, 1},
        {"double clic sous les lignes (sauvegarde)", true, 100, QEvent::MouseButtonDblClick, Qt::LeftButton, 1},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.quoi);
        f1->selectionner(1);
        appui(f1->image_play);
        const QString avant = statut();
        QListView* vue = c.sauvegarde ? module->Form3->liste_lecture_en_cours : f1->list_lecture;
        QWidget* zone = vue->viewport();
        appui(zone, {20, c.y}, c.bouton);
        if (c.type == QEvent::MouseButtonDblClick) {
            relache(zone, {20, c.y}, c.bouton);
            souris(zone, QEvent::MouseButtonDblClick, c.bouton, c.bouton, {20, c.y});
        }
        relache(zone, {20, c.y}, c.bouton);
        EXPECT_EQ(f1->index_courant(), c.attendu);
        if (c.attendu != 1) continue;
        EXPECT_EQ(statut(), avant);
        f1->Timer1Timer();
        EXPECT_EQ(statut(), QStringLiteral("Lecture : b.wav"));
        appui(f1->image_next);
        EXPECT_EQ(f1->index_courant(), 2);
        EXPECT_EQ(statut(), QStringLiteral("Lecture : c.wav"));
    }
}

// Return or Enter on the selected row plays it from its start, as a double
// click does; with no row selected they do nothing.
TEST_F(Fidelite, ReturnOnARowPlaysIt) {
    deposer({"a.wav", "b.wav"});
    struct Cas {
        Qt::Key touche;
        Qt::KeyboardModifiers mod;
        int ligne;
        bool joue;
    } cas[] = {{Qt::Key_Return, Qt::NoModifier, 1, true},
               {Qt::Key_Enter, Qt::KeypadModifier, 0, true},
               {Qt::Key_Return, Qt::NoModifier, -1, false}};
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.ligne);
        appui(f1->image_stop);
        f1->selectionner(c.ligne);
        f1->list_lecture->setFocus();
        QKeyEvent k(QEvent::KeyPress, c.touche, c.mod);
        QApplication::sendEvent(f1->list_lecture, &k);
        EXPECT_EQ(joue(), c.joue);
        if (c.joue) EXPECT_EQ(statut(), QStringLiteral("Lecture : ") + (c.ligne ? "b.wav" : "a.wav"));
    }
    // A track half played starts again from its beginning.
    f1->selectionner(0);
    appui(f1->image_play);
    pomper_ms(600);
    QKeyEvent k(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(f1->list_lecture, &k);
    EXPECT_LT(module->joueur->temps_ms(), 300);
}

// Dropped names show as UTF-8 when they are, else in Windows-1252, in the
// list, the status line, the save window and the information window; their
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
        EXPECT_TRUE(module->Form3->liste_lecture_en_cours->model()->index(0, 1).data().toString().endsWith(
            QStringLiteral("/") + c.vu));
        f1->selectionner(0);
        appui(f1->image_play);
        EXPECT_TRUE(joue());
        EXPECT_EQ(statut(), QStringLiteral("Lecture : ") + c.vu);
        module->Form2->Label1Click();
        EXPECT_EQ(module->Form6->label_titre->text(), c.vu);
        EXPECT_TRUE(module->Form6->label_adresse->text().endsWith(c.vu));
        EXPECT_NE(vt::texte_playlist(module->liste).find(c.octets), std::string::npos);
        app.ecrire("playlist/" + c.octets.substr(0, c.octets.size() - 4) + ".vtlist", "\"/x.mp3\"");
    }
    f1->ComboplaylistEnter();
    QStringList selecteur;
    for (int i = 0; i < f1->Comboplaylist->count(); ++i) selecteur << f1->Comboplaylist->itemText(i);
    for (const Cas& c : cas) EXPECT_TRUE(selecteur.contains(c.vu.chopped(4))) << selecteur.join(u'|').toStdString();
}

// A stored place off the screen's available area brings the window back
// whole on it at start; one on screen is kept. Nothing is written.
TEST_F(Fidelite, StoredPlaceOffScreenComesBack) {
    const QRect ecran = QGuiApplication::primaryScreen()->availableGeometry();
    struct Cas {
        int gauche, haut;
        bool garde;
    } cas[] = {{5000, 5000, false}, {-2000, 40, false}, {ecran.right() - 100, 10, false}, {10, 20, true}};
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.gauche);
        ecrire_config("skin/default/", "default.sk", c.gauche, c.haut);
        const std::string avant = lire_fichier(app / "vantrel.config");
        module.reset();
        demarrer();
        EXPECT_TRUE(ecran.contains(f1->geometry())) << f1->x() << "," << f1->y();
        if (c.garde) EXPECT_EQ(f1->pos(), QPoint(c.gauche, c.haut));
        EXPECT_EQ(lire_fichier(app / "vantrel.config"), avant);
    }
}

}  // namespace
