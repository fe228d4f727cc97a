#pragma once
// The play-list save window: the current play list by full path, the edit
// buttons of the main window, and "enregistrer" to store the list in a file.
#include "ui/widgets_vt.h"

#include <QListView>
#include <QWidget>

#include <optional>
#include <string>

namespace vt {
class Actions;
class Navigation;
class PorteLecteur;
struct ServicesFenetres;
}  // namespace vt

class TForm3 : public QWidget {
    Q_OBJECT
public:
    // Creating the window takes the command-line file: it is added to the
    // (empty) play list, selected and played.
    explicit TForm3(const vt::ServicesFenetres& services);

    void FormClose();
    void label_ajouterClick();
    void label_supprimerClick();
    void label_monterClick();
    void label_descendreClick();
    void label_enregistreClick();
    void liste_lecture_en_coursClick();
    // Hover colours: the label under the pointer turns blue, the others white;
    // nullptr (the list or the background) turns them all white.
    void survol(vt::LabelVt* label);

    QListView* liste_lecture_en_cours = nullptr;
    vt::LabelVt* label_ajouter = nullptr;
    vt::LabelVt* label_supprimer = nullptr;
    vt::LabelVt* label_monter = nullptr;
    vt::LabelVt* label_descendre = nullptr;
    vt::LabelVt* label_enregistre = nullptr;

protected:
    void closeEvent(QCloseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    bool eventFilter(QObject* objet, QEvent* e) override;

private:
    vt::PorteLecteur& porte_;
    vt::Actions& actions_;
    vt::Navigation& navigation_;
    bool centree_ = false;
    void showEvent(QShowEvent*) override;
    void resizeEvent(QResizeEvent*) override;
};
