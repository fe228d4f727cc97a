#pragma once
// vantrel.config: six quoted values kept beside the executable (or, when
// its folder cannot be written, in the user's folder: see emplacements.h).
//   1 skin directory (ends with a separator)   2 skin file name
//   3 window left    4 window top               5 play-list directory
//   6 loop the play list: "false" turns it off, anything else on
#include "config/emplacements.h"
#include "config/gestion_vantrel.h"
#include "config/nom_chemin.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vt {

inline constexpr std::string_view kRepSkinDefaut = "skin/default/";
inline constexpr std::string_view kFichierSkinDefaut = "default.sk";
inline constexpr std::string_view kCheminSkinDefaut = "skin/default/default.sk";
inline constexpr std::string_view kRepPlaylistDefaut = "playlist/";
inline constexpr int kGaucheDefaut = 194;
inline constexpr int kHautDefaut = 235;

// A signed 32-bit number: leading blanks skipped, an optional sign, then
// decimal digits up to the first other byte. No digits give 0; a digit
// string beyond the 32-bit range is clamped to it.
std::int32_t lire_entier(std::string_view texte);

// The loop flag of value 6: on unless the value is exactly "false".
bool lire_boucle(std::string_view valeur);

// The configuration path for an executable path: its directory (up to and
// including the last separator) followed by "vantrel.config".
std::string chemin_config_pour(std::string_view chemin_executable);

// The six values in the written layout: each between its own pair of
// quotes, nothing between them, no line break.
std::string texte_configuration(std::string_view rep_skin, std::string_view fichier_skin, std::int32_t gauche,
                                std::int32_t haut, std::string_view rep_playlist, bool boucle);

// What the close button writes: values 1, 2 and 5 from the file on disk
// (loaded into `parseur`), or the defaults when it cannot be read; the
// window position and loop flag from the running program.
std::string texte_configuration_fermeture(gestion_vantrel& parseur, const std::string& chemin,
                                          std::int32_t gauche, std::int32_t haut, bool boucle);

// The same where the window's place may be unknown (the window system does
// not report it): without `place`, values 3 and 4 are written as the file
// on disk holds them (the default place when it cannot be read), so that a
// session that cannot tell the place never loses the stored one.
struct Place {
    std::int32_t gauche = 0;
    std::int32_t haut = 0;
};
std::string texte_configuration_fermeture(gestion_vantrel& parseur, const std::string& chemin,
                                          std::optional<Place> place, bool boucle);

// Values read at start-up from a loaded configuration text.
struct ValeursConfig {
    bool boucle = false;      // value 6, see lire_boucle
    std::string chemin_skin;  // rep_skin followed by value 2
    std::string rep_skin;     // value 1, or the user's copy of it (dossier_skin)
    std::int32_t gauche = 0;
    std::int32_t haut = 0;
    std::string rep_playlist;  // value 5
};
ValeursConfig lire_configuration(const gestion_vantrel& parseur);

// The six values by name, as the file stores them (the options window's
// write).
struct Reglages {
    std::string rep_skin;      // value 1
    std::string fichier_skin;  // value 2
    std::int32_t gauche = 0;   // value 3
    std::int32_t haut = 0;     // value 4
    std::string rep_playlist;  // value 5
    bool boucle = false;       // value 6, see lire_boucle
};

// The configuration file of this run, read and written by named values. Its
// path is given once, when the process starts, and never changes. Every read
// loads the file again into the object's own parser, so that what was
// written since (by the options window, by hand) is what is read. A copy is
// a second instance on the same file, with a parser of its own.
class Configuration {
public:
    explicit Configuration(std::string chemin);

    const std::string& chemin() const { return chemin_; }

    // The six values by name (lire_configuration); nothing when the file
    // cannot be read.
    std::optional<ValeursConfig> lire();
    // The folder of the play lists: value 5, as dossier_playlist makes it.
    // Nothing when the file cannot be read.
    std::optional<std::string> dossier_playlist();

    // Writes the six values, replacing the file (texte_configuration's
    // layout); false, and the file left as it is, when a text cannot be
    // stored (a double quote) or the file cannot be written.
    bool ecrire(const Reglages& r) const;
    // The close button's write: texte_configuration_fermeture over the file on disk.
    bool ecrire_sortie(std::optional<Place> place, bool boucle);

private:
    std::string chemin_;
    gestion_vantrel parseur_;
};

}  // namespace vt
