#pragma once
// The rules of the timer and the transport, without widgets or engine: time
// text, level percentages, the status-line scroll, the random draw and
// where next and back go. The player itself (transport, end of track,
// levels, modes) is lecteur.h; the sliders' pixels are ui/curseurs.h.
#include "player/porte_lecteur.h"

#include <QString>

#include <cstdint>
#include <ctime>
#include <functional>

namespace vt {

// Milliseconds as two-digit minutes, " : ", two-digit seconds: 65000 ->
// "01 : 05"; minutes beyond 99 keep all their digits ("100 : 05").
QString texte_temps(std::int64_t ms);

// Label texts: volume 0..100 (percent), balance -50..50.
int pourcent_volume(int valeur);
int pourcent_balance(int valeur);

// The status-line scroll: a pad of blanks that grows by one blank per tick
// until pad + text exceeds 60 characters, then shrinks back to one blank.
class Defilement {
public:
    // One tick: the text to show in the visible status line.
    QString avancer(const QString& texte);
    int longueur_pad() const { return pad_; }

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

// Where next (`suivante`) or back goes from entry `courant` (-1: none) of
// a list of `n`; -1: nowhere, nothing starts. In random mode with a
// selection, a random other entry (tirer_autre), as the end of a track
// draws; otherwise next takes the entry after, wrapping from the last to
// the first, or the first with no selection, and back the entry before,
// nowhere from the first entry or with no selection.
int entree_voisine(int n, int courant, bool aleatoire, bool suivante);

// The end-of-track rule: what follows entry `depuis` (-1: no current entry)
// of a list of `n` once its track is read to its end, and the entry that
// then starts (-1: none). Repeat starts `depuis` again; random a random other
// entry (tirer_autre); with neither, the loop flag starts the next entry,
// wrapping from the last to the first (the first with no current entry;
// none on an empty list), and without it nothing starts (Arret). A mode with
// no current entry starts nothing (SansCourant). The player decides with it
// both at the tick and for the stream it queues ahead of the join.
struct ModesFin {
    bool repetition = false;
    bool aleatoire = false;
    bool boucle = false;
};
struct ChoixFin {
    PorteLecteur::Fin fin = PorteLecteur::Fin::PasDeFin;
    int ligne = -1;
};
ChoixFin regle_fin(int n, int depuis, ModesFin modes);

// Whether a stream queued by the decision `fin` for entry `ligne` (-1:
// removed from the list since) still stands when the rule, asked again
// from entry `depuis`, gives `choix`: the same decision for the same
// entry. A random draw stands while its entry is in the list and is not
// `depuis` (drawn again, another entry would be no better).
bool decision_tient(ChoixFin choix, PorteLecteur::Fin fin, int ligne, int depuis);

// What the status line must say at a tick so as to tell what the player
// does. `annonce_lecture`: it says a track plays ("Lecture : ..."). While a
// track plays it names that track, whichever row is selected (Lecture when
// it does not yet say so); paused, it stays. With nothing playing nor
// paused, a text that says a track plays gives way to the stop text
// (Arret), or, with no row selected, to the idle text (Attente), which
// also replaces any other text while no row is selected.
enum class Statut { Garder, Lecture, Arret, Attente };
Statut statut_au_tic(bool annonce_lecture, bool en_lecture, bool en_pause, int courant);

}  // namespace vt
