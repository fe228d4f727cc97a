#pragma once
// The hand-pumped output of the tests and benchmarks.
#include "audio/sortie_audio.h"

#include <cstddef>
#include <vector>

namespace vt {

// An output for tests and benchmarks: nothing is pulled until `pomper` asks,
// on the calling thread, which must also be the thread that makes the engine
// calls. `ouverture_reussit` false simulates a machine without a sound device.
class SortieManuelle : public SortieAudio {
public:
    explicit SortieManuelle(bool ouverture_reussit = true);
    bool ouvrir(int frequence, SourceAudio& source) override;
    void lancer(bool marche) override;
    void fermer() override;
    std::size_t trames_par_periode() const override { return kPeriode; }
    bool temps_reel() const override { return false; }

    // Renders exactly `trames` stereo frames through the mixer (interleaved
    // L, R floats). Data that the files hold but the decoders have not yet
    // produced is waited for, so the result does not depend on timing.
    // Silence when the output is not open or paused.
    std::vector<float> pomper(std::size_t trames);
    // The same into a caller's buffer of 2 * `trames` floats.
    void pomper_dans(float* sortie, std::size_t trames);

    bool ouverte() const { return source_ != nullptr; }
    int frequence() const { return frequence_; }

private:
    static constexpr std::size_t kPeriode = 2048;
    bool ouverture_reussit_;
    bool en_marche_ = false;
    int frequence_ = 0;
    SourceAudio* source_ = nullptr;
};

}  // namespace vt
