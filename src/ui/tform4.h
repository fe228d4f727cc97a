#pragma once
// The options window: the skin file, the play-list directory and the loop
// flag, read from the configuration file each time the window turns visible
// and written back by "Appliquer", which then restarts the main window's
// start-up sequence and refreshes its play-list selector.
//
// The values being edited live in the two path labels and the check box.
// The labels show display text; the raw bytes of each path are kept beside
// them, so that what is written back is exactly what was read or chosen.
#include "config/configuration.h"
#include "ui/widgets_vt.h"

#include <QCheckBox>
#include <QWidget>

#include <string>
#include <string_view>
#include <utility>

namespace vt {
class Navigation;
struct ServicesFenetres;

// The markers of a missing value in the two path labels.
inline constexpr std::string_view kCheminInvalide = "chemin invalide !";
inline constexpr std::string_view kConfigManquante = "fichier (vantrel.config) manquant !";

// Splits a skin path into its directory (up to and including the last '/'
// or '\') and its file name. The first character is never taken as the
// separator; without one, the directory is the first character and the file
// the rest. The two parts put together always give the path back.
std::pair<std::string, std::string> separer_chemin_skin(std::string_view chemin);
}  // namespace vt

class TForm4 : public QWidget {
    Q_OBJECT
public:
    explicit TForm4(const vt::ServicesFenetres& services);

    void FormShow();
    void label_skinmodClick();
    void label_modplaylistClick();
    void label_okClick();
    void label_annulerClick();
    void label_pardefautClick();

    // Hover highlighting: the five actions turn blue under the pointer.
    void label_skinmodMouseMove(Qt::MouseButtons e, int x, int y);
    void label_modplaylistMouseMove(Qt::MouseButtons e, int x, int y);
    void label_okMouseMove(Qt::MouseButtons e, int x, int y);
    void label_annulerMouseMove(Qt::MouseButtons e, int x, int y);
    void label_pardefautMouseMove(Qt::MouseButtons e, int x, int y);
    void FormMouseMove(Qt::MouseButtons e, int x, int y);

signals:
    // The new settings were written: the main window reads them again.
    void options_appliquees();

public:
    // The raw skin path its label shows.
    const std::string& chemin_skin() const { return repskin_; }

    vt::FormeVt* Shape1 = nullptr;
    vt::FormeVt* Shape2 = nullptr;
    vt::FormeVt* Shape3 = nullptr;
    vt::LabelVt* label_affskin = nullptr;
    vt::LabelVt* label_repskin = nullptr;
    vt::LabelVt* label_affplaylist = nullptr;
    vt::LabelVt* label_repplaylist = nullptr;
    vt::LabelVt* label_skinmod = nullptr;
    vt::LabelVt* label_modplaylist = nullptr;
    vt::LabelVt* Label1 = nullptr;
    QCheckBox* check_boucle = nullptr;
    vt::LabelVt* label_ok = nullptr;
    vt::LabelVt* label_annuler = nullptr;
    vt::LabelVt* label_pardefaut = nullptr;

protected:
    void showEvent(QShowEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;

private:
    // Where the skin dialog starts.
    std::string depart_skin() const;
    void definir_repskin(std::string octets);
    void definir_repplaylist(std::string octets);
    // Colours the five actions: `bleu` blue, those of `blancs` white, the
    // others left as they are.
    void eclairer(vt::LabelVt* bleu, std::initializer_list<vt::LabelVt*> blancs);

    vt::Navigation& navigation_;
    // This window's own instance of the configuration: the module's file,
    // through a parser of its own.
    vt::Configuration configuration_;
    std::string repskin_;
    std::string repplaylist_;
    // The skin dialog's file name: it keeps its last successful choice.
    std::string fichier_dialogue_skin_;
    bool centree_ = false;
};
