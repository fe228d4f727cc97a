#include "player/regles.h"

#include <algorithm>
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

int valeur_curseur(int offset, int span) {
    if (span <= 0) return 0;
    return static_cast<int>(static_cast<double>(offset) * 255.0 / static_cast<double>(span));
}

int pourcent_volume(int valeur) { return valeur * 100 / 255; }
int pourcent_balance(int valeur) { return valeur * 100 / 255 - 50; }

int gauche_position(std::int64_t t, std::int64_t T, int span, int gauche_barre) {
    if (T <= 0) return gauche_barre;
    return static_cast<int>(static_cast<double>(t) * span / static_cast<double>(T) + gauche_barre);
}

std::int64_t cible_position(int offset, int span, std::int64_t T) {
    if (span <= 0 || T <= 0 || offset <= 0) return 0;
    if (offset >= span) return T;
    return static_cast<std::int64_t>(static_cast<long double>(T) * offset / span);
}

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

int offset_curseur(int valeur, int span) {
    if (span <= 0) return 0;
    const std::int64_t v = std::clamp(valeur, 0, 255);
    return static_cast<int>(std::min<std::int64_t>((v * span + 254) / 255, span));
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

}  // namespace vt
