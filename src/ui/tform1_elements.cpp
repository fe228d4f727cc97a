// The main window's elements: the drawn pictures in their painting order,
// the list, the selector, the labels, the check boxes and the three
// sliders, each wired to its handler in tform1.cpp or to a shared action;
// and the pictures and colours a skin gives them.
#include "ui/tform1.h"

#include "config/texte_affiche.h"
#include "player/porte_lecteur.h"
#include "player/regles.h"
#include "playlist/liste_courante.h"
#include "skin/aspect_integre.h"
#include "skin/elements.h"
#include "ui/accessibilite.h"
#include "ui/actions.h"
#include "ui/curseurs_lecteur.h"
#include "ui/deplacement.h"
#include "ui/glisser_ligne.h"
#include "ui/navigation.h"
#include "ui/selecteur_playlists.h"
#include "ui/session.h"
#include "ui/vue_courant.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QStyledItemDelegate>

using vt::ImageVt;

vt::ImageVt* TForm1::creer(std::string_view nom) {
    const vt::Element* e = vt::trouver_element(nom);
    // The picture comes with FormCreate: the skin's, or else the built-in one.
    auto* w = new ImageVt(this, nom, QRect(e->x, e->y, e->largeur, e->hauteur), nom == "image_fond_menu");
    if (e->x >= 391) w->hide();  // a source picture, outside the visible area
    elements_.emplace(std::string(nom), w);
    return w;
}

void TForm1::construire() {
    for (std::string_view nom : vt::kOrdrePeinture) {
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
    list_lecture->setModel(&liste_);
    auto* selection = new vt::SelectionCourante(liste_, porte_, 0, list_lecture);
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
    // The drag's filter first: this window's own (the menu hidden as the
    // pointer moves) is installed after it, so runs before it.
    new vt::GlisserLigne(*list_lecture, liste_);
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
    selecteur_ = new vt::SelecteurPlaylists(*Comboplaylist, liste_, services_.configuration,
                                            services_.actions, services_.navigation);

    const vt::CouleursSkin c = vt::couleurs_integrees();
    definir_couleurs(c.fond_liste, c.texte_liste, c.texte_lecture);
}

void TForm1::brancher() {
    using B = Qt::MouseButton;
    using E = Qt::MouseButtons;
    const vt::Actions& a = services_.actions;
    // The transport buttons act on press; stop, next and back show their
    // lit picture until the release.
    auto relache = [this](ImageVt* w, std::string_view off) {
        w->souris.relache = [this, w, off](B, E, int, int) { montrer(w, off); };
    };
    image_play->souris.appui = [&a](B, E, int, int) { a.jouer->trigger(); };
    image_pause->souris.clic = [&a] { a.pause->trigger(); };
    for (auto [w, action, on, off] : {std::tuple{image_stop, a.arreter, "image_stopon", "image_stopoff"},
                                      {image_next, a.suivant, "image_nexton", "image_nextoff"},
                                      {image_back, a.precedent, "image_backon", "image_backoff"}}) {
        w->souris.appui = [this, w, action, on](B, E, int, int) {
            action->trigger();
            montrer(w, on);
        };
        relache(w, off);
    }

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
    image_up->souris.clic = [&a] { a.monter->trigger(); };
    image_down->souris.clic = [&a] { a.descendre->trigger(); };
    // Clearing: the press stops, the click empties the list.
    image_del_all->souris.appui = [this, &a](B, E, int, int) {
        montrer(image_del_all, "image_del_all_on");
        a.arreter->trigger();
    };
    relache(image_del_all, "image_del_all_off");
    image_del_all->souris.clic = [this] { image_del_allClick(); };

    curseurs_ = new vt::CurseursLecteur(
        porte_,
        {barre_volume, curseur_volume, barre_balance, curseur_balance, barre_position, curseur_position,
         label_vol, label_bal},
        [this](ImageVt* cible, std::string_view source) { montrer(cible, source); }, this);

    // Pressed, the time box shows the track's length.
    Shape1->souris.appui = [this](B, E, int, int) {
        label_temps->hide();
        afficher_temps(label_total, vt::texte_temps(porte_.longueur_ms()));
        label_total->show();
    };
    Shape1->souris.relache = [this](B, E, int, int) {
        label_temps->show();
        label_total->hide();
    };

    image_barre->souris.appui = [this](B b, E, int x, int y) {
        cacher_menu();
        deplacement_->appui(image_barre, b, x, y);
    };
    image_fond->souris.appui = [this](B b, E, int x, int y) { deplacement_->appui(image_fond, b, x, y); };
    deplacement_ = new vt::DeplacementFenetre(*this, [this] { cacher_menu(); });
    for (ImageVt* w : {image_barre, image_fond}) {
        w->souris.mouvement_ecran = [this](E e, QPoint global) { deplacement_->suivre(e, global); };
        w->souris.relache = [this](B, E, int, int) { deplacement_->lacher(); };
    }
    for (ImageVt* w : {image_fond_liste, image_fond_play, image_fond_lecture})
        w->souris.mouvement = [this](E, int, int) { cacher_menu(); };
    // Minimised where the session lists minimised windows. A bare Wayland
    // compositor drops a minimised window from its scene and nothing would
    // bring it back: there the window stays shown.
    image_reduire->souris.clic = [this] {
        if (vt::reduite_retrouvable()) showMinimized();
    };
    tray_image->souris.clic = [this] { tray_imageClick(); };
    Image_menu->souris.clic = [this] {
        emit services_.navigation.menu_demande(pos(), image_fond_menu->image());
    };
    image_quitter->souris.clic = [this] { image_quitterClick(); };

    connect(list_lecture, &QListView::doubleClicked, this,
            [this](const QModelIndex& i) { porte_.jouer_ligne(i.row()); });
    // A play list chosen in the selector: its first entry, the list focused.
    connect(selecteur_, &vt::SelecteurPlaylists::playlist_chargee, this, [this] {
        selectionner(0);
        list_lecture->setFocus(Qt::OtherFocusReason);
    });
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
    services_.navigation.definir_couleurs_cases(fond_liste, texte_liste);
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
