#pragma once
// The current play list: one model behind both list views. The main window's
// list_lecture shows column 0 (display names); the save window's
// liste_lecture_en_cours shows column 1 (full paths). Paths are raw bytes and
// are turned into text only for display.
//
// Also here: the operations that feed the list (open dialog, dropped files,
// command-line file), the play-list text, the play-list selector's scan and
// the target of a save as.
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
    // The open dialog's files (ajouter_fichiers, with the last added path
    // kept here).
    void ajouter_depuis_dialogue();
    // The current entry one row up (nothing on row 0) or down (nothing on
    // the last row); a selection on it follows it.
    void monter(int courant);
    void descendre(int courant);
    // Files dropped: the accepted ones of a drop's "text/uri-list".
    void deposer(const std::vector<std::string>& chemins);
    void deposer_uri_list(const QByteArray& uri_list);

    // --- Play-list files, in `dossier`: the play-list folder as the
    // configuration names it now, nothing when it cannot be read.
    // Replaces the list with the play list `fichier` (its name in the
    // folder); false, the list unchanged, when there is no folder or the
    // file cannot be read.
    bool charger_playlist(const std::optional<std::string>& dossier, const std::string& fichier);
    // Rewrites the play list `fichier` with the current paths; false when
    // there is no folder (nothing is written) or the file cannot be written.
    // A failure is said in a message box (message_echec_sauvegarde); the old
    // file stays whole.
    bool reecrire_playlist(const std::optional<std::string>& dossier, const std::string& fichier) const;
    // Save as: the save dialog starts in the play-list folder (where
    // dialogues start without one); a confirmed name gets the list
    // (cible_sauvegarde), and playlists_changees tells the folder. Whether
    // the list was written: false when the dialog was cancelled, or when the
    // file could not be written, which a message box then says.
    bool enregistrer_sous(const std::optional<std::string>& dossier);
    // Tells the folder of the play lists, read again (closing the save
    // window).
    void relister_playlists(const std::optional<std::string>& dossier);

signals:
    // The play lists in the folder may have changed: the selector is
    // rebuilt from `dossier` (nothing: the configuration could not be read,
    // and the selector stays as it is).
    void playlists_changees(const std::optional<std::string>& dossier);

private:
    struct Entree {
        std::string chemin;
        std::size_t debut_nom;  // offset of the display name in `chemin`
    };
    static Entree entree(std::string chemin);

    std::vector<Entree> entrees_;
    std::string dernier_ajoute_;  // the last path taken from the open dialog
};

// Adds the paths chosen in the open dialog. When the list is empty the last
// added path is forgotten first; then each path is skipped when it is empty
// or equal, byte for byte, to the last added path, else appended and made the
// last added path.
void ajouter_fichiers(ListeCourante& liste, std::string& dernier_ajoute,
                      const std::vector<std::string>& choisis);

// A dropped file is accepted by its last three bytes, with a-z turned into
// capitals: "MP3", "WAV" or "WMA". No dot is needed; shorter paths are refused.
bool depot_accepte(std::string_view chemin);
// Appends the accepted ones among dropped paths, in order, duplicates
// included; the last added path is not involved.
void ajouter_deposes(ListeCourante& liste, const std::vector<std::string>& chemins);

// The play-list text: each path between a pair of double quotes, nothing else.
// A path holding a double quote is left out (the format has no escape).
std::string texte_playlist(const ListeCourante& liste);
std::string texte_playlist(const std::vector<std::string>& chemins);

// One entry of the play-list selector: `nom` is shown, `fichier` is what
// follows the play-list directory in the real file's path (its real case,
// such as "jazz.VTLIST").
struct EntreePlaylist {
    std::string nom;
    std::string fichier;
};

// The play lists found by the pattern rep_playlist + "*.*": the directory is
// rep_playlist up to its last '/' or '\' (the current directory when there
// is none) and an entry's name must start with the rest. Every entry counts,
// hidden ones and sub-directories included, when its extension (from its
// last '.') is ".vtlist" in any case. Shown name: the entry name without its
// last seven bytes. Sorted by shown name ignoring case, ties by bytes. A
// missing or unreadable directory gives an empty list.
std::vector<EntreePlaylist> lister_playlists(const std::string& rep_playlist);

// Reads the play-list file `chemin` with a parser of its own and returns its
// entries; nothing when it cannot be read (missing, a directory), and then
// the current play list should stay as it is.
std::optional<std::vector<std::string>> lire_playlist(const std::string& chemin);

// The file a "save as" writes: the chosen name, with ".vtlist" appended
// unless it already ends with ".vtlist" in any case.
std::string cible_sauvegarde(const std::string& choisi);

// Why a play list could not be written, in French, from the system's error
// number (kSansDossier: the configuration, which names the play-list folder,
// could not be read).
constexpr int kSansDossier = -1;
QString raison_echec_ecriture(int erreur);
// The message of a save that failed: the play list's name (its file name
// without ".vtlist"), the reason, and, when a file was there before
// (`ancien`), that it is kept as it was.
QString message_echec_sauvegarde(std::string_view cible, int erreur, bool ancien);

// At start: removes what writers killed between their temporary file and
// its rename left behind (see vt::retirer_restes_ecriture), older than a
// minute: temporary files of the configuration beside `fichier_config`, and
// of play lists (".vtlist" targets) in the directory of `rep_playlist` when
// it is given (the value read from the configuration). Nothing else.
void retirer_restes_au_demarrage(const std::string& fichier_config,
                                 const std::optional<std::string>& rep_playlist);

}  // namespace vt
