#pragma once
// What the keys do on the main window's play list, and the row an entry
// dragged along the list goes to. Each is a second way to an operation the
// window already has (the "−" button, play and pause, a double click, the
// move buttons).
#include <Qt>

namespace vt {

enum class ToucheListe {
    Aucune,        // the list's own handling (arrows, Home, End, letters)
    Lancer,        // Return or Enter: the selected entry starts, as a double click does
    PauseLecture,  // Space: pause what plays, else play (resume or start)
    Supprimer,     // Delete: the "−" button
    Ignorer,       // Return or Space held down: the key's repeats do nothing
};
ToucheListe touche_liste(int touche, Qt::KeyboardModifiers modifs, bool repetee);

// The row a dragged entry goes to, in a list of `nombre` rows: the row
// under the pointer (`sous_pointeur`, -1 when the pointer is past the last
// row), or one row beyond the view's edge when the pointer has left it
// (`cote` -1 above, 1 below, 0 inside, with `sous_pointeur` then the row at
// that edge); always a row of the list.
int ligne_visee(int sous_pointeur, int cote, int nombre);

}  // namespace vt
