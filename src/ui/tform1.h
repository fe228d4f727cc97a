#pragma once
// The main window: borderless, drawn from skin pictures, holding the play
// list, the transport buttons, the sliders and the status line. Its buttons
// and keys trigger the shared actions (actions.h) or call the player's door;
// the sliders (glissiere.h) report the places the user chose; the door's
// signals repaint it (value to cursor, lit buttons, status text).
#include "player/regles.h"
#include "skin/chargeur_skin.h"
#include "ui/glissiere.h"
#include "ui/session.h"
#include "ui/widgets_vt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QListView>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace vt {
class DeplacementFenetre;
struct ModuleVantrel;
class PorteLecteur;
}

class TForm1 : public QWidget, public vt::CibleSkin {
    Q_OBJECT
public:
    explicit TForm1(vt::ModuleVantrel& module);
    ~TForm1() override;

    // Start-up sequence: the settings through the module, the skin, the
    // place and the cursors.
    void FormCreate();
    void FormDestroy();
    // The options were applied: the sequence again, then the selector
    // filled from the play-list folder it read.
    void relire_reglages();

    // Element lookup by name (every image element of the skin table and
    // the title strip's buttons).
    vt::ImageVt* element(std::string_view nom) const;
    // Shows the picture of source element `source` on element `cible`.
    void montrer(vt::ImageVt* cible, std::string_view source);

    // Skin target.
    void definir_image(std::string_view element, const QImage& image) override;
    void definir_couleurs(QColor fond_liste, QColor texte_liste, QColor texte_lecture) override;
    void montrer_label_lecture(bool visible) override;
    // The skin's colours for check boxes: fill, then outline and tick.
    std::pair<QColor, QColor> couleurs_cases() const { return couleurs_cases_; }

    // Current track index: the player's current entry, -1 for none.
    int index_courant() const;
    void selectionner(int ligne);  // set by the program: list_lectureClick does not run

    void list_lectureDblClick();
    void image_del_allClick();
    void deposer(const std::vector<std::string>& chemins);

    // Play-list selector. ComboplaylistEnter reads the configuration and
    // fills it; remplir_selecteur fills it from a folder already read
    // (nothing: the entries stay as they are).
    void ComboplaylistEnter();
    void remplir_selecteur(const std::optional<std::string>& dossier);
    void ComboplaylistChange();
    void image_infoClick();

    // The tray button: the notification-area icon's keeper (vt::Plateau)
    // hides the window behind it, or minimises it, or leaves it shown.
    void tray_imageClick();
    // Brings the window back, visible and in front, from any state (a
    // second start, the media service's Raise, the icon): vt::retour_fenetre.
    void revenir();
    void image_quitterClick();
    // Hides the menu window (the pointer came back over the window's
    // surface, or Escape closed the menu).
    void cacher_menu();

signals:
    // The tray button was clicked.
    void vers_plateau();
    // The window came back (revenir): the icon goes.
    void revenue();

public:
    // Components.
    QListView* list_lecture = nullptr;
    QComboBox* Comboplaylist = nullptr;
    QCheckBox* check_repeat = nullptr;
    QCheckBox* check_random = nullptr;
    vt::LabelVt* label_lecture = nullptr;
    vt::LabelVt* label_affiche = nullptr;
    vt::LabelVt* label_temps = nullptr;
    vt::LabelVt* label_total = nullptr;
    vt::LabelVt* label_vol = nullptr;
    vt::LabelVt* label_bal = nullptr;
    vt::FormeVt* Shape1 = nullptr;

    vt::ImageVt *image_fond = nullptr, *image_barre = nullptr, *Image_menu = nullptr,
                *image_quitter = nullptr, *image_reduire = nullptr, *tray_image = nullptr;
    vt::ImageVt *image_play = nullptr, *image_pause = nullptr, *image_stop = nullptr, *image_next = nullptr,
                *image_back = nullptr;
    vt::ImageVt *image_add = nullptr, *image_del = nullptr, *image_del_all = nullptr, *image_info = nullptr,
                *image_up = nullptr, *image_down = nullptr;
    vt::ImageVt *barre_volume = nullptr, *curseur_volume = nullptr, *barre_balance = nullptr,
                *curseur_balance = nullptr, *barre_position = nullptr, *curseur_position = nullptr;
    vt::ImageVt *image_fond_lecture = nullptr, *image_fond_liste = nullptr, *image_fond_play = nullptr,
                *image_fond_menu = nullptr;

    vt::Defilement defilement;

protected:
    void mouseMoveEvent(QMouseEvent*) override;
    void enterEvent(QEnterEvent*) override;
    void changeEvent(QEvent*) override;
    void dragEnterEvent(QDragEnterEvent*) override;
    void dropEvent(QDropEvent*) override;
    void wheelEvent(QWheelEvent*) override;
    bool eventFilter(QObject* objet, QEvent* e) override;

private:
    // The handlers the buttons, the list, the boxes and the clock run.
    void image_playMouseDown();
    void image_pauseClick();
    void image_stopMouseDown();
    void image_nextMouseDown();
    void image_backMouseDown();
    void image_del_allMouseDown();
    void list_lectureClick();
    void Timer1Timer(bool en_lecture, std::int64_t t, std::int64_t T);
    void Shape1MouseDown();
    void Shape1MouseUp();
    void image_reduireClick();
    void Image_menuClick();
    void image_barreMouseDown(Qt::MouseButton b, Qt::MouseButtons e, int x, int y);
    void image_fondMouseDown(Qt::MouseButton b, Qt::MouseButtons e, int x, int y);

    void construire();
    vt::ImageVt* creer(std::string_view nom);
    void completer_aspect_integre();
    // The play and pause buttons as the player stands, after a skin load
    // put back the skin's resting pictures.
    void montrer_etat_transport();
    void brancher();
    void brancher_lecteur();
    void creer_glissieres();
    // The keys and gestures that are second ways to the window's operations
    // (tform1_gestes.cpp): Ctrl+O, the list's keys, a row dragged along it.
    void brancher_gestes();
    bool touche_liste(const QKeyEvent* k);
    bool glisser_ligne(QEvent* e);
    // The selector's look: black, its text in the window colour, the entry
    // under the pointer or the keyboard marked in the skin's colours.
    void colorer_selecteur();
    std::string fichier_selecteur(int i) const;

    vt::ModuleVantrel& m_;
    vt::PorteLecteur& porte_;
    std::map<std::string, vt::ImageVt*, std::less<>> elements_;
    vt::GlissiereSkin *volume_ = nullptr, *balance_ = nullptr, *position_ = nullptr;
    QColor surlignage_ = Qt::white;  // the skin's status-line colour
    std::pair<QColor, QColor> couleurs_cases_{Qt::black, Qt::white};
    bool place_verifiee_ = false;    // the stored place was brought on screen
    QPersistentModelIndex ligne_glissee_;  // the entry pressed on in the list, while the button is held
    QPoint appui_ligne_;
    bool ligne_en_route_ = false;  // that entry follows the pointer
    // Drags by the strip or the background (without one, the pointer's
    // moves there hide the menu window), and screens that go away.
    vt::DeplacementFenetre* deplacement_ = nullptr;
};
