#pragma once
// The pixel arithmetic of the main window's sliders: a cursor's place on
// its bar to a value and back, the position cursor's place for a time and
// the seek target for a place. The values themselves (0..255, ms) are the
// player's.
#include <cstdint>
#include <optional>

namespace vt {

// Value of a volume or balance cursor: offset * 255 / span, in floating
// point, truncated toward zero. A span of 0 or less gives 0.
int valeur_curseur(int offset, int span);
// The place of value v (0..255, held): the first offset whose value
// (valeur_curseur) is at least v, so every place maps back to itself.
int offset_curseur(int valeur, int span);

// The offset a drag gives a cursor whose left edge the pointer puts at
// `propose` (from the bar's left): the nearest allowed one, so that a drag
// past either end, however fast, leaves the cursor at that end.
int offset_glisse(int propose, int span);

// A click `x` pixels from a bar's left edge puts the cursor's left edge
// there; the rightmost cursor-width pixels of the bar (x from the span on)
// and any place left of the bar put it nowhere.
std::optional<int> offset_clic(int x, int span);

// The mouse wheel on a volume or balance bar: each notch moves the cursor
// by about a 32nd of its span, one pixel at the least, held to the bar.
int pas_molette(int span);
int offset_molette(int offset, int span, int crans);

// Whole notches of a wheel whose deltas (eighths of a degree, 120 a notch)
// may come in smaller pieces; the rest waits for the next ones.
class CransMolette {
public:
    int ajouter(int delta);

private:
    int reste_ = 0;
};

// Left of the position cursor for t of T ms: t * span / T + bar left,
// truncated toward zero; the bar's left edge when T is 0.
int gauche_position(std::int64_t t, std::int64_t T, int span, int gauche_barre);

// Seek target for a position-cursor offset: T * offset / span, so the
// cursor's whole range maps onto 0..T and never beyond.
std::int64_t cible_position(int offset, int span, std::int64_t T);

}  // namespace vt
