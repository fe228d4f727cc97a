#include "audio/decodeur_sndfile.h"

#include <algorithm>
#include <fcntl.h>
#include <samplerate.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vt::audio {

namespace {

// Frames read from the file at a time.
constexpr std::size_t kMorceau = 1024;

class DecodeurSndfile final : public Decodeur {
public:
    DecodeurSndfile(int fd, SNDFILE* sf, const SF_INFO& info, int frequence, const Signaux* signaux)
        : fd_(fd), sf_(sf), info_(info), frequence_(frequence), signaux_(signaux) {
        lu_.resize(kMorceau * std::size_t(info_.channels));
    }
    ~DecodeurSndfile() override {
        if (src_) src_delete(src_);
        sf_close(sf_);
        ::close(fd_);
    }

    // Sets up the resampler when the rates differ; false when it cannot be.
    bool preparer() {
        if (info_.samplerate == frequence_) return true;
        int erreur = 0;
        // The fastest of libsamplerate's band-limited converters: its pass
        // band reaches 80 % of the lower rate, as the FFmpeg decoder's default.
        src_ = src_new(SRC_SINC_FASTEST, 2, &erreur);
        if (!src_) return false;
        ratio_ = double(frequence_) / double(info_.samplerate);
        stereo_.resize(2 * kMorceau);
        return true;
    }

    // The length libsndfile gives: for MP3, mpg123's count of the decoded
    // samples without the encoder's delay and padding (what is heard).
    std::int64_t longueur() const override {
        if (info_.frames <= 0 || info_.frames >= SF_COUNT_MAX / frequence_) return 0;
        return std::int64_t(info_.frames) * frequence_ / info_.samplerate;
    }

    bool remplir(Tranche& t) override {
        while (t.trames < kTramesTranche) {
            if (signaux_ && signaux_->leve()) return false;
            float* sortie = t.donnees + 2 * t.trames;
            const std::size_t place = kTramesTranche - t.trames;
            if (!src_) {
                std::size_t n = lire_stereo(sortie, std::min(place, kMorceau));
                if (n == 0) {
                    t.fin = true;
                    break;
                }
                t.trames += std::uint32_t(n);
                continue;
            }
            if (stereo_lu_ == stereo_n_ && !entree_finie_) {
                stereo_n_ = lire_stereo(stereo_.data(), kMorceau);
                stereo_lu_ = 0;
                entree_finie_ = stereo_n_ == 0;
            }
            SRC_DATA d{};
            d.data_in = stereo_.data() + 2 * stereo_lu_;
            d.input_frames = long(stereo_n_ - stereo_lu_);
            d.data_out = sortie;
            d.output_frames = long(place);
            d.src_ratio = ratio_;
            d.end_of_input = entree_finie_ ? 1 : 0;
            if (src_process(src_, &d) != 0) {
                t.fin = true;
                break;
            }
            stereo_lu_ += std::size_t(d.input_frames_used);
            t.trames += std::uint32_t(d.output_frames_gen);
            if (entree_finie_ && d.output_frames_gen == 0) {
                t.fin = true;
                break;
            }
        }
        return true;
    }

    void chercher(std::int64_t trame) override {
        const sf_count_t source = sf_count_t(trame) * info_.samplerate / frequence_;
        // A file that cannot seek there ends: nothing else would match the place asked.
        fin_ = sf_seek(sf_, source, SEEK_SET) < 0;
        if (src_) src_reset(src_);
        stereo_lu_ = stereo_n_ = 0;
        entree_finie_ = false;
    }

    const char* nom() const override { return "libsndfile"; }

private:
    // Up to `n` frames of the file as stereo at `sortie`: mono goes to both
    // sides at full level. 0 at the end of the file or at a read error.
    std::size_t lire_stereo(float* sortie, std::size_t n) {
        if (fin_) return 0;
        sf_count_t k;
        if (info_.channels == 2) {
            k = sf_readf_float(sf_, sortie, sf_count_t(n));
        } else {
            k = sf_readf_float(sf_, lu_.data(), sf_count_t(n));
            for (sf_count_t i = 0; i < k; ++i) sortie[2 * i] = sortie[2 * i + 1] = lu_[std::size_t(i)];
        }
        if (k <= 0) {
            fin_ = true;
            return 0;
        }
        return std::size_t(k);
    }

    int fd_;
    SNDFILE* sf_;
    SF_INFO info_;
    int frequence_;
    const Signaux* signaux_;
    SRC_STATE* src_ = nullptr;
    double ratio_ = 1.0;
    std::vector<float> lu_;      // mono frames as read
    std::vector<float> stereo_;  // stereo frames waiting for the resampler
    std::size_t stereo_n_ = 0, stereo_lu_ = 0;
    bool entree_finie_ = false;  // the resampler has been given the file's last frame
    bool fin_ = false;           // the file has no more frames
};

}  // namespace

Ouverture ouvrir_sndfile(const std::string& chemin, int frequence, const Signaux* signaux,
                         std::unique_ptr<Decodeur>& decodeur) {
    // Only regular files: a directory, a FIFO or a device could block or never end.
    int fd = ::open(chemin.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return Ouverture::Injouable;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0) {
        ::close(fd);
        return Ouverture::Injouable;
    }
    SF_INFO info{};
    SNDFILE* sf = sf_open_fd(fd, SFM_READ, &info, SF_FALSE);
    if (!sf) {
        ::close(fd);
        return Ouverture::Inconnu;
    }
    Ouverture o = Ouverture::Ouvert;
    if (!frequence_jouable(info.samplerate))
        o = Ouverture::Injouable;
    else if (info.channels != 1 && info.channels != 2)
        o = info.channels > 2 ? Ouverture::Inconnu : Ouverture::Injouable;
    if (o != Ouverture::Ouvert) {
        sf_close(sf);
        ::close(fd);
        return o;
    }
    auto d = std::make_unique<DecodeurSndfile>(fd, sf, info, frequence, signaux);
    if (!d->preparer()) return Ouverture::Inconnu;
    decodeur = std::move(d);
    return Ouverture::Ouvert;
}

}  // namespace vt::audio
