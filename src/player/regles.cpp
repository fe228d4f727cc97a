#include "player/regles.h"

#include <random>

namespace vt {

QString texte_temps(std::int64_t ms) {
    if (ms < 0) ms = 0;
    std::int64_t s = ms / 1000;
    std::int64_t m = s / 60;
    std::int64_t r = s - 60 * m;
    QString t;
    if (m < 10) t += QLatin1Char('0');
    t += QString::number(m);
    t += QStringLiteral(" : ");
    if (r < 10) t += QLatin1Char('0');
    t += QString::number(r);
    return t;
}

int pourcent_volume(int valeur) { return valeur * 100 / 255; }
int pourcent_balance(int valeur) { return valeur * 100 / 255 - 50; }

QString Defilement::avancer(const QString& texte) {
    if (croissant_) {
        ++pad_;
        if (texte.size() + pad_ > 60) croissant_ = false;
    } else {
        if (pad_ > 0) --pad_;
        if (pad_ < 2) croissant_ = true;
    }
    return QString(pad_, QLatin1Char(' ')) + texte;
}

Horloge& horloge() {
    static Horloge h = [] { return std::time(nullptr); };
    return h;
}

int tirer_autre(int n, int selection) {
    if (n <= 0) return -1;
    if (n == 1) return 0;
    std::minstd_rand gen(static_cast<std::minstd_rand::result_type>(horloge()()));
    if (selection < 0 || selection >= n) return static_cast<int>(gen() % static_cast<unsigned>(n));
    // One draw among the n - 1 other entries, skipping the selected one:
    // the same uniform choice as drawing until the result differs, but bounded.
    int r = static_cast<int>(gen() % static_cast<unsigned>(n - 1));
    return r >= selection ? r + 1 : r;
}

int entree_voisine(int n, int courant, bool aleatoire, bool suivante) {
    if (n <= 0) return -1;
    if (aleatoire && courant >= 0) return tirer_autre(n, courant);
    if (suivante) return courant == n - 1 ? 0 : courant + 1;
    return courant > 0 ? courant - 1 : -1;
}

ChoixFin regle_fin(int n, int depuis, ModesFin modes) {
    using Fin = PorteLecteur::Fin;
    if (modes.repetition)
        return depuis >= 0 ? ChoixFin{Fin::Repetition, depuis} : ChoixFin{Fin::SansCourant, -1};
    if (modes.aleatoire)
        return depuis >= 0 ? ChoixFin{Fin::Hasard, entree_voisine(n, depuis, true, true)}
                           : ChoixFin{Fin::SansCourant, -1};
    if (modes.boucle) return ChoixFin{Fin::EntreeSuivante, entree_voisine(n, depuis, false, true)};
    return ChoixFin{Fin::Arret, -1};
}

bool decision_tient(ChoixFin choix, PorteLecteur::Fin fin, int ligne, int depuis) {
    if (ligne < 0 || choix.fin != fin) return false;
    return choix.ligne == ligne || (fin == PorteLecteur::Fin::Hasard && ligne != depuis);
}

Statut statut_au_tic(bool annonce_lecture, bool en_lecture, bool en_pause, int courant) {
    if (en_pause) return Statut::Garder;
    if (en_lecture) return annonce_lecture ? Statut::Garder : Statut::Lecture;
    if (courant < 0) return Statut::Attente;
    return annonce_lecture ? Statut::Arret : Statut::Garder;
}

}  // namespace vt
