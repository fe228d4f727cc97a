#include "playlist/liste_courante.h"

#include "config/configuration.h"
#include "config/dialogues.h"
#include "config/emplacements.h"
#include "config/gestion_vantrel.h"
#include "config/texte_affiche.h"
#include "playlist/depot.h"

#include <QFile>
#include <QString>

#include <algorithm>
#include <climits>
#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>
#include <tuple>

namespace vt {

namespace {

const std::string kVide;
constexpr std::string_view kExtension = ".vtlist";

char majuscule(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char minuscule(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether `nom` ends with ".vtlist", letters compared without regard to case.
bool finit_par_vtlist(std::string_view nom) {
    if (nom.size() < kExtension.size()) return false;
    std::string_view fin = nom.substr(nom.size() - kExtension.size());
    for (std::size_t k = 0; k < fin.size(); ++k)
        if (minuscule(fin[k]) != kExtension[k]) return false;
    return true;
}

// The extension of an entry name is everything from its last '.'; it is a
// play list when that is ".vtlist" in any case.
bool extension_vtlist(std::string_view nom) {
    std::size_t point = nom.rfind('.');
    if (point == std::string_view::npos) return false;
    return nom.size() - point == kExtension.size() && finit_par_vtlist(nom);
}

}  // namespace

// --- ListeCourante -------------------------------------------------------

ListeCourante::ListeCourante(QObject* parent) : QAbstractTableModel(parent) {}

ListeCourante::Entree ListeCourante::entree(std::string chemin) {
    std::size_t debut = chemin.size() - nom_affiche(chemin).size();
    return Entree{std::move(chemin), debut};
}

int ListeCourante::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : nombre();
}

int ListeCourante::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 2; }

QVariant ListeCourante::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() < 0 || index.row() >= nombre())
        return {};
    const Entree& e = entrees_[static_cast<std::size_t>(index.row())];
    std::string_view texte = e.chemin;
    if (index.column() == kColonneNom)
        texte.remove_prefix(e.debut_nom);
    else if (index.column() != kColonneChemin)
        return {};
    return texte_affiche(texte);
}

int ListeCourante::nombre() const {
    return static_cast<int>(std::min<std::size_t>(entrees_.size(), INT_MAX));
}

const std::string& ListeCourante::chemin(int i) const {
    if (i < 0 || i >= nombre()) return kVide;
    return entrees_[static_cast<std::size_t>(i)].chemin;
}

std::string ListeCourante::nom(int i) const {
    if (i < 0 || i >= nombre()) return {};
    const Entree& e = entrees_[static_cast<std::size_t>(i)];
    return e.chemin.substr(e.debut_nom);
}

namespace {

// Room for `n` more, grown as push_back grows it, so that adding one at a
// time stays linear.
template <class T>
void agrandir(std::vector<T>& v, std::size_t n) {
    if (const std::size_t besoin = v.size() + n; besoin > v.capacity()) v.reserve(std::max(besoin, 2 * v.capacity()));
}

}  // namespace

void ListeCourante::ajouter_nommes_par_dernier_separateur(std::vector<std::string> chemins) {
    std::size_t place = INT_MAX - entrees_.size();
    if (chemins.size() > place) chemins.resize(place);
    if (chemins.empty()) return;
    int n = nombre();
    beginInsertRows(QModelIndex(), n, n + static_cast<int>(chemins.size()) - 1);
    agrandir(entrees_, chemins.size());
    for (std::string& c : chemins) entrees_.push_back(entree(std::move(c)));
    endInsertRows();
}

void ListeCourante::ajouter_nommes_par_dernier_element(std::vector<std::string> chemins) {
    std::size_t place = INT_MAX - entrees_.size();
    if (chemins.size() > place) chemins.resize(place);
    if (chemins.empty()) return;
    // Relative to the current folder, where they were given: kept so, they
    // would name another file once the player runs from another folder.
    const std::string ici = dossier_courant();
    int n = nombre();
    beginInsertRows(QModelIndex(), n, n + static_cast<int>(chemins.size()) - 1);
    agrandir(entrees_, chemins.size());
    for (std::string& c : chemins) {
        c = chemin_absolu(std::move(c), ici);
        const std::size_t sep = dernier_separateur(c);
        entrees_.push_back(Entree{std::move(c), sep == std::string::npos ? 0 : sep + 1});
    }
    endInsertRows();
}

void ListeCourante::remplacer(std::vector<std::string> chemins) {
    if (chemins.size() > INT_MAX) chemins.resize(INT_MAX);
    beginResetModel();
    entrees_.clear();
    entrees_.reserve(chemins.size());
    for (std::string& c : chemins) entrees_.push_back(entree(std::move(c)));
    endResetModel();
}

void ListeCourante::vider() {
    if (entrees_.empty()) return;
    beginResetModel();
    entrees_.clear();
    entrees_.shrink_to_fit();
    endResetModel();
}

void ListeCourante::supprimer(int i) {
    if (i < 0 || i >= nombre()) return;
    beginRemoveRows(QModelIndex(), i, i);
    entrees_.erase(entrees_.begin() + i);
    endRemoveRows();
}

void ListeCourante::echanger_avec_precedent(int i) {
    if (i < 1 || i >= nombre()) return;
    // Row i moves in front of row i-1: the same as swapping the two, and
    // persistent indexes (hence selections) on both rows follow their entry.
    if (!beginMoveRows(QModelIndex(), i, i, QModelIndex(), i - 1)) return;
    std::swap(entrees_[static_cast<std::size_t>(i - 1)], entrees_[static_cast<std::size_t>(i)]);
    endMoveRows();
}

void ListeCourante::deplacer_ligne(int de, int vers) {
    if (de < 0 || vers < 0 || de >= nombre() || vers >= nombre() || de == vers) return;
    // The model's destination is the row the entry goes in front of, counted
    // before the move.
    if (!beginMoveRows(QModelIndex(), de, de, QModelIndex(), vers > de ? vers + 1 : vers)) return;
    const auto debut = entrees_.begin();
    if (vers > de)
        std::rotate(debut + de, debut + de + 1, debut + vers + 1);
    else
        std::rotate(debut + vers, debut + de, debut + de + 1);
    endMoveRows();
}

// --- The user's edits ----------------------------------------------------

void ListeCourante::ajouter_depuis_dialogue() {
    if (nombre() == 0) dernier_ajoute_.clear();
    const auto choisis = dialogues().ouvrir_fichiers("mp3|*.mp3|wav|*.wav|wma|*.wma");
    ajouter_fichiers(*this, dernier_ajoute_, choisis);
}

void ListeCourante::monter(int courant) {
    if (courant <= 0) return;
    echanger_avec_precedent(courant);
}

void ListeCourante::descendre(int courant) {
    if (courant < 0 || courant >= nombre() - 1) return;
    echanger_avec_precedent(courant + 1);
}

void ListeCourante::deposer(const std::vector<std::string>& chemins) {
    ajouter_deposes(*this, chemins);
}

void ListeCourante::deposer_uri_list(const QByteArray& uri_list) { deposer(chemins_uri_list(uri_list)); }

// --- Feeding the list ----------------------------------------------------

void ajouter_fichiers(ListeCourante& liste, std::string& dernier_ajoute,
                      const std::vector<std::string>& choisis) {
    if (liste.nombre() == 0) dernier_ajoute.clear();
    std::vector<std::string> nouveaux;
    for (const std::string& c : choisis) {
        if (c.empty() || c == dernier_ajoute) continue;
        nouveaux.push_back(c);
        dernier_ajoute = c;
    }
    liste.ajouter_nommes_par_dernier_separateur(std::move(nouveaux));
}

bool depot_accepte(std::string_view chemin) {
    if (chemin.size() < 3) return false;
    std::string fin;
    for (char c : chemin.substr(chemin.size() - 3)) fin.push_back(majuscule(c));
    return fin == "MP3" || fin == "WAV" || fin == "WMA";
}

void ajouter_deposes(ListeCourante& liste, const std::vector<std::string>& chemins) {
    std::vector<std::string> acceptes;
    for (const std::string& c : chemins)
        if (depot_accepte(c)) acceptes.push_back(c);
    liste.ajouter_nommes_par_dernier_separateur(std::move(acceptes));
}

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

bool ListeCourante::charger_playlist(const std::optional<std::string>& dossier, const std::string& fichier) {
    if (!dossier) return false;
    auto chemins = lire_playlist(*dossier + fichier);
    if (!chemins) return false;
    remplacer(std::move(*chemins));
    return true;
}

namespace {

const QString kLegendeErreur = QStringLiteral("erreur !");

// Writes a play list; a failure is said, so that nobody believes it saved.
bool ecrire_playlist(const std::string& cible, std::string_view texte) {
    struct stat st {};
    const bool ancien = ::lstat(cible.c_str(), &st) == 0;
    const int erreur = ecrire_fichier(cible, texte);
    if (erreur != 0) dialogues().message(kLegendeErreur, message_echec_sauvegarde(cible, erreur, ancien));
    return erreur == 0;
}

}  // namespace

bool ListeCourante::reecrire_playlist(const std::optional<std::string>& dossier,
                                      const std::string& fichier) const {
    if (!dossier) {
        dialogues().message(kLegendeErreur, message_echec_sauvegarde(fichier, kSansDossier, false));
        return false;
    }
    return ecrire_playlist(*dossier + fichier, texte_playlist(*this));
}

bool ListeCourante::enregistrer_sous(const std::optional<std::string>& dossier) {
    const auto choisi = dialogues().enregistrer_fichier(dossier ? *dossier : depart_dialogues());
    if (!choisi || choisi->empty()) return false;
    if (!ecrire_playlist(cible_sauvegarde(*choisi), texte_playlist(*this))) return false;
    emit playlists_changees(dossier);
    return true;
}

QString raison_echec_ecriture(int erreur) {
    switch (erreur) {
        case kSansDossier:
            return QStringLiteral("le fichier de configuration, qui nomme le dossier des playlists, est illisible");
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

void ListeCourante::relister_playlists(const std::optional<std::string>& dossier) {
    emit playlists_changees(dossier);
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
