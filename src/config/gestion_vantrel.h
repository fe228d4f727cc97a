#pragma once
// The quoted-value text shared by the configuration file, skin files and
// play-list files, and the class that loads, reads and writes it.
//
// Value N (from 1) is the text strictly between the (2N-1)-th and the 2N-th
// double quote of the whole text. Text outside quote pairs is ignored, there
// is no escape, and a last unpaired quote opens no value. Texts are raw bytes.
#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class gestion_vantrel {
public:
    // The text last loaded; empty at construction.
    std::string texte;

    // Replaces `texte` with the whole content of the file at `chemin`.
    // Returns false, leaving `texte` unchanged, when the file cannot be
    // opened or read (a missing file, a directory, a read error).
    bool charger(const std::string& chemin);

    // Value `n` (1-based). A number that matches no complete value (0, or
    // beyond the last one) gives an empty string.
    std::string valeur(unsigned n) const;

    // Number of double quotes divided by two, rounded down.
    unsigned nombre_valeurs() const;

    // Every value in order, in one pass over the text: the same results as
    // valeur(1) .. valeur(nombre_valeurs()).
    std::vector<std::string> valeurs() const;

    // Replaces the file at `chemin` with `texte_a_ecrire`, byte for byte.
    // The bytes go to a temporary file in the same folder ("." + name + "."
    // + six letters or digits), flushed to the disk, which is then renamed
    // over the target, so the target holds either its old bytes or the new
    // ones, never a partial file. A `chemin` that is a symbolic link keeps
    // its link: the file it leads to is replaced that way in its own folder.
    // Only a regular file is replaced (or a missing one created): anything
    // else at the end of the links is refused, as is a target whose folder
    // cannot take the temporary file. A failure is silent and leaves the old
    // file whole and no temporary file behind. Returns whether it succeeded.
    bool ecrire(const std::string& chemin, std::string_view texte_a_ecrire) const;
};

namespace vt {

// The values of a quoted-value text, in one pass; see gestion_vantrel.
std::vector<std::string_view> valeurs_quotees(std::string_view texte);
// The next value of a quoted-value text from byte `pos` on, `pos` then just
// past it; nothing when no complete value is left. Walks a text of any
// number of values without holding them all.
std::optional<std::string_view> valeur_suivante(std::string_view texte, std::size_t& pos);
// The number of complete values (double quotes divided by two).
std::size_t nombre_valeurs_quotees(std::string_view texte);
// Value n (1-based) of a quoted-value text; empty when there is none.
std::string_view valeur_quotee(std::string_view texte, unsigned n);
// Whether `chemin` names a regular file that can be opened for reading.
bool fichier_lisible(const std::string& chemin);
// gestion_vantrel::ecrire, telling why it failed: 0 once written, else the
// system's error number (ENOSPC, EROFS, EACCES, ...; EISDIR or EINVAL for a
// target that is not a regular file), the old file whole.
int ecrire_fichier(const std::string& chemin, std::string_view texte_a_ecrire);
// Appends `"valeur"` to `texte`.
void ajouter_valeur(std::string& texte, std::string_view valeur);
// Whether `valeur` can be stored: not with a double quote, since the format
// has no escape and the quote would shift every value after it.
inline bool valeur_stockable(std::string_view valeur) { return valeur.find('"') == std::string_view::npos; }

// The two system calls that make gestion_vantrel::ecrire's replacement
// safe, in this order: fsync of the temporary file, then its rename over
// the target. Tests replace them to see the order; nullptr restores the
// system's.
struct AppelsEcriture {
    std::function<int(int)> fsync;
    std::function<int(const char*, const char*)> rename;
};
void definir_appels_ecriture(const AppelsEcriture* appels);

// Whether `nom` is a temporary file name of gestion_vantrel::ecrire for a
// target named `cible`: "." + cible + "." + six letters or digits.
bool nom_temporaire_de(std::string_view nom, std::string_view cible);
// Removes from `dossier` what writers killed between their temporary file
// and its rename left behind: regular files (not links) whose name is a
// temporary name for a target that `cible_visee` accepts, last changed more
// than `age` ago (a writer running now is younger). Nothing else. Returns
// how many were removed.
int retirer_restes_ecriture(const std::string& dossier,
                            const std::function<bool(std::string_view)>& cible_visee,
                            std::chrono::seconds age = std::chrono::seconds(60));

// Whether `nom` ends with ".vtlist" (a play list's file), letters compared
// without regard to case.
bool finit_par_vtlist(std::string_view nom);

// At start: removes what writers killed between their temporary file and
// its rename left behind (see vt::retirer_restes_ecriture), older than a
// minute: temporary files of the configuration beside `fichier_config`, and
// of play lists (".vtlist" targets) in the directory of `rep_playlist` when
// it is given (the value read from the configuration). Nothing else.
void retirer_restes_au_demarrage(const std::string& fichier_config,
                                 const std::optional<std::string>& rep_playlist);

}  // namespace vt
