#include "config/emplacements.h"

#include "config/gestion_vantrel.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <mutex>
#include <optional>

namespace vt {

std::size_t dernier_separateur(std::string_view chemin) {
    if (chemin.size() < 2) return std::string_view::npos;
    return chemin.substr(0, chemin.size() - 1).find_last_of("/\\");
}

std::string chemin_executable() {
    std::string chemin(PATH_MAX, '\0');
    ssize_t n = ::readlink("/proc/self/exe", chemin.data(), chemin.size());
    if (n <= 0) return std::string("vantrel");
    chemin.resize(static_cast<std::size_t>(n));
    return chemin;
}

// mkdir -p: every missing folder of `dossier` is made private to the user,
// as the base folders of the XDG layout are. Whether it exists at the end.
bool creer_dossiers(const std::string& dossier) {
    if (dossier.empty()) return false;
    for (std::size_t i = 1; i <= dossier.size(); ++i) {
        if (i < dossier.size() && dossier[i] != '/') continue;
        const std::string partie = dossier.substr(0, i);
        if (::mkdir(partie.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    struct stat st {};
    return ::stat(dossier.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

namespace {

std::string avec_separateur(std::string dossier) {
    if (!dossier.empty() && dossier.back() != '/') dossier.push_back('/');
    return dossier;
}

}  // namespace

bool chemin_relatif(std::string_view chemin) {
    if (chemin.empty()) return true;
    if (chemin[0] == '/' || chemin[0] == '\\') return false;
    const bool lecteur = chemin.size() >= 2 && chemin[1] == ':' &&
                         ((chemin[0] >= 'A' && chemin[0] <= 'Z') || (chemin[0] >= 'a' && chemin[0] <= 'z'));
    return !lecteur;
}

std::string dossier_courant() {
    std::string chemin(256, '\0');
    while (::getcwd(chemin.data(), chemin.size()) == nullptr) {
        if (errno != ERANGE || chemin.size() > (1u << 20)) return std::string();
        chemin.resize(chemin.size() * 2);
    }
    chemin.resize(std::char_traits<char>::length(chemin.c_str()));
    return chemin;
}

std::string chemin_absolu(std::string chemin, std::string_view dossier) {
    if (chemin.empty() || dossier.empty() || !chemin_relatif(chemin)) return chemin;
    std::string absolu(dossier);
    if (absolu.back() != '/') absolu.push_back('/');
    return absolu + chemin;
}

bool dossier_inscriptible(const std::string& dossier) {
    const std::string d = dossier.empty() ? std::string(".") : dossier;
    if (d.find('\0') != std::string::npos) return false;
    int fd = ::open(d.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    // File systems without unnamed files: a named one, removed at once. Its
    // name is that of the configuration's own temporary files.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return false;
    std::string modele = avec_separateur(d) + "." + std::string(kNomConfig) + ".XXXXXX";
    fd = ::mkstemp(modele.data());
    if (fd < 0) return false;
    ::close(fd);
    ::unlink(modele.c_str());
    return true;
}

std::string dossier_xdg(const LireEnvironnement& env, const char* variable, std::string_view defaut) {
    const char* base = env(variable);
    if (base && base[0] == '/') return avec_separateur(base);
    const char* maison = env("HOME");
    if (!maison || maison[0] != '/') return {};
    return avec_separateur(avec_separateur(maison) + std::string(defaut));
}

Emplacements choisir_emplacements(std::string_view chemin_executable, const LireEnvironnement& env) {
    Emplacements e;
    e.executable = std::string(chemin_executable);
    const std::size_t sep = dernier_separateur(chemin_executable);
    if (sep != std::string_view::npos) e.dossier_app = std::string(chemin_executable.substr(0, sep + 1));
    e.fichier_config = e.dossier_app + std::string(kNomConfig);
    if (dossier_inscriptible(e.dossier_app)) return e;

    // A folder the user cannot write to: files of their own. Without a home
    // to put them in, the app folder stays (and what cannot be written there
    // is not saved).
    std::string config = dossier_xdg(env, "XDG_CONFIG_HOME", ".config");
    std::string donnees = dossier_xdg(env, "XDG_DATA_HOME", ".local/share");
    if (config.empty() || donnees.empty()) return e;
    config += "vantrel/";
    donnees += "vantrel/";
    if (!creer_dossiers(config)) return e;
    const std::string chemin = config + std::string(kNomConfig);
    // The first start copies the installed settings. Anything already there,
    // even unreadable or a dangling link, is the user's and is kept.
    struct stat st {};
    if (::lstat(chemin.c_str(), &st) != 0 && errno == ENOENT) {
        gestion_vantrel premiere;
        if (premiere.charger(e.fichier_config)) premiere.ecrire(chemin, premiere.texte);
    }
    e.fichier_config = chemin;
    e.dossier_donnees = std::move(donnees);
    return e;
}

namespace {

std::mutex verrou_emplacements;
std::optional<Emplacements>& choix() {
    static std::optional<Emplacements> c;
    return c;
}

const char* environnement_reel(const char* nom) {
    const char* v = std::getenv(nom);
    if (v || std::string_view(nom) != "HOME") return v;
    // No HOME (a service, a cleared environment): the account's own.
    static thread_local std::string maison;
    struct passwd pw {};
    struct passwd* trouve = nullptr;
    char tampon[4096];
    if (::getpwuid_r(::getuid(), &pw, tampon, sizeof tampon, &trouve) != 0 || !trouve || !pw.pw_dir)
        return nullptr;
    maison = pw.pw_dir;
    return maison.c_str();
}

}  // namespace

Emplacements emplacements() {
    std::lock_guard<std::mutex> l(verrou_emplacements);
    if (!choix()) choix() = choisir_emplacements(chemin_executable(), environnement_reel);
    return *choix();
}

void etablir_emplacements(std::string_view chemin_executable) {
    Emplacements e = choisir_emplacements(chemin_executable, environnement_reel);
    std::lock_guard<std::mutex> l(verrou_emplacements);
    choix() = std::move(e);
}

std::string dossier_playlist(const Emplacements& e, std::string_view stocke) {
    if (e.dossier_donnees.empty() || !chemin_relatif(stocke)) return std::string(stocke);
    std::string dossier = e.dossier_donnees + std::string(stocke);
    creer_dossiers(dossier);  // a folder that cannot be made simply lists nothing
    return dossier;
}

std::string dossier_playlist(std::string_view stocke) { return dossier_playlist(emplacements(), stocke); }

std::string dossier_skin(const Emplacements& e, std::string_view stocke, std::string_view fichier) {
    if (e.dossier_donnees.empty() || !chemin_relatif(stocke)) return std::string(stocke);
    std::string dossier = e.dossier_donnees + std::string(stocke);
    return fichier_lisible(dossier + std::string(fichier)) ? dossier : std::string(stocke);
}

std::string dossier_skin(std::string_view stocke, std::string_view fichier) {
    return dossier_skin(emplacements(), stocke, fichier);
}

std::string depart_dialogues() {
    const Emplacements e = emplacements();
    return e.dossier_donnees.empty() ? e.executable : e.dossier_donnees;
}

}  // namespace vt
