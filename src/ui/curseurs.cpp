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
