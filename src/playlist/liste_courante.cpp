#include "playlist/liste_courante.h"

#include "config/emplacements.h"
#include "config/nom_chemin.h"
#include "config/texte_affiche.h"

#include <QString>

#include <algorithm>
#include <climits>

namespace vt {

namespace {

const std::string kVide;

}  // namespace

// --- ListeCourante -------------------------------------------------------

ListeCourante::ListeCourante(QObject* parent) : QAbstractTableModel(parent) {}

ListeCourante::Entree ListeCourante::entree(std::string chemin) {
    std::size_t debut = chemin.size() - nom_affiche(chemin).size();
    return Entree{std::move(chemin), debut};
}

int ListeCourante::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : nombre(); }

int ListeCourante::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 2; }

QVariant ListeCourante::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() < 0 || index.row() >= nombre()) return {};
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
    if (const std::size_t besoin = v.size() + n; besoin > v.capacity())
        v.reserve(std::max(besoin, 2 * v.capacity()));
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

void ListeCourante::ajouter_choisis(const std::vector<std::string>& choisis) {
    if (nombre() == 0) dernier_ajoute_.clear();
    std::vector<std::string> nouveaux;
    for (const std::string& c : choisis) {
        if (c.empty() || c == dernier_ajoute_) continue;
        nouveaux.push_back(c);
        dernier_ajoute_ = c;
    }
    ajouter_nommes_par_dernier_separateur(std::move(nouveaux));
}

void ListeCourante::monter(int courant) {
    if (courant <= 0) return;
    echanger_avec_precedent(courant);
}

void ListeCourante::descendre(int courant) {
    if (courant < 0 || courant >= nombre() - 1) return;
    echanger_avec_precedent(courant + 1);
}

}  // namespace vt
