#include "ui/tform3.h"

#include "player/porte_lecteur.h"
#include "playlist/liste_courante.h"
#include "ui/actions.h"
#include "ui/ecrans.h"
#include "ui/fenetre_fixe.h"
#include "ui/navigation.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <utility>

namespace {
const QColor kBleu(0, 0, 255);
}

TForm3::TForm3(const vt::ServicesFenetres& services)
    : QWidget(nullptr), porte_(services.porte), actions_(services.actions), navigation_(services.navigation) {
    setObjectName(QStringLiteral("Form3"));
    setWindowFlags(vt::kCadreFixe);
    vt::fermeture_seule(*this, false);
    setWindowTitle(QStringLiteral("Enregistrer une playlist ..."));
    setFixedSize(789, 215);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
    setMouseTracking(true);

    liste_lecture_en_cours = new QListView(this);
    liste_lecture_en_cours->setObjectName(QStringLiteral("liste_lecture_en_cours"));
    liste_lecture_en_cours->setGeometry(6, 22, 778, 137);
    liste_lecture_en_cours->setModel(&services.liste);
    liste_lecture_en_cours->setModelColumn(1);
    liste_lecture_en_cours->setSelectionMode(QAbstractItemView::SingleSelection);
    liste_lecture_en_cours->setUniformItemSizes(true);
    liste_lecture_en_cours->setEditTriggers(QAbstractItemView::NoEditTriggers);
    liste_lecture_en_cours->setFont(vt::police("MS Sans Serif", 11, true));
    liste_lecture_en_cours->setStyleSheet(QStringLiteral(
        "QListView { background: #c0c0c0; color: #000080; } QListView::item { height: 13px; }"));
    liste_lecture_en_cours->viewport()->setMouseTracking(true);
    liste_lecture_en_cours->viewport()->installEventFilter(this);
    vt::garder_selection_hors_lignes(liste_lecture_en_cours);

    label_ajouter = new vt::LabelVt(this, QStringLiteral("Ajouter"), QPoint(6, 170));
    label_supprimer = new vt::LabelVt(this, QStringLiteral("Supprimer"), QPoint(101, 170));
    label_monter = new vt::LabelVt(this, QStringLiteral("Monter"), QPoint(214, 171));
    label_descendre = new vt::LabelVt(this, QStringLiteral("Descendre"), QPoint(303, 172));
    label_enregistre = new vt::LabelVt(this, QStringLiteral("enregistrer"), QPoint(680, 172));
    for (auto* l : {label_ajouter, label_supprimer, label_monter, label_descendre}) {
        l->setFont(vt::police("Comic Sans MS", 16, true));
        l->adjustSize();
    }
    label_enregistre->setFont(vt::police("MS Sans Serif", 19, true));
    label_enregistre->adjustSize();
    for (auto* l : {label_ajouter, label_supprimer, label_monter, label_descendre, label_enregistre}) {
        l->definir_couleur(Qt::white);
        l->souris.mouvement = [this, l](Qt::MouseButtons, int, int) { survol(l); };
    }
    label_ajouter->souris.clic = [this] { label_ajouterClick(); };
    label_supprimer->souris.clic = [this] { label_supprimerClick(); };
    label_monter->souris.clic = [this] { label_monterClick(); };
    label_descendre->souris.clic = [this] { label_descendreClick(); };
    label_enregistre->souris.clic = [this] { label_enregistreClick(); };

    // Only the user's own choices in this list select the same row in the
    // main window; rows moved by edits keep their selection silently.
    connect(liste_lecture_en_cours, &QAbstractItemView::clicked, this,
            [this] { liste_lecture_en_coursClick(); });
    connect(liste_lecture_en_cours->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
        if (liste_lecture_en_cours->hasFocus()) liste_lecture_en_coursClick();
    });
    // A save done, from here or from the main window's info button, closes
    // the window.
    connect(&actions_, &vt::Actions::playlist_enregistree, this, &QWidget::hide);
}

void TForm3::showEvent(QShowEvent* e) {
    // Centred on the main window's screen the first time; afterwards it
    // keeps the user's place on that screen.
    vt::ouvrir_sur_ecran_du_lecteur(*this, !std::exchange(centree_, true));
    QWidget::showEvent(e);
}

void TForm3::resizeEvent(QResizeEvent* e) {
    // Narrower than designed on a small screen: the list keeps its margins
    // and "enregistrer" its distance from the right edge.
    if (!label_enregistre) return QWidget::resizeEvent(e);
    liste_lecture_en_cours->resize(width() - 11, liste_lecture_en_cours->height());
    label_enregistre->move(width() - 109, label_enregistre->y());
    QWidget::resizeEvent(e);
}

void TForm3::closeEvent(QCloseEvent* e) {
    e->accept();
    FormClose();
}

void TForm3::FormClose() {
    hide();
    emit navigation_.sauvegarde_fermee();
}

// The main window's edits, on the same play list and its selection.
void TForm3::label_ajouterClick() { actions_.ajouter->trigger(); }
void TForm3::label_supprimerClick() { actions_.supprimer->trigger(); }
void TForm3::label_monterClick() { actions_.monter->trigger(); }
void TForm3::label_descendreClick() { actions_.descendre->trigger(); }
void TForm3::label_enregistreClick() { actions_.enregistrer->trigger(); }

void TForm3::liste_lecture_en_coursClick() {
    const QModelIndex i = liste_lecture_en_cours->selectionModel()->currentIndex();
    if (!i.isValid() || !liste_lecture_en_cours->selectionModel()->isSelected(i)) return;
    porte_.selectionner(i.row());
}

void TForm3::survol(vt::LabelVt* label) {
    for (auto* l : {label_ajouter, label_supprimer, label_monter, label_descendre, label_enregistre})
        l->definir_couleur(l == label ? kBleu : QColor(Qt::white));
}

void TForm3::mouseMoveEvent(QMouseEvent* e) {
    survol(nullptr);
    QWidget::mouseMoveEvent(e);
}

bool TForm3::eventFilter(QObject* objet, QEvent* e) {
    if (objet == liste_lecture_en_cours->viewport() && e->type() == QEvent::MouseMove) survol(nullptr);
    return QWidget::eventFilter(objet, e);
}
