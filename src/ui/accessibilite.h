#pragma once
// What screen readers are told about the skinned windows. Qt hands its
// accessibility tree to the desktop's accessibility bus; the windows' image
// and text elements say nothing useful by themselves, so this unit describes
// them: push buttons with French names whose press action runs what a click
// runs, sliders with a value, labels whose text is the one that matters. The
// pictures that only decorate stay out of the tree.
//
// The keyboard comes with it: Tab reaches the described buttons and sliders,
// Space or Return presses a button, the arrows, Home and End move a slider,
// and an element that took the focus from the keyboard shows a two-pixel
// frame around it in a colour that stands out from what lies under it.
#include <QAccessible>
#include <QListView>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <vector>

class TForm1;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TForm6;

namespace vt {

class PorteLecteur;
class ImageVt;
class LabelVt;

// A push button: `presser` runs what a click on it runs.
void decrire_bouton(QWidget* w, const QString& nom, std::function<void()> presser,
                    const QString& description = {});
// A push button pressed like a left click: the element's own callbacks for
// the button pressed, released, then the click.
void decrire_bouton(ImageVt* w, const QString& nom, const QString& description = {});
void decrire_bouton(LabelVt* w, const QString& nom, const QString& description = {});

// A slider from 0 to `maximum()`; `definir` does what moving the slider's
// cursor by hand to that value does; `pas` is the arrows' step.
struct Glissiere {
    std::function<int()> valeur;
    std::function<int()> maximum;
    std::function<void(int)> definir;
    int pas = 1;
};
void decrire_glissiere(QWidget* w, const QString& nom, Glissiere g);

// A label whose accessible text is `texte()` rather than what it shows.
void decrire_texte(QWidget* w, std::function<QString()> texte, const QString& description = {});
// The same, its description read when asked for.
void decrire_texte(QWidget* w, std::function<QString()> texte, std::function<QString()> description);

// A list whose rows read the column the view shows (Qt's own list lists
// every column of the model, row after row).
void decrire_liste(QListView* vue, const QString& nom);

// An element left out of the tree.
void cacher(QWidget* w);

// A window: its image elements and shapes that are not described are
// decoration and stay out of the tree. `nom`, if given, names the window;
// `echap`, if given, runs on Escape over one of its described elements, or
// over the window when the element with the focus does not take the key.
// A window that a button pressed from the keyboard shows is activated, its
// first element taking the keyboard focus.
void decrire_fenetre(QWidget* fenetre, const QString& nom = {}, std::function<void()> echap = {});
// Activates `fenetre` and gives the keyboard focus, with its frame, to
// `element` or else to its first element.
void donner_clavier(QWidget* fenetre, QWidget* element = nullptr);

// Orders the Tab ring of a window: the elements in this order, the first
// being the one the window focuses when it turns active.
void ordonner_tabulation(const std::vector<QWidget*>& ordre);

// Runs the press action of a described button; false for anything else.
bool presser(QWidget* w);
// Tells the bus that a slider's value changed, or a label's text.
void annoncer_valeur(QWidget* w);
void annoncer_texte(QWidget* w);

// Where announcements go: Qt's accessibility layer, which hands them to the
// bus when a reader listens; tests put a recorder here.
using Annonceur = std::function<void(QAccessibleEvent&)>;
Annonceur& annonceur();

// Whether `w` shows the keyboard focus frame: a ring kEpaisseurCadre pixels
// wide around it, in the colour among its window's frame colours that
// stands out most from what lies under the ring.
bool montre_cadre_focus(const QWidget* w);
constexpr int kEpaisseurCadre = 2;
// The colours a window's focus frame chooses from (the main window: its
// skin's); a window gets its frame with them.
void couleurs_cadre_focus(QWidget* fenetre, std::vector<QColor> couleurs);
// Puts the frame around `w` when it shows one, and hides the others.
void placer_cadre_focus(QWidget* w);

// The windows' descriptions; the module runs them once the windows exist.
// The main window's sliders act on the player `j`.
void rendre_accessible(TForm1& f, PorteLecteur& j);
void rendre_accessibles(TForm1& principale, TForm2& menu, TForm3& sauvegarde, TForm4& options,
                        TForm5& a_propos, TForm6& informations);

}  // namespace vt
