#include "config/configuration.h"

#include "config/emplacements.h"
#include "config/gestion_vantrel.h"

#include <QFile>

#include <unistd.h>
#include <climits>
#include <limits>
#include <utility>

namespace vt {

std::int32_t lire_entier(std::string_view texte) {
    std::size_t i = 0;
    while (i < texte.size() && (texte[i] == ' ' || texte[i] == '\t' || texte[i] == '\n' || texte[i] == '\r' ||
                                texte[i] == '\v' || texte[i] == '\f'))
        ++i;
    bool negatif = false;
    if (i < texte.size() && (texte[i] == '+' || texte[i] == '-')) {
        negatif = texte[i] == '-';
        ++i;
    }
    // Accumulate as a negative number so that INT32_MIN is reachable, and
    // stop growing once beyond the range: the result is then clamped.
    constexpr std::int64_t borne = static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + 1;
    std::int64_t valeur = 0;
    for (; i < texte.size() && texte[i] >= '0' && texte[i] <= '9'; ++i) {
        if (valeur <= borne) valeur = valeur * 10 + (texte[i] - '0');
    }
    if (negatif) {
        return valeur >= borne ? std::numeric_limits<std::int32_t>::min()
                               : static_cast<std::int32_t>(-valeur);
    }
    return valeur >= borne ? std::numeric_limits<std::int32_t>::max() : static_cast<std::int32_t>(valeur);
}

bool lire_boucle(std::string_view valeur) { return valeur != "false"; }

std::string chemin_config_pour(std::string_view chemin_executable) {
    std::size_t sep = dernier_separateur(chemin_executable);
    std::string dossier =
        sep == std::string_view::npos ? std::string() : std::string(chemin_executable.substr(0, sep + 1));
    return dossier + std::string(kNomConfig);
}

std::string texte_configuration(std::string_view rep_skin, std::string_view fichier_skin, std::int32_t gauche,
                                std::int32_t haut, std::string_view rep_playlist, bool boucle) {
    std::string t;
    ajouter_valeur(t, rep_skin);
    ajouter_valeur(t, fichier_skin);
    ajouter_valeur(t, std::to_string(gauche));
    ajouter_valeur(t, std::to_string(haut));
    ajouter_valeur(t, rep_playlist);
    ajouter_valeur(t, boucle ? "true" : "false");
    return t;
}

std::string texte_configuration_fermeture(gestion_vantrel& parseur, const std::string& chemin,
                                          std::int32_t gauche, std::int32_t haut, bool boucle) {
    if (parseur.charger(chemin)) {
        return texte_configuration(parseur.valeur(1), parseur.valeur(2), gauche, haut, parseur.valeur(5),
                                   boucle);
    }
    return texte_configuration(kRepSkinDefaut, kFichierSkinDefaut, gauche, haut, kRepPlaylistDefaut, boucle);
}

std::string texte_configuration_fermeture(gestion_vantrel& parseur, const std::string& chemin,
                                          std::optional<Place> place, bool boucle) {
    if (place) return texte_configuration_fermeture(parseur, chemin, place->gauche, place->haut, boucle);
    if (parseur.charger(chemin)) {
        return texte_configuration(parseur.valeur(1), parseur.valeur(2), lire_entier(parseur.valeur(3)),
                                   lire_entier(parseur.valeur(4)), parseur.valeur(5), boucle);
    }
    return texte_configuration(kRepSkinDefaut, kFichierSkinDefaut, kGaucheDefaut, kHautDefaut,
                               kRepPlaylistDefaut, boucle);
}

ValeursConfig lire_configuration(const gestion_vantrel& parseur) {
    ValeursConfig v;
    v.boucle = lire_boucle(parseur.valeur(6));
    v.rep_skin = dossier_skin(parseur.valeur(1), parseur.valeur(2));
    v.chemin_skin = v.rep_skin + parseur.valeur(2);
    v.gauche = lire_entier(parseur.valeur(3));
    v.haut = lire_entier(parseur.valeur(4));
    v.rep_playlist = parseur.valeur(5);
    return v;
}

Configuration::Configuration(std::string chemin) : chemin_(std::move(chemin)) {}

std::optional<ValeursConfig> Configuration::lire() {
    if (!parseur_.charger(chemin_)) return std::nullopt;
    return lire_configuration(parseur_);
}

std::optional<std::string> Configuration::dossier_playlist() {
    if (!parseur_.charger(chemin_)) return std::nullopt;
    return vt::dossier_playlist(parseur_.valeur(5));
}

bool Configuration::ecrire(const Reglages& r) const {
    // A value that cannot be stored would shift the ones after it when the
    // file is read back: the file is left as it is.
    for (const std::string* v : {&r.rep_skin, &r.fichier_skin, &r.rep_playlist})
        if (!valeur_stockable(*v)) return false;
    return parseur_.ecrire(
        chemin_, texte_configuration(r.rep_skin, r.fichier_skin, r.gauche, r.haut, r.rep_playlist, r.boucle));
}

bool Configuration::ecrire_sortie(std::optional<Place> place, bool boucle) {
    return parseur_.ecrire(chemin_, texte_configuration_fermeture(parseur_, chemin_, place, boucle));
}

}  // namespace vt
