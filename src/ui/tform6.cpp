#include "ui/tform6.h"

#include "config/texte_affiche.h"
#include "playlist/liste_courante.h"
#include "playlist/taille.h"
#include "ui/navigation.h"

#include <QLocale>

namespace {

const QColor kVert(0, 255, 0);
const QColor kArgent(192, 192, 192);

vt::LabelVt* creer_label(QWidget* parent, const char* nom, const QString& texte, QPoint place, int hauteur_px,
                         QColor couleur) {
    auto* l = new vt::LabelVt(parent, texte, place);
    l->setObjectName(QString::fromLatin1(nom));
    l->setFont(vt::police("MS Sans Serif", hauteur_px, true));
    l->adjustSize();
    l->definir_couleur(couleur);
    return l;
}

// A value label: fixed area, text from the top-left corner, wrapped at word
// boundaries.
vt::LabelVt* creer_valeur(QWidget* parent, const char* nom, QRect place) {
    auto* l = creer_label(parent, nom, QStringLiteral("none"), place.topLeft(), 11, kArgent);
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    l->setFixedSize(place.size());
    return l;
}

}  // namespace

TForm6::TForm6(const vt::ServicesFenetres& services)
    : FenetreFixe(QStringLiteral("Form6"), QStringLiteral("info"), QSize(353, 283), Qt::black),
      liste_(services.liste) {
    titre = creer_label(this, "titre", QStringLiteral("titre : "), QPoint(5, 3), 16, kVert);
    label_titre = creer_valeur(this, "label_titre", QRect(80, 8, 270, 70));
    adresse = creer_label(this, "adresse", QStringLiteral("adresse : "), QPoint(5, 93), 13, kVert);
    label_adresse = creer_valeur(this, "label_adresse", QRect(80, 96, 267, 92));
    label1 = creer_label(this, "label1", QStringLiteral("taille : "), QPoint(9, 190), 13, kVert);
    label_taille = creer_valeur(this, "label_taille", QRect(63, 193, 267, 17));
}

void TForm6::montrer_entree(int ligne) {
    const std::string& chemin = liste_.chemin(ligne);
    label_titre->setText(liste_.data(liste_.index(ligne, vt::ListeCourante::kColonneNom)).toString());
    label_adresse->setText(vt::texte_affiche(chemin));
    setVisible(true);
    // Found by seeking to the end: the content is never read.
    const std::int64_t octets = vt::taille_fichier(chemin);
    if (octets < 0) {
        label_taille->setText(QStringLiteral("fichier introuvable"));
    } else {
        const QString point = QLocale().decimalPoint();
        label_taille->setText(vt::texte_taille(octets, point.isEmpty() ? QChar('.') : point.at(0)));
    }
}
