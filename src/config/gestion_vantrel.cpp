#include "config/gestion_vantrel.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace vt {

std::optional<std::string_view> valeur_suivante(std::string_view texte, std::size_t& pos) {
    const std::size_t ouvre = texte.find('"', pos);
    if (ouvre == std::string_view::npos) return std::nullopt;
    const std::size_t ferme = texte.find('"', ouvre + 1);
    if (ferme == std::string_view::npos) return std::nullopt;
    pos = ferme + 1;
    return texte.substr(ouvre + 1, ferme - ouvre - 1);
}

std::size_t nombre_valeurs_quotees(std::string_view texte) {
    return static_cast<std::size_t>(std::count(texte.begin(), texte.end(), '"')) / 2;
}

std::vector<std::string_view> valeurs_quotees(std::string_view texte) {
    std::vector<std::string_view> out;
    std::size_t pos = 0;
    while (std::optional<std::string_view> v = valeur_suivante(texte, pos)) out.push_back(*v);
    return out;
}

std::string_view valeur_quotee(std::string_view texte, unsigned n) {
    if (n == 0) return {};
    std::size_t pos = 0;
    for (unsigned i = 1;; ++i) {
        std::size_t ouvre = texte.find('"', pos);
        if (ouvre == std::string_view::npos) return {};
        std::size_t ferme = texte.find('"', ouvre + 1);
        if (ferme == std::string_view::npos) return {};
        if (i == n) return texte.substr(ouvre + 1, ferme - ouvre - 1);
        pos = ferme + 1;
    }
}

bool fichier_lisible(const std::string& chemin) {
    if (chemin.empty() || chemin.find('\0') != std::string::npos) return false;
    int fd = ::open(chemin.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
    ::close(fd);
    return ok;
}

void ajouter_valeur(std::string& texte, std::string_view valeur) {
    texte.push_back('"');
    texte.append(valeur);
    texte.push_back('"');
}

namespace {
const AppelsEcriture* appels_tests = nullptr;
}  // namespace

void definir_appels_ecriture(const AppelsEcriture* appels) { appels_tests = appels; }

namespace {
int appel_fsync(int fd) {
    return appels_tests && appels_tests->fsync ? appels_tests->fsync(fd) : ::fsync(fd);
}
int appel_rename(const char* de, const char* vers) {
    return appels_tests && appels_tests->rename ? appels_tests->rename(de, vers) : ::rename(de, vers);
}
}  // namespace

bool nom_temporaire_de(std::string_view nom, std::string_view cible) {
    constexpr std::size_t kSuffixe = 6;  // mkstemp's XXXXXX
    if (cible.empty() || nom.size() != 1 + cible.size() + 1 + kSuffixe) return false;
    if (nom[0] != '.' || nom.substr(1, cible.size()) != cible || nom[1 + cible.size()] != '.') return false;
    for (char c : nom.substr(nom.size() - kSuffixe))
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
    return true;
}

int retirer_restes_ecriture(const std::string& dossier,
                            const std::function<bool(std::string_view)>& cible_visee,
                            std::chrono::seconds age) {
    if (dossier.find('\0') != std::string::npos) return 0;
    const std::string base = dossier.empty()         ? std::string("./")
                             : dossier.back() == '/' ? dossier
                                                     : dossier + "/";
    DIR* d = ::opendir(base.c_str());
    if (!d) return 0;
    const std::time_t maintenant = std::time(nullptr);
    constexpr std::size_t kSuffixe = 1 + 6;
    int retires = 0;
    while (const dirent* e = ::readdir(d)) {
        std::string_view nom(e->d_name);
        if (nom.size() <= 1 + kSuffixe || nom[0] != '.') continue;
        std::string_view cible = nom.substr(1, nom.size() - 1 - kSuffixe);
        if (!nom_temporaire_de(nom, cible) || !cible_visee(cible)) continue;
        const std::string chemin = base + std::string(nom);
        struct stat st {};
        if (::lstat(chemin.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        if (st.st_uid != ::geteuid()) continue;
        if (maintenant - st.st_mtime <= std::time_t(age.count())) continue;
        if (::unlink(chemin.c_str()) == 0) ++retires;
    }
    ::closedir(d);
    return retires;
}

namespace {
char minuscule_ascii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

bool finit_par_vtlist(std::string_view nom) {
    constexpr std::string_view kExtension = ".vtlist";
    if (nom.size() < kExtension.size()) return false;
    std::string_view fin = nom.substr(nom.size() - kExtension.size());
    for (std::size_t k = 0; k < fin.size(); ++k)
        if (minuscule_ascii(fin[k]) != kExtension[k]) return false;
    return true;
}

void retirer_restes_au_demarrage(const std::string& fichier_config,
                                 const std::optional<std::string>& rep_playlist) {
    auto dossier = [](const std::string& chemin) {
        std::size_t sep = chemin.find_last_of("/\\");
        return sep == std::string::npos ? std::string() : chemin.substr(0, sep + 1);
    };
    const std::string nom_config = fichier_config.substr(dossier(fichier_config).size());
    retirer_restes_ecriture(dossier(fichier_config),
                            [&](std::string_view cible) { return cible == nom_config; });
    if (rep_playlist) retirer_restes_ecriture(dossier(*rep_playlist), finit_par_vtlist);
}

}  // namespace vt

bool gestion_vantrel::charger(const std::string& chemin) {
    if (chemin.empty() || chemin.find('\0') != std::string::npos) return false;
    int fd = ::open(chemin.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    std::string contenu;
    contenu.resize(static_cast<std::size_t>(st.st_size));
    std::size_t lu = 0;
    // Read until end of file: the size is only a hint if the file grows or
    // shrinks while we read.
    for (;;) {
        if (lu == contenu.size()) contenu.resize(contenu.size() + 4096);
        ssize_t n = ::read(fd, contenu.data() + lu, contenu.size() - lu);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return false;
        }
        if (n == 0) break;
        lu += static_cast<std::size_t>(n);
    }
    ::close(fd);
    contenu.resize(lu);
    texte = std::move(contenu);
    return true;
}

std::string gestion_vantrel::valeur(unsigned n) const { return std::string(vt::valeur_quotee(texte, n)); }

unsigned gestion_vantrel::nombre_valeurs() const {
    std::size_t guillemets = 0;
    for (char c : texte)
        if (c == '"') ++guillemets;
    return static_cast<unsigned>(guillemets / 2);
}

std::vector<std::string> gestion_vantrel::valeurs() const {
    auto vues = vt::valeurs_quotees(texte);
    return std::vector<std::string>(vues.begin(), vues.end());
}

namespace {

bool ecrire_tout(int fd, std::string_view octets) {
    while (!octets.empty()) {
        ssize_t n = ::write(fd, octets.data(), octets.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        octets.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

namespace {

// Where the bytes for `chemin` go: the file at the end of its links (the
// links stay), or `chemin` itself. A link that leads nowhere yet names the
// file to create. Empty when the links loop.
std::string fichier_vise(const std::string& chemin) {
    std::string courant = chemin;
    for (int niveau = 0; niveau < 40; ++niveau) {
        struct stat st {};
        if (::lstat(courant.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return courant;
        std::string lien(PATH_MAX, '\0');
        ssize_t n = ::readlink(courant.c_str(), lien.data(), lien.size());
        if (n <= 0 || std::size_t(n) >= lien.size()) return std::string();
        lien.resize(std::size_t(n));
        if (lien[0] == '/') {
            courant = lien;
        } else {
            std::size_t sep = courant.find_last_of('/');
            courant = (sep == std::string::npos ? std::string() : courant.substr(0, sep + 1)) + lien;
        }
    }
    return std::string();
}

}  // namespace

bool gestion_vantrel::ecrire(const std::string& chemin, std::string_view texte_a_ecrire) const {
    return vt::ecrire_fichier(chemin, texte_a_ecrire) == 0;
}

int vt::ecrire_fichier(const std::string& chemin_donne, std::string_view texte_a_ecrire) {
    if (chemin_donne.empty() || chemin_donne.find('\0') != std::string::npos) return EINVAL;
    const std::string chemin = fichier_vise(chemin_donne);
    if (chemin.empty()) return ELOOP;
    // Only a regular file is replaced: a device node, a pipe, a socket or a
    // folder at the end of the links stays what it is (renaming over
    // /dev/null would replace the system's own). A missing file is created.
    struct stat cible {};
    if (::lstat(chemin.c_str(), &cible) == 0 && !S_ISREG(cible.st_mode))
        return S_ISDIR(cible.st_mode) ? EISDIR : EINVAL;

    std::size_t sep = chemin.find_last_of('/');
    std::string dossier = sep == std::string::npos ? std::string() : chemin.substr(0, sep + 1);
    std::string nom = sep == std::string::npos ? chemin : chemin.substr(sep + 1);
    std::string modele = dossier + "." + nom + ".XXXXXX";
    int fd = ::mkstemp(modele.data());
    // No temporary file beside the target (a folder not ours to write, a
    // full disk): the old file stays whole. Rewriting it in place instead
    // could, if killed midway, leave the new bytes followed by the old tail.
    if (fd < 0) return errno;

    // mkstemp creates the file private; give it the mode a plain create
    // would have given, or keep the mode of the file it replaces.
    mode_t mode;
    if (::stat(chemin.c_str(), &cible) == 0) {
        mode = cible.st_mode & 07777;
    } else {
        mode_t masque = ::umask(0);
        ::umask(masque);
        mode = 0666 & ~masque;
    }
    (void)::fchmod(fd, mode);  // a mode we cannot set is not fatal
    // On the disk before the rename: otherwise a system crash can leave the
    // renamed file empty (the rename reached the disk, the bytes did not).
    // A failure always gives a number, even one that did not set errno.
    const auto raison = [] { return errno != 0 ? errno : EIO; };
    errno = 0;
    int erreur = ecrire_tout(fd, texte_a_ecrire) && vt::appel_fsync(fd) == 0 ? 0 : raison();
    if (::close(fd) != 0 && erreur == 0) erreur = raison();
    if (erreur == 0 && vt::appel_rename(modele.c_str(), chemin.c_str()) != 0) erreur = raison();
    if (erreur != 0) ::unlink(modele.c_str());
    return erreur;
}
