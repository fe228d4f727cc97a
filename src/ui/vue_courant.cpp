#include "ui/vue_courant.h"

#include "player/porte_lecteur.h"

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

}  // namespace vt
