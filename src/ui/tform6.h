#pragma once
// The file information window: title, full path and size in megabytes of
// the entry selected in the main window, filled by the menu's "Propriétés"
// as a snapshot, in the frame of the small fixed windows.
#include "ui/fenetre_fixe.h"
#include "ui/widgets_vt.h"

namespace vt {
class ListeCourante;
struct ServicesFenetres;
}  // namespace vt

class TForm6 : public vt::FenetreFixe {
    Q_OBJECT
public:
    explicit TForm6(const vt::ServicesFenetres& services);

    // Shows the title, path and size of entry `ligne` of the play list.
    void montrer_entree(int ligne);

    vt::LabelVt* titre = nullptr;
    vt::LabelVt* label_titre = nullptr;
    vt::LabelVt* adresse = nullptr;
    vt::LabelVt* label_adresse = nullptr;
    vt::LabelVt* label1 = nullptr;
    vt::LabelVt* label_taille = nullptr;

private:
    vt::ListeCourante& liste_;
};
