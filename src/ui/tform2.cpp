#include "ui/tform2.h"

#include "player/porte_lecteur.h"
#include "skin/aspect_integre.h"
#include "ui/actions.h"
#include "ui/ecrans.h"
#include "ui/navigation.h"

#include <QMouseEvent>

#include <algorithm>
#include <functional>
#include <utility>

namespace vt {

EntreeMenu entree_menu(QPoint p) {
    // The buttons of the menu picture, from top to bottom, all 67 pixels
    // wide from column 5; the gaps between them belong to no entry.
    static constexpr struct {
        int haut, bas;  // first and last rows
        EntreeMenu entree;
    } kBoutons[] = {{5, 35, EntreeMenu::Ouvrir},     {38, 79, EntreeMenu::Enregistrer},
                    {82, 118, EntreeMenu::Option},   {121, 159, EntreeMenu::Proprietes},
                    {162, 199, EntreeMenu::APropos}, {202, 246, EntreeMenu::Quitter}};
    if (p.x() < 5 || p.x() > 71) return EntreeMenu::Aucune;
    for (const auto& b : kBoutons)
        if (p.y() >= b.haut && p.y() <= b.bas) return b.entree;
    return EntreeMenu::Aucune;
}

}  // namespace vt

namespace {

vt::LabelVt* creer_label(QWidget* parent, const char* nom, const QString& texte, QPoint place, int hauteur_px,
                         bool gras) {
    auto* l = new vt::LabelVt(parent, texte, place);
    l->setObjectName(QString::fromLatin1(nom));
    l->setFont(vt::police("MS Sans Serif", hauteur_px, gras));
    l->adjustSize();
    l->definir_couleur(Qt::black);
    return l;
}

}  // namespace

TForm2::TForm2(const vt::ServicesFenetres& services)
    : QWidget(nullptr), porte_(services.porte), actions_(services.actions), navigation_(services.navigation) {
    setObjectName(QStringLiteral("Form2"));
    // Where the window system places top-level windows itself, the module
    // makes the menu a pop-up of the main window (fenetres.cpp).
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
    setMouseTracking(true);

    // Created in painting order: each one is drawn over those before it.
    Image1 = new vt::ImageVt(this, "Image1", QRect(0, 0, 76, 256));
    Image1->definir(vt::image_integree("image_fond_menu"));
    // The interior lets the picture show through; only the white outline is drawn.
    Shape1 = new vt::FormeVt(this, QRect(0, 0, 75, 250), Qt::white);
    Shape1->setObjectName(QStringLiteral("Shape1"));

    Label3 = creer_label(this, "Label3", QStringLiteral("playlist"), QPoint(7, 56), 11, true);
    label_ouvrir = creer_label(this, "label_ouvrir", QStringLiteral("Ouvrir"), QPoint(12, 6), 19, false);
    // Fixed to its designed area, which covers the "playlist" line below it:
    // the two lines make one entry.
    label_enr_playlist =
        creer_label(this, "label_enr_playlist", QStringLiteral("Enregistrer"), QPoint(7, 42), 11, true);
    label_enr_playlist->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label_enr_playlist->setFixedSize(67, 31);
    label_option = creer_label(this, "label_option", QStringLiteral("Option"), QPoint(8, 87), 16, true);
    Label1 = creer_label(this, "Label1", QStringLiteral("Propriétés"), QPoint(6, 132), 11, true);
    Label2 = creer_label(this, "Label2", QStringLiteral("A propos"), QPoint(11, 175), 11, true);
    label_quitter = creer_label(this, "label_quitter", QStringLiteral("Quitter"), QPoint(10, 212), 19, false);

    label_ouvrir->souris.clic = [this] { label_ouvrirClick(); };
    label_enr_playlist->souris.clic = [this] { label_enr_playlistClick(); };
    Label3->souris.clic = [this] { Label3Click(); };
    label_option->souris.clic = [this] { label_optionClick(); };
    Label1->souris.clic = [this] { Label1Click(); };
    Label2->souris.clic = [this] { Label2Click(); };
    label_quitter->souris.clic = [this] { label_quitterClick(); };

    using namespace std::placeholders;
    label_ouvrir->souris.mouvement = std::bind(&TForm2::label_ouvrirMouseMove, this, _1, _2, _3);
    label_enr_playlist->souris.mouvement = std::bind(&TForm2::label_enr_playlistMouseMove, this, _1, _2, _3);
    // Wherever "playlist" shows outside the entry's area, it still belongs to it.
    Label3->souris.mouvement = std::bind(&TForm2::label_enr_playlistMouseMove, this, _1, _2, _3);
    label_option->souris.mouvement = std::bind(&TForm2::label_optionMouseMove, this, _1, _2, _3);
    Label1->souris.mouvement = std::bind(&TForm2::Label1MouseMove, this, _1, _2, _3);
    Label2->souris.mouvement = std::bind(&TForm2::Label2MouseMove, this, _1, _2, _3);
    label_quitter->souris.mouvement = std::bind(&TForm2::label_quitterMouseMove, this, _1, _2, _3);
    Shape1->souris.mouvement = [this](Qt::MouseButtons, int x, int y) { survoler(QPoint(x, y)); };
    Shape1->souris.appui = [this](Qt::MouseButton b, Qt::MouseButtons, int x, int y) {
        appui_ = b == Qt::LeftButton ? vt::entree_menu(QPoint(x, y)) : vt::EntreeMenu::Aucune;
    };
    Shape1->souris.relache = [this](Qt::MouseButton b, Qt::MouseButtons, int x, int y) {
        const vt::EntreeMenu pressee = std::exchange(appui_, vt::EntreeMenu::Aucune);
        if (b == Qt::LeftButton && pressee == vt::entree_menu(QPoint(x, y))) cliquer(pressee);
    };

    FormCreate();
}

void TForm2::FormCreate() { setFixedSize(75, 250); }

void TForm2::ouvrir(QPoint place, const QImage& fond) {
    move(place);
    vt::garder_dans_ecran(*this);
    setVisible(true);
    Image1->definir(fond);
}

std::array<vt::LabelVt*, 7> TForm2::labels() const {
    return {Label3, label_ouvrir, label_enr_playlist, label_option, Label1, Label2, label_quitter};
}

void TForm2::eclairer(std::initializer_list<vt::LabelVt*> blancs) {
    for (vt::LabelVt* l : labels()) {
        bool blanc = std::find(blancs.begin(), blancs.end(), l) != blancs.end();
        l->definir_couleur(blanc ? QColor(Qt::white) : QColor(Qt::black));
    }
}

// ---------------------------------------------------------------- entries

void TForm2::label_ouvrirClick() {
    setVisible(false);
    actions_.ajouter->trigger();
}

void TForm2::label_enr_playlistClick() {
    setVisible(false);
    emit navigation_.sauvegarde_demandee();
}

void TForm2::Label3Click() { label_enr_playlistClick(); }

void TForm2::label_optionClick() {
    setVisible(false);
    // The options window reads the configuration as it turns visible.
    emit navigation_.options_demandees();
}

void TForm2::Label1Click() {
    const int i = porte_.courant();
    if (i < 0) return;
    setVisible(false);
    emit navigation_.informations_demandees(i);
}

void TForm2::Label2Click() {
    setVisible(false);
    emit navigation_.a_propos_demande();
}

void TForm2::label_quitterClick() { actions_.quitter->trigger(); }

// ---------------------------------------------------------------- hover

void TForm2::label_ouvrirMouseMove(Qt::MouseButtons, int, int) { eclairer({label_ouvrir}); }
void TForm2::label_enr_playlistMouseMove(Qt::MouseButtons, int, int) {
    eclairer({label_enr_playlist, Label3});
}
void TForm2::label_optionMouseMove(Qt::MouseButtons, int, int) { eclairer({label_option}); }
void TForm2::Label1MouseMove(Qt::MouseButtons, int, int) { eclairer({Label1}); }
void TForm2::Label2MouseMove(Qt::MouseButtons, int, int) { eclairer({Label2}); }
void TForm2::label_quitterMouseMove(Qt::MouseButtons, int, int) { eclairer({label_quitter}); }
void TForm2::Shape1MouseMove(Qt::MouseButtons, int, int) { eclairer({}); }

void TForm2::survoler(QPoint p) {
    const Qt::MouseButtons e = Qt::NoButton;
    switch (vt::entree_menu(p)) {
        case vt::EntreeMenu::Ouvrir:
            return label_ouvrirMouseMove(e, p.x(), p.y());
        case vt::EntreeMenu::Enregistrer:
            return label_enr_playlistMouseMove(e, p.x(), p.y());
        case vt::EntreeMenu::Option:
            return label_optionMouseMove(e, p.x(), p.y());
        case vt::EntreeMenu::Proprietes:
            return Label1MouseMove(e, p.x(), p.y());
        case vt::EntreeMenu::APropos:
            return Label2MouseMove(e, p.x(), p.y());
        case vt::EntreeMenu::Quitter:
            return label_quitterMouseMove(e, p.x(), p.y());
        case vt::EntreeMenu::Aucune:
            return Shape1MouseMove(e, p.x(), p.y());
    }
}

void TForm2::cliquer(vt::EntreeMenu entree) {
    switch (entree) {
        case vt::EntreeMenu::Ouvrir:
            return label_ouvrirClick();
        case vt::EntreeMenu::Enregistrer:
            return label_enr_playlistClick();
        case vt::EntreeMenu::Option:
            return label_optionClick();
        case vt::EntreeMenu::Proprietes:
            return Label1Click();
        case vt::EntreeMenu::APropos:
            return Label2Click();
        case vt::EntreeMenu::Quitter:
            return label_quitterClick();
        case vt::EntreeMenu::Aucune:
            return;
    }
}

void TForm2::mouseMoveEvent(QMouseEvent* e) {
    // Shape1 covers the window; anything that still reaches it counts as Shape1.
    survoler(e->position().toPoint());
    QWidget::mouseMoveEvent(e);
}
