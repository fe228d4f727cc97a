// The mpg123 decoder: MP3 (and MPEG layers I and II) with mpg123 itself,
// quiet, gapless (the encoder's delay and padding trimmed, as the LAME
// header gives them) and following the rate of each part of the file.
#include "audio/decodeur_pcm.h"
#include "audio/decodeurs.h"

#include <mpg123.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cstring>
#include <vector>

namespace vt::audio {

namespace {

// mpg123 reads the file a frame at a time, two reads per frame (a header,
// then the rest): 275,000 calls for an hour of MP3 read through at opening.
// It reads through this buffer instead, 64 KiB per call to the system.
class LectureTamponnee {
public:
    explicit LectureTamponnee(int fd) : fd_(fd), tampon_(64 * 1024) {}

    static mpg123_ssize_t lire(void* moi, void* destination, std::size_t n) {
        auto& l = *static_cast<LectureTamponnee*>(moi);
        auto* sortie = static_cast<char*>(destination);
        std::size_t copie = 0;
        while (copie < n) {
            if (l.pos_ < l.debut_ || l.pos_ >= l.debut_ + off_t(l.remplis_)) {
                ssize_t k = ::pread(l.fd_, l.tampon_.data(), l.tampon_.size(), l.pos_);
                if (k < 0 && copie == 0) return -1;
                if (k <= 0) break;
                l.debut_ = l.pos_;
                l.remplis_ = std::size_t(k);
            }
            const std::size_t dans = std::size_t(l.pos_ - l.debut_);
            const std::size_t k = std::min(n - copie, l.remplis_ - dans);
            std::memcpy(sortie + copie, l.tampon_.data() + dans, k);
            copie += k;
            l.pos_ += off_t(k);
        }
        return mpg123_ssize_t(copie);
    }
    static off_t chercher(void* moi, off_t decalage, int origine) {
        auto& l = *static_cast<LectureTamponnee*>(moi);
        off_t cible = -1;
        struct stat st {};
        if (origine == SEEK_SET)
            cible = decalage;
        else if (origine == SEEK_CUR)
            cible = l.pos_ + decalage;
        else if (origine == SEEK_END && ::fstat(l.fd_, &st) == 0)
            cible = st.st_size + decalage;
        if (cible < 0) return -1;
        return l.pos_ = cible;
    }

private:
    int fd_;
    std::vector<char> tampon_;
    off_t pos_ = 0, debut_ = 0;
    std::size_t remplis_ = 0;
};

class DecodeurMpg123 final : public DecodeurPcm {
public:
    DecodeurMpg123(int fd, std::unique_ptr<LectureTamponnee> lecture, mpg123_handle* mh, int frequence,
                   const Signaux* signaux)
        : DecodeurPcm(fd, frequence, signaux), lecture_(std::move(lecture)), mh_(mh) {}
    ~DecodeurMpg123() override { mpg123_delete(mh_); }

    // The length mpg123 gives, in samples of the first part's rate, without
    // the encoder's delay and padding (what is heard).
    std::int64_t longueur() const override {
        off_t n = mpg123_length(mh_);
        return n > 0 && taux_ > 0 ? std::int64_t(n) * frequence_ / taux_ : 0;
    }
    const char* nom() const override { return "mpg123"; }

    // A file whose first frame carries no LAME or Info header has no frame
    // count: mpg123 would guess its length from the first frame's bit rate
    // and the file's size, a fraction or a multiple of the truth for a
    // variable bit rate. Its frames are then read through once, without
    // decoding (bench_audio: BM_OuvertureMp3SansEntete, an hour's file),
    // which gives the exact length and an index that makes every seek land
    // where it is asked.
    void mesurer() {
        long delai = -1;
        double d = 0;
        if (mpg123_getstate(mh_, MPG123_ENC_DELAY, &delai, &d) == MPG123_OK && delai >= 0) return;
        mpg123_scan(mh_);
    }

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

    std::unique_ptr<LectureTamponnee> lecture_;
    mpg123_handle* mh_;
};

}  // namespace

// An MPEG audio file by its first bytes, as libsndfile tells it: an ID3v2
// tag, or a frame sync with a layer.
bool entete_mpeg(std::string_view o) {
    if (o.size() < 3) return false;
    if (o[0] == 'I' && o[1] == 'D' && o[2] == '3') return true;
    const auto octet = [&](std::size_t i) { return static_cast<unsigned char>(o[i]); };
    return octet(0) == 0xFF && (octet(1) & 0xE0) == 0xE0 && (octet(1) & 0x06) != 0;
}

Ouverture ouvrir_mpg123(FichierAudio& fichier, int frequence, const Signaux* signaux,
                        std::unique_ptr<Decodeur>& decodeur) {
    static const bool pret = mpg123_init() == MPG123_OK;
    if (!pret) return Ouverture::Inconnu;
    int erreur = 0;
    mpg123_handle* mh = mpg123_new(nullptr, &erreur);
    if (!mh) return Ouverture::Inconnu;
    // An ID3v2 tag is skipped, not parsed: a tag of tens of megabytes (a
    // large cover picture) took mpg123 most of a second to parse before the
    // first sound. The tags the player shows are read apart, off this thread.
    mpg123_param(mh, MPG123_FLAGS, MPG123_QUIET | MPG123_GAPLESS | MPG123_SKIP_ID3V2, 0.0);
    // A seek decodes this many frames before its target to fill the bit
    // reservoir that the target's frame draws on: up to 511 bytes behind,
    // which the smallest frames (24 bytes: 8 kb/s at 24 kHz) reach from 22
    // frames back. With mpg123's default of 2, a quiet passage encoded at a
    // low bit rate played up to a fifth of a second of silence after a seek.
    mpg123_param(mh, MPG123_PREFRAMES, 24, 0.0);
    mpg123_format_none(mh);
    mpg123_format2(mh, 0, MPG123_MONO | MPG123_STEREO, MPG123_ENC_FLOAT_32);
    auto lecture = std::make_unique<LectureTamponnee>(fichier.fd);
    long taux = 0;
    int canaux = 0, codage = 0;
    if (mpg123_replace_reader_handle(mh, &LectureTamponnee::lire, &LectureTamponnee::chercher, nullptr) !=
            MPG123_OK ||
        mpg123_open_handle(mh, lecture.get()) != MPG123_OK ||
        mpg123_getformat(mh, &taux, &canaux, &codage) != MPG123_OK) {
        mpg123_delete(mh);
        return Ouverture::Inconnu;
    }
    if (!frequence_jouable(taux)) {
        mpg123_delete(mh);
        return Ouverture::Injouable;
    }
    auto d = std::make_unique<DecodeurMpg123>(fichier.fd, std::move(lecture), mh, frequence, signaux);
    if (!d->format(taux, canaux)) {
        d->lacher_fichier();  // the search goes on with it
        return Ouverture::Inconnu;
    }
    d->mesurer();
    fichier.fd = -1;
    decodeur = std::move(d);
    return Ouverture::Ouvert;
}

}  // namespace vt::audio
