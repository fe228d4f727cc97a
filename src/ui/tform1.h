#pragma once
// The main window: borderless, drawn from skin pictures, holding the play
// list, the transport buttons, the sliders and the status line. Its buttons
// and keys trigger the shared actions (actions.h) or call the player's door;
// the sliders (glissiere.h) report the places the user chose; the door's
// signals repaint it (value to cursor, lit buttons, status text).
#include "skin/chargeur_skin.h"
#include "ui/navigation.h"
#include "ui/widgets_vt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QListView>
#include <QWidget>

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace vt {
class CurseursLecteur;
class DeplacementFenetre;
class LigneStatut;
class SelecteurPlaylists;
}  // namespace vt

class TForm1 : public QWidget, public vt::CibleSkin {
    Q_OBJECT
public:
    explicit TForm1(const vt::ServicesFenetres& services);
    ~TForm1() override;

    // Start-up sequence: the settings through the module, the skin, the
    // place and the cursors.
    void FormCreate();
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

    // Current track index: the player's current entry, -1 for none.
    int index_courant() const;
    void selectionner(int ligne);  // set by the program: list_lectureClick does not run

    void list_lectureDblClick();
    void image_del_allClick();
    void deposer(const std::vector<std::string>& chemins);

    // The play-list selector's work (selecteur_playlists.h): entering it,
    // choosing, rewriting.
    void ComboplaylistEnter();
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

protected:
    void mouseMoveEvent(QMouseEvent*) override;
    void enterEvent(QEnterEvent*) override;
    void changeEvent(QEvent*) override;
    void dragEnterEvent(QDragEnterEvent*) override;
    void dropEvent(QDropEvent*) override;
    void wheelEvent(QWheelEvent*) override;
    bool eventFilter(QObject* objet, QEvent* e) override;

private:
    // The handlers the list and the clock run.
    void list_lectureClick();
    // The time and the position cursor back to zero (a stop, a file that
    // could not be played).
    void remettre_temps();
    void eclairer_transport(bool lecture, bool pause);
    void Timer1Timer(bool en_lecture, std::int64_t t, std::int64_t T);
    // A time label takes the size of its text.
    static void afficher_temps(vt::LabelVt* label, const QString& texte);

    void construire();
    vt::ImageVt* creer(std::string_view nom);
    void completer_aspect_integre();
    // The play and pause buttons as the player stands, after a skin load
    // put back the skin's resting pictures.
    void montrer_etat_transport();
    void brancher();
    void brancher_lecteur();
    // The keys and gestures that are second ways to the window's operations
    // (tform1_gestes.cpp): Ctrl+O, the list's keys, a row dragged along it.
    void brancher_gestes();
    bool touche_liste(const QKeyEvent* k);
    // The selector's look: black, its text in the window colour, the entry
    // under the pointer or the keyboard marked in the skin's colours.
    void colorer_selecteur();

    vt::ServicesFenetres services_;
    vt::PorteLecteur& porte_;
    vt::ListeCourante& liste_;
    vt::SelecteurPlaylists* selecteur_ = nullptr;
    vt::LigneStatut* statut_ = nullptr;
    std::map<std::string, vt::ImageVt*, std::less<>> elements_;
    vt::CurseursLecteur* curseurs_ = nullptr;
    QColor surlignage_ = Qt::white;  // the skin's status-line colour
    bool place_verifiee_ = false;    // the stored place was brought on screen
    // Drags by the strip or the background (without one, the pointer's
    // moves there hide the menu window), and screens that go away.
    vt::DeplacementFenetre* deplacement_ = nullptr;
};
