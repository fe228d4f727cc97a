#pragma once
// The pictures of a look: the main window's skinnable elements, painted
// for a theme, plus the pieces that only the built-in look has (title
// strip, about window, application icon).
#include <QColor>
#include <QImage>
#include <QRect>

#include <map>
#include <string>
#include <string_view>

namespace peintre {

struct Theme {
    // Body of the window: vertical gradient and one-pixel bevel.
    QColor corps_haut, corps_bas, biseau_clair, biseau_sombre;
    // Recessed trays (button strips, list frame).
    QColor creux_haut, creux_bas;
    // Buttons and cursors, unlit and lit.
    QColor face_haut, face_bas, contour, reflet;
    QColor face_on_haut, face_on_bas, contour_on;
    QColor glyphe, glyphe_ombre, accent;
    // Printed labels and icons on the body.
    QColor serigraphie, serigraphie_ombre, icone;
    // Light read-outs behind the value labels and the time.
    QColor lcd_haut, lcd_bas;
    // Status strip.
    QColor ecran_haut, ecran_bas;
    // Colour bitmap: list background, list text, status-line text.
    QColor liste_fond, liste_texte, lecture_texte;
    // Menu window background.
    QColor menu_haut, menu_bas, menu_trait;
    // Bands behind the menu's entries: a middle tone, on which both the
    // black labels and the white one under the pointer read.
    QColor menu_bande_haut, menu_bande_bas;
    int rayon = 2;                // corner radius of the buttons
    bool lecture_cachee = false;  // the skin hides the status line: the strip gets a motif
};

Theme theme_graphite();
Theme theme_ivoire();

enum class Variante {
    Integree,  // compiled into the program: 1 x 1 decorations, 66 x 104 menu background
    Disque,    // a skin on disk: real decorations, 75 x 250 menu background
};

// File base name (the first element of a row, "couleurs") -> picture.
using Jeu = std::map<std::string, QImage>;

// The 41 row pictures, the menu background included, and the colour bitmap.
Jeu peindre_jeu(const Theme& t, Variante v);

// The title strip and its four buttons, keyed by element name.
Jeu peindre_barre_titre();

QImage peindre_about_fond();  // 641 x 516
QImage peindre_about_logo();  // 200 x 37
QImage peindre_icone(int taille);

// Designed place of an element of the table.
QRect place(std::string_view element);

// The font used for the logo and previews (loaded from a file when present,
// so that the pictures do not depend on the font configuration).
QString famille_police();

}  // namespace peintre
