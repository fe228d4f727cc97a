#include "ui/module.h"

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
      terminer([] { QCoreApplication::quit(); }) {
    chemin_config.clear();
}

void ModuleVantrel::creer_fenetres(std::optional<std::string> fichier) {
    creer_fenetre_principale();
    creer_fenetres_secondaires(std::move(fichier));
}

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

ModuleVantrel::~ModuleVantrel() {
    // The secondary windows, then the main window, whose end releases the
    // drop registration; then the player (waiting for an engine still
    // loading, then closing the engine) and the shared parser. Nothing runs
    // the message loop meanwhile: what waited for the engine never runs.
    delete Form6;
    delete Form5;
    delete Form4;
    delete Form3;
    delete Form2;
    delete Form1;
    Form1 = nullptr;
    joueur.reset();
    parseur.reset();
}

}  // namespace vt
