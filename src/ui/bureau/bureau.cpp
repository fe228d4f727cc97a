#include "ui/bureau/bureau.h"

#include "ui/bureau/plateforme.h"

namespace vt {

bool confier_au_lecteur_en_cours(const std::optional<std::string>& fichier) {
    return confier_au_lecteur(nom_instance(), fichier);
}

Bureau::Bureau(ModuleVantrel& module) : m_(module) {}

Bureau::~Bureau() = default;

void Bureau::ecouter() {
    if (serveur_) return;
    serveur_ = std::make_unique<ServeurInstance>(
        nom_instance(), [this](std::string chemin) { recevoir_fichier(m_, std::move(chemin)); },
        [this] { montrer_lecteur(m_); });
    serveur_->ecouter();
}

void Bureau::demarrer() {
    ecouter();
    if (!media_) media_ = demarrer_service_media(m_);
}

}  // namespace vt
