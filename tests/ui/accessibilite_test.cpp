// What a screen reader finds in the real windows through QAccessible: names,
// roles, press actions, slider values and their announcements, the status
// line, decoration left out; and the keyboard: Tab order, Space and Return,
// the arrows on a slider, the focus frame.
#include "ui/accessibilite.h"
#include "playlist/liste_courante.h"
#include "support/wav.h"
#include "ui/curseurs.h"
#include "ui/fixture.h"
#include "ui/tform2.h"
#include "ui/tform3.h"
#include "ui/tform4.h"
#include "ui/tform5.h"
#include "ui/tform6.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleValueInterface>
#include <QTest>

#include <algorithm>
#include <cmath>

#include <vector>

namespace {

using vt::test::DemarreTest;

QAccessibleInterface* iface(QObject* o) { return QAccessible::queryAccessibleInterface(o); }

// The direct children of a window's accessible node.
std::vector<QAccessibleInterface*> enfants(QWidget* fenetre) {
    std::vector<QAccessibleInterface*> l;
    QAccessibleInterface* f = iface(fenetre);
    for (int i = 0; i < f->childCount(); ++i) l.push_back(f->child(i));
    return l;
}

// The child of a window named `nom` with role `role`, or nullptr.
QAccessibleInterface* trouver(QWidget* fenetre, const QString& nom, QAccessible::Role role) {
    for (QAccessibleInterface* e : enfants(fenetre))
        if (e && e->role() == role && e->text(QAccessible::Name) == nom) return e;
    return nullptr;
}

void presser(QAccessibleInterface* e) {
    ASSERT_NE(e, nullptr);
    ASSERT_NE(e->actionInterface(), nullptr);
    ASSERT_TRUE(e->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
    e->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
}

// Records the announcements meant for the accessibility bus while it lives.
class Evenements {
public:
    Evenements() : ancien_(vt::annonceur()) {
        vt::annonceur() = [this](QAccessibleEvent& e) {
            recus_.push_back({e.object(), e.type(),
                              e.type() == QAccessible::ValueChanged
                                  ? static_cast<QAccessibleValueChangeEvent&>(e).value()
                                  : QVariant()});
        };
    }
    ~Evenements() { vt::annonceur() = ancien_; }
    std::vector<QVariant> valeurs(QObject* o) const {
        std::vector<QVariant> v;
        for (const Recu& r : recus_)
            if (r.objet == o && r.type == QAccessible::ValueChanged) v.push_back(r.valeur);
        return v;
    }
    int noms(QObject* o) const {
        int n = 0;
        for (const Recu& r : recus_) n += r.objet == o && r.type == QAccessible::NameChanged;
        return n;
    }

private:
    struct Recu {
        QObject* objet;
        QAccessible::Event type;
        QVariant valeur;
    };
    std::vector<Recu> recus_;
    vt::Annonceur ancien_;
};

class Accessibilite : public DemarreTest<true> {
protected:
    // n real files named t0.wav, t1.wav...
    void remplir(int n, int ms = 4000) {
        std::vector<std::string> chemins;
        for (int i = 0; i < n; ++i)
            chemins.push_back(
                app.ecrire("t" + std::to_string(i) + ".wav", vt::test::octets_wav(ms, 440 + 100 * i)));
        f1->deposer(chemins);
    }
    QAccessibleInterface* bouton(const char* nom) {
        return trouver(f1, QString::fromUtf8(nom), QAccessible::Button);
    }
    QAccessibleInterface* glissiere(const char* nom) {
        return trouver(f1, QString::fromUtf8(nom), QAccessible::Slider);
    }
    QAccessibleValueInterface* valeur(const char* nom) {
        QAccessibleInterface* g = glissiere(nom);
        return g ? g->valueInterface() : nullptr;
    }
    // The main window shown and active, as on a desktop.
    void activer() {
        f1->show();
        QApplication::setActiveWindow(f1);
        ASSERT_TRUE(QTest::qWaitForWindowActive(f1));
    }
    int offset(vt::ImageVt* c, vt::ImageVt* b) { return c->x() - b->x(); }
    vt::ModuleVantrel& m() { return *module; }
    // The loudest sample of the next 50 ms of output.
    float crete() {
        pomper_ms(30);  // the level ramps over a few milliseconds
        auto& sortie = static_cast<vt::SortieManuelle&>(*lecteur().moteur().sortie());
        float max = 0;
        for (float v : sortie.pomper(2205)) max = std::max(max, std::abs(v));
        return max;
    }
};

// ---------------------------------------------------------------- buttons

struct BoutonAttendu {
    const char* nom;
    vt::ImageVt* TForm1::*membre;
};

// Every image button of the main window is a push button with its French
// name and a press action, on the element that shows it.
TEST_F(Accessibilite, MainWindowButtonsAreNamedPushButtons) {
    const BoutonAttendu attendus[] = {
        {"Lecture", &TForm1::image_play},
        {"Pause", &TForm1::image_pause},
        {"Stop", &TForm1::image_stop},
        {"Suivant", &TForm1::image_next},
        {"Précédent", &TForm1::image_back},
        {"Ajouter", &TForm1::image_add},
        {"Supprimer", &TForm1::image_del},
        {"Vider la liste", &TForm1::image_del_all},
        {"Enregistrer la playlist", &TForm1::image_info},
        {"Monter", &TForm1::image_up},
        {"Descendre", &TForm1::image_down},
        {"Menu", &TForm1::Image_menu},
        {"Réduire", &TForm1::image_reduire},
        {"Fermer", &TForm1::image_quitter},
        {"Zone de notification", &TForm1::tray_image},
    };
    for (const auto& a : attendus) {
        SCOPED_TRACE(a.nom);
        QAccessibleInterface* b = bouton(a.nom);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->object(), f1->*a.membre);
        EXPECT_EQ(b->parent()->object(), f1);
        EXPECT_TRUE(b->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
        EXPECT_TRUE(b->state().focusable);
    }
    // On screen, each covers its picture.
    f1->show();
    for (const auto& a : attendus) {
        QAccessibleInterface* b = bouton(a.nom);
        EXPECT_EQ(b->rect(), QRect((f1->*a.membre)->mapToGlobal(QPoint(0, 0)), (f1->*a.membre)->size()))
            << a.nom;
    }
}

// The tree of the main window holds no unnamed object and none of the
// pictures that only decorate; every child is found back by its index.
TEST_F(Accessibilite, MainWindowTreeHasNoDecorationAndNoUnnamedObject) {
    QAccessibleInterface* fenetre = iface(f1);
    EXPECT_EQ(fenetre->role(), QAccessible::Window);
    const auto l = enfants(f1);
    EXPECT_EQ(l.size(),
              15u + 3u + 2u + 2u + 2u);  // buttons, sliders, list and selector, boxes, status and time
    for (std::size_t i = 0; i < l.size(); ++i) {
        ASSERT_NE(l[i], nullptr);
        SCOPED_TRACE(l[i]->object()->objectName().toStdString());
        EXPECT_FALSE(l[i]->text(QAccessible::Name).isEmpty());
        EXPECT_EQ(fenetre->indexOfChild(l[i]), static_cast<int>(i));
        EXPECT_NE(l[i]->role(), QAccessible::Client);
    }
    for (QWidget* decor : std::initializer_list<QWidget*>{
             f1->image_fond, f1->image_barre, f1->curseur_volume, f1->curseur_position, f1->image_fond_liste,
             f1->Shape1, f1->label_affiche, f1->label_vol, f1->label_total, f1->element("image_playon"),
             f1->element("image_repeat")}) {
        SCOPED_TRACE(decor->objectName().toStdString());
        EXPECT_EQ(fenetre->indexOfChild(iface(decor)), -1);
    }
}

// Press runs what a click runs: play starts the selected entry, stop
// stops it and ends with its picture unlit (down then up), next moves on.
TEST_F(Accessibilite, PressActionsRunTheClickHandlers) {
    remplir(2);
    f1->selectionner(0);
    presser(bouton("Lecture"));
    EXPECT_TRUE(joue());
    EXPECT_EQ(f1->label_affiche->text(), QStringLiteral("Lecture : t0.wav"));
    presser(bouton("Pause"));
    EXPECT_TRUE(en_pause());
    presser(bouton("Suivant"));
    EXPECT_EQ(f1->index_courant(), 1);
    EXPECT_TRUE(joue());
    EXPECT_TRUE(montre(f1->image_next, "image_nextoff"));
    presser(bouton("Précédent"));
    EXPECT_EQ(f1->index_courant(), 0);
    presser(bouton("Stop"));
    EXPECT_FALSE(joue());
    EXPECT_TRUE(montre(f1->image_stop, "image_stopoff"));
    EXPECT_EQ(f1->label_affiche->text(), QStringLiteral("vantrel  en attente ..."));
}

// The list buttons: add asks the open dialog, move and delete act on the
// selection, and "Vider la liste" stops playback and empties the list.
TEST_F(Accessibilite, ListButtonsPress) {
    remplir(2);
    dialogues.fichiers_a_ouvrir.push_back({app.ecrire("z.wav", vt::test::octets_wav(500))});
    presser(bouton("Ajouter"));
    EXPECT_EQ(m().liste.nombre(), 3);
    EXPECT_TRUE(montre(f1->image_add, "image_add_off"));
    f1->selectionner(1);
    presser(bouton("Monter"));
    EXPECT_EQ(m().liste.data(m().liste.index(0, 0)).toString(), QStringLiteral("t1.wav"));
    presser(bouton("Descendre"));
    EXPECT_EQ(m().liste.data(m().liste.index(1, 0)).toString(), QStringLiteral("t1.wav"));
    presser(bouton("Supprimer"));
    EXPECT_EQ(m().liste.nombre(), 2);
    f1->selectionner(0);
    presser(bouton("Lecture"));
    ASSERT_TRUE(joue());
    presser(bouton("Vider la liste"));
    EXPECT_FALSE(joue());
    EXPECT_EQ(m().liste.nombre(), 0);
    EXPECT_TRUE(montre(f1->image_del_all, "image_del_all_off"));
}

// "Menu" drops the menu window; "Fermer" writes the settings and ends.
TEST_F(Accessibilite, MenuAndClosePress) {
    presser(bouton("Menu"));
    EXPECT_TRUE(fenetres_module().Form2->isVisible());
    EXPECT_EQ(fins, 0);
    presser(bouton("Fermer"));
    EXPECT_EQ(fins, 1);
}

// ---------------------------------------------------------------- sliders

// Volume and balance run from 0 to 255 and show the player's levels.
TEST_F(Accessibilite, LevelSlidersShowThePlayersValues) {
    for (const char* nom : {"Volume", "Balance"}) {
        SCOPED_TRACE(nom);
        QAccessibleValueInterface* v = valeur(nom);
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(v->minimumValue().toInt(), 0);
        EXPECT_EQ(v->maximumValue().toInt(), 255);
        EXPECT_GT(v->minimumStepSize().toInt(), 0);
    }
    EXPECT_EQ(valeur("Volume")->currentValue().toInt(), 255);
    EXPECT_EQ(valeur("Balance")->currentValue().toInt(), m().lecteur->balance());
    EXPECT_EQ(glissiere("Volume")->object(), f1->barre_volume);
}

struct Reglage {
    int demande;
    int valeur;  // what the player takes
    int offset;  // where the cursor ends, of 95
};

// Setting the volume gives the player (and the channel) that very value,
// held within 0..255; the cursor moves to the value's place, its picture
// and the percentage label as after a drag.
TEST_F(Accessibilite, SettingTheVolumeMovesTheCursorAndThePlayer) {
    remplir(1);
    f1->selectionner(0);
    presser(bouton("Lecture"));
    const Reglage cas[] = {{128, 128, 48}, {0, 0, 0},      {255, 255, 95}, {1, 1, 1},
                           {2, 2, 1},      {254, 254, 95}, {252, 252, 94}, {300, 255, 95}};
    for (const auto& c : cas) {
        SCOPED_TRACE(c.demande);
        valeur("Volume")->setCurrentValue(c.demande);
        EXPECT_EQ(offset(f1->curseur_volume, f1->barre_volume), c.offset);
        EXPECT_EQ(m().lecteur->volume(), c.valeur);
        EXPECT_EQ(valeur("Volume")->currentValue().toInt(), m().lecteur->volume());
        EXPECT_TRUE(montre(f1->curseur_volume, "image_volumeoff"));
        EXPECT_TRUE(f1->label_vol->isHidden());
    }
    // What the channel plays follows.
    valeur("Volume")->setCurrentValue(0);
    EXPECT_LT(crete(), 0.001f);
    valeur("Volume")->setCurrentValue(255);
    EXPECT_GT(crete(), 0.05f);
}

// A step of one always changes the value by one.
TEST_F(Accessibilite, StepOfOneAlwaysMovesTheBalance) {
    QAccessibleValueInterface* v = valeur("Balance");
    const int depart = v->currentValue().toInt();
    v->setCurrentValue(depart + 1);
    EXPECT_EQ(v->currentValue().toInt(), depart + 1);
    v->setCurrentValue(depart);
    EXPECT_EQ(v->currentValue().toInt(), depart);
    v->setCurrentValue(depart - 1);
    EXPECT_EQ(v->currentValue().toInt(), depart - 1);
    EXPECT_EQ(m().lecteur->balance(), depart - 1);
}

// Level changes are announced with the new value, whoever made them.
TEST_F(Accessibilite, LevelChangesAreAnnounced) {
    Evenements e;
    valeur("Volume")->setCurrentValue(100);
    ASSERT_FALSE(e.valeurs(f1->barre_volume).empty());
    EXPECT_EQ(e.valeurs(f1->barre_volume).back().toInt(), m().lecteur->volume());
    m().lecteur->definir_balance(30);  // a media key or another front end
    ASSERT_FALSE(e.valeurs(f1->barre_balance).empty());
    EXPECT_EQ(e.valeurs(f1->barre_balance).back().toInt(), 30);
}

// Position: seconds of the current track, 0 and no seek when nothing
// plays; setting it seeks as a drag of its cursor does.
TEST_F(Accessibilite, PositionSliderSeeksInSeconds) {
    QAccessibleValueInterface* v = valeur("Position");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->currentValue().toInt(), 0);
    EXPECT_EQ(v->maximumValue().toInt(), 0);
    v->setCurrentValue(2);
    EXPECT_EQ(v->currentValue().toInt(), 0);
    EXPECT_EQ(offset(f1->curseur_position, f1->barre_position), 0);

    remplir(1, 10000);
    f1->selectionner(0);
    presser(bouton("Lecture"));
    EXPECT_EQ(v->maximumValue().toInt(), 10);
    Evenements e;
    v->setCurrentValue(6);
    EXPECT_EQ(v->currentValue().toInt(), 6);
    EXPECT_GT(offset(f1->curseur_position, f1->barre_position), 0);
    EXPECT_TRUE(montre(f1->curseur_position, "curseur_position_off"));
    ASSERT_FALSE(e.valeurs(f1->barre_position).empty());
    EXPECT_EQ(e.valeurs(f1->barre_position).back().toInt(), 6);
    EXPECT_NEAR(lecteur().moteur().temps_ms(lecteur().flux), 6000, 150);
    EXPECT_GT(crete(), 0.05f);  // not left silenced
    v->setCurrentValue(0);
    EXPECT_EQ(v->currentValue().toInt(), 0);
}

// ---------------------------------------------------------------- texts

// The status line reads the whole status text while the screen scrolls it;
// a new status text is announced once, the scroll steps are not.
TEST_F(Accessibilite, StatusLineReadsTheUnscrolledText) {
    QAccessibleInterface* statut = iface(f1->label_lecture);
    EXPECT_EQ(statut->role(), QAccessible::StaticText);
    EXPECT_EQ(statut->text(QAccessible::Description), QStringLiteral("Statut"));
    remplir(1);
    f1->selectionner(0);
    Evenements e;
    presser(bouton("Lecture"));
    for (int i = 0; i < 5; ++i) module->lecteur->tic();
    EXPECT_NE(f1->label_lecture->text(), f1->label_affiche->text());  // scrolled on screen
    EXPECT_EQ(statut->text(QAccessible::Name), QStringLiteral("Lecture : t0.wav"));
    EXPECT_EQ(e.noms(f1->label_lecture), 1);
}

// The status line's description names the entry that plays, not a row
// selected meanwhile; with nothing playing it is "Statut".
TEST_F(Accessibilite, StatusLineDescriptionNamesThePlayingEntry) {
    remplir(2);
    QAccessibleInterface* statut = iface(f1->label_lecture);
    f1->selectionner(0);
    presser(bouton("Lecture"));
    f1->list_lecture->selectionModel()->setCurrentIndex(m().liste.index(1, 0),
                                                        QItemSelectionModel::ClearAndSelect);
    EXPECT_EQ(statut->text(QAccessible::Description), QStringLiteral("Statut, en lecture : t0.wav"));
    presser(bouton("Pause"));
    EXPECT_EQ(statut->text(QAccessible::Description), QStringLiteral("Statut, en pause : t0.wav"));
    presser(bouton("Stop"));
    EXPECT_EQ(statut->text(QAccessible::Description), QStringLiteral("Statut"));
}

// The elapsed time is a label; the list is a list of display names; the
// selector a combo box; the boxes keep their names.
TEST_F(Accessibilite, TimeListSelectorAndBoxes) {
    remplir(2);
    QAccessibleInterface* temps = iface(f1->label_temps);
    EXPECT_EQ(temps->role(), QAccessible::StaticText);
    EXPECT_EQ(temps->text(QAccessible::Name), QStringLiteral("00 : 00"));
    f1->selectionner(0);
    presser(bouton("Lecture"));
    pomper_ms(1200);
    module->lecteur->tic();
    EXPECT_EQ(temps->text(QAccessible::Name), QStringLiteral("00 : 01"));

    QAccessibleInterface* liste = iface(f1->list_lecture);
    EXPECT_EQ(liste->role(), QAccessible::List);
    QStringList noms;
    for (int i = 0; i < liste->childCount(); ++i)
        if (liste->child(i)->role() == QAccessible::ListItem)
            noms << liste->child(i)->text(QAccessible::Name);
    EXPECT_EQ(noms, (QStringList{QStringLiteral("t0.wav"), QStringLiteral("t1.wav")}));

    EXPECT_EQ(iface(f1->Comboplaylist)->role(), QAccessible::ComboBox);
    EXPECT_EQ(trouver(f1, QStringLiteral("Répéter"), QAccessible::CheckBox)->object(), f1->check_repeat);
    EXPECT_EQ(trouver(f1, QStringLiteral("Aléatoire"), QAccessible::CheckBox)->object(), f1->check_random);
}

// The save window's list reads the paths it shows, one row each; a row
// tells whether it is the selected one, and rows removed are gone.
TEST_F(Accessibilite, ListRowsFollowTheList) {
    remplir(3);
    f1->selectionner(1);
    QAccessibleInterface* chemins = iface(fenetres_module().Form3->liste_lecture_en_cours);
    EXPECT_EQ(chemins->role(), QAccessible::List);
    EXPECT_EQ(chemins->text(QAccessible::Name), QStringLiteral("Playlist en cours"));
    ASSERT_EQ(chemins->childCount(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(chemins->child(i)->text(QAccessible::Name),
                  QFile::decodeName(QByteArray::fromStdString(m().liste.chemin(i))));
    QAccessibleInterface* noms = iface(f1->list_lecture);
    EXPECT_EQ(noms->text(QAccessible::Name), QStringLiteral("Liste de lecture"));
    EXPECT_TRUE(noms->child(1)->state().selected);
    EXPECT_FALSE(noms->child(0)->state().selected);
    EXPECT_EQ(noms->indexOfChild(noms->child(2)), 2);
    EXPECT_EQ(noms->child(2)->parent()->object(), f1->list_lecture);
    QAccessibleInterface* derniere = noms->child(2);
    presser(bouton("Vider la liste"));
    EXPECT_EQ(noms->childCount(), 0);
    EXPECT_FALSE(derniere->isValid());
    EXPECT_EQ(noms->child(0), nullptr);
}

// ---------------------------------------------------------------- other windows

// The menu's entries are push buttons named by their text; pressing one
// does what clicking it does.
TEST_F(Accessibilite, MenuEntries) {
    TForm2* menu = fenetres_module().Form2;
    const char* noms[] = {"Ouvrir", "Enregistrer playlist", "Option", "Propriétés", "A propos", "Quitter"};
    for (const char* nom : noms) {
        SCOPED_TRACE(nom);
        EXPECT_NE(trouver(menu, QString::fromUtf8(nom), QAccessible::Button), nullptr);
    }
    EXPECT_EQ(enfants(menu).size(), std::size(noms));  // the picture, its frame and "playlist" stay out
    menu->setVisible(true);
    // "Propriétés" without a selection does nothing at all.
    presser(trouver(menu, QStringLiteral("Propriétés"), QAccessible::Button));
    EXPECT_TRUE(menu->isVisible());
    presser(trouver(menu, QStringLiteral("Option"), QAccessible::Button));
    EXPECT_FALSE(menu->isVisible());
    EXPECT_TRUE(fenetres_module().Form4->isVisible());
    menu->setVisible(true);
    presser(trouver(menu, QStringLiteral("Enregistrer playlist"), QAccessible::Button));
    EXPECT_TRUE(fenetres_module().Form3->isVisible());
}

// The save window's and the options window's actions are push buttons
// named by their text; the two "Modifier" tell what they modify.
TEST_F(Accessibilite, SaveAndOptionsActions) {
    for (const char* nom : {"Ajouter", "Supprimer", "Monter", "Descendre", "enregistrer"})
        EXPECT_NE(trouver(fenetres_module().Form3, QString::fromUtf8(nom), QAccessible::Button), nullptr)
            << nom;
    for (const char* nom : {"Appliquer", "Annuler", "Par default"})
        EXPECT_NE(trouver(fenetres_module().Form4, QString::fromUtf8(nom), QAccessible::Button), nullptr)
            << nom;
    QStringList descriptions;
    for (QAccessibleInterface* e : enfants(fenetres_module().Form4))
        if (e->role() == QAccessible::Button && e->text(QAccessible::Name) == QStringLiteral("Modifier"))
            descriptions << e->text(QAccessible::Description);
    EXPECT_EQ(descriptions, (QStringList{QStringLiteral("Modifier le skin"),
                                         QStringLiteral("Modifier le répertoire des playlists")}));
    for (QAccessibleInterface* e : enfants(fenetres_module().Form4))
        EXPECT_FALSE(qobject_cast<vt::FormeVt*>(e->object()));

    // "Ajouter" of the save window runs the main window's add.
    dialogues.fichiers_a_ouvrir.push_back({app.ecrire("z.wav", vt::test::octets_wav(500))});
    presser(trouver(fenetres_module().Form3, QStringLiteral("Ajouter"), QAccessible::Button));
    EXPECT_EQ(m().liste.nombre(), 1);
    fenetres_module().Form4->setVisible(true);
    presser(trouver(fenetres_module().Form4, QStringLiteral("Annuler"), QAccessible::Button));
    EXPECT_FALSE(fenetres_module().Form4->isVisible());
}

// ---------------------------------------------------------------- keyboard

// Tab reads the window as it is laid out: the selector, the list and its
// buttons, the transport, the three sliders, the boxes, then the window's
// own buttons, and comes back round; Shift+Tab goes the same way back.
TEST_F(Accessibilite, TabOrder) {
    activer();
    EXPECT_EQ(QApplication::focusWidget(), f1->Comboplaylist);  // the window's first focus is unchanged
    const std::vector<QWidget*> ordre = {
        f1->Comboplaylist, f1->list_lecture, f1->image_add,    f1->image_del,      f1->image_del_all,
        f1->image_info,    f1->image_up,     f1->image_down,   f1->image_back,     f1->image_play,
        f1->image_pause,   f1->image_stop,   f1->image_next,   f1->barre_position, f1->barre_volume,
        f1->barre_balance, f1->check_repeat, f1->check_random, f1->Image_menu,     f1->tray_image,
        f1->image_reduire, f1->image_quitter};
    for (std::size_t i = 1; i <= ordre.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* attendu = ordre[i % ordre.size()];
        EXPECT_EQ(QApplication::focusWidget(), attendu) << attendu->objectName().toStdString();
    }
    for (std::size_t i = ordre.size(); i-- > 0;) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        EXPECT_EQ(QApplication::focusWidget(), ordre[i]) << ordre[i]->objectName().toStdString();
    }
}

// Space and Return press the focused button; an auto-repeated key does not
// press again.
TEST_F(Accessibilite, SpaceAndReturnPressTheFocusedButton) {
    remplir(2);
    f1->selectionner(0);
    activer();
    f1->image_play->setFocus(Qt::TabFocusReason);
    QTest::keyClick(f1->image_play, Qt::Key_Space);
    EXPECT_TRUE(joue());
    f1->image_next->setFocus(Qt::TabFocusReason);
    QKeyEvent repete(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(f1->image_next, &repete);
    EXPECT_EQ(f1->index_courant(), 0);
    QTest::keyClick(f1->image_next, Qt::Key_Return);
    EXPECT_EQ(f1->index_courant(), 1);
    f1->image_stop->setFocus(Qt::TabFocusReason);
    QTest::keyClick(f1->image_stop, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_FALSE(joue());
    EXPECT_TRUE(montre(f1->image_stop, "image_stopoff"));
}

// "Menu" pressed from the keyboard gives the keyboard to the menu, whose
// entries Tab goes through; Escape closes it and goes back to "Menu". An
// entry that shows a window gives it the keyboard too. The mouse opens the
// menu without moving the keyboard.
TEST_F(Accessibilite, MenuFromTheKeyboard) {
    activer();
    TForm2* menu = fenetres_module().Form2;
    f1->Image_menu->setFocus(Qt::TabFocusReason);
    QTest::keyClick(f1->Image_menu, Qt::Key_Space);
    ASSERT_TRUE(menu->isVisible());
    ASSERT_TRUE(QTest::qWaitForWindowActive(menu));
    EXPECT_EQ(QApplication::focusWidget(), menu->label_ouvrir);
    EXPECT_TRUE(vt::montre_cadre_focus(menu->label_ouvrir));
    QTest::keyClick(menu->label_ouvrir, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), menu->label_enr_playlist);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(menu->isVisible());
    ASSERT_TRUE(QTest::qWaitForWindowActive(f1));
    EXPECT_EQ(QApplication::focusWidget(), f1->Image_menu);
    EXPECT_TRUE(vt::montre_cadre_focus(f1->Image_menu));

    QTest::keyClick(f1->Image_menu, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitForWindowActive(menu));
    menu->label_option->setFocus(Qt::TabFocusReason);
    QTest::keyClick(menu->label_option, Qt::Key_Return);
    EXPECT_FALSE(menu->isVisible());
    ASSERT_TRUE(QTest::qWaitForWindowActive(fenetres_module().Form4));
    EXPECT_EQ(QApplication::focusWidget(),
              fenetres_module().Form4->check_boucle);  // the options window's first element
    fenetres_module().Form4->setVisible(false);

    QApplication::setActiveWindow(f1);
    ASSERT_TRUE(QTest::qWaitForWindowActive(f1));
    f1->Comboplaylist->setFocus(Qt::OtherFocusReason);
    clic(f1->Image_menu);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(QApplication::activeWindow(), f1);
    EXPECT_EQ(QApplication::focusWidget(), f1->Comboplaylist);
}

// The arrows (one step of the value), Home and End move a focused slider.
TEST_F(Accessibilite, ArrowsMoveAFocusedSlider) {
    activer();
    f1->barre_volume->setFocus(Qt::TabFocusReason);
    for (int attendu : {254, 253, 252}) {
        QTest::keyClick(f1->barre_volume, Qt::Key_Left);
        EXPECT_EQ(m().lecteur->volume(), attendu);
    }
    EXPECT_EQ(offset(f1->curseur_volume, f1->barre_volume), 94);
    QTest::keyClick(f1->barre_volume, Qt::Key_Home);
    EXPECT_EQ(m().lecteur->volume(), 0);
    QTest::keyClick(f1->barre_volume, Qt::Key_Up);
    EXPECT_EQ(offset(f1->curseur_volume, f1->barre_volume), 1);
    QTest::keyClick(f1->barre_volume, Qt::Key_End);
    EXPECT_EQ(m().lecteur->volume(), 255);
}

// The list keeps its own keys: the arrows select the next row.
TEST_F(Accessibilite, ListKeepsItsKeys) {
    remplir(3);
    activer();
    f1->selectionner(0);
    f1->list_lecture->setFocus(Qt::TabFocusReason);
    f1->list_lecture->setCurrentIndex(m().liste.index(0, 0));
    QTest::keyClick(f1->list_lecture, Qt::Key_Down);
    EXPECT_EQ(f1->index_courant(), 1);
    EXPECT_EQ(f1->label_affiche->text(), QStringLiteral("sélection : t1.wav"));
}

// With no row selected, Down or Up selects the first row (the view holds
// the first row as its current one, unseen: Down went to the second); with
// a row selected they move from it.
TEST_F(Accessibilite, ArrowsWithoutASelectionSelectTheFirstRow) {
    remplir(3);
    activer();
    const struct {
        int depart;
        Qt::Key touche;
        int attendu;
    } cas[] = {{-1, Qt::Key_Down, 0}, {-1, Qt::Key_Up, 0}, {1, Qt::Key_Down, 2}, {1, Qt::Key_Up, 0}};
    for (const auto& c : cas) {
        f1->selectionner(c.depart);
        f1->Comboplaylist->setFocus(Qt::TabFocusReason);
        QTest::keyClick(f1->Comboplaylist, Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), f1->list_lecture);
        QTest::keyClick(f1->list_lecture, c.touche);
        EXPECT_EQ(f1->index_courant(), c.attendu) << c.depart << " " << c.touche;
        EXPECT_EQ(f1->label_affiche->text(), QStringLiteral("sélection : t%1.wav").arg(c.attendu));
    }
}

// Escape closes the save, options, about and information windows, whether
// an element of theirs or the window itself has the keyboard, and the main
// window takes the keyboard back.
TEST_F(Accessibilite, EscapeClosesTheSecondaryWindows) {
    activer();
    const struct {
        QWidget* fenetre;
        QWidget* element;  // what has the keyboard; nullptr: the window
    } cas[] = {
        {fenetres_module().Form3, fenetres_module().Form3->liste_lecture_en_cours},
        {fenetres_module().Form3, fenetres_module().Form3->label_enregistre},
        {fenetres_module().Form4, fenetres_module().Form4->check_boucle},
        {fenetres_module().Form4, fenetres_module().Form4->label_annuler},
        {fenetres_module().Form5, nullptr},
        {fenetres_module().Form6, nullptr},
    };
    for (const auto& c : cas) {
        c.fenetre->show();
        QApplication::setActiveWindow(c.fenetre);
        ASSERT_TRUE(QTest::qWaitForWindowActive(c.fenetre));
        if (c.element) c.element->setFocus(Qt::TabFocusReason);
        QWidget* cible = c.element ? c.element : c.fenetre;
        ASSERT_EQ(QApplication::focusWidget() ? QApplication::focusWidget() : c.fenetre, cible);
        QTest::keyClick(cible, Qt::Key_Escape);
        EXPECT_FALSE(c.fenetre->isVisible()) << c.fenetre->objectName().toStdString();
        EXPECT_TRUE(QTest::qWaitForWindowActive(f1)) << c.fenetre->objectName().toStdString();
    }
}

// A button that took the focus from the keyboard shows a two-pixel frame
// around it, its picture untouched, in a colour that differs from what lies
// under the frame; otherwise no frame shows.
TEST_F(Accessibilite, FocusFrameOnlyFromTheKeyboard) {
    activer();
    vt::ImageVt* b = f1->image_play;
    auto* cadre = f1->findChild<QWidget*>(QStringLiteral("cadre_focus"));
    ASSERT_NE(cadre, nullptr);
    const QImage nu = b->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage fenetre_nue = f1->grab().toImage().convertToFormat(QImage::Format_RGB32);
    b->setFocus(Qt::OtherFocusReason);
    EXPECT_FALSE(vt::montre_cadre_focus(b));
    EXPECT_FALSE(cadre->isVisible());

    f1->image_pause->setFocus(Qt::TabFocusReason);
    QTest::keyClick(f1->image_pause, Qt::Key_Backtab);
    ASSERT_EQ(QApplication::focusWidget(), b);
    EXPECT_TRUE(vt::montre_cadre_focus(b));
    ASSERT_TRUE(cadre->isVisible());
    const QRect r = b->geometry().adjusted(-2, -2, 2, 2);
    EXPECT_EQ(cadre->geometry(), r);
    EXPECT_EQ(b->grab().toImage().convertToFormat(QImage::Format_RGB32), nu);  // the picture is untouched
    const QImage avec = f1->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRgb c = avec.pixel(r.topLeft());
    for (QPoint p : {r.topLeft() + QPoint(1, 1), r.bottomRight(), QPoint(r.left() + 1, r.center().y())}) {
        EXPECT_EQ(avec.pixel(p), c);
        EXPECT_NE(fenetre_nue.pixel(p), c);
    }

    f1->Comboplaylist->setFocus(Qt::TabFocusReason);
    EXPECT_FALSE(vt::montre_cadre_focus(b));
    EXPECT_EQ(cadre->geometry(), f1->Comboplaylist->geometry().adjusted(-2, -2, 2, 2));
}

}  // namespace
