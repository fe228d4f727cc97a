#pragma once
// What the light decoders (mpg123, libsndfile) share: the file's frames made
// stereo (mono goes to both sides at full level), resampled with
// libsamplerate when the file's rate is not the engine's. A subclass reads
// the file's own frames.
#include "audio/decodeur.h"

#include <samplerate.h>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vt::audio {

class DecodeurPcm : public Decodeur {
public:
    DecodeurPcm(int fd, int frequence, const Signaux* signaux)
        : fd_(fd), frequence_(frequence), signaux_(signaux) {}
    ~DecodeurPcm() override;
    // Leaves the file open when the decoder goes (its owner closes it).
    void lacher_fichier() { fd_ = -1; }

    // The file's rate and channel count (1 or 2), at opening or when they
    // change; false when the resampler cannot be set up.
    bool format(long taux, int canaux);

    bool remplir(Tranche& t) override;
    void chercher(std::int64_t trame) override;

protected:
    // Frames read from the file at a time.
    static constexpr std::size_t kMorceau = 1024;

    // Up to `n` of the file's frames (canaux_ channels each) at `sortie`;
    // 0 at the end, at a read error, or when the format changed.
    virtual std::size_t lire(float* sortie, std::size_t n) = 0;
    // Goes to the file's frame `source`; false when it cannot.
    virtual bool positionner(std::int64_t source) = 0;

    // The file's parts, each in its own format (one part, or MP3s of
    // different rates put end to end, the links of a chained Ogg): the
    // subclass gives each part's format and length in its own frames (0:
    // unknown) in order, and reads and positions the current one (partie()).
    void ajouter_partie(long taux, int canaux, std::int64_t trames);
    std::size_t partie() const { return partie_; }
    // The parts' length in engine frames, each at its own rate; 0 when one is unknown.
    std::int64_t longueur_parties() const { return inconnue_ ? 0 : fin_parties_; }
    // Goes on to the next part from its start, in its format; false when
    // there is none or it cannot be set.
    bool partie_suivante();

    int fd_;
    int frequence_;
    long taux_ = 0;
    int canaux_ = 0;
    bool fin_ = false;  // the file has no more frames

private:
    struct FormatPartie {
        long taux;
        int canaux;
        std::int64_t debut;  // engine frame of its first frame
    };
    // Goes to engine frame `trame`: the file's frame at its rate, in the
    // part that holds it.
    bool aller_a(std::int64_t trame);
    std::size_t lire_stereo(float* sortie, std::size_t n);
    void recommencer_resampleur();

    const Signaux* signaux_;
    SRC_STATE* src_ = nullptr;
    std::vector<float> lu_;      // mono frames as read
    std::vector<float> stereo_;  // stereo frames waiting for the resampler
    std::size_t stereo_n_ = 0, stereo_lu_ = 0;
    bool entree_finie_ = false;  // the resampler has been given the file's (or part's) last frame
    bool vidange_ = false;       // ... of a part, followed by one at another rate
    double rapport_ = 1.0;       // the resampler's ratio for the frames it holds
    std::vector<FormatPartie> parties_;
    std::size_t partie_ = 0;
    std::int64_t fin_parties_ = 0;
    bool inconnue_ = false;  // a part's length is unknown: so are the places after it
};

}  // namespace vt::audio
