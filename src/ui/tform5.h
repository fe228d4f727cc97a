#pragma once
// The about window: version, logo and the list of the player's features,
// thanks and contact. It has no handlers of its own; closing it only hides it.
#include "ui/widgets_vt.h"

#include <QPlainTextEdit>
#include <QWidget>

namespace vt {
struct ModuleVantrel;
}

class TForm5 : public QWidget {
    Q_OBJECT
public:
    explicit TForm5(vt::ModuleVantrel& module);

    // Components, from the bottom of the painting order to the top.
    vt::ImageVt* Image2 = nullptr;
    vt::FormeVt* Shape1 = nullptr;
    vt::ImageVt* Image1 = nullptr;
    vt::LabelVt* Label1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;

protected:
    void showEvent(QShowEvent* e) override;

private:
    vt::ModuleVantrel& m_;
    bool centree_ = false;
};
