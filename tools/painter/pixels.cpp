#include "painter/pixels.h"

#include <algorithm>
#include <array>
#include <deque>
#include <string>

namespace peintre {

int largeur(const Motif& m) {
    int l = 0;
    for (auto r : m) l = std::max(l, static_cast<int>(r.size()));
    return l;
}

int hauteur(const Motif& m) { return static_cast<int>(m.size()); }

namespace {
// Mirrored rows must outlive the returned views.
std::deque<std::string>& reserve_miroirs() {
    static std::deque<std::string> r;
    return r;
}
}  // namespace

Motif miroir(const Motif& m) {
    auto& stock = reserve_miroirs();
    int l = largeur(m);
    Motif out;
    for (auto r : m) {
        std::string s(r);
        s.resize(static_cast<std::size_t>(l), '.');
        std::reverse(s.begin(), s.end());
        stock.push_back(s);
        out.push_back(stock.back());
    }
    return out;
}

void motif(QPainter& p, int x, int y, const Motif& m, QColor c) {
    QColor demi = c;
    demi.setAlphaF(c.alphaF() * 0.45);
    for (int j = 0; j < hauteur(m); ++j)
        for (int i = 0; i < static_cast<int>(m[static_cast<std::size_t>(j)].size()); ++i) {
            char k = m[static_cast<std::size_t>(j)][static_cast<std::size_t>(i)];
            if (k == 'X')
                p.fillRect(x + i, y + j, 1, 1, c);
            else if (k == '+')
                p.fillRect(x + i, y + j, 1, 1, demi);
        }
}

void motif_grave(QPainter& p, int x, int y, const Motif& m, QColor c, QColor ombre) {
    motif(p, x, y + 1, m, ombre);
    motif(p, x, y, m, c);
}

namespace {

struct Lettre {
    char c;
    std::array<std::string_view, 5> lignes;
};

// Capitals, digits and a few signs, 5 rows high, 1 to 5 columns wide.
constexpr Lettre kPolice[] = {
    {'A', {".X.", "X.X", "XXX", "X.X", "X.X"}},
    {'B', {"XX.", "X.X", "XX.", "X.X", "XX."}},
    {'C', {".XX", "X..", "X..", "X..", ".XX"}},
    {'D', {"XX.", "X.X", "X.X", "X.X", "XX."}},
    {'E', {"XXX", "X..", "XX.", "X..", "XXX"}},
    {'F', {"XXX", "X..", "XX.", "X..", "X.."}},
    {'G', {".XX", "X..", "X.X", "X.X", ".XX"}},
    {'H', {"X.X", "X.X", "XXX", "X.X", "X.X"}},
    {'I', {"XXX", ".X.", ".X.", ".X.", "XXX"}},
    {'J', {"..X", "..X", "..X", "X.X", ".X."}},
    {'K', {"X.X", "X.X", "XX.", "X.X", "X.X"}},
    {'L', {"X..", "X..", "X..", "X..", "XXX"}},
    {'M', {"X...X", "XX.XX", "X.X.X", "X...X", "X...X"}},
    {'N', {"X..X", "XX.X", "X.XX", "X..X", "X..X"}},
    {'O', {".X.", "X.X", "X.X", "X.X", ".X."}},
    {'P', {"XX.", "X.X", "XX.", "X..", "X.."}},
    {'Q', {".X.", "X.X", "X.X", "XX.", ".XX"}},
    {'R', {"XX.", "X.X", "XX.", "X.X", "X.X"}},
    {'S', {".XX", "X..", ".X.", "..X", "XX."}},
    {'T', {"XXX", ".X.", ".X.", ".X.", ".X."}},
    {'U', {"X.X", "X.X", "X.X", "X.X", "XXX"}},
    {'V', {"X...X", "X...X", ".X.X.", ".X.X.", "..X.."}},
    {'W', {"X...X", "X...X", "X.X.X", "XX.XX", "X...X"}},
    {'X', {"X.X", "X.X", ".X.", "X.X", "X.X"}},
    {'Y', {"X.X", "X.X", ".X.", ".X.", ".X."}},
    {'Z', {"XXX", "..X", ".X.", "X..", "XXX"}},
    {'0', {"XXX", "X.X", "X.X", "X.X", "XXX"}},
    {'1', {".X.", "XX.", ".X.", ".X.", "XXX"}},
    {'2', {"XX.", "..X", ".X.", "X..", "XXX"}},
    {'3', {"XX.", "..X", ".X.", "..X", "XX."}},
    {'4', {"X.X", "X.X", "XXX", "..X", "..X"}},
    {'5', {"XXX", "X..", "XX.", "..X", "XX."}},
    {'6', {".XX", "X..", "XXX", "X.X", "XXX"}},
    {'7', {"XXX", "..X", ".X.", ".X.", ".X."}},
    {'8', {"XXX", "X.X", "XXX", "X.X", "XXX"}},
    {'9', {"XXX", "X.X", "XXX", "..X", "XX."}},
    {'.', {".", ".", ".", ".", "X"}},
    {'-', {"...", "...", "XXX", "...", "..."}},
    {'+', {"...", ".X.", "XXX", ".X.", "..."}},
    {' ', {"..", "..", "..", "..", ".."}},
};

const Lettre* lettre(char c) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    for (const Lettre& l : kPolice)
        if (l.c == c) return &l;
    return nullptr;
}

}  // namespace

int largeur_texte(std::string_view t) {
    int l = 0;
    for (char c : t)
        if (const Lettre* le = lettre(c)) l += static_cast<int>(le->lignes[0].size()) + 1;
    return l > 0 ? l - 1 : 0;
}

void texte(QPainter& p, int x, int y, std::string_view t, QColor c) {
    for (char ch : t) {
        const Lettre* le = lettre(ch);
        if (!le) continue;
        Motif m(le->lignes.begin(), le->lignes.end());
        motif(p, x, y, m, c);
        x += static_cast<int>(le->lignes[0].size()) + 1;
    }
}

void texte_grave(QPainter& p, int x, int y, std::string_view t, QColor c, QColor ombre) {
    texte(p, x, y + 1, t, ombre);
    texte(p, x, y, t, c);
}

namespace glyphes {

const Motif lecture{
    "X+.....", "XXX+...", "XXXXX+.", "XXXXXXX", "XXXXX+.", "XXX+...", "X+.....",
};
const Motif pause{
    "XX..XX", "XX..XX", "XX..XX", "XX..XX", "XX..XX", "XX..XX", "XX..XX",
};
const Motif arret{
    "+XXXXX+", "XXXXXXX", "XXXXXXX", "XXXXXXX", "XXXXXXX", "XXXXXXX", "+XXXXX+",
};
const Motif suivant{
    "X+..X+...XX", "XX+.XX+..XX", "XXX+XXX+.XX", "XXXXXXXX.XX", "XXX+XXX+.XX", "XX+.XX+..XX", "X+..X+...XX",
};
const Motif precedent = miroir(suivant);
const Motif plus{
    "...XX...", "...XX...", "...XX...", "XXXXXXXX", "XXXXXXXX", "...XX...", "...XX...", "...XX...",
};
const Motif moins{
    "........", "........", "........", "XXXXXXXX", "XXXXXXXX", "........", "........", "........",
};
const Motif corbeille{
    "..XXXX..", "XXXXXXXX", "........", ".XXXXXX.", ".X.XX.X.", ".X.XX.X.", ".X.XX.X.", "..XXXX..",
};
const Motif disquette{
    "XXXXXXX.", "XX...X+X", "XX...XXX", "XXXXXXXX", "X......X", "X.XXXX.X", "X......X", "XXXXXXXX",
};
const Motif haut{
    "..++..",
    ".+XX+.",
    "+XXXX+",
    "XXXXXX",
};
const Motif bas{
    "XXXXXX",
    "+XXXX+",
    ".+XX+.",
    "..++..",
};
const Motif menu{
    "XXXXX", ".....", "XXXXX", ".....", "XXXXX",
};
const Motif tray{
    "..XX..", "..XX..", "XXXXXX", ".XXXX.", "..XX..", "......", "XXXXXX",
};
const Motif reduire{
    "......", "......", "......", "......", "......", "XXXXXX", "XXXXXX",
};
const Motif quitter{
    "XX..XX", "XXXXXX", ".XXXX.", ".XXXX.", "XXXXXX", "XX..XX",
};
const Motif haut_parleur{
    "...X.....", "..XX..X..", "XXXX...X.", "XXXX...X.", "XXXX...X.", "..XX..X..", "...X.....",
};
const Motif repetition{
    ".XXXXXX..", "X.....XX.", "X....XXXX", "X........", "XXXX....X", ".XX.....X", "..XXXXXX.",
};
const Motif aleatoire{
    ".......X.", "XX...XXXX", "..X.X..X.", "...X.....", "..X.X..X.", "XX...XXXX", ".......X.",
};
const Motif liste{
    "X.XXXXX", ".......", "X.XXXXX", ".......", "X.XXXXX",
};
const Motif balance{
    "..X...X..", ".XX...XX.", "XXXXXXXXX", ".XX...XX.", "..X...X..",
};

}  // namespace glyphes

}  // namespace peintre
