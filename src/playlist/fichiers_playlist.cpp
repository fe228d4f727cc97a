#include "playlist/fichiers_playlist.h"

#include "config/configuration.h"
#include "config/gestion_vantrel.h"
#include "config/texte_affiche.h"
#include "playlist/liste_courante.h"

#include <QString>

#include <dirent.h>
#include <sys/stat.h>
#include <algorithm>
#include <cerrno>
#include <tuple>

namespace vt {

namespace {

constexpr std::string_view kExtension = ".vtlist";

// The extension of an entry name is everything from its last '.'; it is a
// play list when that is ".vtlist" in any case.
bool extension_vtlist(std::string_view nom) {
    std::size_t point = nom.rfind('.');
    if (point == std::string_view::npos) return false;
    return nom.size() - point == kExtension.size() && finit_par_vtlist(nom);
}

}  // namespace

// --- Play-list files -----------------------------------------------------
// A path that cannot be stored (valeur_stockable): just that entry is left
// out of the written list.

std::string texte_playlist(const std::vector<std::string>& chemins) {
    std::size_t taille = 0;
    for (const std::string& c : chemins) taille += c.size() + 2;
    std::string texte;
    texte.reserve(taille);
    for (const std::string& c : chemins)
        if (valeur_stockable(c)) ajouter_valeur(texte, c);
    return texte;
}

std::string texte_playlist(const ListeCourante& liste) {
    std::size_t taille = 0;
    for (int i = 0; i < liste.nombre(); ++i) taille += liste.chemin(i).size() + 2;
    std::string texte;
    texte.reserve(taille);
    for (int i = 0; i < liste.nombre(); ++i)
        if (valeur_stockable(liste.chemin(i))) ajouter_valeur(texte, liste.chemin(i));
    return texte;
}

std::vector<EntreePlaylist> lister_playlists(const std::string& rep_playlist) {
    std::vector<EntreePlaylist> liste;
    if (rep_playlist.find('\0') != std::string::npos) return liste;

    // The pattern is rep_playlist + "*.*": a folder part and a name prefix.
    std::size_t sep = rep_playlist.find_last_of("/\\");
    std::string dossier = sep == std::string::npos ? std::string(".") : rep_playlist.substr(0, sep + 1);
    std::string_view prefixe = std::string_view(rep_playlist).substr(sep == std::string::npos ? 0 : sep + 1);

    DIR* d = ::opendir(dossier.c_str());
    if (!d) return liste;
    while (const dirent* e = ::readdir(d)) {
        std::string_view nom = e->d_name;
        if (nom == "." || nom == "..") continue;
        if (nom.size() < prefixe.size() || nom.substr(0, prefixe.size()) != prefixe) continue;
        if (!extension_vtlist(nom)) continue;
        liste.push_back(EntreePlaylist{std::string(nom.substr(0, nom.size() - kExtension.size())),
                                       std::string(nom.substr(prefixe.size()))});
    }
    ::closedir(d);

    // Case-folded display text first; the raw bytes settle ties so that the
    // order never depends on the enumeration order.
    struct Cle {
        QString pliee;
        std::size_t index;
    };
    std::vector<Cle> cles;
    cles.reserve(liste.size());
    for (std::size_t k = 0; k < liste.size(); ++k) {
        const std::string& n = liste[k].nom;
        cles.push_back(Cle{texte_affiche(n).toCaseFolded(), k});
    }
    std::sort(cles.begin(), cles.end(), [&](const Cle& a, const Cle& b) {
        int c = a.pliee.compare(b.pliee);
        if (c != 0) return c < 0;
        const EntreePlaylist& x = liste[a.index];
        const EntreePlaylist& y = liste[b.index];
        return std::tie(x.nom, x.fichier) < std::tie(y.nom, y.fichier);
    });
    std::vector<EntreePlaylist> triee;
    triee.reserve(liste.size());
    for (const Cle& c : cles) triee.push_back(std::move(liste[c.index]));
    return triee;
}

std::optional<std::vector<std::string>> lire_playlist(const std::string& chemin) {
    gestion_vantrel parseur;
    if (!parseur.charger(chemin)) return std::nullopt;
    return parseur.valeurs();
}

std::string cible_sauvegarde(const std::string& choisi) {
    if (finit_par_vtlist(choisi)) return choisi;
    return choisi + std::string(kExtension);
}

// --- The current list and play-list files ---------------------------------

bool charger_playlist(ListeCourante& liste, const std::optional<std::string>& dossier,
                      const std::string& fichier) {
    if (!dossier) return false;
    auto chemins = lire_playlist(*dossier + fichier);
    if (!chemins) return false;
    liste.remplacer(std::move(*chemins));
    return true;
}

namespace {

// Writes a play list; a failure says why, so that nobody believes it saved.
EcriturePlaylist ecrire_playlist(const std::string& cible, std::string_view texte) {
    struct stat st {};
    const bool ancien = ::lstat(cible.c_str(), &st) == 0;
    const int erreur = ecrire_fichier(cible, texte);
    if (erreur != 0) return {false, message_echec_sauvegarde(cible, erreur, ancien)};
    return {true, {}};
}

}  // namespace

EcriturePlaylist reecrire_playlist(const ListeCourante& liste, const std::optional<std::string>& dossier,
                                   const std::string& fichier) {
    if (!dossier) return {false, message_echec_sauvegarde(fichier, kSansDossier, false)};
    return ecrire_playlist(*dossier + fichier, texte_playlist(liste));
}

EcriturePlaylist enregistrer_playlist_sous(const ListeCourante& liste, const std::string& choisi) {
    if (choisi.empty()) return {};
    return ecrire_playlist(cible_sauvegarde(choisi), texte_playlist(liste));
}

QString raison_echec_ecriture(int erreur) {
    switch (erreur) {
        case kSansDossier:
            return QStringLiteral(
                "le fichier de configuration, qui nomme le dossier des playlists, est illisible");
        case ENOSPC:
            return QStringLiteral("le disque est plein");
        case EDQUOT:
            return QStringLiteral("le quota du disque est atteint");
        case EROFS:
            return QStringLiteral("le dossier est en lecture seule");
        case EACCES:
        case EPERM:
            return QStringLiteral("l'écriture dans ce dossier est refusée");
        case ENOENT:
        case ENOTDIR:
            return QStringLiteral("le dossier n'existe pas");
        case EISDIR:
            return QStringLiteral("un dossier porte déjà ce nom");
        case EINVAL:
            return QStringLiteral("ce nom ne désigne pas un fichier ordinaire");
        case ENAMETOOLONG:
            return QStringLiteral("le nom est trop long");
        case ELOOP:
            return QStringLiteral("les liens symboliques de ce nom tournent en rond");
        case EIO:
            return QStringLiteral("le disque a renvoyé une erreur d'entrée-sortie");
        default:
            return QStringLiteral("erreur système %1").arg(erreur);
    }
}

QString message_echec_sauvegarde(std::string_view cible, int erreur, bool ancien) {
    std::string_view nom = cible.substr(cible.size() - nom_affiche(cible).size());
    if (finit_par_vtlist(nom)) nom.remove_suffix(kExtension.size());
    QString texte = QStringLiteral("La playlist « %1 » n'a pas été enregistrée : %2.")
                        .arg(texte_affiche(nom), raison_echec_ecriture(erreur));
    if (ancien) texte += QStringLiteral(" Le fichier déjà enregistré reste tel qu'il était.");
    return texte;
}

}  // namespace vt
