// The main window's elements: the drawn pictures in their painting order,
// the list, the selector, the labels, the check boxes and the three
// sliders, each wired to its handler in tform1.cpp or to a shared action;
// and the pictures and colours a skin gives them.
#include "ui/tform1.h"

#include "config/texte_affiche.h"
#include "playlist/liste_courante.h"
#include "skin/aspect_integre.h"
#include "skin/elements.h"
#include "ui/accessibilite.h"
#include "ui/actions.h"
#include "ui/curseurs.h"
#include "ui/deplacement.h"
#include "ui/module.h"
#include "ui/session.h"
#include "ui/vue_courant.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QStyledItemDelegate>

using vt::ImageVt;

namespace {

// Where each drawn element lies in the painting order: every element is
// created in this order, so that each one is drawn over those before it.
constexpr std::string_view kOrdre[] = {
    "image_fond", "image_fond_play", "image_fond_liste", "image_barre", "Image_menu", "image_quitter",
    "image_reduire", "barre_volume", "curseur_volume", "barre_balance", "curseur_balance",
    "image_balance", "image_back", "image_play", "image_pause", "image_stop", "image_next",
    "image_down", "image_up", "image_del", "image_add", "image_info", "image_del_all",
    "image_backoff", "image_backon", "image_playoff", "image_playon", "image_pauseoff",
    "image_pauseon", "image_stopoff", "image_stopon", "image_nextoff", "image_nexton",
    "image_volumeoff", "image_volumeon", "image_balanceoff", "image_balanceon", "image_playlist",
    "image_volume", "image_fond_lecture", "image_add_off", "image_add_on", "image_del_off",
    "image_del_on", "image_del_all_off", "image_del_all_on", "image_info_off", "image_info_on",
    "image_up_off", "image_up_on", "image_down_off", "image_down_on", "barre_position",
    "curseur_position", "curseur_position_off", "curseur_position_on",
    // the labels, made just before the tray button (see below)
    "tray_image", "image_aleatoire", "image_repeat", "image_fond_menu",
};

const vt::Element* trouver_element(std::string_view nom) {
    for (const auto& e : vt::kElementsSkin)
        if (e.nom == nom) return &e;
    for (const auto& e : vt::kElementsFixes)
        if (e.nom == nom) return &e;
    return nullptr;
}

// The first element of the source pictures: those outside the visible area.
bool hors_zone_visible(const vt::Element& e) { return e.x >= 391; }

}  // namespace

vt::ImageVt* TForm1::creer(std::string_view nom) {
    const vt::Element* e = trouver_element(nom);
    // The picture comes with FormCreate: the skin's, or else the built-in one.
    auto* w = new ImageVt(this, nom, QRect(e->x, e->y, e->largeur, e->hauteur), nom == "image_fond_menu");
    if (hors_zone_visible(*e)) w->hide();
    elements_.emplace(std::string(nom), w);
    return w;
}

void TForm1::construire() {
    for (std::string_view nom : kOrdre) {
        if (nom == "tray_image") {
            // The labels lie between the position cursor's pictures and the tray button.
            // The labels get their texts once the window is built (see the
            // constructor), so that nothing here waits for the fonts.
            label_lecture = new vt::LabelVt(this, QString(), QPoint(10, 265), false);
            label_lecture->setFont(vt::police("Arial", 13, true));
            label_lecture->setFixedSize(325, 22);
            label_lecture->setObjectName(QStringLiteral("label_lecture"));
            label_affiche = new vt::LabelVt(this, QString(), QPoint(10, 307), false);
            label_affiche->setObjectName(QStringLiteral("label_affiche"));
            label_affiche->hide();
            label_vol = new vt::LabelVt(this, QString(), QPoint(320, 48), false);
            label_bal = new vt::LabelVt(this, QString(), QPoint(320, 87), false);
            for (auto* l : {label_vol, label_bal}) {
                l->setFont(vt::police("MS Sans Serif", 11, true));
                l->definir_couleur(QColor(0, 0, 255));
                l->setFixedSize(30, 14);
                l->hide();
            }
            label_temps = new vt::LabelVt(this, QString(), QPoint(277, 217), false);
            label_temps->setFont(vt::police("MS Sans Serif", 11, true));
            label_temps->definir_couleur(QColor(255, 0, 0));
        }
        creer(nom);
    }
    label_total = new vt::LabelVt(this, QString(), QPoint(277, 217), false);
    label_total->setFont(vt::police("MS Sans Serif", 11, true));
    label_total->definir_couleur(QColor(0, 0, 255));
    label_total->hide();
    Shape1 = new vt::FormeVt(this, QRect(272, 214, 50, 18), Qt::white);

    auto el = [this](std::string_view n) { return elements_.at(std::string(n)); };
    image_fond = el("image_fond");
    image_barre = el("image_barre");
    Image_menu = el("Image_menu");
    image_quitter = el("image_quitter");
    image_reduire = el("image_reduire");
    tray_image = el("tray_image");
    image_play = el("image_play");
    image_pause = el("image_pause");
    image_stop = el("image_stop");
    image_next = el("image_next");
    image_back = el("image_back");
    image_add = el("image_add");
    image_del = el("image_del");
    image_del_all = el("image_del_all");
    image_info = el("image_info");
    image_up = el("image_up");
    image_down = el("image_down");
    barre_volume = el("barre_volume");
    curseur_volume = el("curseur_volume");
    barre_balance = el("barre_balance");
    curseur_balance = el("curseur_balance");
    barre_position = el("barre_position");
    curseur_position = el("curseur_position");
    image_fond_lecture = el("image_fond_lecture");
    image_fond_liste = el("image_fond_liste");
    image_fond_play = el("image_fond_play");
    image_fond_menu = el("image_fond_menu");

    // Child windows lie above every drawn element.
    Comboplaylist = new QComboBox(this);
    Comboplaylist->setObjectName(QStringLiteral("Comboplaylist"));
    Comboplaylist->setGeometry(80, 25, 157, 20);
    Comboplaylist->setEditable(false);
    Comboplaylist->setCursor(Qt::PointingHandCursor);
    // Entries drawn by an item delegate, which the style sheet's marked
    // entry applies to (the style's own menu-like entries ignore it).
    Comboplaylist->setItemDelegate(new QStyledItemDelegate(Comboplaylist));
    vt::habiller_liste(Comboplaylist->view());
    {
        QPalette p = Comboplaylist->palette();
        QColor texte = QApplication::palette().color(QPalette::Window);
        for (auto role : {QPalette::Base, QPalette::Button, QPalette::Window}) p.setColor(role, Qt::black);
        for (auto role : {QPalette::Text, QPalette::ButtonText, QPalette::WindowText})
            p.setColor(role, texte);
        Comboplaylist->setPalette(p);
    }

    list_lecture = new vt::VueListe(this);
    list_lecture->setObjectName(QStringLiteral("list_lecture"));
    list_lecture->setGeometry(8, 49, 230, 132);
    list_lecture->setModel(&m_.liste);
    auto* selection = new vt::SelectionCourante(m_.liste, *m_.lecteur, 0, list_lecture);
    selection->choisi = [this](int) { list_lectureClick(); };
    list_lecture->setSelectionModel(selection);
    list_lecture->setModelColumn(0);
    list_lecture->setSelectionMode(QAbstractItemView::SingleSelection);
    list_lecture->setUniformItemSizes(true);
    list_lecture->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_lecture->setFont(vt::police("MS Sans Serif", 11, false));
    list_lecture->setFrameShape(QFrame::NoFrame);
    list_lecture->setMouseTracking(true);
    list_lecture->viewport()->setMouseTracking(true);
    list_lecture->viewport()->installEventFilter(this);
    list_lecture->installEventFilter(this);
    vt::garder_selection_hors_lignes(list_lecture);
    vt::habiller_liste(list_lecture);
    list_lecture->setStyleSheet(QStringLiteral("QListView::item { height: 13px; }"));

    check_repeat = new vt::CaseVt(this);
    check_repeat->setObjectName(QStringLiteral("check_repeat"));
    check_repeat->setGeometry(260, 137, 13, 13);
    check_random = new vt::CaseVt(this);
    check_random->setObjectName(QStringLiteral("check_random"));
    check_random->setGeometry(260, 167, 13, 13);

    setTabOrder(Comboplaylist, list_lecture);
    setTabOrder(list_lecture, check_repeat);
    setTabOrder(check_repeat, check_random);
    Comboplaylist->installEventFilter(this);

    const vt::CouleursSkin c = vt::couleurs_integrees();
    definir_couleurs(c.fond_liste, c.texte_liste, c.texte_lecture);
}

void TForm1::creer_glissieres() {
    auto montrer_image = [this](ImageVt* cible, std::string_view source) { montrer(cible, source); };
    auto texte = [](int (*pourcent)(int)) {
        return [pourcent](int offset, int span) { return QString::number(pourcent(vt::valeur_curseur(offset, span))); };
    };
    volume_ = new vt::GlissiereSkin(barre_volume, curseur_volume,
                                {.allume = "image_volumeon", .eteint = "image_volumeoff", .etiquette = label_vol,
                                 .texte = texte(&vt::pourcent_volume), .survol_envoie = true},
                                montrer_image, this);
    balance_ = new vt::GlissiereSkin(barre_balance, curseur_balance,
                                 {.allume = "image_balanceon", .eteint = "image_balanceoff",
                                  .etiquette = label_bal, .texte = texte(&vt::pourcent_balance),
                                  .survol_envoie = true},
                                 montrer_image, this);
    // The position slider acts only while the channel plays, silenced
    // while it is held.
    position_ = new vt::GlissiereSkin(barre_position, curseur_position,
                                  {.allume = "curseur_position_on", .eteint = "curseur_position_off",
                                   .actif = [this] { return porte_.en_lecture(); }},
                                  montrer_image, this);
    connect(volume_, &vt::GlissiereSkin::choisi, this,
            [this](int offset, int span) { porte_.definir_volume(vt::valeur_curseur(offset, span)); });
    connect(balance_, &vt::GlissiereSkin::choisi, this,
            [this](int offset, int span) { porte_.definir_balance(vt::valeur_curseur(offset, span)); });
    connect(position_, &vt::GlissiereSkin::appuye, this, [this] { porte_.couper(true); });
    connect(position_, &vt::GlissiereSkin::relache, this, [this] { porte_.couper(false); });
    connect(position_, &vt::GlissiereSkin::choisi, this, [this](int offset, int span) {
        porte_.aller_a_ms(vt::cible_position(offset, span, porte_.longueur_ms()));
    });
}

void TForm1::brancher() {
    using B = Qt::MouseButton;
    using E = Qt::MouseButtons;
    const vt::Actions& a = *m_.actions;
    // The transport buttons act on press; stop, next and back show their
    // lit picture until the release.
    auto relache = [this](ImageVt* w, std::string_view off) {
        w->souris.relache = [this, w, off](B, E, int, int) { montrer(w, off); };
    };
    image_play->souris.appui = [this](B, E, int, int) { image_playMouseDown(); };
    image_pause->souris.clic = [this] { image_pauseClick(); };
    image_stop->souris.appui = [this](B, E, int, int) { image_stopMouseDown(); };
    image_next->souris.appui = [this](B, E, int, int) { image_nextMouseDown(); };
    image_back->souris.appui = [this](B, E, int, int) { image_backMouseDown(); };
    relache(image_stop, "image_stopoff");
    relache(image_next, "image_nextoff");
    relache(image_back, "image_backoff");

    // The list buttons show their lit picture while pressed and act on click.
    auto bouton = [this, relache](ImageVt* w, std::string_view on, std::string_view off) {
        w->souris.appui = [this, w, on](B, E, int, int) { montrer(w, on); };
        relache(w, off);
    };
    bouton(image_add, "image_add_on", "image_add_off");
    bouton(image_del, "image_del_on", "image_del_off");
    bouton(image_info, "image_info_on", "image_info_off");
    bouton(image_up, "image_up_on", "image_up_off");
    bouton(image_down, "image_down_on", "image_down_off");
    image_add->souris.clic = [&a] { a.ajouter->trigger(); };
    image_del->souris.clic = [&a] { a.supprimer->trigger(); };
    image_info->souris.clic = [this] { image_infoClick(); };
    image_up->souris.clic = [this] { m_.liste.monter(index_courant()); };
    image_down->souris.clic = [this] { m_.liste.descendre(index_courant()); };
    image_del_all->souris.appui = [this](B, E, int, int) { image_del_allMouseDown(); };
    relache(image_del_all, "image_del_all_off");
    image_del_all->souris.clic = [this] { image_del_allClick(); };

    creer_glissieres();

    Shape1->souris.appui = [this](B, E, int, int) { Shape1MouseDown(); };
    Shape1->souris.relache = [this](B, E, int, int) { Shape1MouseUp(); };

    image_barre->souris.appui = [this](B b, E e, int x, int y) { image_barreMouseDown(b, e, x, y); };
    image_fond->souris.appui = [this](B b, E e, int x, int y) { image_fondMouseDown(b, e, x, y); };
    deplacement_ = new vt::DeplacementFenetre(*this, [this] { cacher_menu(); });
    for (ImageVt* w : {image_barre, image_fond}) {
        w->souris.mouvement_ecran = [this](E e, QPoint global) { deplacement_->suivre(e, global); };
        w->souris.relache = [this](B, E, int, int) { deplacement_->lacher(); };
    }
    for (ImageVt* w : {image_fond_liste, image_fond_play, image_fond_lecture})
        w->souris.mouvement = [this](E, int, int) { cacher_menu(); };
    image_reduire->souris.clic = [this] { image_reduireClick(); };
    tray_image->souris.clic = [this] { tray_imageClick(); };
    Image_menu->souris.clic = [this] { Image_menuClick(); };
    image_quitter->souris.clic = [this] { image_quitterClick(); };

    connect(list_lecture, &QListView::doubleClicked, this,
            [this](const QModelIndex& i) { m_.lecteur->jouer_ligne(i.row()); });
    // The play list asks for a new scan of its folder.
    connect(&m_.liste, &vt::ListeCourante::playlists_changees, this,
            [this](const std::optional<std::string>& dossier) { remplir_selecteur(dossier); });
    connect(Comboplaylist, &QComboBox::activated, this, [this] { ComboplaylistChange(); });
    connect(check_repeat, &QCheckBox::toggled, this, [this](bool oui) { porte_.definir_repetition(oui); });
    connect(check_random, &QCheckBox::toggled, this, [this](bool oui) { porte_.definir_aleatoire(oui); });
    brancher_lecteur();
}

vt::ImageVt* TForm1::element(std::string_view nom) const {
    auto it = elements_.find(nom);
    return it == elements_.end() ? nullptr : it->second;
}

void TForm1::montrer(ImageVt* cible, std::string_view source) {
    if (ImageVt* s = element(source)) cible->definir(s->image());
}

void TForm1::definir_image(std::string_view nom, const QImage& image) {
    if (ImageVt* w = element(nom)) w->definir(image);
}

void TForm1::definir_couleurs(QColor fond_liste, QColor texte_liste, QColor texte_lecture) {
    QPalette p = list_lecture->palette();
    p.setColor(QPalette::Base, fond_liste);
    p.setColor(QPalette::Text, texte_liste);
    list_lecture->setPalette(p);
    // A style sheet set again, even the same, is parsed and every widget
    // under it polished again: the built-in colours and then the skin's come
    // at each start, most often the same.
    const QString style = vt::style_liste(fond_liste, texte_liste);
    if (list_lecture->styleSheet() != style) list_lecture->setStyleSheet(style);
    label_lecture->definir_couleur(texte_lecture);
    surlignage_ = texte_lecture;
    // The boxes in the list's colours; the focus frame in one of the skin's.
    couleurs_cases_ = {fond_liste, texte_liste};
    for (QCheckBox* c : {check_repeat, check_random})
        static_cast<vt::CaseVt*>(c)->definir_couleurs(fond_liste, texte_liste);
    vt::couleurs_cadre_focus(this, {texte_lecture, texte_liste, fond_liste});
    colorer_selecteur();
}

void TForm1::colorer_selecteur() {
    const QColor texte = QApplication::palette().color(QPalette::Window);
    const QString style = vt::style_selecteur(texte, vt::couleur_surlignage(surlignage_, texte));
    if (Comboplaylist->styleSheet() != style) Comboplaylist->setStyleSheet(style);
}
