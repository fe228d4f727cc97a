#pragma once
// The main window: borderless, drawn from skin pictures, holding the play
// list, the transport buttons, the sliders and the status line. Its handlers
// turn clicks into calls of the player (vt::Lecteur, module.h), with the
// pixel rules (cursor to value); the player's signals repaint it (value to
// cursor, lit buttons, status text).
#include "player/regles.h"
#include "skin/chargeur_skin.h"
#include "ui/curseurs.h"
#include "ui/session.h"
#include "ui/widgets_vt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QListView>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace vt {
struct ModuleVantrel;
}

class TForm1 : public QWidget, public vt::CibleSkin {
    Q_OBJECT
public:
    explicit TForm1(vt::ModuleVantrel& module);
    ~TForm1() override;

    // Start-up sequence; run again by the options window's Apply.
    void FormCreate();
    void FormDestroy();

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

    // Current track index: the selected row of list_lecture, -1 for none.
    int index_courant() const;
    void selectionner(int ligne);  // set by the program: list_lectureClick does not run

    // Transport: the buttons and the tray menu light their pictures and call
    // the player; what the player did comes back as its signals.
    void image_playMouseDown(Qt::MouseButton b, Qt::MouseButtons e, int x, int y);
    void image_pauseClick();
    void image_stopMouseDown(Qt::MouseButton b, Qt::MouseButtons e, int x, int y);
    void image_stopMouseUp(Qt::MouseButton b, Qt::MouseButtons e, int x, int y);
    void image_nextMouseDown(Qt::MouseButton b, Qt::MouseButtons e, int x, int y);
    void image_nextMouseUp(Qt::MouseButton b, Qt::MouseButtons e, int x, int y);
    void image_backMouseDown(Qt::MouseButton b, Qt::MouseButtons e, int x, int y);
    void image_backMouseUp(Qt::MouseButton b, Qt::MouseButtons e, int x, int y);
    void list_lectureDblClick();
    void list_lectureClick();

    // Play-list edits.
    void image_addClick();
    void image_delClick();
    void image_del_allMouseDown(Qt::MouseButton b, Qt::MouseButtons e, int x, int y);
    void image_del_allClick();
    void image_upClick();
    void image_downClick();
    void deposer(const std::vector<std::string>& chemins);

    // Play-list selector. ComboplaylistEnter reads the configuration and
    // fills it; remplir_selecteur fills it from a folder already read
    // (nothing: the entries stay as they are).
    void ComboplaylistEnter();
    void remplir_selecteur(const std::optional<std::string>& dossier);
    // The play-list folder the last start-up sequence read.
    const std::optional<std::string>& dossier_playlist_lu() const { return dossier_lu_; }
    void ComboplaylistChange();
    void image_infoClick();

    // The tick of the player's clock and the time display.
    void Timer1Timer(bool en_lecture, std::int64_t t, std::int64_t T);
    void check_repeatClick();
    void check_randomClick();
    void Shape1MouseDown(Qt::MouseButton b, Qt::MouseButtons e, int x, int y);
    void Shape1MouseUp(Qt::MouseButton b, Qt::MouseButtons e, int x, int y);

    // Sliders.
    void curseur_volumeMouseDown(Qt::MouseButton b, Qt::MouseButtons e, int x, int y);
    void curseur_volumeMouseMove(Qt::MouseButtons e, int x, int y);
    void curseur_volumeMouseUp(Qt::MouseButton b, Qt::MouseButtons e, int x, int y);
    void curseur_balanceMouseDown(Qt::MouseButton b, Qt::MouseButtons e, int x, int y);
    void curseur_balanceMouseMove(Qt::MouseButtons e, int x, int y);
    void curseur_balanceMouseUp(Qt::MouseButton b, Qt::MouseButtons e, int x, int y);
    void barre_volumeMouseDown(Qt::MouseButton b, Qt::MouseButtons e, int x, int y);
    void barre_balanceMouseDown(Qt::MouseButton b, Qt::MouseButtons e, int x, int y);
    void curseur_positionMouseDown(Qt::MouseButton b, Qt::MouseButtons e, int x, int y);
    void curseur_positionMouseMove(Qt::MouseButtons e, int x, int y);
    void curseur_positionMouseUp(Qt::MouseButton b, Qt::MouseButtons e, int x, int y);
    void barre_positionMouseDown(Qt::MouseButton b, Qt::MouseButtons e, int x, int y);

    // Window chrome.
    void image_barreMouseDown(Qt::MouseButton b, Qt::MouseButtons e, int x, int y);
    void image_fondMouseDown(Qt::MouseButton b, Qt::MouseButtons e, int x, int y);
    void image_reduireClick();
    void tray_imageClick();
    void TrayIcon1Restore();
    void TrayIcon1MouseDown(Qt::MouseButtons e, QPoint ecran);
    void Image_menuClick();
    void image_quitterClick();
    // Brings the window back, visible and in front, from any state (a
    // second start, the media service's Raise): vt::retour_fenetre.
    void revenir();
    void Quitter1Click();
    void cacher_menu();  // the pointer came back over the window's surface

    // Tray menu entries.
    void Play1Click();
    void Pause1Click();
    void Stop1Click();
    void Next1Click();
    void Back1Click();

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
    QSystemTrayIcon* TrayIcon1 = nullptr;  // none until the tray button first hides the window
    QMenu* PopupMenu1 = nullptr;
    QAction *Play1 = nullptr, *Pause1 = nullptr, *Stop1 = nullptr, *Next1 = nullptr, *Back1 = nullptr,
            *N1 = nullptr, *Quitter1 = nullptr;

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
    void construire();
    vt::ImageVt* creer(std::string_view nom);
    void completer_aspect_integre();
    // The play and pause buttons as the player stands, after a skin load
    // put back the skin's resting pictures.
    void montrer_etat_transport();
    void brancher_lecteur();
    // A volume or balance cursor's value, and the place of a value.
    int valeur(const vt::ImageVt* curseur, const vt::ImageVt* barre) const;
    void placer_curseur(vt::ImageVt* curseur, vt::ImageVt* barre, int v);
    void curseur_mouvement(vt::ImageVt* curseur, vt::ImageVt* barre, vt::LabelVt* label, bool volume,
                           Qt::MouseButtons e, int x);
    void envoyer_niveau(bool volume, int v);
    // The wheel turned `crans` notches over a volume or balance bar.
    void molette_curseur(vt::ImageVt* curseur, vt::ImageVt* barre, vt::LabelVt* label, bool volume, int crans);
    // The keys and gestures that are second ways to the window's operations
    // (tform1_gestes.cpp): Ctrl+O, the list's keys, a row dragged along it.
    void brancher_gestes();
    bool touche_liste(const QKeyEvent* k);
    bool glisser_ligne(QEvent* e);
    void barre_clic(vt::ImageVt* curseur, vt::ImageVt* barre, bool volume, Qt::MouseButton b,
                    Qt::MouseButtons e, int x);
    void commencer_deplacement(vt::ImageVt* source, Qt::MouseButton b, int x, int y);
    // The pointer moved over the strip or the background, at `global` on
    // the screen: a drag pressed there moves the window once it has gone
    // far enough (vt::Glissement); without one, the menu window hides.
    void suivre_glissement(Qt::MouseButtons e, QPoint global);
    // The screen the window lay on went away: the window comes back whole
    // inside the nearest screen (vt::place_entiere).
    void ecran_retire(QScreen* ecran);
    // TrayIcon1, made when first shown (see vt::zone_notification).
    void creer_icone();
    void brancher();
    // The selector's look: black, its text in the window colour, the entry
    // under the pointer or the keyboard marked in the skin's colours.
    void colorer_selecteur();
    std::string fichier_selecteur(int i) const;

    vt::ModuleVantrel& m_;
    std::map<std::string, vt::ImageVt*, std::less<>> elements_;
    QColor surlignage_ = Qt::white;  // the skin's status-line colour
    std::pair<QColor, QColor> couleurs_cases_{Qt::black, Qt::white};
    std::optional<std::string> dossier_lu_;
    bool place_verifiee_ = false;    // the stored place was brought on screen
    bool reglage_local_ = false;     // the window itself sets a level or seeks
    vt::CransMolette crans_volume_, crans_balance_;
    QTimer* fin_molette_ = nullptr;  // hides the value label a wheel showed
    QPersistentModelIndex ligne_glissee_;  // the entry pressed on in the list, while the button is held
    QPoint appui_ligne_;
    bool ligne_en_route_ = false;  // that entry follows the pointer
    // While the window is hidden behind an XEmbed tray's icon: whether that
    // tray is still there (vt::plateau_perdu).
    QTimer veille_plateau_;
    std::optional<vt::Glissement> glissement_;  // a press on the strip or the background, held
};
