#pragma once
// Small widgets the windows are built from: an image element that sizes
// itself to its picture, a text label that reports clicks and hovering,
// and a framed shape that catches the mouse. Each reports its mouse events
// to callbacks so that a window wires them to its named handlers.
#include <QAbstractItemView>
#include <QCheckBox>
#include <QColor>
#include <QImage>
#include <QLabel>
#include <QString>
#include <QWidget>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vt {

struct EvenementsSouris {
    // Button pressed or released, buttons held, position inside the widget.
    std::function<void(Qt::MouseButton, Qt::MouseButtons, int, int)> appui;
    std::function<void(Qt::MouseButton, Qt::MouseButtons, int, int)> relache;
    std::function<void(Qt::MouseButtons, int, int)> mouvement;  // also without a button held
    // The same, with the pointer's place on the screen as the window system
    // reported it (not through the window's own idea of its place, behind
    // while the window moves).
    std::function<void(Qt::MouseButtons, QPoint)> mouvement_ecran;
    std::function<void()> clic;  // left button pressed and released over the widget
    std::function<void()> double_clic;
};

class ImageVt : public QWidget {
    Q_OBJECT
public:
    // `taille_fixe`: the element keeps its designed size whatever its picture.
    ImageVt(QWidget* parent, std::string_view nom, QRect place, bool taille_fixe = false);

    const std::string& nom() const { return nom_; }
    // Shows `image`; the element then takes its size (unless fixed).
    void definir(const QImage& image);
    const QImage& image() const { return image_; }

    EvenementsSouris souris;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;

private:
    std::string nom_;
    QImage image_;
    bool taille_fixe_;
    bool gauche_appuye_ = false;
};

class LabelVt : public QLabel {
    Q_OBJECT
public:
    // The label takes the size of its text, unless `taille_du_texte` is
    // false (its owner gives it a size): measuring text loads the font.
    LabelVt(QWidget* parent, const QString& texte, QPoint place, bool taille_du_texte = true);
    void definir_couleur(QColor couleur);
    QColor couleur() const;

    EvenementsSouris souris;

protected:
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;

private:
    bool gauche_appuye_ = false;
};

// A rectangle whose interior shows what lies below and whose outline is
// drawn in `contour`; it catches the mouse like any element.
class FormeVt : public QWidget {
    Q_OBJECT
public:
    FormeVt(QWidget* parent, QRect place, QColor contour, int epaisseur = 1, QColor fond = Qt::transparent);

    EvenementsSouris souris;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;

private:
    QColor contour_;
    int epaisseur_;
    QColor fond_;
};

// A click (or a double click) on the part of a list where no row lies
// leaves its selection as it is: the selected row is the only record of the
// current entry, and the toolkit's list would clear it. The list still
// takes the focus.
void garder_selection_hors_lignes(QAbstractItemView* vue);

// The design's font families are Windows ones; each is drawn with a free
// font of the same widths or narrower (installed by tools/install-deps.sh),
// so that the texts fit the boxes the design gives them.
QString famille_libre(std::string_view famille);

// The design's font `famille` at a character height of `hauteur_px` pixels.
QFont police(const char* famille, int hauteur_px, bool gras);

// The colour that marks the selector's entry under the pointer or the
// keyboard on its black list: the skin's status-line colour `skin` when it
// stands out from black, else `texte`, the list's own text colour. Marked
// entries are written in black on it.
QColor couleur_surlignage(QColor skin, QColor texte);
// Among `candidates`, the colour whose luminance differs most from that of
// `dessous` (the first on a tie).
QColor couleur_contrastee(const std::vector<QColor>& candidates, QColor dessous);

// A check box drawn in given colours: its box filled with `fond`, outlined
// and ticked in `trait`, its text (if any) in the palette's text colour.
class CaseVt : public QCheckBox {
    Q_OBJECT
public:
    explicit CaseVt(QWidget* parent, const QString& texte = {});
    void definir_couleurs(QColor fond, QColor trait);

protected:
    void paintEvent(QPaintEvent*) override;
    bool hitButton(const QPoint& p) const override { return rect().contains(p); }

private:
    QColor fond_ = Qt::black, trait_ = Qt::white;
};

// Style sheets: the selector (black, text in `texte`, the marked entry in
// black on `surlignage`; its open list a plain list under the box, of the
// box's width and colours, rather than the style's wider menu-like one) and the play list (the skin's
// colours, with thin scroll bars drawn in them, so that the list keeps nearly all its width).
QString style_selecteur(QColor texte, QColor surlignage);
QString style_liste(QColor fond, QColor texte);
constexpr int kEpaisseurDefilement = 6;

// A list of names on the skinned surface: no horizontal scroll bar (it would
// hide the last row), a name too long for the list's width cut with an
// ellipsis, and no stock focus rectangle on the current row.
void habiller_liste(QAbstractItemView* vue);

// Loads the fonts of the main window's texts (the font database, the
// faces, the fallbacks), so that the main window finds them ready. Safe
// from any thread once the application object exists; start-up runs it
// beside the building of the main window.
void prechauffer_polices();

}  // namespace vt
