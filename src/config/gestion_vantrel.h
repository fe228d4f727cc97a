#pragma once
// The quoted-value text shared by the configuration file, skin files and
// play-list files, and the class that loads, reads and writes it.
//
// Value N (from 1) is the text strictly between the (2N-1)-th and the 2N-th
// double quote of the whole text. Text outside quote pairs is ignored, there
// is no escape, and a last unpaired quote opens no value. Texts are raw bytes.
#include <cstddef>
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
    // The bytes go to a temporary file in the same folder which is then
    // renamed over the target, so the target holds either its old bytes or
    // the new ones, never a partial file. A failure is silent and leaves the
    // old file and no temporary file behind. Returns whether it succeeded.
    bool ecrire(const std::string& chemin, std::string_view texte_a_ecrire) const;
};

namespace vt {

// The values of a quoted-value text, in one pass; see gestion_vantrel.
std::vector<std::string_view> valeurs_quotees(std::string_view texte);
// Value n (1-based) of a quoted-value text; empty when there is none.
std::string_view valeur_quotee(std::string_view texte, unsigned n);
// Whether `chemin` names a regular file that can be opened for reading.
bool fichier_lisible(const std::string& chemin);
// Appends `"valeur"` to `texte`.
void ajouter_valeur(std::string& texte, std::string_view valeur);

}  // namespace vt
