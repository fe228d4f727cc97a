#pragma once
// The play-list store: the play lists of the play-list folder (the
// selector's scan), their text, and reading one into the current play list
// or writing the current play list into one. Paths are raw bytes. A write
// that fails says why in its result; the windows show it.
#include <QString>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vt {

class ListeCourante;

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

// Replaces `liste` with the play list `fichier` (its name in `dossier`, the
// play-list folder as the configuration names it now, nothing when it
// cannot be read); false, the list unchanged, when there is no folder or the
// file cannot be read.
bool charger_playlist(ListeCourante& liste, const std::optional<std::string>& dossier,
                      const std::string& fichier);
// What a write of a play list did: written, or not, and then what the user
// is told (message_echec_sauvegarde's text; empty when there is nothing to
// say, a save with no name). True when written.
struct EcriturePlaylist {
    bool ecrite = false;
    QString echec;
    explicit operator bool() const { return ecrite; }
};
// Rewrites the play list `fichier` with the current paths; not written when
// there is no folder or the file cannot be written, and then the old file
// stays whole.
EcriturePlaylist reecrire_playlist(const ListeCourante& liste, const std::optional<std::string>& dossier,
                                   const std::string& fichier);
// Save as: writes the list to the name `choisi` the save dialog gave
// (cible_sauvegarde). Not written, silently, when the name is empty.
EcriturePlaylist enregistrer_playlist_sous(const ListeCourante& liste, const std::string& choisi);

}  // namespace vt
