#pragma once
// The current play list: one model behind both list views. The main window's
// list_lecture shows column 0 (display names); the save window's
// liste_lecture_en_cours shows column 1 (full paths). Paths are raw bytes and
// are turned into text only for display.
//
#include <QAbstractTableModel>
#include <QByteArray>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class gestion_vantrel;

namespace vt {

class ListeCourante : public QAbstractTableModel {
    Q_OBJECT
public:
    // Column 0 shows the display name, column 1 the full path.
    static constexpr int kColonneNom = 0;
    static constexpr int kColonneChemin = 1;

    explicit ListeCourante(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    int nombre() const;
    // Path of entry i as raw bytes; an empty string when i is out of range.
    const std::string& chemin(int i) const;
    // Display name of entry i: the text after the last '/' or '\' of its
    // path, or the whole path when it has none. Empty when out of range.
    std::string nom(int i) const;

    // Appends entries, in order, with a single insert notification. Each
    // shows the text after its path's last '/' or '\' (nothing for a path
    // ending with one), the paths kept as given: the open dialog's files,
    // drops, play-list files.
    void ajouter_nommes_par_dernier_separateur(std::vector<std::string> chemins);
    // The same for files named on a command line: relative paths are made
    // absolute from the current folder, and each shows its path's last
    // element, a separator ending it included, so that "/music/Album/" shows
    // as "Album/".
    void ajouter_nommes_par_dernier_element(std::vector<std::string> chemins);
    // Replaces the whole list, as one model reset.
    void remplacer(std::vector<std::string> chemins);
    void vider();
    // Removes entry i; nothing happens when i is out of range.
    void supprimer(int i);
    // Swaps entries i-1 and i as a row move, so that a view's selection on
    // either row follows its entry. Nothing happens unless 1 <= i < nombre().
    void echanger_avec_precedent(int i);
    // Takes entry `de` to row `vers` as one row move (persistent indexes
    // follow their entries). Nothing happens unless both are in range and
    // differ.
    void deplacer_ligne(int de, int vers);

    // --- The user's edits: the main window's buttons, the save window's
    // labels, the menu and drops. `courant` is the current entry (-1 for
    // none), which follows its entry: a removed one leaves none.
    // The open dialog's files: when the list is empty the last added path
    // is forgotten first; then each path is skipped when it is empty or
    // equal, byte for byte, to the last added path, else appended (named by
    // its last separator) and made the last added path.
    void ajouter_choisis(const std::vector<std::string>& choisis);
    // The last path ajouter_choisis took; files that come in other ways
    // never are.
    const std::string& dernier_ajoute() const { return dernier_ajoute_; }
    // The current entry one row up (nothing on row 0) or down (nothing on
    // the last row); a selection on it follows it.
    void monter(int courant);
    void descendre(int courant);

private:
    struct Entree {
        std::string chemin;
        std::size_t debut_nom;  // offset of the display name in `chemin`
    };
    static Entree entree(std::string chemin);

    std::vector<Entree> entrees_;
    std::string dernier_ajoute_;  // the last path taken from the open dialog
};

}  // namespace vt
