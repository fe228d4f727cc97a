#include "audio/decodeur_sndfile.h"

#include <algorithm>
#include <fcntl.h>
#include <mpg123.h>
#include <samplerate.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vt::audio {

namespace {

// Frames read from the file at a time.
constexpr std::size_t kMorceau = 1024;

// What both decoders share: the file's frames made stereo (mono goes to both
// sides at full level), resampled with libsamplerate when the file's rate is
// not the engine's. A subclass reads the file's own frames.
class DecodeurPcm : public Decodeur {
public:
    DecodeurPcm(int fd, int frequence, const Signaux* signaux) : fd_(fd), frequence_(frequence), signaux_(signaux) {}
    ~DecodeurPcm() override {
        if (src_) src_delete(src_);
        if (fd_ >= 0) ::close(fd_);
    }
    // The file is no longer closed with the decoder.
    void lacher_fichier() { fd_ = -1; }

    // The file's rate and channel count (1 or 2), at opening or when they
    // change; false when the resampler cannot be set up.
    bool format(long taux, int canaux) {
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

    bool remplir(Tranche& t) override {
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
                stereo_n_ = lire_stereo(stereo_.data(), kMorceau);
                stereo_lu_ = 0;
                entree_finie_ = stereo_n_ == 0 && fin_;
            }
            SRC_DATA d{};
            d.data_in = stereo_.data() + 2 * stereo_lu_;
            d.input_frames = long(stereo_n_ - stereo_lu_);
            d.data_out = sortie;
            d.output_frames = long(place);
            d.src_ratio = double(frequence_) / double(taux_);
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
        // A file that cannot seek there ends: nothing else would match the place asked.
        fin_ = !positionner(trame * taux_ / frequence_);
        if (src_) src_reset(src_);
        stereo_lu_ = stereo_n_ = 0;
        entree_finie_ = false;
    }

protected:
    // Up to `n` of the file's frames (canaux_ channels each) at `sortie`;
    // 0 at the end, at a read error, or when the format changed.
    virtual std::size_t lire(float* sortie, std::size_t n) = 0;
    // Goes to the file's frame `source`; false when it cannot.
    virtual bool positionner(std::int64_t source) = 0;

    int fd_;
    int frequence_;
    long taux_ = 0;
    int canaux_ = 0;
    bool fin_ = false;  // the file has no more frames

private:
    std::size_t lire_stereo(float* sortie, std::size_t n) {
        if (fin_) return 0;
        const int canaux = canaux_;
        std::size_t k = lire(canaux == 2 ? sortie : lu_.data(), n);
        if (k > 0 && canaux == 1)
            for (std::size_t i = 0; i < k; ++i) sortie[2 * i] = sortie[2 * i + 1] = lu_[i];
        return k;
    }

    const Signaux* signaux_;
    SRC_STATE* src_ = nullptr;
    std::vector<float> lu_;      // mono frames as read
    std::vector<float> stereo_;  // stereo frames waiting for the resampler
    std::size_t stereo_n_ = 0, stereo_lu_ = 0;
    bool entree_finie_ = false;  // the resampler has been given the file's last frame
};

class DecodeurSndfile final : public DecodeurPcm {
public:
    DecodeurSndfile(int fd, SNDFILE* sf, const SF_INFO& info, int frequence, const Signaux* signaux)
        : DecodeurPcm(fd, frequence, signaux), sf_(sf), info_(info) {}
    ~DecodeurSndfile() override { sf_close(sf_); }

    std::int64_t longueur() const override {
        if (info_.frames <= 0 || info_.frames >= SF_COUNT_MAX / frequence_) return 0;
        return std::int64_t(info_.frames) * frequence_ / info_.samplerate;
    }
    const char* nom() const override { return "libsndfile"; }

private:
    std::size_t lire(float* sortie, std::size_t n) override {
        sf_count_t k = sf_readf_float(sf_, sortie, sf_count_t(n));
        if (k <= 0) fin_ = true;
        return k > 0 ? std::size_t(k) : 0;
    }
    bool positionner(std::int64_t source) override { return sf_seek(sf_, sf_count_t(source), SEEK_SET) >= 0; }

    SNDFILE* sf_;
    SF_INFO info_;
};

// MP3 (and MPEG layers I and II) with mpg123 itself, quiet, gapless (the
// encoder's delay and padding trimmed, as the LAME header gives them) and
// following the rate of each part of the file.
class DecodeurMpg123 final : public DecodeurPcm {
public:
    DecodeurMpg123(int fd, mpg123_handle* mh, int frequence, const Signaux* signaux)
        : DecodeurPcm(fd, frequence, signaux), mh_(mh) {}
    ~DecodeurMpg123() override { mpg123_delete(mh_); }

    // The length mpg123 gives, in samples of the first part's rate, without
    // the encoder's delay and padding (what is heard).
    std::int64_t longueur() const override {
        off_t n = mpg123_length(mh_);
        return n > 0 && taux_ > 0 ? std::int64_t(n) * frequence_ / taux_ : 0;
    }
    const char* nom() const override { return "mpg123"; }

private:
    std::size_t lire(float* sortie, std::size_t n) override {
        std::size_t octets = 0;
        int r = MPG123_OK;
        // The bytes read are in the format of the read, even when it reports
        // a new one: they are counted in its channels, never beyond `n`.
        const std::size_t canaux_lus = std::size_t(canaux_);
        // A read may give nothing without an end: a few more tries.
        for (int essai = 0; essai < 16 && r == MPG123_OK && octets == 0; ++essai)
            r = mpg123_read(mh_, sortie, n * canaux_lus * sizeof(float), &octets);
        if (r == MPG123_OK && octets == 0) fin_ = true;
        if (r == MPG123_NEW_FORMAT) {
            long taux = 0;
            int canaux = 0, codage = 0;
            if (mpg123_getformat(mh_, &taux, &canaux, &codage) != MPG123_OK || !frequence_jouable(taux) ||
                (canaux != 1 && canaux != 2) || !format(taux, canaux))
                fin_ = true;
        } else if (r != MPG123_OK) {
            fin_ = true;
        }
        return octets / (canaux_lus * sizeof(float));
    }
    bool positionner(std::int64_t source) override { return mpg123_seek(mh_, off_t(source), SEEK_SET) >= 0; }

    mpg123_handle* mh_;
};

// An MPEG audio file by its first bytes, as libsndfile tells it: an ID3v2
// tag, or a frame sync with a layer.
bool entete_mpeg(int fd) {
    unsigned char o[3] = {};
    if (::pread(fd, o, sizeof o, 0) != ssize_t(sizeof o)) return false;
    if (o[0] == 'I' && o[1] == 'D' && o[2] == '3') return true;
    return o[0] == 0xFF && (o[1] & 0xE0) == 0xE0 && (o[1] & 0x06) != 0;
}

Ouverture ouvrir_mpg123(int fd, int frequence, const Signaux* signaux, std::unique_ptr<Decodeur>& decodeur) {
    static const bool pret = mpg123_init() == MPG123_OK;
    if (!pret) return Ouverture::Inconnu;
    int erreur = 0;
    mpg123_handle* mh = mpg123_new(nullptr, &erreur);
    if (!mh) return Ouverture::Inconnu;
    mpg123_param(mh, MPG123_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0.0);
    mpg123_format_none(mh);
    mpg123_format2(mh, 0, MPG123_MONO | MPG123_STEREO, MPG123_ENC_FLOAT_32);
    long taux = 0;
    int canaux = 0, codage = 0;
    if (mpg123_open_fd(mh, fd) != MPG123_OK || mpg123_getformat(mh, &taux, &canaux, &codage) != MPG123_OK) {
        mpg123_delete(mh);
        return Ouverture::Inconnu;
    }
    if (!frequence_jouable(taux)) {
        mpg123_delete(mh);
        return Ouverture::Injouable;
    }
    auto d = std::make_unique<DecodeurMpg123>(fd, mh, frequence, signaux);
    if (!d->format(taux, canaux)) {
        d->lacher_fichier();  // the caller goes on with it
        return Ouverture::Inconnu;
    }
    decodeur = std::move(d);
    return Ouverture::Ouvert;
}

}  // namespace

Ouverture ouvrir_sans_ffmpeg(const std::string& chemin, int frequence, const Signaux* signaux,
                         std::unique_ptr<Decodeur>& decodeur) {
    // Only regular files: a directory, a FIFO or a device could block or never end.
    int fd = ::open(chemin.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return Ouverture::Injouable;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0) {
        ::close(fd);
        return Ouverture::Injouable;
    }
    if (entete_mpeg(fd)) {
        // libsndfile would take it to mpg123 as well (which, through it,
        // prints its warnings): what mpg123 does not play goes to FFmpeg.
        Ouverture o = ouvrir_mpg123(fd, frequence, signaux, decodeur);
        if (o != Ouverture::Ouvert) ::close(fd);
        return o;
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
    if (!d->format(info.samplerate, info.channels)) return Ouverture::Inconnu;  // d closes fd
    decodeur = std::move(d);
    return Ouverture::Ouvert;
}

}  // namespace vt::audio
