#include "config/place_ecran.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace vt {

namespace {

// Whether the union of `zones` covers `r`: the zones' edges cut `r` into
// cells, each of which lies either wholly inside a zone or wholly outside.
bool couvert(QRect r, const std::vector<QRect>& zones) {
    std::vector<int> xs = {r.left(), r.right() + 1}, ys = {r.top(), r.bottom() + 1};
    for (const QRect& z : zones) {
        for (int x : {z.left(), z.right() + 1})
            if (x > r.left() && x <= r.right()) xs.push_back(x);
        for (int y : {z.top(), z.bottom() + 1})
            if (y > r.top() && y <= r.bottom()) ys.push_back(y);
    }
    std::sort(xs.begin(), xs.end());
    std::sort(ys.begin(), ys.end());
    for (std::size_t i = 0; i + 1 < xs.size(); ++i) {
        if (xs[i] == xs[i + 1]) continue;
        for (std::size_t j = 0; j + 1 < ys.size(); ++j) {
            if (ys[j] == ys[j + 1]) continue;
            const QPoint coin(xs[i], ys[j]);
            if (std::none_of(zones.begin(), zones.end(), [&](const QRect& z) { return z.contains(coin); }))
                return false;
        }
    }
    return true;
}

std::int64_t aire(QRect r) { return r.isEmpty() ? 0 : std::int64_t(r.width()) * r.height(); }

// The gap between two rectangles along each axis, squared and summed.
std::int64_t ecart(QRect a, QRect b) {
    const std::int64_t dx = std::max({0, b.left() - a.right() - 1, a.left() - b.right() - 1});
    const std::int64_t dy = std::max({0, b.top() - a.bottom() - 1, a.top() - b.bottom() - 1});
    return dx * dx + dy * dy;
}

int ramener(int debut, int longueur, int zone_debut, int zone_longueur) {
    if (longueur >= zone_longueur) return zone_debut;
    return std::clamp(debut, zone_debut, zone_debut + zone_longueur - longueur);
}

}  // namespace

QPoint place_visible(QRect fenetre, const std::vector<QRect>& zones) {
    std::vector<QRect> valides;
    for (const QRect& z : zones)
        if (!z.isEmpty()) valides.push_back(z);
    if (valides.empty() || fenetre.isEmpty() || couvert(fenetre, valides)) return fenetre.topLeft();
    const QRect* meilleure = &valides.front();
    std::int64_t meilleure_aire = -1, meilleur_ecart = INT64_MAX;
    for (const QRect& z : valides) {
        const std::int64_t a = aire(fenetre.intersected(z)), e = ecart(fenetre, z);
        if (a > meilleure_aire || (a == 0 && meilleure_aire == 0 && e < meilleur_ecart)) {
            meilleure = &z;
            meilleure_aire = a;
            meilleur_ecart = e;
        }
    }
    const QRect& z = *meilleure;
    return {ramener(fenetre.x(), fenetre.width(), z.x(), z.width()),
            ramener(fenetre.y(), fenetre.height(), z.y(), z.height())};
}

}  // namespace vt
