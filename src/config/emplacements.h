#pragma once
// Where the player keeps its files.
//
// The app folder (the executable's folder) normally holds everything:
// vantrel.config beside the executable, and the skin and play-list folders
// named in it relative to the current directory, which the launcher makes
// the app folder. When the player is installed where its user cannot write
// (a system-wide install), each user gets files of their own instead:
//   - the configuration in $XDG_CONFIG_HOME/vantrel/vantrel.config
//     (~/.config/vantrel/), made on the first start from the app folder's
//     vantrel.config;
//   - a relative play-list folder under $XDG_DATA_HOME/vantrel/
//     (~/.local/share/vantrel/), made when it is used;
//   - a relative skin is looked for under $XDG_DATA_HOME/vantrel/ first
//     (the user's own skins in skin/), then in the app folder.
// What is stored in the configuration is never rewritten: the same
// "playlist/" means the app folder's play lists in the first case and the
// user's in the second.
#include <functional>
#include <string>
#include <string_view>

namespace vt {

inline constexpr std::string_view kNomConfig = "vantrel.config";

// Position of the last '/' or '\' among every character but the last;
// npos when there is none. Files written on Windows use '\'.
std::size_t dernier_separateur(std::string_view chemin);

// The executable's full path, from /proc/self/exe.
std::string chemin_executable();

struct Emplacements {
    std::string executable;      // the executable's full path they were chosen for
    std::string dossier_app;     // the executable's folder, ending with '/'
    std::string fichier_config;  // the vantrel.config read and written
    std::string
        dossier_donnees;  // the user's data folder, ending with '/'; empty when the app folder is used
};

// The environment as a function, so that tests can give their own.
using LireEnvironnement = std::function<const char*(const char*)>;

// Whether a file can be created in `dossier`, found by creating one (an
// unnamed file where the file system allows, so that nothing is ever left
// behind): a read-only mount refuses root as well as anybody.
bool dossier_inscriptible(const std::string& dossier);

// mkdir -p: every missing folder of `dossier` is made private to the user,
// as the base folders of the XDG layout are. Whether it exists at the end.
bool creer_dossiers(const std::string& dossier);

// The user's folder for `sous_dossier` ("vantrel/") under the base folder
// named by `variable` (XDG_CONFIG_HOME, XDG_DATA_HOME) or, when that is
// unset, empty or relative, under $HOME/`defaut` (".config", ".local/share").
// Empty when neither gives an absolute folder. Ends with '/'.
std::string dossier_xdg(const LireEnvironnement& env, const char* variable, std::string_view defaut);

// Decides where the files live for the executable at `chemin_executable`.
// With an app folder that cannot be written to, also creates the user's
// configuration folder and, when there is none yet, the user's
// configuration from the app folder's. Falls back to the app folder when
// the user has no home to write to.
Emplacements choisir_emplacements(std::string_view chemin_executable, const LireEnvironnement& env);

// The process's choice: the last one etablir_emplacements made, or, when
// none was, one made on first use for chemin_executable().
Emplacements emplacements();
// Chooses the process's places (choisir_emplacements) for the executable
// at `chemin_executable` and the environment as it is now. The program
// does it once at its start; a test does it for an app folder of its own.
void etablir_emplacements(std::string_view chemin_executable);

// The folder a stored play-list folder stands for: itself, or, for a
// relative one when the user has a data folder, that folder under it,
// created if missing. Keeps a final separator.
std::string dossier_playlist(std::string_view stocke);
std::string dossier_playlist(const Emplacements& e, std::string_view stocke);

// The folder a stored skin folder stands for, given the skin file it must
// hold: the user's copy under the data folder when it holds that file,
// else the stored folder itself.
std::string dossier_skin(std::string_view stocke, std::string_view fichier);
std::string dossier_skin(const Emplacements& e, std::string_view stocke, std::string_view fichier);

// Where the save dialog starts: the executable's folder, or the user's
// data folder, which stands for it when the app folder cannot be written.
std::string depart_dialogues();

// Whether `chemin` is relative (empty counts as relative: the current
// folder). A Windows drive ("C:\") or a leading '\' counts as absolute.
bool chemin_relatif(std::string_view chemin);

// The current directory as the file system's raw bytes, without a trailing
// separator (except for the root); empty when it cannot be read.
std::string dossier_courant();

// A name as it enters the play list: a relative one (chemin_relatif) is put
// after `dossier`, the folder it was given in (raw bytes, never re-encoded);
// an absolute or empty name, or any without a folder, stays as it is.
std::string chemin_absolu(std::string chemin, std::string_view dossier);

}  // namespace vt
