#include "ui/tform4.h"

#include "config/configuration.h"
#include "config/emplacements.h"
#include "config/texte_affiche.h"
#include "ui/dialogues.h"
#include "ui/ecrans.h"
#include "ui/fenetre_fixe.h"
#include "ui/navigation.h"
#include "ui/tform1.h"
#include "ui/tform6.h"

#include <QFile>
#include <QMouseEvent>
#include <QShowEvent>

#include <functional>
#include <utility>

namespace {

const QColor kJaune(255, 255, 0);
const QColor kRouge(255, 0, 0);
const QColor kBleu(0, 0, 255);
const QColor kBlanc(255, 255, 255);

QString affichage(std::string_view octets) { return vt::texte_affiche(octets); }

vt::LabelVt* creer_label(QWidget* parent, const char* nom, const QString& texte, QPoint place, int hauteur_px,
                         bool gras, QColor couleur) {
    auto* l = new vt::LabelVt(parent, texte, place);
    l->setObjectName(QString::fromLatin1(nom));
    l->setFont(vt::police("MS Sans Serif", hauteur_px, gras));
    l->adjustSize();
    l->definir_couleur(couleur);
    return l;
}

vt::FormeVt* creer_cadre(QWidget* parent, const char* nom, QRect place) {
    auto* f = new vt::FormeVt(parent, place, kJaune, 1, Qt::black);
    f->setObjectName(QString::fromLatin1(nom));
    return f;
}

}  // namespace

namespace vt {

std::pair<std::string, std::string> separer_chemin_skin(std::string_view chemin) {
    for (std::size_t i = chemin.size(); i-- > 1;) {
        if (chemin[i] == '/' || chemin[i] == '\\')
            return {std::string(chemin.substr(0, i + 1)), std::string(chemin.substr(i + 1))};
    }
    const std::size_t n = chemin.empty() ? 0 : 1;
    return {std::string(chemin.substr(0, n)), std::string(chemin.substr(n))};
}

}  // namespace vt

TForm4::TForm4(const vt::ServicesFenetres& services)
    : QWidget(nullptr), navigation_(services.navigation), configuration_(services.configuration) {
    setObjectName(QStringLiteral("Form4"));
    setWindowFlags(vt::kCadreFixe);
    vt::fermeture_seule(*this, false);
    setWindowTitle(QStringLiteral("Option"));
    setFixedSize(407, 464);
    // The window holds the focus when it opens, so that the box shows its
    // focus ring only once the keyboard brings it there (Tab).
    setFocusPolicy(Qt::ClickFocus);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
    setMouseTracking(true);

    Shape1 = creer_cadre(this, "Shape1", QRect(3, 4, 402, 75));
    Shape2 = creer_cadre(this, "Shape2", QRect(3, 81, 402, 75));
    Shape3 = creer_cadre(this, "Shape3", QRect(3, 159, 402, 137));

    label_affskin = creer_label(this, "label_affskin", QStringLiteral("Skin sélectionné : "), QPoint(5, 6),
                                16, true, kJaune);
    label_repskin =
        creer_label(this, "label_repskin", affichage(vt::kCheminInvalide), QPoint(6, 28), 11, false, kRouge);
    label_affplaylist = creer_label(this, "label_affplaylist", QStringLiteral("Répertoire des playlists : "),
                                    QPoint(5, 83), 16, true, kJaune);
    label_repplaylist = creer_label(this, "label_repplaylist", affichage(vt::kCheminInvalide), QPoint(6, 107),
                                    11, false, kRouge);
    for (auto [l, taille] :
         {std::pair{label_repskin, QSize(396, 48)}, std::pair{label_repplaylist, QSize(395, 44)}}) {
        l->setWordWrap(true);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        l->setFixedSize(taille);
    }
    repskin_ = repplaylist_ = std::string(vt::kCheminInvalide);

    label_skinmod =
        creer_label(this, "label_skinmod", QStringLiteral("Modifier"), QPoint(338, 6), 16, true, kBlanc);
    label_modplaylist =
        creer_label(this, "label_modplaylist", QStringLiteral("Modifier"), QPoint(338, 84), 16, true, kBlanc);
    Label1 =
        creer_label(this, "Label1", QStringLiteral("Option générale :"), QPoint(6, 162), 16, true, kJaune);

    check_boucle = new vt::CaseVt(this, QStringLiteral("Lecture en boucle de la playlist"));
    check_boucle->setObjectName(QStringLiteral("check_boucle"));
    check_boucle->setGeometry(7, 184, 174, 21);
    check_boucle->setFont(vt::police("MS Sans Serif", 11, false));
    check_boucle->setAutoFillBackground(true);
    QPalette pc = check_boucle->palette();
    // Its background is the button colour, which the style fills light:
    // black too, as the window around it.
    pc.setColor(QPalette::Window, Qt::black);
    pc.setColor(QPalette::Button, Qt::black);
    pc.setColor(QPalette::WindowText, kRouge);
    pc.setColor(QPalette::ButtonText, kRouge);
    check_boucle->setPalette(pc);
    // The box has no hover handling: the pointer over it must not reach the
    // window's background either.
    check_boucle->setAttribute(Qt::WA_NoMousePropagation);

    label_ok = creer_label(this, "label_ok", QStringLiteral("Appliquer"), QPoint(7, 410), 19, false, kBlanc);
    label_annuler =
        creer_label(this, "label_annuler", QStringLiteral("Annuler"), QPoint(172, 412), 19, false, kBlanc);
    label_pardefaut = creer_label(this, "label_pardefaut", QStringLiteral("Par default"), QPoint(311, 414),
                                  19, false, kBlanc);

    label_skinmod->souris.clic = [this] { label_skinmodClick(); };
    label_modplaylist->souris.clic = [this] { label_modplaylistClick(); };
    label_ok->souris.clic = [this] { label_okClick(); };
    label_annuler->souris.clic = [this] { label_annulerClick(); };
    label_pardefaut->souris.clic = [this] { label_pardefautClick(); };

    using namespace std::placeholders;
    label_skinmod->souris.mouvement = std::bind(&TForm4::label_skinmodMouseMove, this, _1, _2, _3);
    label_modplaylist->souris.mouvement = std::bind(&TForm4::label_modplaylistMouseMove, this, _1, _2, _3);
    label_ok->souris.mouvement = std::bind(&TForm4::label_okMouseMove, this, _1, _2, _3);
    label_annuler->souris.mouvement = std::bind(&TForm4::label_annulerMouseMove, this, _1, _2, _3);
    label_pardefaut->souris.mouvement = std::bind(&TForm4::label_pardefautMouseMove, this, _1, _2, _3);
    // The headings and the path labels count as the window's background.
    for (auto* l : {label_affskin, label_repskin, label_affplaylist, Label1, label_repplaylist})
        l->souris.mouvement = std::bind(&TForm4::FormMouseMove, this, _1, _2, _3);
}

void TForm4::definir_repskin(std::string octets) {
    repskin_ = std::move(octets);
    label_repskin->setText(affichage(repskin_));
}

void TForm4::definir_repplaylist(std::string octets) {
    repplaylist_ = std::move(octets);
    label_repplaylist->setText(affichage(repplaylist_));
}

// ---------------------------------------------------------------- showing

void TForm4::showEvent(QShowEvent* e) {
    // Only a showing asked by the program reads the configuration again;
    // the window system's own (a restore) changes nothing.
    if (!e->spontaneous()) {
        vt::ouvrir_sur_ecran_du_lecteur(*this, !std::exchange(centree_, true));
        FormShow();
        // The box in the skin's colours, as the main window's.
        const auto [fond, trait] = navigation_.couleurs_cases();
        static_cast<vt::CaseVt*>(check_boucle)->definir_couleurs(fond, trait);
        setFocus(Qt::OtherFocusReason);
    }
    QWidget::showEvent(e);
}

void TForm4::FormShow() {
    std::optional<vt::ValeursConfig> lu = configuration_.lire();
    if (!lu) {
        // The check box keeps its state.
        definir_repskin(std::string(vt::kConfigManquante));
        definir_repplaylist(std::string(vt::kConfigManquante));
        return;
    }
    vt::ValeursConfig& v = *lu;
    check_boucle->setChecked(v.boucle);
    definir_repskin(vt::fichier_lisible(v.chemin_skin) ? std::move(v.chemin_skin)
                                                       : std::string(vt::kCheminInvalide));
    // The directory is shown as it is, unchecked.
    definir_repplaylist(v.rep_playlist);
}

// ---------------------------------------------------------------- actions

std::string TForm4::depart_skin() const {
    if (repskin_ == vt::kCheminInvalide || repskin_ == vt::kConfigManquante) return "skin/";
    return vt::separer_chemin_skin(repskin_).first;
}

void TForm4::label_skinmodClick() {
    // The dialog starts in the folder of the skin shown, or in the skin
    // folder, and keeps the name it last returned: a cancel shows that
    // earlier choice again.
    auto choisi = vt::dialogues().choisir_fichier("skin|*.sk", depart_skin());
    if (choisi && !choisi->empty()) fichier_dialogue_skin_ = std::move(*choisi);
    if (!fichier_dialogue_skin_.empty()) definir_repskin(fichier_dialogue_skin_);
}

void TForm4::label_modplaylistClick() {
    // It starts in the play-list folder shown, or in the app's folder.
    const bool valide = repplaylist_ != vt::kCheminInvalide && repplaylist_ != vt::kConfigManquante;
    auto choisi = vt::dialogues().choisir_repertoire(
        QStringLiteral("Sélectionnez le répertoire des playlists"),
        valide ? vt::dossier_playlist(repplaylist_) : vt::depart_dialogues());
    if (!choisi || choisi->empty()) return;
    definir_repplaylist(*choisi + '/');
}

void TForm4::label_okClick() {
    // A value still showing a marker refuses the whole action, silently.
    if (repskin_ == vt::kConfigManquante) return;
    if (repplaylist_ == vt::kConfigManquante) return;
    if (repplaylist_ == vt::kCheminInvalide) return;
    if (repskin_ == vt::kCheminInvalide) return;
    // Nor can a folder or skin whose name holds a double quote be stored.
    if (!vt::valeur_stockable(repskin_) || !vt::valeur_stockable(repplaylist_)) return;

    const auto [repertoire, fichier] = vt::separer_chemin_skin(repskin_);
    const QPoint place = navigation_.place_principale();
    configuration_.ecrire(
        {repertoire, fichier, place.x(), place.y(), repplaylist_, check_boucle->isChecked()});
    emit options_appliquees();
    setVisible(false);
}

void TForm4::label_annulerClick() { setVisible(false); }

void TForm4::label_pardefautClick() {
    definir_repskin(std::string(vt::kCheminSkinDefaut));
    definir_repplaylist(std::string(vt::kRepPlaylistDefaut));
}

// ---------------------------------------------------------------- hover

void TForm4::eclairer(vt::LabelVt* bleu, std::initializer_list<vt::LabelVt*> blancs) {
    if (bleu) bleu->definir_couleur(kBleu);
    for (auto* l : blancs) l->definir_couleur(kBlanc);
}

void TForm4::label_skinmodMouseMove(Qt::MouseButtons, int, int) {
    eclairer(label_skinmod, {label_modplaylist, label_ok, label_annuler, label_pardefaut});
}
void TForm4::label_modplaylistMouseMove(Qt::MouseButtons, int, int) {
    eclairer(label_modplaylist, {label_ok, label_annuler, label_pardefaut});
}
void TForm4::label_okMouseMove(Qt::MouseButtons, int, int) {
    eclairer(label_ok, {label_annuler, label_skinmod, label_modplaylist});
}
void TForm4::label_annulerMouseMove(Qt::MouseButtons, int, int) {
    eclairer(label_annuler, {label_skinmod, label_modplaylist, label_ok, label_pardefaut});
}
void TForm4::label_pardefautMouseMove(Qt::MouseButtons, int, int) {
    eclairer(label_pardefaut, {label_ok, label_annuler, label_skinmod, label_modplaylist});
}
void TForm4::FormMouseMove(Qt::MouseButtons, int, int) {
    eclairer(nullptr, {label_skinmod, label_modplaylist, label_ok, label_annuler, label_pardefaut});
}

void TForm4::mouseMoveEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    FormMouseMove(e->buttons(), p.x(), p.y());
    QWidget::mouseMoveEvent(e);
}
