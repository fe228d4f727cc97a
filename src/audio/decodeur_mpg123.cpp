// The mpg123 decoder: MP3 (and MPEG layers I and II) with mpg123 itself,
// quiet, gapless (the encoder's delay and padding trimmed, as the LAME
// header gives them). MP3s of different rates or channel counts put one
// after the other play part after part, each counted at its own rate.
#include "audio/decodeur_pcm.h"
#include "audio/decodeurs.h"

#include <mpg123.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace vt::audio {

namespace {

// mpg123 reads the file a frame at a time, two reads per frame (a header,
// then the rest): 275,000 calls for an hour of MP3 read through at opening.
// It reads through this buffer instead, 64 KiB per call to the system.
//
// A reader may stop at byte `fin` of the file: the part of a file that ends
// where another in another format begins reads as a file of its own.
class LectureTamponnee {
public:
    explicit LectureTamponnee(int fd, off_t debut = 0, off_t fin = -1)
        : fd_(fd), base_(debut), fin_(fin), tampon_(64 * 1024) {}

    static mpg123_ssize_t lire(void* moi, void* destination, std::size_t n) {
        auto& l = *static_cast<LectureTamponnee*>(moi);
        auto* sortie = static_cast<char*>(destination);
        std::size_t copie = 0;
        const off_t fin = l.fin_ < 0 ? -1 : l.fin_ - l.base_;
        while (copie < n && (fin < 0 || l.pos_ < fin)) {
            if (l.pos_ < l.debut_ || l.pos_ >= l.debut_ + off_t(l.remplis_)) {
                ssize_t k = ::pread(l.fd_, l.tampon_.data(), l.tampon_.size(), l.base_ + l.pos_);
                if (k < 0 && copie == 0) return -1;
                if (k <= 0) break;
                l.debut_ = l.pos_;
                l.remplis_ = std::size_t(k);
            }
            const std::size_t dans = std::size_t(l.pos_ - l.debut_);
            std::size_t k = std::min(n - copie, l.remplis_ - dans);
            if (fin >= 0) k = std::min(k, std::size_t(fin - l.pos_));
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
        else if (origine == SEEK_END && l.fin_ >= 0)
            cible = l.fin_ - l.base_ + decalage;
        else if (origine == SEEK_END && ::fstat(l.fd_, &st) == 0)
            cible = st.st_size - l.base_ + decalage;
        if (cible < 0) return -1;
        return l.pos_ = cible;
    }

private:
    int fd_;
    off_t base_, fin_;  // the bytes read: [base_, fin_), or to the end of the file when fin_ < 0
    std::vector<char> tampon_;
    off_t pos_ = 0, debut_ = 0;
    std::size_t remplis_ = 0;
};

// One part of the file in one format (rate and channel count), with its own
// mpg123 handle: a file is one part, unless MP3s of different formats were
// put one after the other in it. Each part then plays as the file it was,
// its own encoder's delay and padding trimmed.
struct Partie {
    std::unique_ptr<LectureTamponnee> lecture;
    mpg123_handle* mh = nullptr;
    long taux = 0;
    int canaux = 0;

    Partie() = default;
    Partie(Partie&& p) noexcept
        : lecture(std::move(p.lecture)), mh(std::exchange(p.mh, nullptr)), taux(p.taux), canaux(p.canaux) {}
    ~Partie() { mpg123_delete(mh); }

    // A part whose first frame carries no LAME or Info header has no frame
    // count: mpg123 would guess its length from the first frame's bit rate
    // and the part's size, a fraction or a multiple of the truth for a
    // variable bit rate. Its frames are then read through once, without
    // decoding (bench_audio: BM_OuvertureMp3SansEntete, an hour's file),
    // which gives the exact length and an index that makes every seek land
    // where it is asked.
    void mesurer() {
        long delai = -1;
        double d = 0;
        if (mpg123_getstate(mh, MPG123_ENC_DELAY, &delai, &d) == MPG123_OK && delai >= 0) return;
        mpg123_scan(mh);
    }
};

class DecodeurMpg123 final : public DecodeurPcm {
public:
    DecodeurMpg123(int fd, std::vector<Partie> parties, int frequence, const Signaux* signaux)
        : DecodeurPcm(fd, frequence, signaux), parties_(std::move(parties)) {
        for (const Partie& p : parties_) ajouter_partie(p.taux, p.canaux, mpg123_length(p.mh));
    }

    std::int64_t longueur() const override { return longueur_parties(); }
    const char* nom() const override { return "mpg123"; }

private:
    std::size_t lire(float* sortie, std::size_t n) override {
        mpg123_handle* mh = parties_[partie()].mh;
        std::size_t octets = 0;
        int r = MPG123_OK;
        // The bytes read are in the format of the read, even when it reports
        // a new one: they are counted in its channels, never beyond `n`.
        const std::size_t canaux_lus = std::size_t(canaux_);
        // A read may give nothing without an end: a few more tries.
        for (int essai = 0; essai < 16 && r == MPG123_OK && octets == 0; ++essai)
            r = mpg123_read(mh, sortie, n * canaux_lus * sizeof(float), &octets);
        if (r == MPG123_NEW_FORMAT) {
            long taux = 0;
            int canaux = 0, codage = 0;
            if (mpg123_getformat(mh, &taux, &canaux, &codage) != MPG123_OK || !frequence_jouable(taux) ||
                (canaux != 1 && canaux != 2) || !format(taux, canaux))
                fin_ = true;
        } else if (octets == 0) {
            // The end of this part (its last frames were given by the read
            // before): the next one, if any.
            fin_ = !partie_suivante();
        }
        return octets / (canaux_lus * sizeof(float));
    }
    bool positionner(std::int64_t source) override {
        return mpg123_seek(parties_[partie()].mh, off_t(source), SEEK_SET) >= 0;
    }

    std::vector<Partie> parties_;
};

mpg123_handle* nouvelle_poignee() {
    int erreur = 0;
    mpg123_handle* mh = mpg123_new(nullptr, &erreur);
    if (!mh) return nullptr;
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
    return mh;
}

// Opens the bytes [debut, fin) of `fd` (to the end when fin < 0) as a part:
// MPG123_OK, else mpg123's error; the part's format in `p`.
int ouvrir_partie(int fd, off_t debut, off_t fin, Partie& p) {
    p.mh = nouvelle_poignee();
    if (!p.mh) return MPG123_ERR;
    p.lecture = std::make_unique<LectureTamponnee>(fd, debut, fin);
    int codage = 0;
    int r = mpg123_replace_reader_handle(p.mh, &LectureTamponnee::lire, &LectureTamponnee::chercher, nullptr);
    if (r == MPG123_OK) r = mpg123_open_handle(p.mh, p.lecture.get());
    if (r == MPG123_OK) r = mpg123_getformat(p.mh, &p.taux, &p.canaux, &codage);
    return r;
}

// Where the parts of a file that change its rate or channel count begin
// (MP3s of different formats put one after the other), read through frame
// by frame without decoding; empty when the whole file has one format.
constexpr std::size_t kPartiesMax = 64;

std::vector<off_t> changements_format(int fd) {
    std::vector<off_t> debuts;
    Partie scan;
    if (ouvrir_partie(fd, 0, -1, scan) != MPG123_OK) return debuts;
    long taux = scan.taux;
    int canaux = scan.canaux;
    for (int r; debuts.size() + 1 < kPartiesMax &&
                ((r = mpg123_framebyframe_next(scan.mh)) == MPG123_OK || r == MPG123_NEW_FORMAT);) {
        if (r != MPG123_NEW_FORMAT) continue;
        long t = 0;
        int c = 0, codage = 0;
        if (mpg123_getformat(scan.mh, &t, &c, &codage) != MPG123_OK || (t == taux && c == canaux)) continue;
        const off_t pos = mpg123_framepos(scan.mh);
        if (pos > 0 && (debuts.empty() || pos > debuts.back())) debuts.push_back(pos);
        taux = t;
        canaux = c;
    }
    return debuts;
}

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
    std::vector<Partie> parties(1);
    if (ouvrir_partie(fichier.fd, 0, -1, parties[0]) != MPG123_OK) return Ouverture::Inconnu;
    if (!frequence_jouable(parties[0].taux)) return Ouverture::Injouable;
    const std::vector<off_t> debuts = changements_format(fichier.fd);
    if (!debuts.empty()) {
        // Each part from its first frame to the next part's; a part that
        // cannot be played is left out.
        parties.clear();
        for (std::size_t i = 0; i <= debuts.size(); ++i) {
            Partie p;
            if (ouvrir_partie(fichier.fd, i == 0 ? 0 : debuts[i - 1], i < debuts.size() ? debuts[i] : -1,
                              p) == MPG123_OK &&
                frequence_jouable(p.taux) && (p.canaux == 1 || p.canaux == 2))
                parties.push_back(std::move(p));
        }
        if (parties.empty()) return Ouverture::Inconnu;
    }
    for (Partie& p : parties) p.mesurer();
    const long taux = parties[0].taux;
    const int canaux = parties[0].canaux;
    auto d = std::make_unique<DecodeurMpg123>(fichier.fd, std::move(parties), frequence, signaux);
    if (!d->format(taux, canaux)) {
        d->lacher_fichier();  // the search goes on with it
        return Ouverture::Inconnu;
    }
    fichier.fd = -1;
    decodeur = std::move(d);
    return Ouverture::Ouvert;
}

}  // namespace vt::audio
