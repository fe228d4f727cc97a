#pragma once
// The arithmetic of the timer and sliders, without widgets or engine: time
// text, slider value and place, the status-line scroll and the random draw.
// The player itself (transport, end of track, levels, modes) is lecteur.h.
#include <QString>

#include <cstdint>
#include <ctime>
#include <functional>

namespace vt {

// Milliseconds as two-digit minutes, " : ", two-digit seconds: 65000 ->
// "01 : 05"; minutes beyond 99 keep all their digits ("100 : 05").
QString texte_temps(std::int64_t ms);

// Value of a volume or balance cursor: offset * 255 / span, in floating
// point, truncated toward zero. A span of 0 or less gives 0.
int valeur_curseur(int offset, int span);
// The place of value v (0..255, held): the first offset whose value
// (valeur_curseur) is at least v, so every place maps back to itself.
int offset_curseur(int valeur, int span);
// Label texts: volume 0..100 (percent), balance -50..50.
int pourcent_volume(int valeur);
int pourcent_balance(int valeur);

// Left of the position cursor for t of T ms: t * span / T + bar left,
// truncated toward zero; the bar's left edge when T is 0.
int gauche_position(std::int64_t t, std::int64_t T, int span, int gauche_barre);

// Seek target for a position-cursor offset: T * offset / span, so the
// cursor's whole range maps onto 0..T and never beyond.
std::int64_t cible_position(int offset, int span, std::int64_t T);

// The status-line scroll: a pad of blanks that grows by one blank per tick
// until pad + text exceeds 60 characters, then shrinks back to one blank.
class Defilement {
public:
    // One tick: the text to show in the visible status line.
    QString avancer(const QString& texte);
    int longueur_pad() const { return pad_; }
    bool croissant() const { return croissant_; }

private:
    int pad_ = 0;
    bool croissant_ = true;
};

// The clock that seeds the random draw, in whole seconds; replaceable by tests.
using Horloge = std::function<std::time_t()>;
Horloge& horloge();

// Draws an index of 0..n-1 other than `selection`, seeding a generator
// from the clock's current second (two draws in the same second start
// from the same sequence). With one entry there is no other entry: the
// draw returns that entry, so random mode replays it. n <= 0 gives -1.
int tirer_autre(int n, int selection);

}  // namespace vt
