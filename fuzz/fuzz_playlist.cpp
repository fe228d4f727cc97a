// The play-list loader, on any bytes, and the play-list folder scan.
//
// The input is split by FuzzedDataProvider: a play-list file's bytes, then
// the names of a few files to create in a play-list folder and the prefix
// that the configuration's folder value would add. Checked: the entries are
// the file's values; the model shows each one's display name; the list
// written back reads back the same; edits keep both columns in step; the
// scan finds only ".vtlist" entries that start with the prefix, sorted.
#include "config/configuration.h"
#include "outils_fuzz.h"
#include "playlist/fichiers_playlist.h"
#include "playlist/liste_courante.h"

#include <fuzzer/FuzzedDataProvider.h>
#include <QCoreApplication>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>

namespace {

using vt::fuzz::dossier_travail;

bool finit_par_vtlist(std::string_view nom) {
    if (nom.size() < 7) return false;
    std::string fin(nom.substr(nom.size() - 7));
    for (char& ch : fin)
        if (ch >= 'A' && ch <= 'Z') ch = char(ch - 'A' + 'a');
    return fin == ".vtlist";
}

// A file name from fuzz bytes: no '/', no NUL, not "." or "..", at most 200 bytes.
std::string nom_de_fichier(std::string brut) {
    std::replace(brut.begin(), brut.end(), '/', '_');
    std::replace(brut.begin(), brut.end(), '\0', '_');
    if (brut.size() > 200) brut.resize(200);
    if (brut.empty() || brut == "." || brut == "..") brut = "_" + brut;
    return brut;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static std::unique_ptr<QCoreApplication> app = std::make_unique<QCoreApplication>(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider fdp(data, size);
    vt::fuzz::vider_dossier_travail();
    const std::string texte = fdp.ConsumeRandomLengthString(1 << 16);

    // Loading.
    const std::string fichier = dossier_travail() + "liste.vtlist";
    vt::fuzz::ecrire_fichier(fichier, texte);
    auto lu = vt::lire_playlist(fichier);
    VT_EXIGER(lu.has_value());
    std::vector<std::string> attendu;
    for (std::string_view v : vt::valeurs_quotees(texte)) attendu.emplace_back(v);
    VT_EXIGER(*lu == attendu);
    VT_EXIGER(!vt::lire_playlist(dossier_travail()).has_value());  // a folder is no play list

    vt::ListeCourante liste;
    liste.remplacer(*lu);
    VT_EXIGER(liste.nombre() == int(attendu.size()));
    VT_EXIGER(liste.rowCount() == liste.nombre());
    for (int i = 0; i < liste.nombre() && i < 32; ++i) {
        VT_EXIGER(liste.chemin(i) == attendu[std::size_t(i)]);
        VT_EXIGER(liste.nom(i) == vt::nom_affiche(attendu[std::size_t(i)]));
        (void)liste.data(liste.index(i, vt::ListeCourante::kColonneNom));
        (void)liste.data(liste.index(i, vt::ListeCourante::kColonneChemin));
    }
    VT_EXIGER(liste.chemin(liste.nombre()).empty() && liste.nom(-1).empty());

    // Written back, it reads back the same.
    const std::string reecrit = vt::texte_playlist(liste);
    VT_EXIGER(reecrit == vt::texte_playlist(attendu));
    std::vector<std::string> relu;
    for (std::string_view v : vt::valeurs_quotees(reecrit)) relu.emplace_back(v);
    VT_EXIGER(relu == attendu);

    // A few edits at places the input chooses; the count follows.
    for (int k = 0; k < 4 && fdp.remaining_bytes() > 0; ++k) {
        const int n = liste.nombre();
        const int i = fdp.ConsumeIntegralInRange<int>(-1, n);
        switch (fdp.ConsumeIntegralInRange<int>(0, 2)) {
            case 0:
                liste.supprimer(i);
                VT_EXIGER(liste.nombre() == (i >= 0 && i < n ? n - 1 : n));
                break;
            case 1: {
                const std::string avant = liste.chemin(i), precedent = liste.chemin(i - 1);
                liste.echanger_avec_precedent(i);
                if (i >= 1 && i < n) VT_EXIGER(liste.chemin(i) == precedent && liste.chemin(i - 1) == avant);
                VT_EXIGER(liste.nombre() == n);
                break;
            }
            default:
                liste.ajouter_nommes_par_dernier_separateur({fdp.ConsumeRandomLengthString(64)});
                VT_EXIGER(liste.nombre() == n + 1);
        }
    }

    // The save target always ends with ".vtlist".
    VT_EXIGER(finit_par_vtlist(vt::cible_sauvegarde(texte.substr(0, 300))));

    // The scan of a play-list folder holding files named by the input.
    const std::string dossier = dossier_travail() + "playlist/";
    std::filesystem::create_directory(dossier);
    int crees = 0;
    const int nombre_fichiers = fdp.ConsumeIntegralInRange<int>(0, 8);
    for (int k = 0; k < nombre_fichiers; ++k) {
        std::string nom = nom_de_fichier(fdp.ConsumeRandomLengthString(64));
        const int genre = fdp.ConsumeIntegralInRange<int>(0, 3);
        if (genre == 0) nom += ".vtlist";
        if (genre == 1) nom += ".VtList";
        std::error_code ec;
        if (std::filesystem::exists(dossier + nom, ec)) continue;
        if (genre == 2)
            std::filesystem::create_directory(dossier + nom, ec);  // a folder counts too
        else
            vt::fuzz::ecrire_fichier(dossier + nom, "\"/m/a.mp3\"");
        ++crees;
    }
    const std::string prefixe = nom_de_fichier(fdp.ConsumeRandomLengthString(16));
    for (const std::string& rep : {dossier, dossier + (fdp.ConsumeBool() ? prefixe : std::string())}) {
        const auto trouvees = vt::lister_playlists(rep);
        const std::string_view debut = std::string_view(rep).substr(dossier.size());
        VT_EXIGER(int(trouvees.size()) <= crees);
        for (const vt::EntreePlaylist& e : trouvees) {
            // The prefix may take in part of the extension: the whole name ends with it.
            VT_EXIGER(finit_par_vtlist(std::string(debut) + e.fichier));
            VT_EXIGER(std::filesystem::exists(dossier + std::string(debut) + e.fichier));
            VT_EXIGER(e.nom.size() + 7 == debut.size() + e.fichier.size());
        }
        const auto encore = vt::lister_playlists(rep);  // the order never depends on the folder's
        VT_EXIGER(encore.size() == trouvees.size());
        for (std::size_t i = 0; i < encore.size(); ++i)
            VT_EXIGER(encore[i].nom == trouvees[i].nom && encore[i].fichier == trouvees[i].fichier);
    }
    return 0;
}
