#pragma once
// The about window: version, logo and the list of the player's features,
// thanks and contact, in the frame of the small fixed windows.
#include "ui/fenetre_fixe.h"
#include "ui/widgets_vt.h"

#include <QPlainTextEdit>

namespace vt {
struct ServicesFenetres;
}

class TForm5 : public vt::FenetreFixe {
    Q_OBJECT
public:
    explicit TForm5(const vt::ServicesFenetres& services);

    // Components, from the bottom of the painting order to the top.
    vt::ImageVt* Image2 = nullptr;
    vt::FormeVt* Shape1 = nullptr;
    vt::ImageVt* Image1 = nullptr;
    vt::LabelVt* Label1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
};
