#include "config/gestion_vantrel.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vt {

std::vector<std::string_view> valeurs_quotees(std::string_view texte) {
    std::vector<std::string_view> out;
    std::size_t pos = 0;
    for (;;) {
        std::size_t ouvre = texte.find('"', pos);
        if (ouvre == std::string_view::npos) break;
        std::size_t ferme = texte.find('"', ouvre + 1);
        if (ferme == std::string_view::npos) break;
        out.push_back(texte.substr(ouvre + 1, ferme - ouvre - 1));
        pos = ferme + 1;
    }
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

std::string gestion_vantrel::valeur(unsigned n) const {
    return std::string(vt::valeur_quotee(texte, n));
}

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

bool gestion_vantrel::ecrire(const std::string& chemin, std::string_view texte_a_ecrire) const {
    if (chemin.empty() || chemin.find('\0') != std::string::npos) return false;
    struct stat cible {};
    if (::stat(chemin.c_str(), &cible) == 0 && S_ISDIR(cible.st_mode)) return false;

    std::size_t sep = chemin.find_last_of('/');
    std::string dossier = sep == std::string::npos ? std::string() : chemin.substr(0, sep + 1);
    std::string nom = sep == std::string::npos ? chemin : chemin.substr(sep + 1);
    std::string modele = dossier + "." + nom + ".XXXXXX";
    int fd = ::mkstemp(modele.data());
    if (fd < 0) return false;

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
    bool ok = ecrire_tout(fd, texte_a_ecrire) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = ::rename(modele.c_str(), chemin.c_str()) == 0;
    if (!ok) ::unlink(modele.c_str());
    return ok;
}
