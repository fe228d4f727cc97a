#include "ui/bureau/etiquettes_bornes.h"

#include <QTextBoundaryFinder>

#include <zlib.h>

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <string>

namespace vt {

namespace {

std::uint32_t be32(std::string_view o, std::size_t i) {
    return std::uint32_t(std::uint8_t(o[i])) << 24 | std::uint32_t(std::uint8_t(o[i + 1])) << 16 |
           std::uint32_t(std::uint8_t(o[i + 2])) << 8 | std::uint8_t(o[i + 3]);
}

std::uint32_t le32(std::string_view o, std::size_t i) {
    return std::uint32_t(std::uint8_t(o[i + 3])) << 24 | std::uint32_t(std::uint8_t(o[i + 2])) << 16 |
           std::uint32_t(std::uint8_t(o[i + 1])) << 8 | std::uint8_t(o[i]);
}

// Four bytes of seven bits.
std::uint32_t synchsafe(std::string_view o, std::size_t i) {
    std::uint32_t n = 0;
    for (std::size_t k = 0; k < 4; ++k) n = n << 7 | (std::uint8_t(o[i + k]) & 0x7F);
    return n;
}

// The bytes at `position` of `fd`, fewer at the end of the file.
std::string lire(int fd, std::uint64_t position, std::size_t n) {
    std::string s(n, '\0');
    std::size_t fait = 0;
    while (fait < n) {
        const ssize_t r = ::pread(fd, s.data() + fait, n - fait, off_t(position + fait));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        fait += std::size_t(r);
    }
    s.resize(fait);
    return s;
}

// "FF 00" back to "FF", as unsynchronisation stored it.
std::string resynchroniser(std::string_view o) {
    std::string s;
    s.reserve(o.size());
    for (std::size_t i = 0; i < o.size(); ++i) {
        s += o[i];
        if (o[i] == '\xFF' && i + 1 < o.size() && o[i + 1] == '\0') ++i;
    }
    return s;
}

// Walks the frames of one ID3v2 tag, counting them, what their compressed
// ones inflate to and how deep chapters go.
class ParcoursId3v2 {
public:
    explicit ParcoursId3v2(int version) : version_(version) {}

    bool cadres(std::string_view o, int profondeur) {
        if (profondeur > kMaxProfondeur) return false;
        const std::size_t entete = version_ == 2 ? 6 : 10;
        for (std::size_t i = 0; i + entete <= o.size();) {
            if (o[i] == '\0') return true;  // padding
            if (++compte_ > kMaxCadres) return false;
            std::uint32_t taille;
            if (version_ == 2) {
                taille = std::uint32_t(std::uint8_t(o[i + 3])) << 16 |
                         std::uint32_t(std::uint8_t(o[i + 4])) << 8 | std::uint8_t(o[i + 5]);
            } else if (version_ == 3) {
                taille = be32(o, i + 4);
            } else {
                // Some writers put a plain number where seven-bit bytes belong.
                const bool sept_bits = !((o[i + 4] | o[i + 5] | o[i + 6] | o[i + 7]) & 0x80);
                taille = sept_bits ? synchsafe(o, i + 4) : be32(o, i + 4);
            }
            const std::string_view id = o.substr(i, version_ == 2 ? 3 : 4);
            std::string_view donnees =
                o.substr(i + entete, std::min<std::size_t>(taille, o.size() - i - entete));
            if (version_ >= 3 && !cadre(id, std::uint8_t(o[i + 9]), donnees, profondeur)) return false;
            i += entete + std::size_t(taille);
        }
        return true;
    }

private:
    bool cadre(std::string_view id, std::uint8_t drapeaux, std::string_view d, int profondeur) {
        bool compresse, chiffre, groupe, longueur, desynchro = false;
        if (version_ == 3) {
            compresse = drapeaux & 0x80;
            chiffre = drapeaux & 0x40;
            groupe = drapeaux & 0x20;
            longueur = compresse;  // the inflated size comes first
        } else {
            groupe = drapeaux & 0x40;
            compresse = drapeaux & 0x08;
            chiffre = drapeaux & 0x04;
            desynchro = drapeaux & 0x02;
            longueur = drapeaux & 0x01;
        }
        if (chiffre) return true;  // never read
        const std::size_t saut = (groupe ? 1 : 0) + (longueur ? 4 : 0);
        if (d.size() < saut) return true;
        d.remove_prefix(saut);
        std::string clair;
        if (desynchro) d = clair = resynchroniser(d);
        const bool chapitre = id == "CHAP" || id == "CTOC";
        if (compresse) {
            std::string gonfle;
            if (!gonfler(d, chapitre ? &gonfle : nullptr)) return false;
            if (chapitre) clair = std::move(gonfle), d = clair;
        }
        if (!chapitre) return true;
        // The element's id, then CHAP's four times or CTOC's flags and
        // children's ids, then frames of their own.
        std::size_t i = d.find('\0');
        if (i == std::string_view::npos) return true;
        ++i;
        if (id == "CHAP") {
            i += 16;
        } else if (i + 2 <= d.size()) {
            const int enfants = std::uint8_t(d[i + 1]);
            i += 2;
            for (int k = 0; k < enfants && i < d.size(); ++k) {
                const std::size_t fin = d.find('\0', i);
                i = fin == std::string_view::npos ? d.size() : fin + 1;
            }
        }
        return i >= d.size() || cadres(d.substr(i), profondeur + 1);
    }

    // Inflates `d` within what is left of the tag's allowance, keeping the
    // bytes in `sortie` when asked. False past the allowance.
    bool gonfler(std::string_view d, std::string* sortie) {
        z_stream z{};
        if (inflateInit(&z) != Z_OK) return false;
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(d.data()));
        z.avail_in = uInt(d.size());
        std::array<char, 65536> bloc;
        int r = Z_OK;
        while (r == Z_OK) {
            z.next_out = reinterpret_cast<Bytef*>(bloc.data());
            z.avail_out = uInt(bloc.size());
            r = inflate(&z, Z_NO_FLUSH);
            const std::size_t n = bloc.size() - z.avail_out;
            gonfles_ += n;
            if (gonfles_ > kMaxOctetsGonfles) break;
            if (sortie) sortie->append(bloc.data(), n);
            if (n == 0 && r == Z_OK) break;  // no input left
        }
        inflateEnd(&z);
        return gonfles_ <= kMaxOctetsGonfles;
    }

    const int version_;
    int compte_ = 0;
    std::uint64_t gonfles_ = 0;
};

// The ID3v2 tag at `position` of `fd`, if any: within bounds, and its
// whole length (header and footer included) in `longueur`.
bool id3v2_a(int fd, std::uint64_t position, std::uint64_t& longueur) {
    longueur = 0;
    const std::string entete = lire(fd, position, 10);
    if (entete.size() < 10 || entete.compare(0, 3, "ID3") != 0) return true;
    const std::uint32_t taille = synchsafe(entete, 6);
    longueur = 10 + std::uint64_t(taille) + ((entete[5] & 0x10) ? 10 : 0);
    if (taille > kMaxOctetsTag) return false;
    return id3v2_raisonnable(entete + lire(fd, position + 10, taille));
}

// The boxes of an MP4 file from `debut` to `fin`, with the containers that
// TagLib walks opened.
bool boites(int fd, std::uint64_t debut, std::uint64_t fin, int profondeur, int& compte) {
    if (profondeur > kMaxProfondeur) return false;
    static constexpr std::string_view kConteneurs[] = {"moov", "udta", "mdia", "meta", "ilst", "stbl",
                                                       "minf", "moof", "traf", "trak", "stsd"};
    for (std::uint64_t i = debut; i + 8 <= fin;) {
        if (++compte > kMaxCadres) return false;
        const std::string e = lire(fd, i, 16);
        if (e.size() < 8) return true;
        std::uint64_t taille = be32(e, 0);
        std::uint64_t entete = 8;
        if (taille == 1 && e.size() == 16) {
            taille = std::uint64_t(be32(e, 8)) << 32 | be32(e, 12);
            entete = 16;
        }
        if (taille < entete) return true;  // TagLib stops here
        const std::string_view type = std::string_view(e).substr(4, 4);
        for (std::string_view c : kConteneurs) {
            if (type != c) continue;
            const std::uint64_t saut = entete + (type == "meta" ? 4 : type == "stsd" ? 8 : 0);
            if (!boites(fd, i + saut, std::min(fin, i + taille), profondeur + 1, compte)) return false;
        }
        i += taille;
    }
    return true;
}

bool flac_a(int fd, std::uint64_t position) {
    int blocs = 0;
    std::uint64_t total = 0;
    for (std::uint64_t i = position + 4;;) {
        const std::string e = lire(fd, i, 12);
        if (e.size() < 4) return true;
        const std::uint32_t taille = be32(e, 0) & 0xFFFFFF;
        total += 4 + taille;
        if (++blocs > kMaxCadres || total > kMaxOctetsTag) return false;
        // The comments: the vendor's name, then how many follow.
        if ((e[0] & 0x7F) == 4 && e.size() >= 8) {
            const std::string compte = lire(fd, i + 8 + le32(e, 4), 4);
            if (compte.size() == 4 && le32(compte, 0) > std::uint32_t(kMaxCadres)) return false;
        }
        if (e[0] & 0x80) return true;  // the last block
        i += 4 + taille;
    }
}

// The chunks of a RIFF (little-endian sizes) or AIFF (big-endian) file:
// an ID3v2 tag may lie in one named "id3 " or "ID3 ".
bool morceaux(int fd, std::uint64_t taille_fichier, bool petit_boutiste) {
    int compte = 0;
    for (std::uint64_t i = 12; i + 8 <= taille_fichier;) {
        if (++compte > 16 * kMaxCadres) return false;
        const std::string e = lire(fd, i, 8);
        if (e.size() < 8) return true;
        const std::uint64_t taille = petit_boutiste ? le32(e, 4) : be32(e, 4);
        const std::string_view id = std::string_view(e).substr(0, 4);
        std::uint64_t n;
        if ((id == "id3 " || id == "ID3 ") && !id3v2_a(fd, i + 8, n)) return false;
        i += 8 + taille + (taille & 1);
    }
    return true;
}

}  // namespace

bool id3v2_raisonnable(std::string_view tag) {
    if (tag.size() < 10 || tag.substr(0, 3) != "ID3") return true;
    const int version = std::uint8_t(tag[3]);
    const std::uint8_t drapeaux = std::uint8_t(tag[5]);
    std::string_view corps = tag.substr(10, synchsafe(tag, 6));
    std::string clair;
    if (version <= 3 && (drapeaux & 0x80)) corps = clair = resynchroniser(corps);
    if (version >= 3 && (drapeaux & 0x40) && corps.size() >= 4) {  // the extended header
        const std::uint32_t n = version == 3 ? 4 + be32(corps, 0) : synchsafe(corps, 0);
        corps.remove_prefix(std::min<std::size_t>(n, corps.size()));
    }
    return ParcoursId3v2(version).cadres(corps, 0);
}

bool etiquettes_raisonnables(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    const std::uint64_t taille = std::uint64_t(st.st_size);
    std::uint64_t id3 = 0;
    if (!id3v2_a(fd, 0, id3)) return false;
    const std::string debut = lire(fd, id3, 12);
    if (debut.starts_with("fLaC")) return flac_a(fd, id3);
    if (debut.starts_with("RIFF")) return morceaux(fd, taille, true);
    if (debut.starts_with("FORM")) return morceaux(fd, taille, false);
    int compte = 0;
    if (debut.size() >= 8 && debut.compare(4, 4, "ftyp") == 0) return boites(fd, 0, taille, 0, compte);
    return true;
}

QString texte_montrable(const QString& brut, int max) {
    QString t;
    t.reserve(std::min<qsizetype>(brut.size(), qsizetype(max) + 2));
    for (qsizetype i = 0; i < brut.size() && t.size() <= max; ++i) {
        const QChar c = brut[i];
        if (c.isHighSurrogate() && i + 1 < brut.size() && brut[i + 1].isLowSurrogate()) {
            t += c;
            t += brut[++i];
            continue;
        }
        if (c.isSurrogate() || c.category() == QChar::Other_Control) continue;
        if ((c.unicode() >= 0x202A && c.unicode() <= 0x202E) ||
            (c.unicode() >= 0x2066 && c.unicode() <= 0x2069) || c.unicode() == 0x2028 ||
            c.unicode() == 0x2029)
            continue;
        t += c;
    }
    if (t.size() > max) {
        QTextBoundaryFinder f(QTextBoundaryFinder::Grapheme, t);
        f.setPosition(max);
        if (!f.isAtBoundary()) f.toPreviousBoundary();
        t.truncate(std::max<qsizetype>(0, f.position()));
    }
    return t.trimmed();
}

bool image_entiere(std::string_view o) {
    const auto commence = [&](std::string_view debut, std::size_t a = 0) {
        return o.size() >= a + debut.size() && o.substr(a, debut.size()) == debut;
    };
    if (commence("\xFF\xD8\xFF")) return o.ends_with("\xFF\xD9");
    if (commence("\x89PNG\r\n\x1A\n")) {
        for (std::size_t i = 8; i + 12 <= o.size();) {
            const std::uint64_t n = be32(o, i);
            if (o.substr(i + 4, 4) == "IEND") return true;
            i += 12 + n;
        }
        return false;
    }
    if (commence("GIF87a") || commence("GIF89a")) return o.ends_with('\x3B');
    if (commence("BM") && o.size() > 54) return le32(o, 2) <= o.size() && le32(o, 10) < o.size();
    if (commence("RIFF") && commence("WEBP", 8)) return std::uint64_t(le32(o, 4)) + 8 <= o.size();
    return false;
}

}  // namespace vt
