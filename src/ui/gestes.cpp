#include "ui/gestes.h"

#include <algorithm>

namespace vt {

ToucheListe touche_liste(int touche, Qt::KeyboardModifiers modifs, bool repetee, bool saisie) {
    if (modifs & ~Qt::KeyboardModifiers(Qt::KeypadModifier)) return ToucheListe::Aucune;
    if (touche == Qt::Key_Space && saisie && !repetee) return ToucheListe::Tapee;
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

int ligne_tapee(const std::function<QString(int)>& nom, int nombre, int courant, const QString& saisie) {
    if (saisie.isEmpty() || nombre <= 0) return -1;
    // Both sides composed: "é" typed is one character, and a name may hold
    // an "e" followed by a combining accent.
    auto compose = [](const QString& s) { return s.normalized(QString::NormalizationForm_C); };
    auto chercher = [&](const QString& debut, int depart) {
        const QString d = compose(debut);
        for (int k = 0; k < nombre; ++k) {
            const int ligne = (depart + k) % nombre;
            if (compose(nom(ligne)).startsWith(d, Qt::CaseInsensitive)) return ligne;
        }
        return -1;
    };
    const int depart = std::clamp(courant, -1, nombre - 1);
    // A first letter looks from the next row; more letters first try the
    // row they went on.
    if (saisie.size() == 1) return chercher(saisie, depart + 1);
    if (const int ligne = chercher(saisie, std::max(depart, 0)); ligne >= 0) return ligne;
    const bool meme_lettre = saisie.count(saisie.front()) == saisie.size();
    return meme_lettre ? chercher(saisie.left(1), depart + 1) : -1;
}

}  // namespace vt
