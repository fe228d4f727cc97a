#pragma once
// Pixel art for the painter: a small 5-pixel-high capital font and glyphs
// given as rows of characters ('X' full colour, '+' half-covered pixel).
#include <QColor>
#include <QPainter>
#include <QString>

#include <string_view>
#include <vector>

namespace peintre {

using Motif = std::vector<std::string_view>;

int largeur(const Motif& m);
int hauteur(const Motif& m);
Motif miroir(const Motif& m);  // left-right

// Draws `m` with its top-left pixel at (x, y).
void motif(QPainter& p, int x, int y, const Motif& m, QColor c);

// Text in the 3 x 5 capital font, one blank column between letters.
// Width in pixels of `texte`; lower-case letters are drawn as capitals.
int largeur_texte(std::string_view texte);
void texte(QPainter& p, int x, int y, std::string_view texte, QColor c);

// Text with a one-pixel shadow or highlight one row below it.
void texte_grave(QPainter& p, int x, int y, std::string_view t, QColor c, QColor ombre);
void motif_grave(QPainter& p, int x, int y, const Motif& m, QColor c, QColor ombre);

// The glyphs of the player.
namespace glyphes {
extern const Motif lecture, pause, arret, suivant, precedent;
extern const Motif plus, moins, corbeille, disquette;
extern const Motif haut, bas;
extern const Motif menu, tray, reduire, quitter;
extern const Motif haut_parleur, repetition, aleatoire, liste, balance;
}  // namespace glyphes

}  // namespace peintre
