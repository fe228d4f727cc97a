#include "ui/vue_courant.h"

#include "player/porte_lecteur.h"
#include "ui/gestes.h"

#include <QApplication>

namespace vt {

SelectionCourante::SelectionCourante(QAbstractItemModel& modele, PorteLecteur& lecteur, int colonne,
                                     QObject* parent)
    : QItemSelectionModel(&modele, parent), lecteur_(lecteur), colonne_(colonne) {
    connect(&lecteur, &PorteLecteur::selection_changee, this, &SelectionCourante::montrer);
    // The current entry removed: no row stays current in the view either.
    connect(&modele, &QAbstractItemModel::rowsRemoved, this, [this] {
        if (lecteur_.courant() < 0) montrer(-1);
    });
    montrer(lecteur.courant());
}

void SelectionCourante::select(const QItemSelection& selection, QItemSelectionModel::SelectionFlags ordre) {
    QItemSelectionModel::select(selection, ordre);
    const QModelIndexList choisis = selectedIndexes();
    const int ligne = choisis.isEmpty() ? -1 : choisis.first().row();
    if (ligne == lecteur_.courant()) return;
    lecteur_.selectionner(ligne);
    if (choisi) choisi(lecteur_.courant());
}

// Only the base class's own calls: what is shown is not a choice.
void SelectionCourante::montrer(int ligne) {
    const QModelIndex i = ligne < 0 ? QModelIndex() : model()->index(ligne, colonne_);
    QItemSelectionModel::setCurrentIndex(i, QItemSelectionModel::NoUpdate);
    if (i.isValid())
        QItemSelectionModel::select(QItemSelection(i, i), QItemSelectionModel::ClearAndSelect);
    else
        QItemSelectionModel::select(QItemSelection(), QItemSelectionModel::Clear);
}

QItemSelectionModel::SelectionFlags VueListe::selectionCommand(const QModelIndex& index,
                                                               const QEvent* evenement) const {
    return evenement ? QListView::selectionCommand(index, evenement) : QItemSelectionModel::NoUpdate;
}

bool VueListe::saisie_en_cours() const {
    return !saisie_.isEmpty() && depuis_.isValid() &&
           depuis_.elapsed() <= QApplication::keyboardInputInterval();
}

void VueListe::keyboardSearch(const QString& texte) {
    if (!model() || texte.isEmpty()) return;
    if (!saisie_en_cours()) saisie_.clear();
    depuis_.start();
    saisie_ += texte;
    const int colonne = modelColumn();
    auto nom = [this, colonne](int ligne) { return model()->index(ligne, colonne).data().toString(); };
    const int courant = selectionModel() && selectionModel()->hasSelection()
                            ? selectionModel()->selectedIndexes().value(0).row()
                            : -1;
    const int ligne = ligne_tapee(nom, model()->rowCount(), courant, saisie_);
    if (ligne < 0 || !selectionModel()) return;
    // A selection as a click makes it (SelectionCourante tells the player).
    const QModelIndex i = model()->index(ligne, colonne);
    selectionModel()->select(i, QItemSelectionModel::ClearAndSelect);
    scrollTo(i);
}

}  // namespace vt
