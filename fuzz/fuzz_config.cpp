// The quoted-value reader and the configuration reading, on any bytes.
//
// The input is the whole text of a file. Checked: the one-pass reader agrees
// with value-by-value reading and with the value count; no value holds a
// quote; the configuration's values are read as the player reads them; a
// configuration written back from them reads back the same; loading the
// bytes from a file gives them unchanged, and the atomic write puts them
// back byte for byte.
#include "config/configuration.h"
#include "config/gestion_vantrel.h"
#include "outils_fuzz.h"

#include <cstdint>
#include <limits>

namespace {

using vt::fuzz::dossier_travail;

// A plain reference for the numbers of the configuration: blanks, a sign,
// digits, clamped to 32 bits.
std::int32_t entier_reference(std::string_view t) {
    std::size_t i = 0;
    while (i < t.size() && (t[i] == ' ' || (t[i] >= '\t' && t[i] <= '\r'))) ++i;
    bool negatif = false;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) negatif = t[i++] == '-';
    long double v = 0;
    for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) v = std::min(v * 10 + (t[i] - '0'), 1e12L);
    if (negatif) v = -v;
    v = std::max<long double>(v, std::numeric_limits<std::int32_t>::min());
    v = std::min<long double>(v, std::numeric_limits<std::int32_t>::max());
    return static_cast<std::int32_t>(v);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string texte(reinterpret_cast<const char*>(data), size);

    gestion_vantrel g;
    g.texte = texte;
    const std::vector<std::string> valeurs = g.valeurs();
    VT_EXIGER(valeurs.size() == g.nombre_valeurs());
    VT_EXIGER(vt::valeurs_quotees(texte).size() == valeurs.size());
    // Value by value is quadratic: compare the first ones and the last one.
    for (std::size_t i = 0; i < valeurs.size() && i < 64; ++i)
        VT_EXIGER(g.valeur(unsigned(i + 1)) == valeurs[i]);
    if (!valeurs.empty()) VT_EXIGER(g.valeur(unsigned(valeurs.size())) == valeurs.back());
    VT_EXIGER(g.valeur(0).empty());
    VT_EXIGER(g.valeur(unsigned(valeurs.size() + 1)).empty());
    std::size_t octets_valeurs = 0;
    for (const std::string& v : valeurs) {
        VT_EXIGER(v.find('"') == std::string::npos);
        octets_valeurs += v.size() + 2;
    }
    VT_EXIGER(octets_valeurs <= texte.size());

    // The configuration as start-up reads it.
    const vt::ValeursConfig c = vt::lire_configuration(g);
    VT_EXIGER(c.rep_skin == g.valeur(1));
    VT_EXIGER(c.chemin_skin == g.valeur(1) + g.valeur(2));
    VT_EXIGER(c.boucle == (g.valeur(6) != "false"));
    VT_EXIGER(c.gauche == entier_reference(g.valeur(3)));
    VT_EXIGER(c.haut == entier_reference(g.valeur(4)));

    // Written back as the close button writes it, it reads back the same.
    gestion_vantrel relu;
    relu.texte = vt::texte_configuration(g.valeur(1), g.valeur(2), c.gauche, c.haut, g.valeur(5), c.boucle);
    VT_EXIGER(relu.nombre_valeurs() == 6);
    const vt::ValeursConfig d = vt::lire_configuration(relu);
    VT_EXIGER(d.chemin_skin == c.chemin_skin && d.rep_skin == c.rep_skin);
    VT_EXIGER(d.gauche == c.gauche && d.haut == c.haut && d.boucle == c.boucle);
    VT_EXIGER(relu.valeur(5) == g.valeur(5));

    // From a file: loaded unchanged; the close button's text keeps values 1,
    // 2 and 5; the atomic write puts the bytes back unchanged.
    const std::string fichier = dossier_travail() + "vantrel.config";
    vt::fuzz::ecrire_fichier(fichier, texte);
    gestion_vantrel p;
    VT_EXIGER(p.charger(fichier));
    VT_EXIGER(p.texte == texte);
    gestion_vantrel sortie;
    sortie.texte = vt::texte_configuration_fermeture(p, fichier, -5, 7, true);
    VT_EXIGER(sortie.valeur(1) == g.valeur(1) && sortie.valeur(2) == g.valeur(2));
    VT_EXIGER(sortie.valeur(5) == g.valeur(5));
    VT_EXIGER(sortie.valeur(3) == "-5" && sortie.valeur(4) == "7" && sortie.valeur(6) == "true");
    const std::string copie = dossier_travail() + "copie.config";
    VT_EXIGER(p.ecrire(copie, texte));
    VT_EXIGER(vt::fuzz::lire_fichier(copie) == texte);
    return 0;
}
