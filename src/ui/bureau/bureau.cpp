#include "ui/bureau/bureau.h"

#include "ui/bureau/plateau.h"
#include "ui/bureau/plateforme.h"
#include "ui/module.h"
#include "ui/session.h"
#include "ui/tform1.h"

namespace vt {

namespace {
// This process's claim to be the running player, held for its whole life.
PlaceInstance& place() {
    static PlaceInstance p(nom_instance());
    return p;
}
}  // namespace

bool confier_au_lecteur_en_cours(const std::vector<std::string>& fichiers) {
    const std::vector<Requete> requetes = requetes_de_depart(fichiers);
    if (!confier_ou_prendre_place(place(), nom_instance(), requetes.front())) return false;
    // The player took the first request: a list too long for one follows.
    confier_suite(nom_instance(), requetes, 1);
    return true;
}

void recevoir_fichiers(PorteLecteur& lecteur, std::vector<std::string> chemins, bool jouer_premier) {
    std::erase_if(chemins, [](const std::string& c) { return !chemin_recevable(c); });
    lecteur.fichiers_exterieurs(std::move(chemins), jouer_premier);
}

void montrer_lecteur(ModuleVantrel& module) {
    if (TForm1* f = module.Form1) f->revenir();
}

Bureau::Bureau(ModuleVantrel& module) : m_(module) {
    // Looked up when the tray icon is first used, not at start.
    definir_test_status_notifier(&hote_status_notifier);
}

Bureau::~Bureau() = default;

void Bureau::ecouter() {
    if (serveur_) return;
    serveur_ = std::make_unique<ServeurInstance>(
        nom_instance(),
        [this](std::vector<std::string> chemins, bool jouer) {
            recevoir_fichiers(*m_.lecteur, std::move(chemins), jouer);
        },
        [this] { montrer_lecteur(m_); });
    serveur_->place_tenue = place().tenue();
    serveur_->ecouter();
}

void Bureau::demarrer() {
    ecouter();
    if (!media_) media_ = demarrer_service_media(m_);
    if (!veille_zone_) veille_zone_ = surveiller_zone_notification(m_);
    // From now on a later start's request is answered at once: one that
    // goes unanswered means this player hangs.
    place().annoncer_pret();
}

void zone_notification_perdue(ModuleVantrel& module) {
    if (Plateau* p = module.Form1 ? module.Form1->findChild<Plateau*>() : nullptr) p->zone_perdue();
}

}  // namespace vt
