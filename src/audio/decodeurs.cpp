#include "audio/decodeurs.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>

namespace vt::audio {

namespace {

bool tout(std::string_view) { return true; }
bool pas_mpeg(std::string_view debut) { return !entete_mpeg(debut); }

// libsndfile would take MPEG audio to mpg123 as well (which, through it,
// prints its warnings): what mpg123 does not play goes to FFmpeg.
constexpr EntreeDecodeur kDecodeurs[] = {
    {"mpg123", &entete_mpeg, &ouvrir_mpg123, true},
    {"libsndfile", &pas_mpeg, &ouvrir_sndfile, true},
    {"FFmpeg", &tout, &ouvrir_ffmpeg, false},
};

bool garde(const EntreeDecodeur& e, ChoixDecodeurs choix) {
    return choix == ChoixDecodeurs::Tous || e.leger == (choix == ChoixDecodeurs::SansFFmpeg);
}

}  // namespace

std::span<const EntreeDecodeur> table_decodeurs() { return kDecodeurs; }

Ouverture ouvrir_decodeur(std::span<const EntreeDecodeur> table, ChoixDecodeurs choix,
                          const std::string& chemin, int frequence, const Signaux* signaux,
                          std::unique_ptr<Decodeur>& decodeur) {
    // Only regular files: a directory, a FIFO or a device could block or never end.
    FichierAudio f{chemin, ::open(chemin.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK), {}};
    if (f.fd < 0) return Ouverture::Injouable;
    struct stat st {};
    char debut[kOctetsDebut] = {};
    ssize_t lus = 0;
    if (::fstat(f.fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0 ||
        (lus = ::pread(f.fd, debut, sizeof debut, 0)) <= 0) {
        ::close(f.fd);
        return Ouverture::Injouable;
    }
    f.debut = std::string_view(debut, std::size_t(lus));
    Ouverture o = Ouverture::Inconnu;
    for (const EntreeDecodeur& e : table) {
        if (!garde(e, choix) || !e.prend(f.debut)) continue;
        // Each row reads the file from its start, whatever the one before read.
        if (f.fd >= 0) ::lseek(f.fd, 0, SEEK_SET);
        o = e.ouvrir(f, frequence, signaux, decodeur);
        if (o != Ouverture::Inconnu) break;
    }
    if (f.fd >= 0) ::close(f.fd);
    return o;
}

namespace {
std::atomic<bool> module_ffmpeg_pret{false};
std::atomic<int> chargements_ffmpeg{0};
}  // namespace

bool module_ffmpeg_en_chargement() { return chargements_ffmpeg.load() > 0; }

// FFmpeg reads the file by its path: its library is opened by the first
// file that comes this far.
Ouverture ouvrir_ffmpeg(FichierAudio& fichier, int frequence, const Signaux* signaux,
                        std::unique_ptr<Decodeur>& decodeur) {
    const bool charger = !module_ffmpeg_pret.load();
    if (charger) ++chargements_ffmpeg;
    CreerDecodeurFFmpeg creer = fabrique_ffmpeg();
    if (charger) {
        module_ffmpeg_pret = true;
        --chargements_ffmpeg;
    }
    if (!creer) return Ouverture::Inconnu;
    decodeur.reset(creer(fichier.chemin.c_str(), frequence, signaux));
    return decodeur ? Ouverture::Ouvert : Ouverture::Inconnu;
}

}  // namespace vt::audio
