#include "ui/gestes.h"

#include <algorithm>

namespace vt {

ToucheListe touche_liste(int touche, Qt::KeyboardModifiers modifs, bool repetee) {
    if (modifs & ~Qt::KeyboardModifiers(Qt::KeypadModifier)) return ToucheListe::Aucune;
    switch (touche) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return repetee ? ToucheListe::Ignorer : ToucheListe::Lancer;
        case Qt::Key_Space:
            return repetee ? ToucheListe::Ignorer : ToucheListe::PauseLecture;
        case Qt::Key_Delete:
            return ToucheListe::Supprimer;
        default:
            return ToucheListe::Aucune;
    }
}

int ligne_visee(int sous_pointeur, int cote, int nombre) {
    if (nombre <= 0) return -1;
    const int ligne = sous_pointeur < 0 ? nombre - 1 : sous_pointeur + cote;
    return std::clamp(ligne, 0, nombre - 1);
}

}  // namespace vt
