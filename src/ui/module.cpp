#include "ui/module.h"

#include "audio/chargement.h"
#include "audio/sortie_audio.h"
#include "config/configuration.h"
#include "ui/accessibilite.h"
#include "ui/tform1.h"
#include "ui/tform2.h"
#include "ui/tform3.h"
#include "ui/tform4.h"
#include "ui/tform5.h"
#include "ui/tform6.h"

#include <QCoreApplication>

namespace vt {

ModuleVantrel::ModuleVantrel(std::unique_ptr<SortieAudio> sortie)
    : parseur(std::make_unique<gestion_vantrel>()),
      joueur(std::make_unique<Lecteur>(liste, std::move(sortie))),
      lecteur(&joueur->media()),
      terminer([] { QCoreApplication::quit(); }),
      retour_moteur(std::make_unique<QObject>()) {
    chemin_config.clear();
}

void ModuleVantrel::creer_fenetres(std::optional<std::string> fichier) {
    creer_fenetre_principale();
    creer_fenetres_secondaires(std::move(fichier));
}

QWidget* ModuleVantrel::fenetre_principale() const { return Form1; }

void ModuleVantrel::creer_fenetre_principale() {
    if (Form1) return;
    Form1 = new TForm1(*this);
    rendre_accessible(*Form1, *this);
}

void ModuleVantrel::creer_fenetres_secondaires(std::optional<std::string> fichier) {
    if (!Form1 || Form2) return;
    Form2 = new TForm2(*this);
    Form3 = new TForm3(*this, std::move(fichier));
    Form4 = new TForm4(*this);
    Form5 = new TForm5(*this);
    Form6 = new TForm6(*this);
    rendre_accessibles(*Form1, *Form2, *Form3, *Form4);
}

void ModuleVantrel::quand_moteur_pret(std::function<void()> action) {
    // Once the loading has been tried, what comes runs at once, on the
    // null engine if the library could not be opened (as with no device).
    if (moteur_charge(*lecteur) || moteur_essaye) {
        action();
        return;
    }
    en_attente_moteur.push_back(std::move(action));
    charger_moteur();
}

void ModuleVantrel::charger_moteur() {
    if (chargement_lance || moteur_charge(*lecteur)) return;
    chargement_lance = true;
    // Back on this thread once the engine is up; dropped if the module has
    // gone meanwhile (its destructor waits for the loading first).
    QObject* retour = retour_moteur.get();
    precharger_moteur([this, retour] {
        QMetaObject::invokeMethod(retour, [this] { demarrer_moteur(); }, Qt::QueuedConnection);
    });
}

void ModuleVantrel::demarrer_moteur() {
    vt::demarrer_moteur(*lecteur);
    moteur_essaye = true;
    auto actions = std::move(en_attente_moteur);
    en_attente_moteur.clear();
    for (auto& a : actions) a();
}

ModuleVantrel::~ModuleVantrel() {
    // An engine still loading in the background is waited for and put in
    // the player, so that nothing comes back from that thread later. Then
    // the secondary windows, then the main window, whose end releases the
    // drop registration; then the player (closing the audio engine) and
    // the shared parser.
    if (chargement_lance) vt::demarrer_moteur(*lecteur);
    retour_moteur.reset();
    delete Form6;
    delete Form5;
    delete Form4;
    delete Form3;
    delete Form2;
    delete Form1;
    Form1 = nullptr;
    lecteur = nullptr;
    joueur.reset();
    parseur.reset();
}

}  // namespace vt
