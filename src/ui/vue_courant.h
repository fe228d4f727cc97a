#pragma once
// The main window's play list shows the player's current entry as its one
// selected row, and the user's choices of a row (a click, the keys, a screen
// reader) go to the player through its door: the player keeps the current
// entry, the view only shows it.
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QListView>

#include <functional>

namespace vt {

class PorteLecteur;

// The view's selection: whatever the view asks of it (the user's gesture) is
// told to the player as the row it leaves selected; what the player holds
// is what it shows (selection_changee). Both follow the list's edits alike,
// so that a moved entry stays selected and a removed one leaves none.
class SelectionCourante : public QItemSelectionModel {
    Q_OBJECT
public:
    // `colonne`: the model column the view shows.
    SelectionCourante(QAbstractItemModel& modele, PorteLecteur& lecteur, int colonne,
                      QObject* parent = nullptr);

    using QItemSelectionModel::select;
    void select(const QItemSelection& selection, QItemSelectionModel::SelectionFlags ordre) override;

    // Runs after a choice of the user's changed the current entry (-1: none).
    std::function<void(int)> choisi;

private:
    void montrer(int ligne);

    PorteLecteur& lecteur_;
    int colonne_;
};

// A list view whose current row, moved by the view itself (its row removed
// under it), selects nothing: only the user's gestures choose a row. Letters
// typed on it choose the row whose shown name starts with them (type-ahead,
// vt::ligne_tapee), as a click on that row would.
class VueListe : public QListView {
    Q_OBJECT
public:
    using QListView::QListView;

    // `texte`: the letters of one key; those typed within the desktop's
    // key interval of the last add to the search.
    void keyboardSearch(const QString& texte) override;
    // Letters were typed within the key interval: a name is being typed.
    bool saisie_en_cours() const;

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* evenement) const override;

private:
    QString saisie_;
    QElapsedTimer depuis_;
};

}  // namespace vt
