#pragma once
// The menu window: a small borderless window dropped over the main window's
// top-left corner, showing the skin's menu picture with six entries drawn as
// labels. Each entry hides the menu and hands over to another window; the
// entry under the pointer is written in white, the others in black.
#include "ui/widgets_vt.h"

#include <QWidget>

#include <array>

namespace vt {
struct ServicesFenetres;
class Navigation;
class PorteLecteur;
class Actions;

// The menu's entries, and the one whose button, as the menu picture draws
// it, holds point `p` of the window: an entry answers on its whole button,
// not only on its text (whose label is smaller).
enum class EntreeMenu { Aucune, Ouvrir, Enregistrer, Option, Proprietes, APropos, Quitter };
EntreeMenu entree_menu(QPoint p);
}  // namespace vt

class TForm2 : public QWidget {
    Q_OBJECT
public:
    explicit TForm2(const vt::ServicesFenetres& services);

    void FormCreate();
    // Opens the menu at `place` (kept on screen), over `fond`, the main
    // window's menu background.
    void ouvrir(QPoint place, const QImage& fond);

    // Entries.
    void label_ouvrirClick();
    void label_enr_playlistClick();
    void Label3Click();
    void label_optionClick();
    void Label1Click();
    void Label2Click();
    void label_quitterClick();

    // Hover highlighting.
    void label_ouvrirMouseMove(Qt::MouseButtons e, int x, int y);
    void label_enr_playlistMouseMove(Qt::MouseButtons e, int x, int y);
    void label_optionMouseMove(Qt::MouseButtons e, int x, int y);
    void Label1MouseMove(Qt::MouseButtons e, int x, int y);
    void Label2MouseMove(Qt::MouseButtons e, int x, int y);
    void label_quitterMouseMove(Qt::MouseButtons e, int x, int y);
    void Shape1MouseMove(Qt::MouseButtons e, int x, int y);

    // Components, from the bottom of the painting order to the top.
    vt::ImageVt* Image1 = nullptr;
    vt::FormeVt* Shape1 = nullptr;
    vt::LabelVt* Label3 = nullptr;
    vt::LabelVt* label_ouvrir = nullptr;
    vt::LabelVt* label_enr_playlist = nullptr;
    vt::LabelVt* label_option = nullptr;
    vt::LabelVt* Label1 = nullptr;
    vt::LabelVt* Label2 = nullptr;
    vt::LabelVt* label_quitter = nullptr;

protected:
    void mouseMoveEvent(QMouseEvent* e) override;

private:
    // Writes the labels of `blancs` in white and every other one in black.
    void eclairer(std::initializer_list<vt::LabelVt*> blancs);
    std::array<vt::LabelVt*, 7> labels() const;
    // The pointer over the window outside the labels: the entry whose
    // button lies there acts and lights as its label would.
    void survoler(QPoint p);
    void cliquer(vt::EntreeMenu entree);

    vt::PorteLecteur& porte_;
    vt::Actions& actions_;
    vt::Navigation& navigation_;
    vt::EntreeMenu appui_ = vt::EntreeMenu::Aucune;  // the entry the button went down on
};
