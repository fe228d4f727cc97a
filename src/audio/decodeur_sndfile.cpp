// The libsndfile decoder: WAV, FLAC, Ogg Vorbis and Opus, mono or stereo.
#include "audio/decodeur_pcm.h"
#include "audio/decodeurs.h"

#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cstring>

namespace vt::audio {

namespace {

// libsndfile reads the file through these calls rather than through the
// descriptor: it closes a descriptor it fails to open (whatever it is told),
// which may by then be another thread's file.
//
// A WAV whose data chunk says it holds 0 bytes, as programs that write a
// stream and never come back to its header leave it, is read with the size
// that the rest of the file gives in place of the 0 (libsndfile would read
// nothing), as it already reads one whose size says 0xFFFFFFFF.
class LectureFichier {
public:
    // `champ`: where the data size to replace lies, or -1.
    LectureFichier(int fd, sf_count_t taille, sf_count_t champ) : fd_(fd), taille_(taille), champ_(champ) {
        const std::uint64_t reste = champ < 0 ? 0 : std::uint64_t(taille - champ - 4);
        const std::uint32_t n = std::uint32_t(std::min<std::uint64_t>(reste, 0xFFFFFFFFu));
        for (int i = 0; i < 4; ++i) octets_[i] = static_cast<unsigned char>(n >> (8 * i));
    }
    static SF_VIRTUAL_IO* fonctions() {
        static SF_VIRTUAL_IO f{&taille, &chercher, &lire, &ecrire, &position};
        return &f;
    }

private:
    static LectureFichier& moi(void* u) { return *static_cast<LectureFichier*>(u); }
    static sf_count_t taille(void* u) { return moi(u).taille_; }
    static sf_count_t position(void* u) { return moi(u).pos_; }
    static sf_count_t ecrire(const void*, sf_count_t, void*) { return 0; }
    static sf_count_t chercher(sf_count_t decalage, int origine, void* u) {
        LectureFichier& l = moi(u);
        sf_count_t cible = origine == SEEK_SET   ? decalage
                           : origine == SEEK_CUR ? l.pos_ + decalage
                           : origine == SEEK_END ? l.taille_ + decalage
                                                 : -1;
        if (cible < 0) return -1;
        return l.pos_ = cible;
    }
    static sf_count_t lire(void* tampon, sf_count_t n, void* u) {
        LectureFichier& l = moi(u);
        ssize_t k = ::pread(l.fd_, tampon, std::size_t(n), l.pos_);
        if (k <= 0) return 0;
        auto* o = static_cast<unsigned char*>(tampon);
        if (l.champ_ >= 0)
            for (sf_count_t i = std::max(l.pos_, l.champ_); i < std::min(l.pos_ + k, l.champ_ + 4); ++i)
                o[i - l.pos_] = l.octets_[i - l.champ_];
        l.pos_ += k;
        return k;
    }

    int fd_;
    sf_count_t taille_, champ_, pos_ = 0;
    unsigned char octets_[4];
};

std::uint32_t mot(const unsigned char* o) {
    return std::uint32_t(o[0]) | std::uint32_t(o[1]) << 8 | std::uint32_t(o[2]) << 16 |
           std::uint32_t(o[3]) << 24;
}

// Where the size field of a RIFF WAVE file's data chunk lies when it says 0
// and sound follows; -1 otherwise.
sf_count_t taille_donnees_nulle(int fd, std::string_view debut, sf_count_t taille) {
    if (debut.size() < 12 || debut.substr(0, 4) != "RIFF" || debut.substr(8, 4) != "WAVE") return -1;
    sf_count_t pos = 12;
    for (int morceaux = 0; morceaux < 64 && pos + 8 <= taille; ++morceaux) {
        unsigned char entete[8];
        if (::pread(fd, entete, sizeof entete, pos) != ssize_t(sizeof entete)) return -1;
        const std::uint32_t n = mot(entete + 4);
        if (std::memcmp(entete, "data", 4) == 0) return n == 0 && pos + 8 < taille ? pos + 4 : -1;
        pos += 8 + sf_count_t(n) + (n & 1);
    }
    return -1;
}

class DecodeurSndfile final : public DecodeurPcm {
public:
    DecodeurSndfile(int fd, std::unique_ptr<LectureFichier> lecture, SNDFILE* sf, const SF_INFO& info,
                    int frequence, const Signaux* signaux)
        : DecodeurPcm(fd, frequence, signaux), lecture_(std::move(lecture)), sf_(sf), info_(info) {}
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

    std::unique_ptr<LectureFichier> lecture_;  // what libsndfile reads through
    SNDFILE* sf_;
    SF_INFO info_;
};

}  // namespace

Ouverture ouvrir_sndfile(FichierAudio& fichier, int frequence, const Signaux* signaux,
                         std::unique_ptr<Decodeur>& decodeur) {
    const int fd = fichier.fd;
    struct stat st {};
    if (::fstat(fd, &st) != 0) return Ouverture::Inconnu;
    auto lecture =
        std::make_unique<LectureFichier>(fd, st.st_size, taille_donnees_nulle(fd, fichier.debut, st.st_size));
    SF_INFO info{};
    SNDFILE* sf = sf_open_virtual(LectureFichier::fonctions(), SFM_READ, &info, lecture.get());
    if (!sf) return Ouverture::Inconnu;
    Ouverture o = Ouverture::Ouvert;
    if (!frequence_jouable(info.samplerate))
        o = Ouverture::Injouable;
    else if (info.channels != 1 && info.channels != 2)
        // Files of more than two channels are left to FFmpeg, which knows
        // their layouts' down-mixes.
        o = info.channels > 2 ? Ouverture::Inconnu : Ouverture::Injouable;
    if (o != Ouverture::Ouvert) {
        sf_close(sf);
        return o;
    }
    fichier.fd = -1;
    auto d = std::make_unique<DecodeurSndfile>(fd, std::move(lecture), sf, info, frequence, signaux);
    if (!d->format(info.samplerate, info.channels)) return Ouverture::Inconnu;  // d closes fd
    decodeur = std::move(d);
    return Ouverture::Ouvert;
}

}  // namespace vt::audio
