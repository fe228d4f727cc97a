#include "ui/place_ecran.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace vt {

namespace {

// A rectangle in 64-bit numbers: stored places may lie near the 32-bit
// limits, where a QRect's right edge would not fit.
struct Rect64 {
    std::int64_t x, y, l, h;
    std::int64_t droite() const { return x + l; }  // one past the last column
    std::int64_t bas() const { return y + h; }
};

Rect64 en64(QRect r) { return {r.x(), r.y(), r.width(), r.height()}; }

std::int64_t chevauchement(std::int64_t a0, std::int64_t a1, std::int64_t b0, std::int64_t b1) {
    return std::max<std::int64_t>(0, std::min(a1, b1) - std::max(a0, b0));
}

// Overlapping area, saturated well below the 64-bit limit.
std::int64_t aire_commune(const Rect64& a, const Rect64& b) {
    const std::int64_t dx = chevauchement(a.x, a.droite(), b.x, b.droite());
    const std::int64_t dy = chevauchement(a.y, a.bas(), b.y, b.bas());
    return dx == 0 || dy == 0 ? 0
                              : std::min<std::int64_t>(dx, INT32_MAX) * std::min<std::int64_t>(dy, INT32_MAX);
}

// The gap between two rectangles along each axis, squared and summed (in
// floating point: gaps near 2^32 would overflow a 64-bit sum of squares).
double ecart(const Rect64& a, const Rect64& b) {
    const double dx = static_cast<double>(std::max<std::int64_t>({0, b.x - a.droite(), a.x - b.droite()}));
    const double dy = static_cast<double>(std::max<std::int64_t>({0, b.y - a.bas(), a.y - b.bas()}));
    return dx * dx + dy * dy;
}

std::int64_t ramener(std::int64_t debut, std::int64_t longueur, std::int64_t zone_debut,
                     std::int64_t zone_longueur) {
    if (longueur >= zone_longueur) return zone_debut;
    return std::clamp(debut, zone_debut, zone_debut + zone_longueur - longueur);
}

// Window `fenetre` moved inside the area it overlaps most, or else the
// closest one (ties to the first), by the least move that brings it whole
// inside, its top-left corner inside when it is larger than the area.
QPoint dans_zone_proche(const Rect64& fenetre, const std::vector<Rect64>& valides) {
    const Rect64* meilleure = &valides.front();
    std::int64_t meilleure_aire = -1;
    double meilleur_ecart = 0;
    for (const Rect64& z : valides) {
        const std::int64_t a = aire_commune(fenetre, z);
        const double e = ecart(fenetre, z);
        if (a > meilleure_aire || (a == 0 && meilleure_aire == 0 && e < meilleur_ecart)) {
            meilleure = &z;
            meilleure_aire = a;
            meilleur_ecart = e;
        }
    }
    const Rect64& z = *meilleure;
    return {static_cast<int>(ramener(fenetre.x, fenetre.l, z.x, z.l)),
            static_cast<int>(ramener(fenetre.y, fenetre.h, z.y, z.h))};
}

}  // namespace

QPoint place_visible(QPoint place, QSize taille, int hauteur_barre, const std::vector<QRect>& zones) {
    std::vector<Rect64> valides;
    for (const QRect& z : zones)
        if (!z.isEmpty()) valides.push_back(en64(z));
    if (valides.empty() || taille.isEmpty()) return place;
    const Rect64 fenetre{place.x(), place.y(), taille.width(), taille.height()};
    const Rect64 barre{place.x(), place.y(), taille.width(), std::clamp(hauteur_barre, 1, taille.height())};
    if (std::any_of(valides.begin(), valides.end(),
                    [&](const Rect64& z) { return aire_commune(barre, z) > 0; }))
        return place;
    return dans_zone_proche(fenetre, valides);
}

QPoint place_entiere(QPoint place, QSize taille, const std::vector<QRect>& zones) {
    std::vector<Rect64> valides;
    for (const QRect& z : zones)
        if (!z.isEmpty()) valides.push_back(en64(z));
    if (valides.empty() || taille.isEmpty()) return place;
    const Rect64 fenetre{place.x(), place.y(), taille.width(), taille.height()};
    const std::int64_t aire = std::int64_t{taille.width()} * taille.height();
    if (std::any_of(valides.begin(), valides.end(),
                    [&](const Rect64& z) { return aire_commune(fenetre, z) == aire; }))
        return place;
    return dans_zone_proche(fenetre, valides);
}

QRect cadre_dans_zone(QRect cadre, QRect zone) {
    if (zone.isEmpty()) return cadre;
    const int l = std::min(cadre.width(), zone.width()), h = std::min(cadre.height(), zone.height());
    const int x = std::clamp(cadre.x(), zone.x(), zone.x() + zone.width() - l);
    const int y = std::clamp(cadre.y(), zone.y(), zone.y() + zone.height() - h);
    return {x, y, l, h};
}

}  // namespace vt
