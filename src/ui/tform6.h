#pragma once
// The file information window: title, full path and size in megabytes of
// the entry selected in the main window, filled by the menu's "Propriétés"
// as a snapshot. It has no handlers of its own; closing it only hides it.
#include "ui/widgets_vt.h"

#include <QWidget>

namespace vt {
struct ModuleVantrel;
}  // namespace vt

class TForm6 : public QWidget {
    Q_OBJECT
public:
    explicit TForm6(vt::ModuleVantrel& module);

    vt::LabelVt* titre = nullptr;
    vt::LabelVt* label_titre = nullptr;
    vt::LabelVt* adresse = nullptr;
    vt::LabelVt* label_adresse = nullptr;
    vt::LabelVt* label1 = nullptr;
    vt::LabelVt* label_taille = nullptr;

protected:
    void showEvent(QShowEvent* e) override;

private:
    vt::ModuleVantrel& m_;
    bool centree_ = false;
};
