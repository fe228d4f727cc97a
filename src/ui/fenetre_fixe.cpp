#include "ui/fenetre_fixe.h"

#include "ui/ecrans.h"

#include <QShowEvent>
#include <utility>

namespace vt {

FenetreFixe::FenetreFixe(const QString& nom, const QString& titre, QSize taille, QColor fond)
    : QWidget(nullptr) {
    setObjectName(nom);
    setWindowFlags(kCadreFixe);
    setWindowTitle(titre);
    setFixedSize(taille);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, fond);
    setPalette(p);
}

void FenetreFixe::showEvent(QShowEvent* e) {
    if (!e->spontaneous()) ouvrir_sur_ecran_du_lecteur(*this, !std::exchange(centree_, true));
    QWidget::showEvent(e);
}

}  // namespace vt
