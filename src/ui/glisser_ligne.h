#pragma once
// A row of a list view dragged along it takes its entry there, as the move
// buttons do: the press selects the row as ever; once the pointer has gone
// far enough with the button held, the entry follows it, one row beyond the
// view's edge when the pointer leaves it; the release that ends a drag is no
// click.
#include <QObject>
#include <QPersistentModelIndex>
#include <QPoint>

class QListView;
class QWidget;

namespace vt {

class ListeCourante;

class GlisserLigne : public QObject {
    Q_OBJECT
public:
    // Watches `vue`'s viewport; a child of the view.
    GlisserLigne(QListView& vue, ListeCourante& liste);

protected:
    bool eventFilter(QObject* objet, QEvent* e) override;

private:
    QListView& vue_;
    QWidget* zone_;  // the view's viewport, watched
    ListeCourante& liste_;
    QPersistentModelIndex ligne_glissee_;  // the entry pressed on, while the button is held
    QPoint appui_;
    bool en_route_ = false;  // that entry follows the pointer
};

}  // namespace vt
