#include "ui/entrees_fichiers.h"

#include "playlist/liste_courante.h"
#include "ui/dialogues.h"

#include <string_view>

namespace vt {

namespace {

int chiffre_hexa(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "%XX" gives its byte; a '%' not followed by two hexadecimal digits stays.
std::string decoder_pourcents(std::string_view s) {
    std::string r;
    r.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size()) {
            const int h = chiffre_hexa(s[i + 1]), l = chiffre_hexa(s[i + 2]);
            if (h >= 0 && l >= 0) {
                r.push_back(static_cast<char>(h * 16 + l));
                i += 2;
                continue;
            }
        }
        r.push_back(s[i]);
    }
    return r;
}

bool commence_sans_casse(std::string_view s, std::string_view debut) {
    if (s.size() < debut.size()) return false;
    for (std::size_t i = 0; i < debut.size(); ++i) {
        char c = s[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != debut[i]) return false;
    }
    return true;
}

// The path of one "file:" URI, or nothing for another scheme.
bool chemin_fichier(std::string_view uri, std::string& chemin) {
    if (!commence_sans_casse(uri, "file:")) return false;
    std::string_view reste = uri.substr(5);
    // A query or a fragment is no part of a file's name.
    if (auto fin = reste.find_first_of("?#"); fin != std::string_view::npos) reste = reste.substr(0, fin);
    std::string hote;
    if (reste.substr(0, 2) == "//") {
        reste.remove_prefix(2);
        const auto barre = reste.find('/');
        hote = decoder_pourcents(reste.substr(0, barre));
        reste = barre == std::string_view::npos ? std::string_view() : reste.substr(barre);
    }
    std::string p = decoder_pourcents(reste);
    if (p.empty()) return false;
    const bool local = hote.empty() || (hote.size() == 9 && commence_sans_casse(hote, "localhost"));
    if (!local) p = "//" + hote + p;
    chemin = std::move(p);
    return true;
}

}  // namespace

std::vector<std::string> chemins_uri_list(const QByteArray& uri_list) {
    std::vector<std::string> chemins;
    const std::string_view texte(uri_list.constData(), static_cast<std::size_t>(uri_list.size()));
    std::size_t debut = 0;
    while (debut < texte.size()) {
        std::size_t fin = texte.find('\n', debut);
        if (fin == std::string_view::npos) fin = texte.size();
        std::string_view ligne = texte.substr(debut, fin - debut);
        debut = fin + 1;
        if (!ligne.empty() && ligne.back() == '\r') ligne.remove_suffix(1);
        if (ligne.empty() || ligne.front() == '#') continue;
        std::string chemin;
        if (chemin_fichier(ligne, chemin)) chemins.push_back(std::move(chemin));
    }
    return chemins;
}

void ajouter_depuis_dialogue(ListeCourante& liste) {
    liste.ajouter_choisis(dialogues().ouvrir_fichiers("mp3|*.mp3|wav|*.wav|wma|*.wma"));
}

bool depot_accepte(std::string_view chemin) {
    if (chemin.size() < 3) return false;
    std::string fin;
    for (char c : chemin.substr(chemin.size() - 3))
        fin.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
    return fin == "MP3" || fin == "WAV" || fin == "WMA";
}

void ajouter_deposes(ListeCourante& liste, const std::vector<std::string>& chemins) {
    std::vector<std::string> acceptes;
    for (const std::string& c : chemins)
        if (depot_accepte(c)) acceptes.push_back(c);
    liste.ajouter_nommes_par_dernier_separateur(std::move(acceptes));
}

}  // namespace vt
