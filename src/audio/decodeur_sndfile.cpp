// The libsndfile decoder: WAV, FLAC, Ogg Vorbis and Opus, mono or stereo;
// a chained Ogg file link after link, each in its own rate and channels.
#include "audio/decodeur_pcm.h"
#include "audio/decodeurs.h"

#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace vt::audio {

namespace {

// libsndfile reads the file through these calls rather than through the
// descriptor: it closes a descriptor it fails to open (whatever it is told),
// which may by then be another thread's file. It reads the bytes
// [base, base + taille) of the file as a whole file: one link of a chained
// Ogg stream, or the file itself.
//
// A few bytes of a header may be read as other values than the file's
// (`remplacement` at `champ`, within those bytes):
// - a WAV whose data chunk says it holds 0 bytes, as programs that write a
//   stream and never come back to its header leave it, is read with the size
//   that the rest of the file gives in place of the 0 (libsndfile would read
//   nothing), as it already reads one whose size says 0xFFFFFFFF;
// - a FLAC whose header says its length is 0 (unknown, as a stream encoded
//   on the fly leaves it) is read with its true length there: without one
//   libsndfile gives no length and refuses every seek.
class LectureFichier {
public:
    LectureFichier(int fd, sf_count_t base, sf_count_t taille, sf_count_t champ = -1,
                   std::string remplacement = {})
        : fd_(fd), base_(base), taille_(taille), champ_(champ), remplacement_(std::move(remplacement)) {}
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
        n = std::min(n, l.taille_ - l.pos_);
        if (n <= 0) return 0;
        ssize_t k = ::pread(l.fd_, tampon, std::size_t(n), l.base_ + l.pos_);
        if (k <= 0) return 0;
        auto* o = static_cast<unsigned char*>(tampon);
        const sf_count_t fin_champ = l.champ_ + sf_count_t(l.remplacement_.size());
        if (l.champ_ >= 0)
            for (sf_count_t i = std::max(l.pos_, l.champ_); i < std::min(l.pos_ + k, fin_champ); ++i)
                o[i - l.pos_] = static_cast<unsigned char>(l.remplacement_[std::size_t(i - l.champ_)]);
        l.pos_ += k;
        return k;
    }

    int fd_;
    sf_count_t base_, taille_, champ_, pos_ = 0;
    std::string remplacement_;
};

std::uint32_t mot(const unsigned char* o) {
    return std::uint32_t(o[0]) | std::uint32_t(o[1]) << 8 | std::uint32_t(o[2]) << 16 |
           std::uint32_t(o[3]) << 24;
}

bool lire_a(int fd, void* o, std::size_t n, sf_count_t pos) { return ::pread(fd, o, n, pos) == ssize_t(n); }

// A RIFF WAVE file whose data chunk's size field says 0 while sound follows:
// that field's place and the size the rest of the file gives. {-1, ""} otherwise.
std::pair<sf_count_t, std::string> taille_donnees_nulle(int fd, std::string_view debut, sf_count_t taille) {
    if (debut.size() < 12 || debut.substr(0, 4) != "RIFF" || debut.substr(8, 4) != "WAVE") return {-1, {}};
    sf_count_t pos = 12;
    for (int morceaux = 0; morceaux < 64 && pos + 8 <= taille; ++morceaux) {
        unsigned char entete[8];
        if (!lire_a(fd, entete, sizeof entete, pos)) return {-1, {}};
        const std::uint32_t n = mot(entete + 4);
        if (std::memcmp(entete, "data", 4) == 0) {
            if (n != 0 || pos + 8 >= taille) return {-1, {}};
            const std::uint32_t reste =
                std::uint32_t(std::min<std::uint64_t>(std::uint64_t(taille - pos - 8), 0xFFFFFFFFu));
            std::string o(4, '\0');
            for (int i = 0; i < 4; ++i) o[std::size_t(i)] = char(reste >> (8 * i));
            return {pos + 4, o};
        }
        pos += 8 + sf_count_t(n) + (n & 1);
    }
    return {-1, {}};
}

// ---------------------------------------------------------------- FLAC

std::uint8_t crc8_flac(const unsigned char* o, std::size_t n) {
    std::uint8_t c = 0;
    for (std::size_t i = 0; i < n; ++i) {
        c ^= o[i];
        for (int b = 0; b < 8; ++b) c = std::uint8_t(c & 0x80 ? (c << 1) ^ 0x07 : c << 1);
    }
    return c;
}

std::uint16_t crc16_flac(const unsigned char* o, std::size_t n) {
    std::uint16_t c = 0;
    for (std::size_t i = 0; i < n; ++i) {
        c ^= std::uint16_t(o[i] << 8);
        for (int b = 0; b < 8; ++b) c = std::uint16_t(c & 0x8000 ? (c << 1) ^ 0x8005 : c << 1);
    }
    return c;
}

// The frames a FLAC stream holds, from its last frame's header: the number
// of its first sample (or its frame number times the stream's block size)
// plus its block size. The header is the last one in the file's tail whose
// own check (CRC-8) holds and whose frame, to the end of the file (or to an
// ID3v1 tag), passes its CRC-16. 0 when none does.
std::int64_t trames_flac_fin(int fd, sf_count_t taille, unsigned bloc_max, unsigned trame_max) {
    const sf_count_t fenetre =
        std::min<sf_count_t>(taille, std::max<sf_count_t>(65536, 2 * sf_count_t(trame_max) + 64));
    std::vector<unsigned char> o(static_cast<std::size_t>(fenetre));
    if (!lire_a(fd, o.data(), o.size(), taille - fenetre)) return 0;
    std::size_t fin = o.size();
    if (fin >= 128 && std::memcmp(&o[fin - 128], "TAG", 3) == 0) fin -= 128;
    for (std::size_t i = fin < 16 ? 0 : fin - 16; i-- > 0;) {
        if (o[i] != 0xFF || (o[i + 1] & 0xFE) != 0xF8) continue;
        const unsigned code_bloc = o[i + 2] >> 4, code_taux = o[i + 2] & 0x0F;
        if (code_bloc == 0 || code_taux == 15 || (o[i + 3] >> 4) > 10 || (o[i + 3] & 1)) continue;
        // The frame's (or first sample's) number, UTF-8 coded on up to 7 bytes.
        std::size_t j = i + 4;
        std::uint64_t numero = o[j];
        int suite = 0;
        if (numero >= 0x80) {
            suite = numero >= 0xFE   ? 6
                    : numero >= 0xFC ? 5
                    : numero >= 0xF8 ? 4
                    : numero >= 0xF0 ? 3
                    : numero >= 0xE0 ? 2
                    : numero >= 0xC0 ? 1
                                     : -1;
            if (suite < 0) continue;
            numero &= 0x3Fu >> suite;
        }
        if (j + std::size_t(suite) + 6 > fin) continue;
        bool valide = true;
        for (int k = 1; k <= suite; ++k) {
            valide = valide && (o[j + std::size_t(k)] & 0xC0) == 0x80;
            numero = numero << 6 | (o[j + std::size_t(k)] & 0x3F);
        }
        if (!valide) continue;
        j += 1 + std::size_t(suite);
        std::uint64_t bloc = code_bloc == 1   ? 192
                             : code_bloc <= 5 ? 576u << (code_bloc - 2)
                             : code_bloc >= 8 ? 256u << (code_bloc - 8)
                                              : 0;
        if (code_bloc == 6)
            bloc = o[j++] + 1u;
        else if (code_bloc == 7)
            bloc = (unsigned(o[j]) << 8 | o[j + 1]) + 1u, j += 2;
        j += code_taux == 12 ? 1 : code_taux == 13 || code_taux == 14 ? 2 : 0;
        if (j + 3 > fin || crc8_flac(&o[i], j - i) != o[j]) continue;
        if (crc16_flac(&o[i], fin - 2 - i) != (unsigned(o[fin - 2]) << 8 | o[fin - 1])) continue;
        const bool variable = o[i + 1] & 1;
        return std::int64_t(variable ? numero : numero * bloc_max) + std::int64_t(bloc);
    }
    return 0;
}

// A FLAC file whose STREAMINFO says its length is 0: where its 36-bit length field starts (its first byte's
// high half holds the sample size) and what to read there, the length found from the last frame, else by
// decoding the file through once. {-1, ""} otherwise.
std::pair<sf_count_t, std::string> longueur_flac_nulle(int fd, std::string_view debut, sf_count_t taille) {
    unsigned char o[4 + 4 + 34];
    if (debut.substr(0, 4) != "fLaC" || !lire_a(fd, o, sizeof o, 0) || (o[4] & 0x7F) != 0) return {-1, {}};
    const unsigned char* info = o + 8;
    if ((info[13] & 0x0F) != 0 || info[14] != 0 || info[15] != 0 || info[16] != 0 || info[17] != 0)
        return {-1, {}};
    const unsigned bloc_max = unsigned(info[2]) << 8 | info[3];
    const unsigned trame_max = unsigned(info[7]) << 16 | unsigned(info[8]) << 8 | info[9];
    std::int64_t trames = trames_flac_fin(fd, taille, bloc_max, trame_max);
    if (trames <= 0) {
        LectureFichier lecture(fd, 0, taille);
        SF_INFO si{};
        if (SNDFILE* sf = sf_open_virtual(LectureFichier::fonctions(), SFM_READ, &si, &lecture)) {
            std::vector<float> tampon(4096 * std::size_t(std::max(si.channels, 1)));
            for (sf_count_t k; (k = sf_readf_float(sf, tampon.data(), 4096)) > 0;) trames += k;
            sf_close(sf);
        }
    }
    if (trames <= 0 || trames >= (std::int64_t(1) << 36)) return {-1, {}};
    std::string r(5, '\0');
    r[0] = char((info[13] & 0xF0) | std::uint64_t(trames) >> 32);
    for (int i = 1; i < 5; ++i) r[std::size_t(i)] = char(std::uint64_t(trames) >> (8 * (4 - i)));
    return {8 + 13, r};
}

// ---------------------------------------------------------------- Ogg chains

// The links of a chained Ogg file (logical streams one after the other,
// as `cat a.ogg b.ogg` makes): where each one starts, in order; empty for a
// file of one link. A link starts with a run of pages that begin a stream
// (several for streams multiplexed together). A file whose last page
// belongs to its first stream is one link: only the others are read
// through, page by page.
constexpr std::size_t kMaillonsMax = 64;

std::vector<sf_count_t> maillons_ogg(int fd, std::string_view debut, sf_count_t taille) {
    if (debut.substr(0, 4) != "OggS" || taille < 27) return {};
    unsigned char page[27 + 255];
    const sf_count_t fenetre = std::min<sf_count_t>(taille, 65536);
    std::vector<unsigned char> queue(static_cast<std::size_t>(fenetre));
    if (!lire_a(fd, page, 27, 0) || !lire_a(fd, queue.data(), queue.size(), taille - fenetre)) return {};
    std::size_t i = queue.size() >= 27 ? queue.size() - 27 + 1 : 0;
    while (i-- > 0 && !(std::memcmp(&queue[i], "OggS", 4) == 0 && queue[i + 4] == 0)) {
    }
    if (i == std::size_t(-1) || mot(&queue[i + 14]) == mot(page + 14)) return {};
    std::vector<sf_count_t> debuts;
    bool debut_precedent = false;
    for (sf_count_t pos = 0; pos + 27 <= taille && debuts.size() <= kMaillonsMax;) {
        if (!lire_a(fd, page, 27, pos) || std::memcmp(page, "OggS", 4) != 0 ||
            !lire_a(fd, page + 27, page[26], pos + 27))
            break;
        sf_count_t n = 27 + page[26];
        for (int s = 0; s < page[26]; ++s) n += page[27 + s];
        const bool commence = page[5] & 0x02;
        if (commence && !debut_precedent) debuts.push_back(pos);
        debut_precedent = commence;
        pos += n;
    }
    if (debuts.size() < 2) return {};
    if (debuts.size() > kMaillonsMax) debuts.resize(kMaillonsMax);
    return debuts;
}

// The frames a single-stream Ogg Vorbis file cut short holds (a copy or a
// download that stopped): the granule position of its last whole page, one
// whose bytes are all there and match its checksum; -1 when the file does
// not start a Vorbis stream or no such page is found near its end.
// libsndfile finds no length for such a file (it looks at its last page
// only), and the file showed none.
std::uint32_t crc_ogg(const unsigned char* o, std::size_t n) {
    std::uint32_t crc = 0;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= std::uint32_t(o[i]) << 24;
        for (int b = 0; b < 8; ++b) crc = crc & 0x80000000u ? crc << 1 ^ 0x04C11DB7u : crc << 1;
    }
    return crc;
}

std::int64_t trames_ogg_coupe(int fd, sf_count_t taille) {
    char premiere[64];
    if (taille < sf_count_t(sizeof premiere) || !lire_a(fd, premiere, sizeof premiere, 0)) return -1;
    const std::string_view debut(premiere, sizeof premiere);
    if (debut.substr(0, 4) != "OggS" || debut.find("\x01vorbis") == std::string_view::npos) return -1;
    // A page holds at most 27 + 255 + 255 * 255 bytes: the last whole one
    // starts within two of them from the end.
    const sf_count_t fenetre = std::min<sf_count_t>(taille, 2 * 65307);
    std::vector<unsigned char> o(static_cast<std::size_t>(fenetre));
    if (!lire_a(fd, o.data(), o.size(), taille - fenetre)) return -1;
    const std::string_view serie = debut.substr(14, 4);
    for (std::size_t i = o.size() >= 27 ? o.size() - 27 + 1 : 0; i-- > 0;) {
        if (std::memcmp(&o[i], "OggS", 4) != 0 || o[i + 4] != 0 ||
            std::memcmp(&o[i + 14], serie.data(), 4) != 0 || i + 27 + o[i + 26] > o.size())
            continue;
        std::size_t n = 27 + o[i + 26];
        for (int s = 0; s < o[i + 26]; ++s) n += o[i + 27 + std::size_t(s)];
        if (i + n > o.size()) continue;
        std::vector<unsigned char> page(o.begin() + std::ptrdiff_t(i), o.begin() + std::ptrdiff_t(i + n));
        const std::uint32_t attendu = mot(&page[22]);
        std::fill(page.begin() + 22, page.begin() + 26, 0);
        std::int64_t granule = 0;
        for (int b = 7; b >= 0; --b) granule = granule << 8 | page[std::size_t(6 + b)];
        if (crc_ogg(page.data(), page.size()) == attendu && granule > 0) return granule;
    }
    return -1;
}

// ---------------------------------------------------------------- decoder

// One logical stream of the file (the file itself, or a link of a chain),
// open in libsndfile.
struct Maillon {
    std::unique_ptr<LectureFichier> lecture;  // what libsndfile reads through
    SNDFILE* sf = nullptr;
    SF_INFO info{};
};

class DecodeurSndfile final : public DecodeurPcm {
public:
    DecodeurSndfile(int fd, std::vector<Maillon> maillons, int frequence, const Signaux* signaux)
        : DecodeurPcm(fd, frequence, signaux), maillons_(std::move(maillons)) {
        for (const Maillon& m : maillons_)
            ajouter_partie(m.info.samplerate, m.info.channels,
                           m.info.frames < SF_COUNT_MAX ? m.info.frames : 0);
    }
    ~DecodeurSndfile() override {
        for (Maillon& m : maillons_) sf_close(m.sf);
    }

    std::int64_t longueur() const override { return longueur_parties(); }
    const char* nom() const override { return "libsndfile"; }

private:
    std::size_t lire(float* sortie, std::size_t n) override {
        sf_count_t k = sf_readf_float(maillons_[partie()].sf, sortie, sf_count_t(n));
        if (k > 0) return std::size_t(k);
        fin_ = !partie_suivante();
        return 0;
    }
    bool positionner(std::int64_t source) override {
        return sf_seek(maillons_[partie()].sf, sf_count_t(source), SEEK_SET) >= 0;
    }

    std::vector<Maillon> maillons_;
};

// Opens the bytes [base, base + taille) of `fd` in libsndfile, as read
// through `lecture`. Ouvert with the link; Inconnu when libsndfile does not
// read them, Injouable when their rate or channels cannot be played.
Ouverture ouvrir_maillon(std::unique_ptr<LectureFichier> lecture, Maillon& m) {
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
    m.lecture = std::move(lecture);
    m.sf = sf;
    m.info = info;
    return o;
}

}  // namespace

Ouverture ouvrir_sndfile(FichierAudio& fichier, int frequence, const Signaux* signaux,
                         std::unique_ptr<Decodeur>& decodeur) {
    const int fd = fichier.fd;
    struct stat st {};
    if (::fstat(fd, &st) != 0) return Ouverture::Inconnu;
    std::vector<Maillon> maillons;
    const std::vector<sf_count_t> debuts = maillons_ogg(fd, fichier.debut, st.st_size);
    if (debuts.empty()) {
        auto [champ, octets] = taille_donnees_nulle(fd, fichier.debut, st.st_size);
        if (champ < 0) std::tie(champ, octets) = longueur_flac_nulle(fd, fichier.debut, st.st_size);
        maillons.emplace_back();
        const Ouverture o =
            ouvrir_maillon(std::make_unique<LectureFichier>(fd, 0, st.st_size, champ, octets), maillons[0]);
        if (o != Ouverture::Ouvert) return o;
        sf_count_t& trames = maillons[0].info.frames;
        if (trames <= 0 || trames == SF_COUNT_MAX)
            if (const std::int64_t n = trames_ogg_coupe(fd, st.st_size); n > 0) trames = n;
    } else {
        // A link that cannot be played is left out; the chain plays when its first link does.
        for (std::size_t i = 0; i < debuts.size(); ++i) {
            const sf_count_t fin = i + 1 < debuts.size() ? debuts[i + 1] : st.st_size;
            Maillon m;
            const Ouverture o =
                ouvrir_maillon(std::make_unique<LectureFichier>(fd, debuts[i], fin - debuts[i]), m);
            if (o == Ouverture::Ouvert)
                maillons.push_back(std::move(m));
            else if (i == 0)
                return o;
        }
    }
    fichier.fd = -1;
    const SF_INFO premier = maillons[0].info;
    auto d = std::make_unique<DecodeurSndfile>(fd, std::move(maillons), frequence, signaux);
    if (!d->format(premier.samplerate, premier.channels)) return Ouverture::Inconnu;  // d closes fd
    decodeur = std::move(d);
    return Ouverture::Ouvert;
}

}  // namespace vt::audio
