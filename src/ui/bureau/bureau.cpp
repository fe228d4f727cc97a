#include "ui/bureau/bureau.h"

#include "ui/bureau/plateforme.h"

namespace vt {

namespace {
// This process's claim to be the running player, held for its whole life.
PlaceInstance& place() {
    static PlaceInstance p(nom_instance());
    return p;
}
}  // namespace

bool confier_au_lecteur_en_cours(const std::optional<std::string>& fichier) {
    return confier_ou_prendre_place(place(), nom_instance(), fichier);
}

Bureau::Bureau(ModuleVantrel& module) : m_(module) {}

Bureau::~Bureau() = default;

void Bureau::ecouter() {
    if (serveur_) return;
    serveur_ = std::make_unique<ServeurInstance>(
        nom_instance(), [this](std::string chemin) { recevoir_fichier(m_, std::move(chemin)); },
        [this] { montrer_lecteur(m_); });
    serveur_->place_tenue = place().tenue();
    serveur_->ecouter();
}

void Bureau::demarrer() {
    ecouter();
    if (!media_) media_ = demarrer_service_media(m_);
}

}  // namespace vt
