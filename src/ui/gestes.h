#pragma once
// What the keys do on the main window's play list, and the row an entry
// dragged along the list goes to. Each is a second way to an operation the
// window already has (the "−" button, play and pause, a double click, the
// move buttons).
#include <QString>
#include <Qt>

#include <functional>

namespace vt {

enum class ToucheListe {
    Aucune,        // the list's own handling (arrows, Home, End, letters)
    Lancer,        // Return or Enter: the selected entry starts, as a double click does
    PauseLecture,  // Space: pause what plays, else play (resume or start)
    Supprimer,     // Delete: the "−" button
    Ignorer,       // Return or Space held down: the key's repeats do nothing
    Tapee,         // Space while a name is being typed: part of the name (type-ahead)
};
// `saisie`: letters were typed on the list within the key interval (a name
// is being typed, see ligne_tapee), so that Space goes on with it.
ToucheListe touche_liste(int touche, Qt::KeyboardModifiers modifs, bool repetee, bool saisie = false);

// The row a dragged entry goes to, in a list of `nombre` rows: the row
// under the pointer (`sous_pointeur`, -1 when the pointer is past the last
// row), or one row beyond the view's edge when the pointer has left it
// (`cote` -1 above, 1 below, 0 inside, with `sous_pointeur` then the row at
// that edge); always a row of the list.
int ligne_visee(int sous_pointeur, int cote, int nombre);

// Type-ahead: the row that letters typed on the list select, among
// `nombre` rows whose shown names `nom` gives, with `courant` the current
// row (-1: none). `saisie` is what was typed since the last pause. The next
// row after the current one (round to the top) whose name starts with it,
// without regard to case nor to how an accent is encoded (a letter and its
// accent in one character or two, as some systems write file names);
// letters that go on a name already chosen keep it while it still matches.
// The same letter typed again steps through the names starting with it. -1
// when no name matches: nothing changes.
int ligne_tapee(const std::function<QString(int)>& nom, int nombre, int courant, const QString& saisie);

}  // namespace vt
