#include "audio/sortie_manuelle.h"

#include <algorithm>

namespace vt {

SortieManuelle::SortieManuelle(bool ouverture_reussit) : ouverture_reussit_(ouverture_reussit) {}

bool SortieManuelle::ouvrir(int frequence, SourceAudio& source) {
    if (!ouverture_reussit_) return false;
    frequence_ = frequence;
    source_ = &source;
    en_marche_ = false;
    return true;
}

void SortieManuelle::lancer(bool marche) { en_marche_ = marche; }

void SortieManuelle::fermer() {
    source_ = nullptr;
    en_marche_ = false;
}

void SortieManuelle::pomper_dans(float* sortie, std::size_t trames) {
    if (!source_ || !en_marche_) {
        std::fill(sortie, sortie + 2 * trames, 0.0f);
        return;
    }
    // One device period at a time, as a sound card would pull.
    for (std::size_t fait = 0; fait < trames;) {
        std::size_t k = std::min(kPeriode, trames - fait);
        source_->remplir(sortie + 2 * fait, k, true);
        fait += k;
    }
}

std::vector<float> SortieManuelle::pomper(std::size_t trames) {
    std::vector<float> sortie(2 * trames);
    pomper_dans(sortie.data(), trames);
    return sortie;
}

}  // namespace vt
