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

void ModuleVantrel::creer_fenetres() {
    creer_fenetre_principale();
    creer_fenetres_secondaires();
}

void ModuleVantrel::creer_fenetre_principale() {
    if (Form1) return;
    Form1 = new TForm1(services_fenetres());
    definir_fenetre_lecteur(Form1);
    navigation.place_principale = [this] { return Form1->pos(); };
    navigation.parent_des_menus = [this] { return Form1; };
    QObject::connect(&navigation, &Navigation::retour_demande, Form1, &TForm1::revenir);
    rendre_accessible(*Form1, *lecteur);
}

void ModuleVantrel::creer_fenetres_secondaires() {
    if (!Form1 || Form2) return;
    const ServicesFenetres services = services_fenetres();
    Form2 = new TForm2(services);
    Form3 = new TForm3(services);
    Form4 = new TForm4(services);
    Form5 = new TForm5(services);
    Form6 = new TForm6(services);
    // Each window's requests, answered by the window they concern.
    const Navigation* n = &navigation;
    QObject::connect(n, &Navigation::menu_demande, Form2, &TForm2::ouvrir);
    QObject::connect(n, &Navigation::menu_a_cacher, Form2, [f = Form2] {
        if (f->isVisible()) f->setVisible(false);
    });
    QObject::connect(n, &Navigation::sauvegarde_demandee, Form3, [f = Form3] { f->setVisible(true); });
    QObject::connect(n, &Navigation::options_demandees, Form4, [f = Form4] { f->setVisible(true); });
    QObject::connect(n, &Navigation::a_propos_demande, Form5, [f = Form5] { f->setVisible(true); });
    QObject::connect(n, &Navigation::informations_demandees, Form6, &TForm6::montrer_entree);
    // The start-up sequence reads the applied settings again; the selector
    // is filled from the play-list folder it read. Closing the save window
    // reads the folder again.
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
    navigation.place_principale = [] { return QPoint(); };
    navigation.parent_des_menus = [] { return nullptr; };
    Form1 = nullptr;
    Form2 = nullptr;
    Form3 = nullptr;
    Form4 = nullptr;
    Form5 = nullptr;
    Form6 = nullptr;
}

}  // namespace vt
