// The module's six windows: created in the start-up order, deleted in the
// reverse one. Apart from the module's other work, which the windows
// include, so that the module's unit and the windows' never include each
// other.
#include "ui/accessibilite.h"
#include "ui/ecrans.h"
#include "ui/module.h"
#include "ui/session.h"
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
    if (fenetres_.Form1) return;
    TForm1* principale = fenetres_.Form1 = new TForm1(services_fenetres());
    definir_fenetre_lecteur(principale);
    navigation.place_principale = [principale] { return principale->pos(); };
    QObject::connect(&navigation, &Navigation::retour_demande, principale, &TForm1::revenir);
    rendre_accessible(*principale, *lecteur);
}

void ModuleVantrel::creer_fenetres_secondaires() {
    FenetresModule& f = fenetres_;
    if (!f.Form1 || f.Form2) return;
    const ServicesFenetres services = services_fenetres();
    f.Form2 = new TForm2(services);
    f.Form3 = new TForm3(services);
    f.Form4 = new TForm4(services);
    f.Form5 = new TForm5(services);
    f.Form6 = new TForm6(services);
    // A window system that places top-level windows itself (native
    // Wayland) would open the menu anywhere: as a pop-up of the main
    // window, it is placed relative to that window, at its corner.
    if (!position_connue()) f.Form2->setParent(f.Form1, Qt::ToolTip | Qt::FramelessWindowHint);
    // Each window's requests, answered by the window they concern.
    const Navigation* n = &navigation;
    QObject::connect(n, &Navigation::menu_demande, f.Form2, &TForm2::ouvrir);
    QObject::connect(n, &Navigation::menu_a_cacher, f.Form2, [m = f.Form2] {
        if (m->isVisible()) m->setVisible(false);
    });
    QObject::connect(n, &Navigation::sauvegarde_demandee, f.Form3, [s = f.Form3] { s->setVisible(true); });
    QObject::connect(n, &Navigation::options_demandees, f.Form4, [o = f.Form4] { o->setVisible(true); });
    QObject::connect(n, &Navigation::a_propos_demande, f.Form5, [a = f.Form5] { a->setVisible(true); });
    QObject::connect(n, &Navigation::informations_demandees, f.Form6, &TForm6::montrer_entree);
    // The start-up sequence reads the applied settings again; the selector
    // is filled from the play-list folder it read. Closing the save window
    // reads the folder again.
    QObject::connect(f.Form4, &TForm4::options_appliquees, f.Form1, &TForm1::relire_reglages);

    rendre_accessibles(*f.Form1, *f.Form2, *f.Form3, *f.Form4, *f.Form5, *f.Form6);
}

QWidget* ModuleVantrel::fenetre_principale() const { return fenetres_.Form1; }

void ModuleVantrel::supprimer_fenetres() {
    // The clock, which repaints the main window, stops with it.
    lecteur->arreter_horloge();
    delete fenetres_.Form6;
    delete fenetres_.Form5;
    delete fenetres_.Form4;
    delete fenetres_.Form3;
    delete fenetres_.Form2;
    delete fenetres_.Form1;
    fenetres_ = {};
    navigation.place_principale = [] { return QPoint(); };
}

}  // namespace vt
