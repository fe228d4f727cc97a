#include "ui/curseurs.h"

#include <algorithm>

namespace vt {

int valeur_curseur(int offset, int span) {
    if (span <= 0) return 0;
    return static_cast<int>(static_cast<double>(offset) * 255.0 / static_cast<double>(span));
}

int offset_curseur(int valeur, int span) {
    if (span <= 0) return 0;
    const std::int64_t v = std::clamp(valeur, 0, 255);
    return static_cast<int>(std::min<std::int64_t>((v * span + 254) / 255, span));
}

int offset_glisse(int propose, int span) { return std::clamp(propose, 0, std::max(span, 0)); }

std::optional<int> offset_clic(int x, int span) {
    if (x < 0 || x >= span) return std::nullopt;
    return x;
}

int pas_molette(int span) { return std::max(1, (span + 16) / 32); }

int offset_molette(int offset, int span, int crans) {
    const std::int64_t o = std::int64_t{offset} + std::int64_t{crans} * pas_molette(span);
    return static_cast<int>(std::clamp<std::int64_t>(o, 0, std::max(span, 0)));
}

int CransMolette::ajouter(int delta) {
    // A turn the other way drops what was left of the last direction.
    if ((delta > 0 && reste_ < 0) || (delta < 0 && reste_ > 0)) reste_ = 0;
    const std::int64_t total = std::int64_t{reste_} + delta;
    reste_ = static_cast<int>(total % 120);
    return static_cast<int>(total / 120);
}

int gauche_position(std::int64_t t, std::int64_t T, int span, int gauche_barre) {
    if (T <= 0) return gauche_barre;
    return static_cast<int>(static_cast<double>(t) * span / static_cast<double>(T) + gauche_barre);
}

std::int64_t cible_position(int offset, int span, std::int64_t T) {
    if (span <= 0 || T <= 0 || offset <= 0) return 0;
    if (offset >= span) return T;
    return static_cast<std::int64_t>(static_cast<long double>(T) * offset / span);
}

}  // namespace vt
