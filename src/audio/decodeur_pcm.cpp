#include "audio/decodeur_pcm.h"

#include <unistd.h>
#include <algorithm>
#include <cstdint>

namespace vt::audio {

DecodeurPcm::~DecodeurPcm() {
    if (src_) src_delete(src_);
    if (fd_ >= 0) ::close(fd_);
}

bool DecodeurPcm::format(long taux, int canaux) {
    taux_ = taux;
    canaux_ = canaux;
    lu_.resize(kMorceau * std::size_t(canaux));
    if (taux_ == frequence_ || src_) return true;
    int erreur = 0;
    // The fastest of libsamplerate's band-limited converters: its pass
    // band reaches 80 % of the lower rate, as the FFmpeg decoder's default.
    src_ = src_new(SRC_SINC_FASTEST, 2, &erreur);
    stereo_.resize(2 * kMorceau);
    return src_ != nullptr;
}

bool DecodeurPcm::remplir(Tranche& t) {
    while (t.trames < kTramesTranche) {
        if (signaux_ && signaux_->leve()) return false;
        float* sortie = t.donnees + 2 * t.trames;
        const std::size_t place = kTramesTranche - t.trames;
        if (!src_) {
            std::size_t n = lire_stereo(sortie, std::min(place, kMorceau));
            if (n == 0 && !fin_) continue;  // the format changed: from here in the new one
            if (n == 0) {
                t.fin = true;
                break;
            }
            t.trames += std::uint32_t(n);
            continue;
        }
        if (stereo_lu_ == stereo_n_ && !entree_finie_) {
            const long avant = taux_;
            stereo_n_ = lire_stereo(stereo_.data(), kMorceau);
            stereo_lu_ = 0;
            // At the end of the file, or of a part at another rate, the
            // resampler gives all it holds at the ratio it was given them.
            vidange_ = stereo_n_ == 0 && !fin_ && taux_ != avant;
            entree_finie_ = stereo_n_ == 0 && (fin_ || vidange_);
            if (!vidange_) rapport_ = double(frequence_) / double(taux_);
        }
        SRC_DATA d{};
        d.data_in = stereo_.data() + 2 * stereo_lu_;
        d.input_frames = long(stereo_n_ - stereo_lu_);
        d.data_out = sortie;
        d.output_frames = long(place);
        d.src_ratio = rapport_;
        d.end_of_input = entree_finie_ ? 1 : 0;
        if (src_process(src_, &d) != 0) {
            t.fin = true;
            break;
        }
        stereo_lu_ += std::size_t(d.input_frames_used);
        t.trames += std::uint32_t(d.output_frames_gen);
        if (entree_finie_ && d.output_frames_gen == 0) {
            if (!vidange_) {
                t.fin = true;
                break;
            }
            // The next part from a fresh resampler, at its own ratio at once.
            vidange_ = entree_finie_ = false;
            recommencer_resampleur();
        }
    }
    return true;
}

void DecodeurPcm::chercher(std::int64_t trame) {
    // A file that cannot seek there ends: nothing else would match the place asked.
    fin_ = !aller_a(trame);
    recommencer_resampleur();
    stereo_lu_ = stereo_n_ = 0;
    entree_finie_ = vidange_ = false;
}

void DecodeurPcm::ajouter_partie(long taux, int canaux, std::int64_t trames) {
    parties_.push_back({taux, canaux, fin_parties_});
    const std::int64_t n = trames > 0 && trames < INT64_MAX / frequence_ ? trames * frequence_ / taux : 0;
    inconnue_ = inconnue_ || n == 0;
    fin_parties_ += n;
}

bool DecodeurPcm::partie_suivante() {
    if (partie_ + 1 >= parties_.size()) return false;
    const FormatPartie& p = parties_[++partie_];
    return format(p.taux, p.canaux) && positionner(0);
}

bool DecodeurPcm::aller_a(std::int64_t trame) {
    if (parties_.size() <= 1) return positionner(trame * taux_ / frequence_);
    if (inconnue_) return false;
    partie_ = parties_.size() - 1;
    while (partie_ > 0 && parties_[partie_].debut > trame) --partie_;
    const FormatPartie& p = parties_[partie_];
    return format(p.taux, p.canaux) && positionner((trame - p.debut) * p.taux / frequence_);
}

void DecodeurPcm::recommencer_resampleur() {
    if (!src_ || taux_ <= 0) return;
    src_reset(src_);
    rapport_ = double(frequence_) / double(taux_);
    src_set_ratio(src_, rapport_);
}

std::size_t DecodeurPcm::lire_stereo(float* sortie, std::size_t n) {
    if (fin_) return 0;
    const int canaux = canaux_;
    std::size_t k = lire(canaux == 2 ? sortie : lu_.data(), n);
    if (k > 0 && canaux == 1)
        for (std::size_t i = 0; i < k; ++i) sortie[2 * i] = sortie[2 * i + 1] = lu_[i];
    return k;
}

}  // namespace vt::audio
