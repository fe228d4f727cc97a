#include "support/dialogues_scriptes.h"

namespace vt::test {

namespace {
template <class T>
T prendre(std::deque<T>& file, T defaut) {
    if (file.empty()) return defaut;
    T v = std::move(file.front());
    file.pop_front();
    return v;
}
}  // namespace

std::vector<std::string> DialoguesScriptes::ouvrir_fichiers(const std::string& filtre) {
    filtres_ouverture.push_back(filtre);
    return prendre(fichiers_a_ouvrir, std::vector<std::string>{});
}
std::optional<std::string> DialoguesScriptes::enregistrer_fichier(const std::string& initial) {
    initiaux.push_back(initial);
    return prendre(fichiers_a_enregistrer, std::optional<std::string>{});
}
std::optional<std::string> DialoguesScriptes::choisir_repertoire(const QString& invite,
                                                                 const std::string& initial) {
    invites.push_back(invite);
    initiaux_repertoire.push_back(initial);
    return prendre(repertoires, std::optional<std::string>{});
}
std::optional<std::string> DialoguesScriptes::choisir_fichier(const std::string& filtre,
                                                              const std::string& initial) {
    filtres_ouverture.push_back(filtre);
    initiaux.push_back(initial);
    return prendre(fichiers_choisis, std::optional<std::string>{});
}
void DialoguesScriptes::message(const QString& legende, const QString& texte) {
    messages.emplace_back(legende, texte);
}
bool DialoguesScriptes::question(const QString& legende, const QString& texte) {
    questions.emplace_back(legende, texte);
    return prendre(reponses, false);
}

}  // namespace vt::test
