// The module's six windows: created in the start-up order, deleted in the
// reverse one. Apart from the module's other work, which the windows
// include, so that the module's unit and the windows' never include each
// other.
#include "ui/accessibilite.h"
#include "ui/ecrans.h"
#include "ui/module.h"
#include "ui/tform1.h"
#include "ui/tform2.h"
#include "ui/tform3.h"
#include "ui/tform4.h"
#include "ui/tform5.h"
#include "ui/tform6.h"

namespace vt {

QWidget* ModuleVantrel::fenetre_principale() const { return Form1; }
QWidget* ModuleVantrel::fenetre_options() const { return Form4; }

void ModuleVantrel::creer_fenetres() {
    creer_fenetre_principale();
    creer_fenetres_secondaires();
}

void ModuleVantrel::creer_fenetre_principale() {
    if (Form1) return;
    Form1 = new TForm1(*this);
    definir_fenetre_lecteur(Form1);
    rendre_accessible(*Form1, *lecteur);
}

void ModuleVantrel::creer_fenetres_secondaires() {
    if (!Form1 || Form2) return;
    Form2 = new TForm2(*this);
    Form3 = new TForm3(*this);
    Form4 = new TForm4(*this);
    Form5 = new TForm5(*this);
    Form6 = new TForm6(*this);
    // The start-up sequence reads the applied settings again; the selector
    // is filled from the play-list folder it read.
    QObject::connect(Form4, &TForm4::options_appliquees, Form1, &TForm1::relire_reglages);
    rendre_accessibles(*Form1, *Form2, *Form3, *Form4, *Form5, *Form6);
}

void ModuleVantrel::supprimer_fenetres() {
    // The clock, which repaints the main window, stops with it.
    lecteur->arreter_horloge();
    delete Form6;
    delete Form5;
    delete Form4;
    delete Form3;
    delete Form2;
    delete Form1;
    Form1 = nullptr;
    Form2 = nullptr;
    Form3 = nullptr;
    Form4 = nullptr;
    Form5 = nullptr;
    Form6 = nullptr;
}

}  // namespace vt
